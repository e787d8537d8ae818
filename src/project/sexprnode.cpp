#include "project/sexprnode.h"

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

void parseSExpressionNode(SExprNode& node, const QString& text, int& pos, int depth)
{
    if (depth > kMaxDepth)
        throw std::runtime_error("S-expression: nesting too deep (corrupt file?)");

    if (!skipBlanks(text, pos) || pos >= text.size())
        throw std::runtime_error("S-expression: unexpected end of file");

    const QChar* d = text.constData();
    const QChar c = d[pos];

    if (c == QLatin1Char('"')) {
        node.isList = false;
        readQuoted(node, text, pos);
        return;
    }

    if (c == QLatin1Char('(')) {
        node.isList = true;
        ++pos;
        for (;;) {
            skipBlanks(text, pos);
            if (pos >= text.size())
                throw std::runtime_error("S-expression: missing closing parenthesis");
            if (d[pos] == QLatin1Char(')')) {
                ++pos;
                return;
            }
            node.children.append(SExprNode());
            parseSExpressionNode(node.children.last(), text, pos, depth + 1);
        }
    }

    node.isList = false;
    const int begin = pos;
    const int n = int(text.size());
    while (pos < n && !isDelimiter(d[pos]))
        ++pos;
    node.atom = text.mid(begin, pos - begin);
}
