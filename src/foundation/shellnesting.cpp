#include "foundation/shellnesting.h"

#include "foundation/meshwinding.h"
#include "foundation/occutils.h"

#include <BOPAlgo_CellsBuilder.hxx>
#include <BRepBndLib.hxx>
#include <Message_ProgressScope.hxx>
#include <BRepGProp.hxx>
#include <BRep_Builder.hxx>
#include <GProp_GProps.hxx>
#include <Standard_OutOfMemory.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

#include <algorithm>
#include <cmath>
#include <new>
#include <numeric>
#include <set>
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

// Pairs (container, shell) whose boxes overlap, the container enclosing more, container after
// container. A sweep along x keeps the boxes that span the sweep's position: only those can
// overlap the next box.
std::vector<std::pair<int, int>> candidatePairs(const std::vector<ShellExtent>& shells)
{
    std::vector<std::pair<int, int>> pairs;
    if (shells.size() < 2)
        return pairs;
    std::vector<int> order;
    for (std::size_t i = 0; i < shells.size(); ++i)
        if (!shells[i].box.IsVoid())
            order.push_back(int(i));
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const double pa = lowX(shells[std::size_t(a)]), pb = lowX(shells[std::size_t(b)]);
        return pa != pb ? pa < pb : a < b;
    });
    const auto larger = [&](int a, int b) {
        const double va = shells[std::size_t(a)].volume, vb = shells[std::size_t(b)].volume;
        return va != vb ? va > vb : a < b;
    };
    std::vector<int> spanning;
    for (const int i : order) {
        const ShellExtent& shell = shells[std::size_t(i)];
        const double x = lowX(shell);
        spanning.erase(std::remove_if(spanning.begin(), spanning.end(),
                                      [&](int j) { return highX(shells[std::size_t(j)]) < x; }),
                       spanning.end());
        for (const int j : spanning)
            if (!shells[std::size_t(j)].box.IsOut(shell.box))
                pairs.push_back(larger(j, i) ? std::make_pair(j, i) : std::make_pair(i, j));
        spanning.push_back(i);
    }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

} // namespace

ShellRoles shellRoles(const std::vector<ShellExtent>& shells, const std::function<ShellPlace(int, int)>& place)
{
    const std::size_t n = shells.size();
    ShellRoles roles;
    // The innermost container of each shell: of all those holding it, the smallest.
    std::vector<int> parent(n, -1);
    for (const auto& [container, shell] : candidatePairs(shells)) {
        if (!holds(shells[std::size_t(container)].box, shells[std::size_t(shell)].box)) {
            roles.meet = true;
            return roles;
        }
        int& p = parent[std::size_t(shell)];
        if (p >= 0 && shells[std::size_t(container)].volume >= shells[std::size_t(p)].volume)
            continue;
        switch (place(container, shell)) {
        case ShellPlace::Meets:
            roles.meet = true;
            return roles;
        case ShellPlace::Inside:
            p = container;
            break;
        case ShellPlace::Apart:
            break;
        }
    }
    // The winding number down the chain of innermost containers; a container is larger than
    // what it holds, so it comes first by decreasing volume.
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return shells[std::size_t(a)].volume > shells[std::size_t(b)].volume; });
    std::vector<int> winding(n, 0);
    roles.owners.assign(n, kOwnSolid);
    bool positive = false, negative = false;
    for (const int i : order) {
        const int p = parent[std::size_t(i)];
        const int outside = p < 0 ? 0 : winding[std::size_t(p)];
        const int inside = outside + shells[std::size_t(i)].turn;
        winding[std::size_t(i)] = inside;
        positive = positive || inside > 0;
        negative = negative || inside < 0;
        int& owner = roles.owners[std::size_t(i)];
        if (Winding::isMaterial(outside) == Winding::isMaterial(inside)) {
            owner = kNoBoundary;
        } else if (!Winding::isMaterial(outside)) {
            owner = kOwnSolid;
        } else {
            // Material outside, none inside: a void of the solid whose outside is the nearest
            // container that bounds anything.
            int a = p;
            while (a >= 0 && roles.owners[std::size_t(a)] == kNoBoundary)
                a = parent[std::size_t(a)];
            owner = a >= 0 ? a : kOwnSolid;
        }
    }
    roles.bothSigns = positive && negative;
    return roles;
}

