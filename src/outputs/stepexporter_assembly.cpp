// The assembly both exports ship: volumes built, carved out of the part, conductors grouped.
#include "outputs/stepexporter.h"

#include "foundation/geometryutils.h"
#include "foundation/logging.h"
#include "foundation/outofmemory.h"

#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBndLib.hxx>
#include <Bnd_Box.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <OSD_Parallel.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <vector>

namespace {

constexpr double kZero = 1e-7;

const QString kBanner(40, QLatin1Char('='));

std::optional<AssemblyVolume> buildVolume(const CollectedVolume& volume)
{
    const TopoDS_Shape copy = StepExporter::copyShape(volume.shape);
    if (copy.IsNull()) {
        qWarning() << "  ✗ shape could not be built for" << volume.name;
        return std::nullopt;
    }
    const double feature =
        volume.featureHint > kZero ? volume.featureHint : GeometryUtils::thinnestSolidExtent(copy);
    TopoDS_Shape shape =
        OccUtils::healShape(copy, OccUtils::BoolOpLabel{&lcExport, "buildAssembly volume"}, 0.1 * feature);
    if (shape.IsNull()) {
        qWarning() << "  ✗ heal failed for" << volume.name;
        return std::nullopt;
    }
    // Merges the coplanar faces left between a track's segments.
    if (volume.kind == RouteVolume && feature > kZero)
        shape = StepExporter::unifySameDomain(shape, 0.1 * feature);
    qCDebug(lcExport) << "  ✓" << volume.name;
    return AssemblyVolume{volume.kind, volume.name, volume.shape, volume.featureHint, shape, feature};
}

QList<AssemblyVolume> buildVolumes(const QList<CollectedVolume>& collected)
{
    // Each volume is healed on its own deep copy: they run side by side, each result the one it
    // would be alone, and the list keeps the collection order.
    std::vector<std::optional<AssemblyVolume>> results(size_t(collected.size()));
    OSD_Parallel::For(0, int(collected.size()), [&](int i) {
        results[size_t(i)] = OccUtils::guardedCall(std::optional<AssemblyVolume>(), "buildAssembly volume",
                                                   [&] { return buildVolume(collected.at(i)); });
    });
    QList<AssemblyVolume> built;
    for (std::optional<AssemblyVolume>& result : results)
        if (result)
            built.append(std::move(*result));
    OutOfMemory::releaseFreedMemory();
    return built;
}

// Thickest first, unknown sizes before everything; stable so equal sizes keep collection order.
void sortForCarving(QList<AssemblyVolume>& volumes)
{
    const auto key = [](const AssemblyVolume& v) {
        return v.feature > 0.0 ? v.feature : std::numeric_limits<double>::max();
    };
    std::stable_sort(volumes.begin(), volumes.end(),
                     [&key](const AssemblyVolume& a, const AssemblyVolume& b) { return key(a) > key(b); });
}

// Marks each volume whose built solid repeats an earlier one's (a track drawn again over
// itself): cutting or fusing a repeat changes nothing, but the booleans over coincident solids
// grow with the cube of their number. Same faces and vertices, and the same volume.
void markRepeats(QList<AssemblyVolume>& volumes)
{
    std::map<std::vector<double>, QList<int>> seen;
    for (int i = 0; i < volumes.size(); ++i) {
        TopTools_IndexedMapOfShape vertices, faces;
        TopExp::MapShapes(volumes.at(i).shape, TopAbs_VERTEX, vertices);
        TopExp::MapShapes(volumes.at(i).shape, TopAbs_FACE, faces);
        if (faces.IsEmpty())
            continue;
        std::vector<std::array<double, 3>> points;
        for (int v = 1; v <= vertices.Extent(); ++v) {
            const gp_Pnt p = BRep_Tool::Pnt(TopoDS::Vertex(vertices(v)));
            points.push_back({p.X(), p.Y(), p.Z()});
        }
        std::sort(points.begin(), points.end());
        std::vector<double> key{double(faces.Extent())};
        for (const auto& p : points)
            key.insert(key.end(), p.begin(), p.end());
        QList<int>& same = seen[key];
        for (const int earlier : std::as_const(same)) {
            const double volume = StepExporter::volumeOf(volumes.at(earlier).shape);
            if (std::abs(StepExporter::volumeOf(volumes.at(i).shape) - volume) <= 1e-9 * volume) {
                volumes[i].repeatOf = earlier;
                break;
            }
        }
        if (volumes.at(i).repeatOf < 0)
            same.append(i);
    }
}

// A part's top-level solids, or the part itself when it is anything else (one solid, shells).
QList<TopoDS_Shape> separateSolids(const TopoDS_Shape& part)
{
    QList<TopoDS_Shape> solids;
    if (part.ShapeType() != TopAbs_COMPOUND)
        return {part};
    for (TopoDS_Iterator it(part); it.More(); it.Next()) {
        const TopoDS_Shape& child = it.Value();
        if (child.ShapeType() == TopAbs_SOLID)
            solids.append(child);
        else if (child.ShapeType() == TopAbs_COMPOUND)
            solids.append(separateSolids(child));
        else
            return {part};
    }
    for (const TopoDS_Shape& solid : std::as_const(solids))
        if (solid.ShapeType() != TopAbs_SOLID)
            return {part};
    return solids;
}

Bnd_Box looseBox(const TopoDS_Shape& shape, double gap)
{
    Bnd_Box box;
    OccUtils::guardedCall(false, "looseBox", [&] {
        BRepBndLib::Add(shape, box, false);
        return true;
    });
    if (!box.IsVoid())
        box.Enlarge(gap);
    return box;
}

// A part made of many solids: each volume is cut out of the solids its box meets, not out of
// the whole part, so a cavity costs what its neighbourhood costs.
void carveOneByOne(const QList<AssemblyVolume>& volumes, const ExportOptions& options, TopoDS_Shape& carved,
                   AssemblyResult& result)
{
    struct Piece
    {
        TopoDS_Shape shape;
        Bnd_Box box;
    };
    const bool wasCompound = carved.ShapeType() == TopAbs_COMPOUND;
    QList<Piece> pieces;
    for (const TopoDS_Shape& solid : separateSolids(carved))
        pieces.append({solid, Bnd_Box()});

    for (const AssemblyVolume& volume : volumes) {
        qCDebug(lcExport) << "  →" << volume.name;
        if (volume.repeatOf >= 0) {
            ++result.cavitiesOk; // its place is already cut
            continue;
        }
        const QList<double> ladder = StepExporter::fuzzyLadder(options.baseFuzzy, volume.feature);
        const double gap = 2.0 * (ladder.isEmpty() ? 0.0 : *std::max_element(ladder.begin(), ladder.end())) + 1e-3;
        QList<int> touched;
        if (pieces.size() > 1) {
            const Bnd_Box toolBox = looseBox(volume.shape, gap);
            for (int i = 0; i < pieces.size(); ++i) {
                if (pieces.at(i).box.IsVoid())
                    pieces[i].box = looseBox(pieces.at(i).shape, gap);
                if (toolBox.IsVoid() || pieces.at(i).box.IsVoid() || !toolBox.IsOut(pieces.at(i).box))
                    touched.append(i);
            }
        } else {
            touched.append(0);
        }
        if (touched.isEmpty()) {
            ++result.cavitiesOk; // nothing of the part where it goes
            continue;
        }
        QList<TopoDS_Shape> local;
        for (const int i : std::as_const(touched))
            local.append(pieces.at(i).shape);
        const TopoDS_Shape target = pieces.size() == 1 ? pieces.first().shape : StepExporter::compoundOf(local);

        bool validated = true;
        const TopoDS_Shape next = StepExporter::subtractOne(target, volume.shape, options.baseFuzzy, volume.feature,
                                                            validated, result.straySolidsRemoved);
        if (next.IsNull()) {
            qWarning() << "  ✗ subtraction failed, skipped";
            ++result.cavitiesFailed;
            continue;
        }
        for (int k = int(touched.size()) - 1; k >= 0; --k)
            pieces.removeAt(touched.at(k));
        for (const TopoDS_Shape& piece : separateSolids(next))
            pieces.append({piece, Bnd_Box()});
        ++result.cavitiesOk;
        if (!validated) {
            ++result.cavitiesUnvalidated;
            qWarning() << "  ⚠ cavity not validated for" << volume.name;
        }
    }

    if (pieces.size() == 1 && !wasCompound) {
        carved = pieces.first().shape;
        return;
    }
    QList<TopoDS_Shape> shapes;
    for (const Piece& piece : std::as_const(pieces))
        shapes.append(piece.shape);
    carved = StepExporter::compoundOf(shapes);
}

// Every volume in one checked boolean; the ladder, volume by volume, when the check fails.
void carve(const QList<AssemblyVolume>& volumes, const ExportOptions& options, StepExporter::CarvingRoad road,
           TopoDS_Shape& carved, AssemblyResult& result)
{
    if (road == StepExporter::CarvingRoad::VolumeByVolume) {
        carveOneByOne(volumes, options, carved, result);
        return;
    }
    QList<TopoDS_Shape> tools;
    double fuzzy = options.baseFuzzy;
    for (const AssemblyVolume& volume : volumes) {
        if (volume.repeatOf < 0)
            tools.append(volume.shape);
        fuzzy = std::min(fuzzy, StepExporter::fuzzyLadder(options.baseFuzzy, volume.feature).first());
    }
    const StepExporter::OneCutResult oneCut = StepExporter::cutAllAtOnce(carved, tools, fuzzy);
    if (!oneCut.shape.IsNull()) {
        carved = oneCut.shape;
        result.cavitiesOk = int(volumes.size());
        result.straySolidsRemoved += oneCut.straySolidsRemoved;
        result.carvedInOneCut = true;
        if (oneCut.straySolidsRemoved > 0)
            qWarning() << "  buildAssembly:" << oneCut.straySolidsRemoved
                       << "solid(s) left INSIDE the carved volumes — removed (the cavity was filled with the "
                          "part's own material)";
        qCDebug(lcExport) << "  ✓ every cavity cut at once (fuzzy=" << fuzzy << ")";
        return;
    }
    qCDebug(lcExport) << "  → one cut for all cavities refused, carving volume by volume";
    carveOneByOne(volumes, options, carved, result);
}

ConductorGroup fuseGroup(const QString& key, const QList<TopoDS_Shape>& shapes, double feature, int& notFused)
{
    QList<TopoDS_Shape> solids;
    for (const TopoDS_Shape& shape : shapes) {
        const QList<TopoDS_Shape> own = StepExporter::solidsOf(shape);
        if (own.isEmpty())
            solids.append(shape);
        else
            solids.append(own);
    }
    if (solids.size() == 1)
        return {solids.first(), key};

    for (const double rung : StepExporter::fuzzyLadder(0.0, feature)) {
        const TopoDS_Shape fused = OccUtils::guardedCall(TopoDS_Shape(), "fuseGroup", [&] {
            TopTools_ListOfShape arguments;
            arguments.Append(solids.first());
            TopTools_ListOfShape tools;
            for (int i = 1; i < solids.size(); ++i)
                tools.Append(solids.at(i));
            BRepAlgoAPI_Fuse fuse;
            fuse.SetArguments(arguments);
            fuse.SetTools(tools);
            fuse.SetFuzzyValue(rung);
            fuse.SetRunParallel(false);
            fuse.SetNonDestructive(true);
            fuse.Build();
            return fuse.IsDone() ? fuse.Shape() : TopoDS_Shape();
        });
        if (!fused.IsNull() && OccUtils::isValidShape(fused))
            return {fused, key};
        qCDebug(lcExport) << "  fuseGroup: rung refused (fuzzy=" << rung << ") over" << solids.size() << "solid(s)";
    }

    ++notFused;
    qWarning() << "  ⚠ conductor group not fused:" << key << "—" << shapes.size()
               << "overlapping solid(s) shipped as a compound";
    return {StepExporter::compoundOf(shapes), key};
}

void groupConductors(const QList<AssemblyVolume>& volumes, AssemblyResult& result)
{
    struct Group
    {
        QList<TopoDS_Shape> shapes;
        double feature = 0.0;
        int count = 0; // repeats of a solid already in the group included
    };
    const auto keyOf = [](const AssemblyVolume& volume) {
        if (volume.kind == PadVolume)
            return volume.name.section(QLatin1Char('/'), 0, 0);
        if (volume.kind == RouteVolume)
            return QStringLiteral("Piste_%1").arg(volume.name);
        return QString();
    };
    std::map<QString, Group> groups; // QString's operator< compares case-sensitively
    for (const AssemblyVolume& volume : volumes) {
        const QString key = keyOf(volume);
        if (key.isEmpty())
            continue;
        Group& group = groups[key];
        ++group.count;
        if (volume.repeatOf < 0 || keyOf(volumes.at(volume.repeatOf)) != key)
            group.shapes.append(volume.shape);
        if (volume.feature > kZero && (group.feature == 0.0 || volume.feature < group.feature))
            group.feature = volume.feature;
    }
    // Each group fuses its own copies, so the groups run side by side; the list keeps key order.
    const std::vector<std::pair<QString, Group>> ordered(groups.begin(), groups.end());
    std::vector<ConductorGroup> fused(ordered.size());
    std::vector<int> notFused(ordered.size(), 0);
    OSD_Parallel::For(0, int(ordered.size()), [&](int i) {
        const auto& [key, group] = ordered[size_t(i)];
        fused[size_t(i)] = fuseGroup(key, group.shapes, group.feature, notFused[size_t(i)]);
    });
    for (size_t i = 0; i < ordered.size(); ++i) {
        result.conductors.append(fused[i]);
        result.groupsNotFused += notFused[i];
        qCDebug(lcExport) << "  [conductor]" << ordered[i].first << "(" << ordered[i].second.count
                          << "solid(s))";
    }
    result.conductorGroups = int(result.conductors.size());
    OutOfMemory::releaseFreedMemory();
}

} // namespace

