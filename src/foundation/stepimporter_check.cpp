// A scan of the exchange file's entity numbers and references before OpenCASCADE reads it:
// its reader crashes on numbers beyond the int range and reads unset memory when a number is
// defined twice, and its transfer recurses without end on an entity that refers back to itself.
// The scan splits the file as that reader's lexer does, or damage hidden where the two disagree
// would reach it unseen: a text ends only at a quote followed by blanks and then ',' or ')',
// and nothing after the closing "END-ISO-10303-21;" is read. A text or comment that never
// closes is damage too: the reader goes on past its opening to the end of the file.
#include "foundation/stepimporter.h"

#include <QFile>

#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

constexpr qint64 kMaxEntityNumber = std::numeric_limits<int>::max();

struct EntityGraph
{
    std::vector<qint64> ids;     // defined entity numbers, in file order
    std::vector<size_t> offsets; // refs of entity i: refs[offsets[i] .. offsets[i + 1])
    std::vector<qint64> refs;
};

// The lexical states that matter: strings and comments may hold '#' and ';'.
class Scanner
{
public:
    explicit Scanner(EntityGraph& graph) : m_graph(graph) { m_graph.offsets.push_back(0); }

    // False when an entity number is out of range (stored in badNumber).
    bool feed(const char* data, qint64 size)
    {
        for (qint64 i = 0; i < size && !m_ended; ++i) {
            if (!step(data[i]))
                return false;
        }
        return true;
    }
    bool finish() { return m_ended || endNumber(); }
    bool ended() const { return m_ended; }
    // The line where the text or comment still open at the end of the file began; 0 if none.
    qint64 unclosedSince() const { return m_state != State::Normal && m_state != State::Number ? m_openedOn : 0; }
    bool unclosedIsComment() const { return m_state == State::Comment; }

    QByteArray badNumber;

private:
    bool step(char c)
    {
        if (c == '\n')
            ++m_line;
        switch (m_state) {
        case State::String:
            if (c == '\'')
                m_state = State::Quote;
            return true;
        case State::Quote: // a quote in a text, which ends it only if blanks and ',' or ')' follow
            if (c == ',' || c == ')') {
                m_state = State::Normal;
                break;
            }
            if (c != ' ' && c != '\n' && c != '\r' && c != '\'')
                m_state = State::String;
            return true;
        case State::Comment:
            if (m_prev == '*' && c == '/') {
                m_state = State::Normal;
                m_prev = 0; // "*/*" closes the comment and opens none
                return true;
            }
            m_prev = c;
            return true;
        case State::Number:
            if (c >= '0' && c <= '9') {
                m_digits += c;
                return true;
            }
            if (!endNumber())
                return false;
            break;
        case State::Normal:
            break;
        }
        if (isWordCharacter(c)) {
            if (m_word.size() <= kLongestEnd)
                m_word += c;
        } else {
            if (c == ';' && isEndOfExchange(m_word)) {
                m_ended = true;
                return true;
            }
            m_word.clear();
        }
        if (c == '\'') {
            m_state = State::String;
            m_openedOn = m_line;
            m_recordStarted = true;
        } else if (c == '*' && m_prev == '/') {
            m_state = State::Comment;
            m_openedOn = m_line;
            m_prev = 0;
            return true;
        } else if (c == '#') {
            m_state = State::Number;
            m_digits.clear();
        } else if (c == ';') {
            endRecord();
        } else if (c != ' ' && c != '\n' && c != '\r' && c != '\t' && c != '/') {
            m_recordStarted = true;
        }
        m_prev = c;
        return true;
    }

    bool endNumber()
    {
        if (m_state != State::Number)
            return true;
        m_state = State::Normal;
        if (m_digits.isEmpty())
            return true;
        bool ok = m_digits.size() <= 12;
        const qint64 number = ok ? m_digits.toLongLong(&ok) : 0;
        if (!ok || number > kMaxEntityNumber) {
            badNumber = m_digits.left(40);
            return false;
        }
        if (!m_recordStarted && !m_hasDefinition) {
            m_hasDefinition = true;
            m_graph.ids.push_back(number);
        } else if (m_hasDefinition) {
            m_graph.refs.push_back(number);
        }
        m_recordStarted = true;
        return true;
    }

    void endRecord()
    {
        if (m_hasDefinition)
            m_graph.offsets.push_back(m_graph.refs.size());
        m_hasDefinition = false;
        m_recordStarted = false;
    }