std::vector<TopoDS_Solid> solidsWithVoids(const std::vector<TopoDS_Shell>& outward, const std::vector<int>& owners)
{
    BRep_Builder builder;
    std::vector<int> solidOf(outward.size(), -1);
    std::vector<TopoDS_Solid> solids;
    for (std::size_t i = 0; i < outward.size(); ++i) {
        if (owners[i] != kOwnSolid)
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

namespace {

struct Measure
{
    double volume = 0.0;
    double area = 0.0;
};

Measure measureOf(const TopoDS_Shape& shape, bool withArea)
{
    Measure m;
    GProp_GProps volume;
    BRepGProp::VolumeProperties(shape, volume);
    m.volume = volume.Mass();
    if (withArea) {
        GProp_GProps area;
        BRepGProp::SurfaceProperties(shape, area);
        m.area = area.Mass();
    }
    return m;
}

// Pairs of faces of different solids whose boxes overlap, counted up to most (past it, most + 1).
long facePairsThatMayMeet(const std::vector<TopoDS_Solid>& solids, long most)
{
    struct Face
    {
        double low[3], high[3];
        int solid;
    };
    std::vector<Face> faces;
    for (std::size_t s = 0; s < solids.size(); ++s)
        for (TopExp_Explorer ex(solids[s], TopAbs_FACE); ex.More(); ex.Next()) {
            Bnd_Box box;
            BRepBndLib::Add(ex.Current(), box, false);
            if (box.IsVoid())
                continue;
            Face f;
            box.Get(f.low[0], f.low[1], f.low[2], f.high[0], f.high[1], f.high[2]);
            f.solid = int(s);
            faces.push_back(f);
        }
    std::sort(faces.begin(), faces.end(), [](const Face& a, const Face& b) { return a.low[0] < b.low[0]; });
    long pairs = 0;
    for (std::size_t i = 0; i < faces.size(); ++i)
        for (std::size_t j = i + 1; j < faces.size() && faces[j].low[0] <= faces[i].high[0]; ++j) {
            const Face &a = faces[i], &b = faces[j];
            if (a.solid == b.solid || a.low[1] > b.high[1] || b.low[1] > a.high[1] || a.low[2] > b.high[2]
                || b.low[2] > a.high[2])
                continue;
            if (++pairs > most)
                return pairs;
        }
    return pairs;
}

// One run of the cells builder; Failed when its pieces do not add up. Each shell's pieces must
// fill what the shell itself encloses (the booleans dropping or doubling a piece shows there
// first), and the result must hold what its kept pieces hold.
UnitedShells unitedOnce(const std::vector<TopoDS_Solid>& outward, const std::vector<int>& turns,
                        const std::vector<Measure>& shells, double fuzzy, const Message_ProgressRange& progress)
{
    UnitedShells united;
    Message_ProgressScope scope(progress, nullptr, 4.0);
    BOPAlgo_CellsBuilder cells;
    TopTools_ListOfShape arguments;
    for (const TopoDS_Solid& solid : outward)
        arguments.Append(solid);
    cells.SetArguments(arguments);
    cells.SetRunParallel(true);
    if (fuzzy > 0.0)
        cells.SetFuzzyValue(fuzzy);
    cells.Perform(scope.Next(3.0));
    if (scope.UserBreak()) {
        united.status = UnitedShells::Cancelled;
        return united;
    }
    if (cells.HasErrors())
        return united;
    // Which arguments hold each cell: the argument's pieces, or the argument itself when
    // nothing split it.
    TopTools_IndexedMapOfShape cellIndex;
    TopExp::MapShapes(cells.GetAllParts(), TopAbs_SOLID, cellIndex);
    std::vector<std::vector<int>> holders(std::size_t(cellIndex.Extent()));
    for (std::size_t a = 0; a < outward.size(); ++a) {
        TopTools_ListOfShape pieces;
        if (const TopTools_ListOfShape* images = cells.Images().Seek(outward[a]))
            pieces = *images;
        else
            pieces.Append(outward[a]);
        for (const TopoDS_Shape& piece : pieces)
            if (const int c = cellIndex.FindIndex(piece); c > 0)
                holders[std::size_t(c - 1)].push_back(int(a));
    }
    std::vector<double> filled(outward.size(), 0.0);
    double kept = 0.0, total = 0.0;
    bool positive = false, negative = false;
    std::set<std::vector<int>> taken;
    Message_ProgressScope measuring(scope.Next(), nullptr, double(std::max<std::size_t>(1, holders.size())));
    for (std::size_t c = 0; c < holders.size(); ++c, measuring.Next()) {
        if (measuring.UserBreak()) {
            united.status = UnitedShells::Cancelled;
            return united;
        }
        const std::vector<int>& holding = holders[c];
        const double volume = measureOf(cellIndex(int(c) + 1), false).volume;
        if (!(volume > 0.0))
            return united;
        for (const int a : holding)
            filled[std::size_t(a)] += volume;
        const int winding = Winding::windingOf(holding, [&](int a) { return turns[std::size_t(a)]; });
        total += volume;
        if (!Winding::isMaterial(winding))
            continue;
        positive = positive || winding > 0;
        negative = negative || winding < 0;
        kept += volume;
        if (!taken.insert(holding).second)
            continue;
        TopTools_ListOfShape take, avoid;
        for (std::size_t a = 0; a < outward.size(); ++a)
            (std::find(holding.begin(), holding.end(), int(a)) != holding.end() ? take : avoid).Append(outward[a]);
        cells.AddToResult(take, avoid, 1);
    }
    // Rounding of the pieces' volumes, and surfaces moved by up to the fuzzy value.
    const auto agree = [&](double found, double wanted, double area) {
        return std::abs(found - wanted) <= 1e-7 * total + 1e-6 * wanted + fuzzy * area;
    };
    for (std::size_t a = 0; a < outward.size(); ++a)
        if (!agree(filled[a], shells[a].volume, shells[a].area))
            return united;
    if (taken.empty())
        return united;
    cells.RemoveInternalBoundaries();
    if (cells.HasErrors())
        return united;
    std::vector<TopoDS_Solid> solids;
    double found = 0.0;
    for (TopExp_Explorer ex(cells.Shape(), TopAbs_SOLID); ex.More(); ex.Next()) {
        solids.push_back(TopoDS::Solid(ex.Current()));
        const double volume = measureOf(ex.Current(), false).volume;
        if (!(volume > 0.0))
            return united;
        found += volume;
    }
    if (!agree(found, kept, 0.0))
        return united;
    united.status = UnitedShells::Done;
    united.shape = solidOrCompound(solids);
    united.bothSigns = positive && negative;
    return united;
}

} // namespace

UnitedShells unitedByWinding(const std::vector<TopoDS_Solid>& outward, const std::vector<int>& turns, double fuzzy,
                             const Message_ProgressRange& progress, long mostFacePairs)
{
    UnitedShells united;
    try {
        Message_ProgressScope scope(progress, nullptr, fuzzy > 0.0 ? 2.0 : 1.0);
        united.facePairs = facePairsThatMayMeet(outward, mostFacePairs);
        if (united.facePairs > mostFacePairs) {
            united.status = UnitedShells::TooLarge;
            return united;
        }
        std::vector<Measure> shells;
        for (const TopoDS_Solid& solid : outward)
            shells.push_back(measureOf(solid, fuzzy > 0.0));
        // Surfaces a hair apart need the fuzzy value to be taken as one; surfaces that lie
        // exactly on one another are sometimes split wrongly with it, and right without.
        const long facePairs = united.facePairs;
        united = unitedOnce(outward, turns, shells, fuzzy, scope.Next());
        if (united.status == UnitedShells::Failed && fuzzy > 0.0)
            united = unitedOnce(outward, turns, shells, 0.0, scope.Next());
        united.facePairs = facePairs;
        return united;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const Standard_OutOfMemory&) {
        throw;
    } catch (...) {
        united = UnitedShells();
        return united;
    }
}

TopoDS_Shape solidOrCompound(const std::vector<TopoDS_Solid>& solids)
{
    if (solids.empty())
        return TopoDS_Shape();
    if (solids.size() == 1)
        return solids.front();
    return OccUtils::compoundOf(QList<TopoDS_Shape>(solids.begin(), solids.end()));
}
