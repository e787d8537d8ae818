// Collection of the volumes to carve, a pad's lengthening, and the small shape helpers of the
// assembly.
#include "outputs/stepexporter.h"

#include "foundation/logging.h"
#include "foundation/outofmemory.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRep_Builder.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepGProp.hxx>
#include <BRepLib.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <OSD_Parallel.hxx>
#include <ShapeUpgrade_UnifySameDomain.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopLoc_Location.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>
#include <gp.hxx>
#include <gp_Trsf.hxx>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <new>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace {

constexpr double kZero = 1e-7;

double routeFeatureHint(const Route& route)
{
    double hint = 0.0;
    for (const RouteSegment& segment : route.segments) {
        if (!(segment.start.Distance(segment.end) > kZero))
            continue;
        const double thickness = segment.type == RouteSegment::Vertical
                                     ? std::abs(segment.end.Z() - segment.start.Z())
                                     : segment.height;
        const double v = std::min(thickness, segment.width);
        if (!(v > 0.0))
            continue;
        hint = hint == 0.0 ? v : std::min(hint, v);
    }
    return hint;
}

// What pads placed from one solid share. A placed pad has an outer shape of its own (the pad
// index tells pads apart by it) over the shells of the solid it was placed from: the same
// children in the same places make the same solid, whatever the outer shape.
std::vector<std::uintptr_t> sharedSolidKey(const TopoDS_Shape& unplaced)
{
    std::vector<std::uintptr_t> key{std::uintptr_t(unplaced.ShapeType()), std::uintptr_t(unplaced.Orientation())};
    for (TopoDS_Iterator child(unplaced, false, false); child.More(); child.Next()) {
        if (!child.Value().Location().IsIdentity()) // this shape alone (odd length: no child's key)
            return {key[0], key[1], reinterpret_cast<std::uintptr_t>(unplaced.TShape().get())};
        key.push_back(reinterpret_cast<std::uintptr_t>(child.Value().TShape().get()));
        key.push_back(std::uintptr_t(child.Value().Orientation()));
    }
    return key;
}

} // namespace

TopoDS_Shape StepExporter::copyShape(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return shape;
    try {
        BRepBuilderAPI_Copy copy(shape, true, false);
        if (copy.IsDone() && !copy.Shape().IsNull())
            return copy.Shape();
    } catch (...) {
    }
    return shape;
}

double StepExporter::volumeOf(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return 0.0;
    return OccUtils::guardedCall(0.0, "volumeOf", [&shape] {
        GProp_GProps props;
        BRepGProp::VolumeProperties(shape, props, false, false, false);
        return std::abs(props.Mass());
    });
}

QList<TopoDS_Shape> StepExporter::solidsOf(const TopoDS_Shape& shape)
{
    QList<TopoDS_Shape> solids;
    if (shape.IsNull())
        return solids;
    for (TopExp_Explorer it(shape, TopAbs_SOLID); it.More(); it.Next())
        solids.append(it.Current());
    return solids;
}

TopoDS_Shape StepExporter::extendPrismaticDown(const TopoDS_Shape& padSolid, double extension)
{
    return OccUtils::guardedCall(padSolid, "extendPrismaticDown", [&] {
        gp_Trsf down;
        down.SetTranslation(gp_Vec(0.0, 0.0, -extension));
        BRepBuilderAPI_Transform moved(padSolid, down, true);
        if (!moved.IsDone() || moved.Shape().IsNull())
            return padSolid;
        // Non-destructive: pads may share their shape with other pads and with the view, and
        // several pads are lengthened at once.
        TopTools_ListOfShape arguments, tools;
        arguments.Append(padSolid);
        tools.Append(moved.Shape());
        BRepAlgoAPI_Fuse fuse;
        fuse.SetArguments(arguments);
        fuse.SetTools(tools);
        fuse.SetNonDestructive(true);
        fuse.Build();
        if (!fuse.IsDone() || fuse.Shape().IsNull())
            return padSolid;
        // The fuse leaves each side split where the two copies met: three faces where the
        // lengthened prism has one, each carried by every later step and written to the file.
        return unifySameDomain(fuse.Shape(), kZero);
    });
}

