#include "foundation/stepscan.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace {

constexpr std::int64_t kMaxEntityNumber = std::numeric_limits<int>::max();
constexpr std::size_t kLongestNumber = 12;
// A word longer than this is read in pieces: no sound file comes near it.
constexpr std::size_t kLongestRun = 1 << 16;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isTypeChar(char c) { return isDigit(c) || isUpper(c) || (c >= 'a' && c <= 'z') || c == '_'; }

// Letters, digits, '_', '.', '+' and '-', by table: the scan spends most of its time on them.
struct RunTable
{
    bool run[256] = {};
    RunTable()
    {
        for (int b = 0; b < 256; ++b)
            run[b] = isTypeChar(char(b)) || b == '-' || b == '+' || b == '.';
    }
};
const RunTable kRunChars;
bool isRunChar(char c) { return kRunChars.run[static_cast<unsigned char>(c)]; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'A' && c <= 'F'); }

// Bytes the lexer passes over without a token. Any other byte it has no rule for reaches the
// parser as an error.
bool isSilent(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

char lower(char c) { return isUpper(c) ? char(c - 'A' + 'a') : c; }

// Keywords are read in any case.
bool equalsIgnoringCase(const std::string& word, const char* keyword)
{
    std::size_t i = 0;
    for (; keyword[i]; ++i) {
        if (i >= word.size() || lower(word[i]) != keyword[i])
            return false;
    }
    return i == word.size();
}

// The exchange opens with "ISO" and closes with "END-ISO", either followed by any digits and
// dashes and ';', in any case.
bool isMark(const std::string& word, std::size_t from, const char* mark)
{
    const std::size_t length = std::strlen(mark);
    if (word.size() - from < length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (lower(word[from + i]) != mark[i])
            return false;
    }
    return std::all_of(word.begin() + std::ptrdiff_t(from + length), word.end(),
                       [](char c) { return c == '-' || isDigit(c); });
}

std::size_t countWhile(const std::string& s, std::size_t from, bool (*accept)(char))
{
    std::size_t n = 0;
    while (from + n < s.size() && accept(s[from + n]))
        ++n;
    return n;
}

StepScan::Role roleOf(const std::string& run, std::size_t from, std::size_t length)
{
    static const std::pair<const char*, StepScan::Role> kRoles[] = {
        {"NEXT_ASSEMBLY_USAGE_OCCURRENCE", StepScan::Role::AssemblyUsage},
        {"PRODUCT_DEFINITION_SHAPE", StepScan::Role::ProductDefinitionShape},
        {"SHAPE_DEFINITION_REPRESENTATION", StepScan::Role::ShapeDefinition},
        {"SHAPE_REPRESENTATION_RELATIONSHIP", StepScan::Role::RepresentationRelationship},
        {"REPRESENTATION_RELATIONSHIP", StepScan::Role::RepresentationRelationship},
        {"REPRESENTATION_RELATIONSHIP_WITH_TRANSFORMATION", StepScan::Role::RepresentationRelationship},
    };
    if (length < 24)
        return StepScan::Role::None;
    for (const auto& [name, role] : kRoles) {
        if (std::strlen(name) == length && run.compare(from, length, name) == 0)
            return role;
    }
    return StepScan::Role::None;
}

// The relationships between product definitions, and the substitute of one, as the reader
// names them (in capitals: it knows no other spelling).
bool isUsageType(const std::string& run, std::size_t from, std::size_t length)
{
    static const char* const kUsages[] = {
        "PRODUCT_DEFINITION_RELATIONSHIP", "PRODUCT_DEFINITION_USAGE", "ASSEMBLY_COMPONENT_USAGE",
        "NEXT_ASSEMBLY_USAGE_OCCURRENCE", "PROMISSORY_USAGE_OCCURRENCE", "QUANTIFIED_ASSEMBLY_COMPONENT_USAGE",
        "SPECIFIED_HIGHER_USAGE_OCCURRENCE", "MAKE_FROM_USAGE_OPTION", "ASSEMBLY_COMPONENT_USAGE_SUBSTITUTE",
    };
    if (length < 22)
        return false;
    for (const char* name : kUsages) {
        if (std::strlen(name) == length && run.compare(from, length, name) == 0)
            return true;
    }
    return false;
}

} // namespace

StepScan::StepScan(KnownType knownType) : m_knownType(std::move(knownType))
{
    m_offsets.push_back(0);
}

StepScan::Open StepScan::unclosed() const
{
    switch (m_lex) {
    case Lex::Text:
    case Lex::Quote:
        return Open::Text;
    case Lex::Comment:
    case Lex::CommentStar:
        return Open::Comment;
    default:
        return Open::None;
    }
}

