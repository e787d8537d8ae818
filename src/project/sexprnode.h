// One element of a parsed S-expression: an atom or a list of elements.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

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

// What a reader needs of a large text, decided while it is read, so that the tree never holds
// what the reader would ignore. keep is asked for every list below the root as soon as its
// head is read (the heads of the lists around it, and whether a sibling list with the same
// head came before); a list it refuses, or one without a head, is read and checked like any
// other but not stored. Of the atoms after a list's head only the first is kept. A kept list
// may be consumed as soon as it is complete: it is then handed over and not stored.
struct SExprPruning
{
    std::function<bool(const QString& head, const QStringList& outerHeads, bool sameHeadBefore)> keep;
    std::function<bool(const SExprNode& list, const QStringList& outerHeads)> consume;
};

// Reads the root element at pos like parseSExpressionNode, keeping only what pruning keeps.
// The root list itself is always kept, with its head. A dropped list that was the first
// element of its list leaves an empty list in its place, so that no later atom becomes the head.
void parseSExpressionPruned(SExprNode& root, const QString& text, int& pos, const SExprPruning& pruning);