namespace {

// The face of solid that is its one bottom: a plane facing down at its lowest level, every
// other face a plane facing up or sideways or a cylinder along Z. Null for any other solid.
TopoDS_Face uprightPrismBottom(const TopoDS_Shape& solid)
{
    constexpr double parallel = 1e-9;
    Bnd_Box box;
    BRepBndLib::AddOptimal(solid, box, false, false);
    if (box.IsVoid())
        return {};
    const double lowest = box.CornerMin().Z();
    TopoDS_Face bottom;
    for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next()) {
        const TopoDS_Face face = TopoDS::Face(it.Current());
        const BRepAdaptor_Surface surface(face, false);
        if (surface.GetType() == GeomAbs_Cylinder) {
            if (!surface.Cylinder().Axis().Direction().IsParallel(gp::DZ(), parallel))
                return {};
            continue;
        }
        if (surface.GetType() != GeomAbs_Plane)
            return {};
        const gp_Pln plane = surface.Plane();
        double up = plane.Axis().Direction().Z() * (plane.Direct() ? 1.0 : -1.0);
        if (face.Orientation() == TopAbs_REVERSED)
            up = -up;
        if (std::abs(up) < parallel)
            continue;
        if (std::abs(std::abs(up) - 1.0) > parallel)
            return {};
        if (up < 0.0) {
            // One face down, at the lowest level: a step in the bottom is no prism.
            if (!bottom.IsNull() || std::abs(plane.Location().Z() - lowest) > 1e-6)
                return {};
            bottom = face;
        }
    }
    return bottom;
}

// How far an upright prism's one face facing up lies above its bottom; nothing when its top
// has steps (or its two faces differ).
std::optional<double> flatTopAbove(const TopoDS_Shape& solid, const TopoDS_Face& bottom)
{
    TopoDS_Face top;
    for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next()) {
        const TopoDS_Face face = TopoDS::Face(it.Current());
        const BRepAdaptor_Surface surface(face, false);
        if (face.IsSame(bottom) || surface.GetType() != GeomAbs_Plane
            || std::abs(surface.Plane().Axis().Direction().Z()) < 1e-9)
            continue;
        if (!top.IsNull())
            return std::nullopt;
        top = face;
    }
    if (top.IsNull())
        return std::nullopt;
    GProp_GProps topArea, bottomArea;
    BRepGProp::SurfaceProperties(top, topArea);
    BRepGProp::SurfaceProperties(bottom, bottomArea);
    if (std::abs(topArea.Mass() - bottomArea.Mass()) > 1e-9 * (1.0 + std::abs(bottomArea.Mass())))
        return std::nullopt;
    const double height = BRepAdaptor_Surface(top, false).Plane().Location().Z()
                          - BRepAdaptor_Surface(bottom, false).Plane().Location().Z();
    return height > kZero ? std::optional<double>(height) : std::nullopt;
}

// Every later step (the check, the cut, the file writer) walks a face's wire in the square of
// its length, so a long outline comes in strips of a few hundred edges: merging them back is
// no simplification.
constexpr int kMostEdgesMerged = 400;

int count(const TopoDS_Shape& shape, TopAbs_ShapeEnum type)
{
    int n = 0;
    for (TopExp_Explorer it(shape, type); it.More(); it.Next())
        ++n;
    return n;
}

// Faces on one surface merged, edges too, unchecked.
TopoDS_Shape sameDomainMerged(const TopoDS_Shape& shape, double linearTolerance)
{
    ShapeUpgrade_UnifySameDomain unify(shape, true, true, false);
    unify.SetLinearTolerance(linearTolerance);
    unify.SetAngularTolerance(1e-12);
    unify.Build();
    return unify.Shape();
}

