// One element of a parsed S-expression: an atom or a list of elements.
#pragma once

#include <QList>
#include <QString>

struct SExprNode
{
    bool isList = false;
    QString atom;             // quotes removed, escapes resolved; empty for a list
    QList<SExprNode> children; // empty for an atom

    // First element when it is an atom; empty otherwise.
    QString head() const;
    // First direct child list whose head equals name exactly; null when none.
    const SExprNode* findChildList(const QString& name) const;
};

// Reads one element at pos (left just after it). Throws std::runtime_error on
// malformed text; nesting is bounded so hostile files cannot exhaust the stack.
void parseSExpressionNode(SExprNode& node, const QString& text, int& pos, int depth);
