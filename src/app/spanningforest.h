// The shortest straight links joining points into trees, where the points are gathered in
// nodes (the pads of a pin) and only points of one set (a net) may be linked: the minimum
// spanning forest of that graph, found without looking at every pair of points.
#pragma once

#include <gp_Pnt.hxx>

#include <vector>

// Union by size with path halving.
class UnionFind
{
public:
    explicit UnionFind(int count = 0);
    int addElement();
    int find(int x);
    // False when a and b were joined already.
    bool unite(int a, int b);

private:
    std::vector<int> parent;
    std::vector<int> size;
};

struct ForestPoint
{
    gp_Pnt position;
    int node = 0; // points of one node are joined already
    int set = 0;  // a link joins two points of one set
};

struct ForestEdge
{
    double length = 0.0;
    int first = 0; // indexes into the points, first < second
    int second = 0;
};

// The edges of the forest, by length, then by their points' indexes: of equal lengths the same
// edges come out in every run. A link no longer than minLength is no link; so two nodes whose
// every pair of points is that close are joined only through a third. Of two nodes the forest
// joins directly, its edge is their shortest point-to-point link.
// Nearest-neighbour searches in a k-d tree per set, by Borůvka's rounds: about n log² n for n
// points, where the list of every pair would be quadratic.
std::vector<ForestEdge> minimumSpanningForest(const std::vector<ForestPoint>& points, int nodeCount,
                                              double minLength);