bool StepScan::feed(const char* data, std::size_t size)
{
    std::size_t i = 0;
    while (i < size && !m_ended && !m_failed) {
        // Long stretches that make no token are passed over in bulk.
        const char* from = data + i;
        const char* stop = from;
        const char* const end = data + size;
        if (m_lex == Lex::Normal) {
            while (stop < end && isSilent(*stop))
                ++stop;
        } else if (m_lex == Lex::Text) {
            stop = static_cast<const char*>(std::memchr(from, '\'', std::size_t(end - from)));
        } else if (m_lex == Lex::Comment) {
            stop = static_cast<const char*>(std::memchr(from, '*', std::size_t(end - from)));
        } else if (m_lex == Lex::Run || (m_lex == Lex::Hash && m_text.size() <= kLongestNumber)) {
            const bool run = m_lex == Lex::Run;
            while (stop < end && (run ? isRunChar(*stop) : isDigit(*stop)))
                ++stop;
            m_text.append(from, std::size_t(stop - from));
            if (run && m_text.size() >= kLongestRun)
                endRun(false);
            else if (!run && m_text.size() > kLongestNumber + 1)
                m_text.resize(kLongestNumber + 1);
        }
        if (!stop)
            stop = end;
        if (stop != from) {
            m_line += std::count(from, stop, '\n');
            m_offset += stop - from;
            i += std::size_t(stop - from);
            continue;
        }
        step(data[i]);
        ++m_offset;
        ++i;
    }
    return !m_failed;
}

bool StepScan::finish()
{
    switch (m_lex) {
    case Lex::Hash:
        if (m_text.empty()) { // a lone '#' at the very end, which the lexer has no rule for
            m_lex = Lex::Normal;
            token(Token::Other);
            break;
        }
        endNumber(0);
        break;
    case Lex::HashBlanks:
        endNumber(0);
        break;
    case Lex::Run:
        endRun(false);
        break;
    case Lex::Hex:
        endHex(0);
        break;
    case Lex::Slash:
        m_lex = Lex::Normal;
        token(Token::Other);
        break;
    default:
        break;
    }
    if (m_lex == Lex::Run) // the replay of a hex text may leave a word
        endRun(false);
    return !m_failed;
}

bool StepScan::step(char c)
{
    if (c == '\n')
        ++m_line;
    switch (m_lex) {
    case Lex::Normal:
        return byteInNormal(c);
    case Lex::Text:
        if (c == '\'')
            m_lex = Lex::Quote;
        return true;
    case Lex::Quote: // a quote in a text, which ends it only if blanks and ',' or ')' follow
        if (c == ',' || c == ')') {
            m_lex = Lex::Normal;
            token(Token::Value);
            return byteInNormal(c);
        }
        if (c != ' ' && c != '\n' && c != '\r' && c != '\'' && c != '"') // '"' passes for a blank there
            m_lex = Lex::Text;
        return true;
    case Lex::Comment:
        if (c == '*')
            m_lex = Lex::CommentStar;
        return true;
    case Lex::CommentStar:
        if (c == '/')
            m_lex = Lex::Normal; // "*/*" closes the comment and opens none
        else if (c != '*')
            m_lex = Lex::Comment;
        return true;
    case Lex::Slash:
        m_lex = Lex::Normal;
        if (c == '*') {
            m_lex = Lex::Comment;
            m_openedOn = m_line;
            return true;
        }
        token(Token::Other);
        return byteInNormal(c);
    case Lex::Hash:
        if (isDigit(c)) {
            if (m_text.size() <= kLongestNumber)
                m_text += c;
            return true;
        }
        if (m_text.empty()) { // a lone '#' has no rule
            m_lex = Lex::Normal;
            token(Token::Other);
            return byteInNormal(c);
        }
        if (c == ' ' || c == '\t') {
            m_lex = Lex::HashBlanks;
            return true;
        }
        return endNumber(c);
    case Lex::HashBlanks:
        if (c == ' ' || c == '\t')
            return true;
        return endNumber(c);
    case Lex::Run:
        if (isRunChar(c)) {
            m_text += c;
            if (m_text.size() >= kLongestRun)
                endRun(false);
            return true;
        }
        if (endRun(c == ';') || m_ended)
            return true;
        return byteInNormal(c);
    case Lex::Hex:
        if (isHexDigit(c)) {
            if (m_text.size() < kLongestRun)
                m_text += c;
            return true;
        }
        endHex(c);
        return true;
    }
    return true;
}

bool StepScan::byteInNormal(char c)
{
    switch (c) {
    case '\'':
        m_lex = Lex::Text;
        m_openedOn = m_line;
        return true;
    case '/':
        m_lex = Lex::Slash;
        return true;
    case '#':
        m_lex = Lex::Hash;
        m_text.clear();
        return true;
    case '"':
        m_lex = Lex::Hex;
        m_text.clear();
        return true;
    case '(':
        token(Token::Open);
        return true;
    case ')':
        token(Token::Close);
        return true;
    case ',':
        token(Token::Comma);
        return true;
    case '=':
        token(Token::Equals);
        return true;
    case ';':
        token(Token::Semicolon);
        return true;
    case '$':
    case '*':
        token(Token::Value);
        return true;
    default:
        if (isRunChar(c) || c == '!' || c == '&') { // '!' opens a user-defined type name, '&' a scope
            m_lex = Lex::Run;
            m_text.assign(1, c);
        } else if (!isSilent(c)) {
            token(Token::Other);
        }
        return true;
    }
}