int mostEdgesOnAFace(const TopoDS_Shape& shape)
{
    int most = 0;
    for (TopExp_Explorer f(shape, TopAbs_FACE); f.More(); f.Next()) {
        int edges = 0;
        for (TopExp_Explorer e(f.Current(), TopAbs_EDGE); e.More(); e.Next())
            ++edges;
        most = std::max(most, edges);
    }
    return most;
}

} // namespace

TopoDS_Shape StepExporter::unifySameDomain(const TopoDS_Shape& shape, double linearTolerance)
{
    return OccUtils::guardedCall(shape, "unifySameDomain", [&] {
        const TopoDS_Shape unified = sameDomainMerged(shape, linearTolerance);
        // Nothing merged, nothing to check.
        if (unified.IsNull()
            || (count(unified, TopAbs_FACE) == count(shape, TopAbs_FACE)
                && count(unified, TopAbs_EDGE) == count(shape, TopAbs_EDGE))
            || mostEdgesOnAFace(unified) > std::max(kMostEdgesMerged, mostEdgesOnAFace(shape)))
            return shape;
        const double volume = volumeOf(shape);
        if (!(volume > 0.0) || !OccUtils::isValidShape(unified) || solidsOf(unified).size() != solidsOf(shape).size()
            || std::abs(volumeOf(unified) - volume) > 0.001 * volume)
            return shape;
        return unified;
    });
}

TopoDS_Shape StepExporter::extrudedDown(const TopoDS_Shape& padSolid, double extension)
{
    return OccUtils::guardedCall(TopoDS_Shape(), "extrudedDown", [&]() -> TopoDS_Shape {
        TopExp_Explorer solids(padSolid, TopAbs_SOLID);
        TopExp_Explorer shells(padSolid, TopAbs_SHELL);
        if (!(extension > kZero) || !solids.More() || !shells.More())
            return {};
        solids.Next();
        shells.Next();
        if (solids.More() || shells.More())
            return {};
        // The sweep stores its curves in the edges it starts from: those of a copy, the pad's
        // own being shared with other pads and with the view.
        const TopoDS_Shape solid = BRepBuilderAPI_Copy(padSolid, false, false).Shape();
        const TopoDS_Face bottom = uprightPrismBottom(solid);
        if (bottom.IsNull())
            return {};
        // One flat top: the whole prism swept up from the bottom lowered, with no sides to merge.
        if (const std::optional<double> height = flatTopAbove(solid, bottom)) {
            gp_Trsf lower;
            lower.SetTranslation(gp_Vec(0.0, 0.0, -extension));
            const TopoDS_Shape lowered = BRepBuilderAPI_Transform(bottom, lower, true).Shape();
            const TopoDS_Shape whole = OccUtils::sweptSolid(lowered, gp_Vec(0.0, 0.0, *height + extension), false);
            if (!whole.IsNull() && lengthenedRight(solid, bottom, extension, whole))
                return whole;
        }
        // Not copied: the sweep starts from the bottom's own edges, which the sides share.
        const TopoDS_Shape below = OccUtils::sweptSolid(bottom, gp_Vec(0.0, 0.0, -extension), false);
        if (below.IsNull())
            return {};
        BRep_Builder builder;
        TopoDS_Shell shell;
        builder.MakeShell(shell);
        int joined = 0;
        for (const TopoDS_Shape& part : {solid, below})
            for (TopExp_Explorer it(part, TopAbs_FACE); it.More(); it.Next()) {
                if (it.Current().IsSame(bottom))
                    ++joined;
                else
                    builder.Add(shell, it.Current());
            }
        if (joined != 2)
            return {};
        shell.Closed(true);
        TopoDS_Solid lengthened;
        builder.MakeSolid(lengthened);
        builder.Add(lengthened, shell);
        // The sides split where the sweep meets the pad merged back, then the one check.
        const TopoDS_Shape merged = sameDomainMerged(lengthened, kZero);
        const TopoDS_Shape result = merged.IsNull() ? TopoDS_Shape(lengthened) : merged;
        return lengthenedRight(solid, bottom, extension, result) ? result : TopoDS_Shape();
    });
}

