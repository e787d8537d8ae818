#include "project/sexprnode.h"

#include <QStringList>

#include <stdexcept>

namespace {

constexpr int kMaxDepth = 500;

bool isDelimiter(QChar c)
{
    return c.isSpace() || c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char(';');
}

// Skips white space and ";" comments. Returns false when a comment runs to the end
// of the text without a line feed.
bool skipBlanks(const QString& text, int& pos)
{
    const int n = int(text.size());
    const QChar* d = text.constData();
    while (pos < n) {
        const QChar c = d[pos];
        if (c.isSpace()) {
            ++pos;
        } else if (c == QLatin1Char(';')) {
            const int lf = int(text.indexOf(QLatin1Char('\n'), pos));
            if (lf < 0) {
                pos = n;
                return false;
            }
            pos = lf + 1;
        } else {
            break;
        }
    }
    return true;
}

void readQuoted(SExprNode& node, const QString& text, int& pos)
{
    const int n = int(text.size());
    const QChar* d = text.constData();
    ++pos; // opening quote
    const int begin = pos;
    // Fast path: no escape before the closing quote.
    while (pos < n && d[pos] != QLatin1Char('"') && d[pos] != QLatin1Char('\\'))
        ++pos;
    if (pos < n && d[pos] == QLatin1Char('"')) {
        node.atom = text.mid(begin, pos - begin);
        ++pos;
        return;
    }
    QString out = text.mid(begin, pos - begin);
    while (pos < n) {
        const QChar c = d[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            node.atom = out;
            return;
        }
        if (c == QLatin1Char('\\') && pos + 1 < n) {
            const QChar e = d[pos + 1];
            if (e == QLatin1Char('"'))
                out += QLatin1Char('"');
            else if (e == QLatin1Char('\\'))
                out += QLatin1Char('\\');
            else if (e == QLatin1Char('n'))
                out += QLatin1Char('\n');
            else if (e == QLatin1Char('t'))
                out += QLatin1Char('\t');
            else {
                out += c;
                out += e;
            }
            pos += 2;
            continue;
        }
        out += c;
        ++pos;
    }
    throw std::runtime_error("S-expression: missing closing quote (truncated file?)");
}

} // namespace

QString SExprNode::head() const
{
    if (!isList || children.isEmpty() || children.first().isList)
        return QString();
    return children.first().atom;
}

const SExprNode* SExprNode::findChildList(const QString& name) const
{
    for (const SExprNode& child : children) {
        if (!child.isList || child.children.isEmpty())
            continue;
        const SExprNode& first = child.children.first();
        if (!first.isList && first.atom == name)
            return &child;
    }
    return nullptr;
}

namespace {

// One reader for both the full tree and the pruned one: with no pruning every element is
// stored; with pruning, a null node means the element is read and checked only.
class Reader
{
public:
    Reader(const QString& text, int& pos, const SExprPruning* pruning)
        : m_text(text), m_pos(pos), m_pruning(pruning)
    {
    }

    // The element is stored in node (when not null); returns false when a pruned list was
    // dropped or consumed instead.
    bool element(SExprNode* node, int depth)
    {
        if (depth > kMaxDepth)
            throw std::runtime_error("S-expression: nesting too deep (corrupt file?)");

        if (!skipBlanks(m_text, m_pos) || m_pos >= m_text.size())
            throw std::runtime_error("S-expression: unexpected end of file");

        const QChar c = m_text.constData()[m_pos];
        if (c == QLatin1Char('"')) {
            SExprNode scratch;
            readQuoted(node ? *node : scratch, m_text, m_pos);
            return true;
        }
        if (c == QLatin1Char('('))
            return list(node, depth);

        const int begin = m_pos;
        const int n = int(m_text.size());
        const QChar* d = m_text.constData();
        while (m_pos < n && !isDelimiter(d[m_pos]))
            ++m_pos;
        if (node)
            node->atom = m_text.mid(begin, m_pos - begin);
        return true;
    }

private:
    // seenHeads: the heads of the kept lists before this one among its siblings (pruning only),
    // each once. A list rather than a set: it holds a handful of heads, and hashing every head
    // of a large file was the reader's largest cost.
    bool list(SExprNode* node, int depth, QStringList* seenHeads = nullptr)
    {
        ++m_pos;
        if (node)
            node->isList = true;
        const bool pruned = m_pruning && node;
        bool keep = node != nullptr;
        bool pushedHead = false;
        bool seenAtomAfterHead = false;
        QStringList childHeads;
        const QChar* d = m_text.constData();
        for (bool first = true;; first = false) {
            skipBlanks(m_text, m_pos);
            if (m_pos >= m_text.size())
                throw std::runtime_error("S-expression: missing closing parenthesis");
            if (d[m_pos] == QLatin1Char(')')) {
                ++m_pos;
                break;
            }
            if (!keep) {
                element(nullptr, depth + 1);
                continue;
            }
            if (!pruned) {
                node->children.append(SExprNode());
                element(&node->children.last(), depth + 1);
                continue;
            }
            if (d[m_pos] == QLatin1Char('(')) {
                if (first && depth == 0) {
                    m_outerHeads.append(QString()); // a root without head
                    pushedHead = true;
                }
                if (first && depth > 0) {
                    keep = false; // no head: no lookup can reach this list
                    continue;
                }
                SExprNode child;
                if (depth + 1 > kMaxDepth)
                    throw std::runtime_error("S-expression: nesting too deep (corrupt file?)");
                if (list(&child, depth + 1, &childHeads)) {
                    if (!m_pruning->consume || !m_pruning->consume(child, m_outerHeads))
                        node->children.append(std::move(child));
                } else if (first) {
                    node->children.append(placeholder());
                }
                continue;
            }
            if (!first && seenAtomAfterHead) {
                element(nullptr, depth + 1); // no lookup reads a third atom
                continue;
            }
            SExprNode atom;
            element(&atom, depth + 1);
            if (first) {
                if (depth > 0) {
                    const bool before = seenHeads && seenHeads->contains(atom.atom);
                    if (!m_pruning->keep(atom.atom, m_outerHeads, before)) {
                        keep = false;
                        continue;
                    }
                    if (seenHeads && !before)
                        seenHeads->append(atom.atom);
                }
                m_outerHeads.append(atom.atom);
                pushedHead = true;
                node->children.append(std::move(atom));
            } else if (!seenAtomAfterHead) {
                seenAtomAfterHead = true;
                node->children.append(std::move(atom));
            }
        }
        if (pushedHead)
            m_outerHeads.removeLast();
        if (pruned && depth > 0 && !pushedHead)
            return false;
        return keep;
    }

    static SExprNode placeholder()
    {
        SExprNode empty;
        empty.isList = true;
        return empty;
    }

    const QString& m_text;
    int& m_pos;
    const SExprPruning* m_pruning;
    QStringList m_outerHeads;
};

} // namespace

void parseSExpressionNode(SExprNode& node, const QString& text, int& pos, int depth)
{
    Reader(text, pos, nullptr).element(&node, depth);
}

void parseSExpressionPruned(SExprNode& root, const QString& text, int& pos, const SExprPruning& pruning)
{
    Reader(text, pos, &pruning).element(&root, 0);
}