    static constexpr qsizetype kLongestEnd = 64;
    static bool isWordCharacter(char c)
    {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    }
    // The reader stops at "END-ISO", any digits and dashes, and ';', in any case.
    static bool isEndOfExchange(const QByteArray& word)
    {
        if (word.size() < 7 || word.size() > kLongestEnd || qstrnicmp(word.constData(), "END-ISO", 7) != 0)
            return false;
        for (qsizetype i = 7; i < word.size(); ++i) {
            if (word.at(i) != '-' && (word.at(i) < '0' || word.at(i) > '9'))
                return false;
        }
        return true;
    }

    enum class State { Normal, String, Quote, Comment, Number };
    EntityGraph& m_graph;
    State m_state = State::Normal;
    QByteArray m_digits;
    char m_prev = 0;
    qint64 m_line = 1;
    qint64 m_openedOn = 0;
    bool m_recordStarted = false;
    bool m_hasDefinition = false;
    QByteArray m_word; // the letters, digits and dashes just read, to see the end of the exchange
    bool m_ended = false;
};

using EntityIndex = std::unordered_map<qint64, size_t>;

// Indexes the entities by number; returns a number defined more than once, if any. The
// reader keeps one definition of such a number and leaves memory unset for the others.
std::optional<qint64> indexEntities(const EntityGraph& graph, EntityIndex& index)
{
    const size_t count = graph.offsets.size() - 1;
    index.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        if (!index.emplace(graph.ids[i], i).second)
            return graph.ids[i];
    }
    return std::nullopt;
}

// The number of an entity on a reference cycle, or 0 when there is none. Iterative, so
// that a long chain of references cannot exhaust the stack here either.
qint64 entityOnCycle(const EntityGraph& graph, const EntityIndex& index)
{
    const size_t count = graph.offsets.size() - 1;

    enum : unsigned char { Unvisited, OnPath, Done };
    std::vector<unsigned char> mark(count, Unvisited);
    std::vector<std::pair<size_t, size_t>> path; // entity, next reference to follow
    for (size_t start = 0; start < count; ++start) {
        if (mark[start] != Unvisited)
            continue;
        mark[start] = OnPath;
        path.emplace_back(start, graph.offsets[start]);
        while (!path.empty()) {
            auto& [entity, next] = path.back();
            if (next == graph.offsets[entity + 1]) {
                mark[entity] = Done;
                path.pop_back();
                continue;
            }
            const auto target = index.find(graph.refs[next++]);
            if (target == index.end())
                continue; // unresolved: the reader's own checks report it
            if (mark[target->second] == OnPath)
                return graph.ids[target->second];
            if (mark[target->second] == Unvisited) {
                mark[target->second] = OnPath;
                path.emplace_back(target->second, graph.offsets[target->second]);
            }
        }
    }
    return 0;
}

} // namespace

bool StepImporter::checkEntityReferences(const QString& path, QString& reason, bool* complete)
{
    reason.clear();
    if (complete)
        *complete = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true; // the reader reports what cannot be opened
    EntityGraph graph;
    Scanner scanner(graph);
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(chunk.data(), chunk.size());
        if (n <= 0)
            break;
        if (!scanner.feed(chunk.constData(), n)) {
            reason = tr("The STEP file is damaged: the entity number %1 is out of range.")
                         .arg(QString::fromLatin1(scanner.badNumber));
            return false;
        }
    }
    if (complete)
        *complete = scanner.ended();
    if (!scanner.finish()) {
        reason = tr("The STEP file is damaged: the entity number %1 is out of range.")
                     .arg(QString::fromLatin1(scanner.badNumber));
        return false;
    }
    if (const qint64 line = scanner.unclosedSince()) {
        reason = scanner.unclosedIsComment()
            ? tr("The STEP file is damaged: the comment opened on line %1 never closes.").arg(line)
            : tr("The STEP file is damaged: the text opened on line %1 never closes.").arg(line);
        return false;
    }
    // A record cut short by the end of the file has no end offset.
    if (graph.offsets.size() < graph.ids.size() + 1)
        graph.ids.resize(graph.offsets.size() - 1);
    EntityIndex index;
    if (const std::optional<qint64> twice = indexEntities(graph, index)) {
        reason = tr("The STEP file is damaged: the entity number #%1 is defined more than once.").arg(*twice);
        return false;
    }
    if (const qint64 entity = entityOnCycle(graph, index)) {
        reason = tr("The STEP file is damaged: entity #%1 refers back to itself.").arg(entity);
        return false;
    }
    return true;
}