bool StepExporter::lengthenedRight(const TopoDS_Shape& padSolid, const TopoDS_Shape& bottom, double extension,
                                   const TopoDS_Shape& lengthened)
{
    return OccUtils::guardedCall(false, "lengthenedRight", [&] {
        GProp_GProps bottomArea;
        BRepGProp::SurfaceProperties(bottom, bottomArea);
        const double expected = volumeOf(padSolid) + std::abs(bottomArea.Mass()) * extension;
        return solidsOf(lengthened).size() == 1 && OccUtils::isValidShape(lengthened)
               && std::abs(volumeOf(lengthened) - expected) <= 1e-9 + 1e-9 * expected;
    });
}

void StepExporter::storePlanarEdgeCurves(const TopoDS_Shape& shape)
{
    OccUtils::guardedCall(false, "storePlanarEdgeCurves", [&] {
        TopTools_IndexedMapOfShape faces;
        TopExp::MapShapes(shape, TopAbs_FACE, faces);
        for (int i = 1; i <= faces.Extent(); ++i) {
            const TopoDS_Face& face = TopoDS::Face(faces(i));
            if (BRepAdaptor_Surface(face, false).GetType() != GeomAbs_Plane)
                continue;
            TopTools_IndexedMapOfShape edges;
            TopExp::MapShapes(face, TopAbs_EDGE, edges);
            BRepLib::BuildPCurveForEdgesOnPlane(edges, face);
        }
        return true;
    });
}

QList<VolumeSource> StepExporter::collectSources(const AssemblyInput& input, const ExportOptions& options,
                                                 int* tracksMissing)
{
    QList<VolumeSource> sources;
    if (input.components && options.includePads) {
        for (const PlacedComponentData& component : *input.components) {
            const double e = std::min(0.5 * (component.footprintThickness + component.bodyUndercut), 0.1);
            for (const PlacedPadData& pad : component.pads) {
                if (pad.placedShape.IsNull())
                    continue;
                CollectedVolume volume;
                volume.kind = PadVolume;
                volume.name = component.ref + QLatin1Char('/') + pad.number;
                volume.shape = pad.placedShape;
                volume.featureHint = std::min({component.footprintThickness + component.bodyUndercut + e,
                                               pad.scaledWidth, pad.scaledHeight});
                sources.append({volume, e > kZero ? e : 0.0});
            }
        }
    }
    if (input.components && options.includeBodies) {
        for (const PlacedComponentData& component : *input.components) {
            if (component.hasMissingFootprint || !component.bodyEnabled || component.compositeShape.IsNull()
                || component.compositeShape->Shape().IsNull())
                continue;
            CollectedVolume volume;
            volume.kind = BodyVolume;
            volume.name = component.ref;
            volume.shape = component.compositeShape->Shape();
            volume.featureHint = std::min({component.bodyWidth, component.bodyLength, component.bodyHeight});
            sources.append({volume, 0.0});
        }
    }
    if (input.routes && options.includeRoutes) {
        for (const Route& route : *input.routes) {
            if (route.segments.isEmpty())
                continue;
            const TopoDS_Shape shape = input.routeShape ? input.routeShape(route) : TopoDS_Shape();
            if (shape.IsNull()) {
                qWarning() << "  collectVolumes: createRouteShape null for" << route.netName;
                if (tracksMissing)
                    ++*tracksMissing;
                continue;
            }
            sources.append({{RouteVolume, route.netName, shape, routeFeatureHint(route)}, 0.0});
        }
    }
    qCDebug(lcExport) << "collectVolumes: total" << sources.size() << "volumes";
    return sources;
}

CollectedVolume StepExporter::lengthened(const VolumeSource& source)
{
    CollectedVolume volume = source.volume;
    if (!(source.extension > kZero))
        return volume;
    // A prism is swept, at a third of the boolean's cost; anything else is fused.
    const TopoDS_Shape swept = extrudedDown(volume.shape, source.extension);
    volume.shape = swept.IsNull() ? extendPrismaticDown(volume.shape, source.extension) : swept;
    volume.checked = !swept.IsNull(); // the sweep's own check passed it
    return volume;
}