// A number followed by blanks and '=' names a record; otherwise it refers to one.
bool StepScan::endNumber(char next)
{
    m_lex = Lex::Normal;
    std::int64_t number = 0;
    const bool inRange = !m_text.empty() && m_text.size() <= kLongestNumber
        && std::from_chars(m_text.data(), m_text.data() + m_text.size(), number).ec == std::errc();
    if (!inRange || number > kMaxEntityNumber) {
        m_badNumber = m_text.substr(0, 40);
        m_failed = true;
        return false;
    }
    if (next == '=') {
        token(Token::Entity, number);
        token(Token::Equals);
        return true;
    }
    token(Token::Ident, number);
    return next ? byteInNormal(next) : true;
}

// A word of letters, digits, '_', '.', '+' and '-' holds one token or several: each time the
// longest of a type name, an integer, a real, an enumeration or a keyword with its ';'.
// True when a keyword took the ';' that follows.
bool StepScan::endRun(bool semicolonFollows)
{
    const std::string run = std::move(m_text);
    m_text.clear();
    m_lex = Lex::Normal;
    std::size_t i = 0;
    while (i < run.size() && !m_ended) {
        if (semicolonFollows) {
            const std::string rest = run.substr(i);
            if (isMark(run, i, "end-iso") || isMark(run, i, "iso")) {
                token(run[i] == 'e' || run[i] == 'E' ? Token::End : Token::Step);
                return true;
            }
            for (const auto& [word, kind] : {std::pair{"data", Token::Data}, std::pair{"header", Token::Header},
                                             std::pair{"endsec", Token::Endsec}}) {
                if (equalsIgnoringCase(rest, word)) {
                    token(kind);
                    return true;
                }
            }
        }
        const char c = run[i];
        if (c == '&') {
            // Only a scope that opens a record is read as one; elsewhere the word is a syntax
            // error the parser drops.
            const bool scope = run.compare(i, 6, "&SCOPE") == 0;
            m_scoped = m_scoped || (scope && m_parse == Parse::Assigned);
            token(Token::Other);
            i += scope ? 6 : 1;
            continue;
        }
        if (c == '!') {
            const std::size_t name = countWhile(run, i + 1, isTypeChar);
            m_typeRole = Role::None;
            token(name > 0 ? Token::Type : Token::Other);
            i += 1 + name;
            continue;
        }
        const std::size_t typeLength = countWhile(run, i, isTypeChar);
        std::size_t integerLength = 0;
        std::size_t realLength = 0;
        std::size_t enumLength = 0;
        if (isDigit(c) || c == '-' || c == '+')
            integerLength = 1 + countWhile(run, i + 1, isDigit);
        if (isDigit(c) || c == '-' || c == '+' || c == '.') {
            const std::size_t body = countWhile(run, i + 1, [](char d) { return isDigit(d) || d == '.'; });
            if (body > 0) {
                realLength = 1 + body;
                const std::size_t e = i + realLength;
                if (e + 1 < run.size() && run[e] == 'E' && (isDigit(run[e + 1]) || run[e + 1] == '-' || run[e + 1] == '+'))
                    realLength += 2 + countWhile(run, e + 2, isDigit);
            }
        }
        if (c == '.') {
            const std::size_t body = countWhile(run, i + 1, [](char d) { return isUpper(d) || isDigit(d) || d == '_'; });
            if (body > 0 && i + 1 + body < run.size() && run[i + 1 + body] == '.')
                enumLength = body + 2;
        }
        const std::size_t value = std::max({integerLength, realLength, enumLength});
        if (value == 0 && typeLength == 0) {
            token(Token::Other); // a lone '.' has no rule
            ++i;
            continue;
        }
        if (typeLength > value) {
            m_typeRole = roleOf(run, i, typeLength);
            if (m_parse == Parse::Assigned) {
                m_usageType = isUsageType(run, i, typeLength);
                if (m_knownType)
                    m_typeName.assign(run, i, typeLength);
            }
            token(Token::Type);
            i += typeLength;
        } else {
            token(Token::Value);
            i += value;
        }
    }
    return false;
}

// A '"' that no hex digits and '"' follow has no rule: what followed it is read again.
void StepScan::endHex(char next)
{
    m_lex = Lex::Normal;
    if (next == '"') {
        token(Token::Value);
        return;
    }
    const std::string digits = std::move(m_text);
    m_text.clear();
    token(Token::Other);
    for (const char c : digits)
        step(c);
    if (next)
        step(next);
}