AssemblyResult StepExporter::buildAssembly(const AssemblyInput& input, const ExportOptions& options,
                                           CarvingRoad road)
{
    if (input.mainPart.IsNull())
        return buildAssembly(input, {}, 0, options, road);
    int tracksMissing = 0;
    const QList<VolumeSource> sources = collectSources(input, options, &tracksMissing);
    return buildAssembly(input, sources, tracksMissing, options, road);
}

AssemblyResult StepExporter::buildAssembly(const AssemblyInput& input, const QList<VolumeSource>& sources,
                                           int tracksMissing, const ExportOptions& options, CarvingRoad road)
{
    AssemblyResult result;
    qCDebug(lcExport).noquote() << "\n" + kBanner;
    qCDebug(lcExport) << "ASSEMBLY — begin";
    qCDebug(lcExport) << "Components:" << (input.components ? input.components->size() : 0);
    qCDebug(lcExport) << "Routes    :" << (input.routes ? input.routes->size() : 0);
    qCDebug(lcExport).noquote() << kBanner;
    if (input.mainPart.IsNull()) {
        qWarning() << "buildAssembly: main part is null";
        return result;
    }

    qCDebug(lcExport) << "\n--- Step 1: collecting the volumes ---";
    result.tracksMissing = tracksMissing;
    const QList<CollectedVolume> collected = lengthened(sources);
    qCDebug(lcExport) << "Volumes to process:" << collected.size();
    if (collected.isEmpty()) {
        result.part = input.mainPart;
        result.partSolids = int(solidsOf(result.part).size());
        return result;
    }

    qCDebug(lcExport) << "\n--- Step 2: building ---";
    QList<AssemblyVolume> volumes = buildVolumes(collected);
    for (const AssemblyVolume& volume : volumes) {
        if (volume.feature > kZero && (result.smallestFeature <= 0.0 || volume.feature < result.smallestFeature))
            result.smallestFeature = volume.feature;
    }

    qCDebug(lcExport) << "\n--- Step 3: subtractions ---";
    sortForCarving(volumes);
    markRepeats(volumes);
    TopoDS_Shape carved = OccUtils::healShape(copyShape(input.mainPart),
                                              OccUtils::BoolOpLabel{&lcExport, "buildAssembly main"}, 1.0);
    if (carved.IsNull())
        carved = input.mainPart;
    const TopoDS_Shape uncarved = carved;
    carve(volumes, options, road, carved, result);
    storePlanarEdgeCurves(carved);
    qCDebug(lcExport) << "Subtractions:" << result.cavitiesOk << "OK," << result.cavitiesFailed << "failed,"
                      << result.cavitiesUnvalidated << "unvalidated," << result.straySolidsRemoved
                      << "stray solid(s) removed";
    result.partSolids = int(solidsOf(carved).size());
    // A part that came as several solids is not cut apart by being shipped so.
    result.piecesCutApart = piecesCutApart(uncarved, carved);
    if (result.piecesCutApart >= 2)
        qWarning() << "  buildAssembly: the carved part is made of" << result.partSolids << "disconnected solid(s),"
                   << result.piecesCutApart << "of them cut apart by the cavities";
    result.part = carved;

    qCDebug(lcExport) << "\n--- Step 4: grouping the conductor ---";
    groupConductors(volumes, result);
    qCDebug(lcExport) << "Conductor:" << result.conductorGroups << "group(s)," << result.groupsNotFused
                      << "not fused";
    qCDebug(lcExport) << "Smallest feature in the assembly:" << result.smallestFeature << "mm";
    return result;
}
