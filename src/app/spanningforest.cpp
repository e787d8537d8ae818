#include "app/spanningforest.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

UnionFind::UnionFind(int count) : parent(count), size(count, 1)
{
    for (int i = 0; i < count; ++i)
        parent[i] = i;
}

int UnionFind::addElement()
{
    const int index = int(parent.size());
    parent.push_back(index);
    size.push_back(1);
    return index;
}

int UnionFind::find(int x)
{
    while (parent[x] != x) {
        parent[x] = parent[parent[x]];
        x = parent[x];
    }
    return x;
}

bool UnionFind::unite(int a, int b)
{
    const int ra = find(a);
    const int rb = find(b);
    if (ra == rb)
        return false;
    if (size[ra] < size[rb]) {
        parent[ra] = rb;
        size[rb] += size[ra];
    } else {
        parent[rb] = ra;
        size[ra] += size[rb];
    }
    return true;
}

namespace {

constexpr int kLeafSize = 8;

// An edge by its squared length, ties broken by its points: one strict order, so that the
// forest is one and Borůvka's simultaneous choices never close a cycle.
struct Candidate
{
    double square = std::numeric_limits<double>::infinity();
    int first = -1;
    int second = -1;

    bool beats(const Candidate& other) const
    {
        if (square != other.square)
            return square < other.square;
        return first != other.first ? first < other.first : second < other.second;
    }
};

struct KdNode
{
    double lo[3];
    double hi[3];
    int begin = 0; // range of the tree's point order
    int end = 0;
    int left = -1;
    int right = -1;
    int component = -1; // the component of every point below, -1 when they differ
};

double coordinate(const gp_Pnt& p, int axis)
{
    return axis == 0 ? p.X() : axis == 1 ? p.Y() : p.Z();
}

class KdTree
{
public:
    KdTree(const std::vector<ForestPoint>& points, std::vector<int> members)
        : m_points(points), m_order(std::move(members))
    {
        m_nodes.reserve(2 * m_order.size() / kLeafSize + 2);
        build(0, int(m_order.size()));
    }

    // Children come after their parent: one backward pass settles every node.
    void markComponents(const std::vector<int>& componentOf)
    {
        for (auto node = m_nodes.rbegin(); node != m_nodes.rend(); ++node) {
            if (node->left < 0) {
                node->component = componentOf[m_order[node->begin]];
                for (int k = node->begin + 1; k < node->end && node->component >= 0; ++k)
                    if (componentOf[m_order[k]] != node->component)
                        node->component = -1;
            } else {
                const int left = m_nodes[node->left].component;
                node->component = left == m_nodes[node->right].component ? left : -1;
            }
        }
    }

    // Improves best with the shortest link from the query point to a point of another
    // component that is longer than the minimum.
    void nearestForeign(int query, const std::vector<int>& componentOf, double minSquare, Candidate& best) const
    {
        const gp_Pnt& p = m_points[query].position;
        const int own = componentOf[query];
        int stack[128];
        int depth = 0;
        stack[depth++] = 0;
        while (depth > 0) {
            const KdNode& node = m_nodes[stack[--depth]];
            if (node.component == own || boxSquare(node, p) > best.square)
                continue;
            if (node.left < 0) {
                for (int k = node.begin; k < node.end; ++k) {
                    const int other = m_order[k];
                    if (componentOf[other] == own)
                        continue;
                    const double square = p.SquareDistance(m_points[other].position);
                    if (square <= minSquare)
                        continue;
                    const Candidate candidate{square, std::min(query, other), std::max(query, other)};
                    if (candidate.beats(best))
                        best = candidate;
                }
                continue;
            }
            // The nearer child is searched first, so that it narrows the bound for the other.
            const bool leftFirst = boxSquare(m_nodes[node.left], p) <= boxSquare(m_nodes[node.right], p);
            stack[depth++] = leftFirst ? node.right : node.left;
            stack[depth++] = leftFirst ? node.left : node.right;
        }
    }

private:
    int build(int begin, int end)
    {
        const int index = int(m_nodes.size());
        m_nodes.push_back(KdNode());
        KdNode node;
        node.begin = begin;
        node.end = end;
        for (int axis = 0; axis < 3; ++axis) {
            node.lo[axis] = std::numeric_limits<double>::infinity();
            node.hi[axis] = -std::numeric_limits<double>::infinity();
        }
        for (int k = begin; k < end; ++k) {
            for (int axis = 0; axis < 3; ++axis) {
                const double c = coordinate(m_points[m_order[k]].position, axis);
                node.lo[axis] = std::min(node.lo[axis], c);
                node.hi[axis] = std::max(node.hi[axis], c);
            }
        }
        if (end - begin > kLeafSize) {
            int axis = 0;
            for (int a = 1; a < 3; ++a)
                if (node.hi[a] - node.lo[a] > node.hi[axis] - node.lo[axis])
                    axis = a;
            const int middle = begin + (end - begin) / 2;
            std::nth_element(m_order.begin() + begin, m_order.begin() + middle, m_order.begin() + end,
                             [this, axis](int a, int b) {
                                 return coordinate(m_points[a].position, axis)
                                     < coordinate(m_points[b].position, axis);
                             });
            node.left = build(begin, middle);
            node.right = build(middle, end);
        }
        m_nodes[index] = node;
        return index;
    }

    static double boxSquare(const KdNode& node, const gp_Pnt& p)
    {
        double square = 0.0;
        for (int axis = 0; axis < 3; ++axis) {
            const double c = coordinate(p, axis);
            const double gap = c < node.lo[axis] ? node.lo[axis] - c : c > node.hi[axis] ? c - node.hi[axis] : 0.0;
            square += gap * gap;
        }
        return square;
    }

    const std::vector<ForestPoint>& m_points;
    std::vector<int> m_order;
    std::vector<KdNode> m_nodes;
};

} // namespace

std::vector<ForestEdge> minimumSpanningForest(const std::vector<ForestPoint>& points, int nodeCount,
                                              double minLength)
{
    std::map<int, std::vector<int>> members;
    for (int i = 0; i < int(points.size()); ++i)
        members[points[i].set].push_back(i);
    std::map<int, KdTree> trees;
    for (auto& [set, indexes] : members)
        trees.emplace(set, KdTree(points, std::move(indexes)));

    // Borůvka: each round gives every tree of nodes its shortest link out, at least halving
    // their number, until no tree has a link out.
    const double minSquare = minLength * minLength;
    UnionFind nodes(nodeCount);
    std::vector<int> componentOf(points.size());
    std::vector<Candidate> chosen;
    for (;;) {
        for (int i = 0; i < int(points.size()); ++i)
            componentOf[i] = nodes.find(points[i].node);
        for (auto& [set, tree] : trees)
            tree.markComponents(componentOf);
        std::vector<Candidate> best(nodeCount);
        for (int i = 0; i < int(points.size()); ++i)
            trees.at(points[i].set).nearestForeign(i, componentOf, minSquare, best[componentOf[i]]);
        bool merged = false;
        for (const Candidate& link : best) {
            if (link.first >= 0 && nodes.unite(points[link.first].node, points[link.second].node)) {
                chosen.push_back(link);
                merged = true;
            }
        }
        if (!merged)
            break;
    }

    std::sort(chosen.begin(), chosen.end(), [](const Candidate& a, const Candidate& b) { return a.beats(b); });
    std::vector<ForestEdge> edges;
    edges.reserve(chosen.size());
    for (const Candidate& link : chosen)
        edges.push_back({std::sqrt(link.square), link.first, link.second});
    return edges;
}
