// Parentheses of footprint text, counted outside quoted strings, where a backslash escapes the
// next character: shared by the block cutter and the whole-file check.
#pragma once

#include <QStringView>

namespace FootprintText {

struct ParenDepth
{
    qsizetype depth = 0;
    bool inString = false;

    // Takes the character at i, and moves i past the character it escapes; true when it closed
    // a parenthesis.
    bool step(QStringView text, qsizetype& i)
    {
        const char16_t c = text[i].unicode();
        if (inString) {
            if (c == u'\\') {
                if (i + 1 < text.size())
                    ++i;
            } else if (c == u'"') {
                inString = false;
            }
            return false;
        }
        if (c == u'"')
            inString = true;
        else if (c == u'(')
            ++depth;
        else if (c == u')') {
            --depth;
            return true;
        }
        return false;
    }
};

} // namespace FootprintText