QList<CollectedVolume> StepExporter::lengthened(const QList<VolumeSource>& sources)
{
    // Pads placed from one shared solid (a footprint's thousands of identical pads) by a shift
    // and a turn about Z are lengthened once: lengthening downward commutes with such a
    // placement, so the shared solid lengthened and placed is each pad lengthened.
    const auto unplaced = [](const VolumeSource& source) -> std::optional<TopoDS_Shape> {
        const TopoDS_Shape& shape = source.volume.shape;
        if (!(source.extension > kZero) || shape.IsNull() || shape.Location().IsIdentity())
            return std::nullopt;
        const gp_Trsf placement = shape.Location().Transformation();
        if (std::abs(placement.ScaleFactor() - 1.0) > 1e-12
            || !gp::DZ().Transformed(placement).IsEqual(gp::DZ(), 1e-12))
            return std::nullopt;
        return shape.Located(TopLoc_Location());
    };
    std::vector<VolumeSource> jobs; // each distinct boolean to run
    std::vector<int> jobOf(size_t(sources.size()), -1);
    std::map<std::pair<std::vector<std::uintptr_t>, double>, int> sharedJobs;
    for (int i = 0; i < sources.size(); ++i) {
        const VolumeSource& source = sources.at(i);
        if (const std::optional<TopoDS_Shape> local = unplaced(source)) {
            const auto key = std::make_pair(sharedSolidKey(*local), source.extension);
            const auto [it, added] = sharedJobs.emplace(key, int(jobs.size()));
            if (added) {
                VolumeSource job = source;
                job.volume.shape = *local;
                jobs.push_back(job);
            }
            jobOf[size_t(i)] = it->second;
            continue;
        }
        jobOf[size_t(i)] = int(jobs.size());
        jobs.push_back(source);
    }
    // Each runs on its own shapes: side by side, each result the one it would be alone.
    std::vector<CollectedVolume> results(jobs.size());
    // A helper thread that runs short of memory refuses them all, not one pad left short.
    std::atomic<bool> enough{true};
    OSD_Parallel::For(0, int(jobs.size()), [&](int j) {
        enough = OutOfMemory::survive([&] { results[size_t(j)] = lengthened(jobs[size_t(j)]); }) && enough;
    });
    if (!enough)
        throw std::bad_alloc();

    QList<CollectedVolume> volumes;
    volumes.reserve(sources.size());
    for (int i = 0; i < sources.size(); ++i) {
        CollectedVolume volume = sources.at(i).volume;
        const CollectedVolume& result = results[size_t(jobOf[size_t(i)])];
        volume.shape = unplaced(sources.at(i)) ? result.shape.Moved(volume.shape.Location()) : result.shape;
        volume.checked = result.checked;
        volumes.append(volume);
    }
    OutOfMemory::releaseFreedMemory();
    return volumes;
}

TopoDS_Shape StepExporter::compoundOf(const QList<TopoDS_Shape>& shapes)
{
    return OccUtils::compoundOf(shapes);
}

QList<double> StepExporter::fuzzyLadder(double base, double feature)
{
    QList<double> rungs;
    const bool sized = feature > kZero;
    rungs.append(sized ? std::min(0.05 * feature, base) : base);
    const auto offer = [&rungs](double value) {
        if (value > 1.5 * rungs.last())
            rungs.append(value);
    };
    if (sized) {
        for (const double k : {0.05, 0.1, 0.2, 0.4})
            offer(std::min(0.5, k * feature));
    } else {
        for (const double value : {0.05, 0.1, 0.2, 0.5})
            offer(value);
    }
    return rungs;
}

QList<CollectedVolume> StepExporter::collectVolumes(const AssemblyInput& input, const ExportOptions& options,
                                                    int* tracksMissing)
{
    return lengthened(collectSources(input, options, tracksMissing));
}
