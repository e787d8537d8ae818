#include "foundation/shellnesting.h"

#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace {

bool holds(const Bnd_Box& outer, const Bnd_Box& inner)
{
    if (outer.IsVoid() || inner.IsVoid())
        return false;
    double ox0, oy0, oz0, ox1, oy1, oz1, ix0, iy0, iz0, ix1, iy1, iz1;
    outer.Get(ox0, oy0, oz0, ox1, oy1, oz1);
    inner.Get(ix0, iy0, iz0, ix1, iy1, iz1);
    // A void may touch its solid's box: rounding must not push it out.
    const double slack = 1e-9 * std::sqrt(outer.SquareExtent());
    return ix0 >= ox0 - slack && iy0 >= oy0 - slack && iz0 >= oz0 - slack && ix1 <= ox1 + slack
        && iy1 <= oy1 + slack && iz1 <= oz1 + slack;
}

double lowX(const ShellExtent& shell)
{
    double x0, y0, z0, x1, y1, z1;
    shell.box.Get(x0, y0, z0, x1, y1, z1);
    return x0;
}

double highX(const ShellExtent& shell)
{
    double x0, y0, z0, x1, y1, z1;
    shell.box.Get(x0, y0, z0, x1, y1, z1);
    return x1;
}

// Pairs (container, shell) worth asking about, container after container. A sweep along x
// keeps the boxes that span the sweep's position: only those can hold the next box.
std::vector<std::pair<int, int>> candidatePairs(const std::vector<ShellExtent>& shells)
{
    std::vector<std::pair<int, int>> pairs;
    if (shells.size() < 2)
        return pairs;
    std::vector<int> order;
    for (std::size_t i = 0; i < shells.size(); ++i)
        if (!shells[i].box.IsVoid())
            order.push_back(int(i));
    // On a shared low end, the container (wider, larger) comes first.
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const ShellExtent& p = shells[std::size_t(a)];
        const ShellExtent& q = shells[std::size_t(b)];
        if (lowX(p) != lowX(q))
            return lowX(p) < lowX(q);
        if (highX(p) != highX(q))
            return highX(p) > highX(q);
        return p.volume > q.volume;
    });
    std::vector<int> spanning;
    for (const int i : order) {
        const ShellExtent& shell = shells[std::size_t(i)];
        const double x = lowX(shell);
        spanning.erase(std::remove_if(spanning.begin(), spanning.end(),
                                      [&](int j) { return highX(shells[std::size_t(j)]) < x; }),
                       spanning.end());
        for (const int j : spanning)
            if (shells[std::size_t(j)].volume > shell.volume && holds(shells[std::size_t(j)].box, shell.box))
                pairs.emplace_back(j, i);
        spanning.push_back(i);
    }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

} // namespace

std::vector<int> voidOwners(const std::vector<ShellExtent>& shells, const std::function<bool(int, int)>& inside)
{
    const std::size_t n = shells.size();
    // The innermost container of each shell: of all those holding it, the smallest.
    std::vector<int> parent(n, -1);
    for (const auto& [container, shell] : candidatePairs(shells)) {
        int& p = parent[std::size_t(shell)];
        if ((p < 0 || shells[std::size_t(container)].volume < shells[std::size_t(p)].volume) && inside(container, shell))
            p = container;
    }
    // Depth down the chain of innermost containers, so that a void's owner is always a solid's
    // outside even where the answers disagree; a container is larger than what it holds, so
    // it comes first by decreasing volume.
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return shells[std::size_t(a)].volume > shells[std::size_t(b)].volume; });
    std::vector<int> depth(n, 0);
    std::vector<int> owners(n, -1);
    for (const int i : order) {
        const int p = parent[std::size_t(i)];
        if (p < 0)
            continue;
        depth[std::size_t(i)] = depth[std::size_t(p)] + 1;
        if (depth[std::size_t(i)] % 2 == 1)
            owners[std::size_t(i)] = p;
    }
    return owners;
}

std::vector<TopoDS_Solid> solidsWithVoids(const std::vector<TopoDS_Shell>& outward, const std::vector<int>& owners)
{
    BRep_Builder builder;
    std::vector<int> solidOf(outward.size(), -1);
    std::vector<TopoDS_Solid> solids;
    for (std::size_t i = 0; i < outward.size(); ++i) {
        if (owners[i] >= 0)
            continue;
        TopoDS_Solid solid;
        builder.MakeSolid(solid);
        builder.Add(solid, outward[i]);
        solidOf[i] = int(solids.size());
        solids.push_back(solid);
    }
    for (std::size_t i = 0; i < outward.size(); ++i) {
        if (owners[i] >= 0)
            builder.Add(solids[std::size_t(solidOf[std::size_t(owners[i])])], outward[i].Reversed());
    }
    return solids;
}

TopoDS_Shape solidOrCompound(const std::vector<TopoDS_Solid>& solids)
{
    if (solids.empty())
        return TopoDS_Shape();
    if (solids.size() == 1)
        return solids.front();
    BRep_Builder builder;
    TopoDS_Compound compound;
    builder.MakeCompound(compound);
    for (const auto& solid : solids)
        builder.Add(compound, solid);
    return compound;
}
