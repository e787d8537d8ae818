// The assembly both exports ship: volumes built, carved out of the part, conductors grouped.
#include "outputs/stepexporter.h"

#include "foundation/geometryutils.h"
#include "foundation/jobs.h"
#include "foundation/logging.h"
#include "foundation/outofmemory.h"
#include "outputs/carving.h"

#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepBndLib.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <Bnd_Box.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Message_ProgressScope.hxx>
#include <OSD_Parallel.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <limits>
#include <map>
#include <functional>
#include <numeric>
#include <optional>
#include <vector>

namespace {

constexpr double kZero = 1e-7;
constexpr double kZeroVolume = 1e-7; // mm³: less is no material removed

const QString kBanner(40, QLatin1Char('='));

constexpr int kMostFacesUnified = 1000;

int faceCount(const TopoDS_Shape& shape)
{
    int count = 0;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More() && count <= kMostFacesUnified; it.Next())
        ++count;
    return count;
}

std::optional<AssemblyVolume> buildVolume(const CollectedVolume& volume)
{
    const TopoDS_Shape copy = StepExporter::copyShape(volume.shape);
    if (copy.IsNull()) {
        qWarning() << "  ✗ shape could not be built for" << volume.name;
        return std::nullopt;
    }
    const double feature =
        volume.featureHint > kZero ? volume.featureHint : GeometryUtils::thinnestSolidExtent(copy);
    // Merges the coplanar faces left between a track's segments; a long track's faces stay
    // apart, since every step after it walks a face's wire in the square of its length.
    const auto unified = [&](const TopoDS_Shape& shape) {
        return volume.kind == RouteVolume && feature > kZero && faceCount(shape) <= kMostFacesUnified
                   ? StepExporter::unifySameDomain(shape, 0.1 * feature)
                   : shape;
    };
    // A merge stands only when its result passes the validity check: that spares a second one.
    TopoDS_Shape shape = unified(copy);
    // Only a volume the checker rejects is healed, as the part is: on a valid one the repair of
    // self-intersecting wires walks every pair of edges, and a long thin track never ends.
    if (!volume.checked && shape.IsSame(copy) && !OccUtils::isValidShape(copy)) {
        qCDebug(lcExport) << "  rejected by the validity check, repaired:" << volume.name;
        shape = OccUtils::healShape(copy, OccUtils::BoolOpLabel{&lcExport, "buildAssembly volume"}, 0.1 * feature);
        if (shape.IsNull()) {
            qWarning() << "  ✗ heal failed for" << volume.name;
            return std::nullopt;
        }
        shape = unified(shape);
    }
    qCDebug(lcExport) << "  ✓" << volume.name;
    return AssemblyVolume{volume.kind, volume.name, volume.shape, volume.featureHint, shape, feature};
}

// One step of scope for each of count jobs run side by side, each job closing its own; the
// scope outlives the jobs.
std::vector<Message_ProgressRange> jobRanges(Message_ProgressScope& scope, qsizetype count)
{
    std::vector<Message_ProgressRange> ranges;
    ranges.reserve(size_t(count));
    for (qsizetype i = 0; i < count; ++i)
        ranges.push_back(scope.Next());
    return ranges;
}

QList<AssemblyVolume> buildVolumes(const QList<CollectedVolume>& collected, const Message_ProgressRange& progress)
{
    // Each volume is healed on its own deep copy: they run side by side, each result the one it
    // would be alone, and the list keeps the collection order.
    std::vector<std::optional<AssemblyVolume>> results(size_t(collected.size()));
    Message_ProgressScope scope(progress, nullptr, double(std::max<qsizetype>(collected.size(), 1)));
    std::vector<Message_ProgressRange> ranges = jobRanges(scope, collected.size());
    // A helper thread that runs short of memory refuses the whole assembly, not the one volume.
    std::atomic<bool> enough{true};
    OSD_Parallel::For(0, int(collected.size()), [&](int i) {
        if (ranges[size_t(i)].UserBreak())
            return;
        enough = OutOfMemory::survive([&] {
                     results[size_t(i)] = OccUtils::guardedCall(std::optional<AssemblyVolume>(), "buildAssembly volume",
                                                                [&] { return buildVolume(collected.at(i)); });
                 }) && enough;
        ranges[size_t(i)].Close();
    });
    if (!enough)
        throw std::bad_alloc();
    QList<AssemblyVolume> built;
    for (std::optional<AssemblyVolume>& result : results)
        if (result)
            built.append(std::move(*result));
    // Given back before the carving, whose threads' arenas do not take it up: without this and
    // the lengthening's release the export's memory peak grew by about a quarter at 50
    // components, for some tens of milliseconds saved.
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

// The solids of a group fused where they meet, one fuse per cluster of solids whose boxes meet:
// a component's pads, which mostly stand apart, are written as they are, without a boolean.
TopoDS_Shape fuseCluster(const QList<TopoDS_Shape>& solids, double feature, bool& fusedAll,
                         const Message_ProgressRange& progress)
{
    if (solids.size() == 1)
        return solids.first();
    bool first = true;
    for (const double rung : StepExporter::fuzzyLadder(0.0, feature)) {
        if (progress.UserBreak())
            return {};
        // The first rung reports the progress; a break stops it and every later one.
        const Message_ProgressRange range = first ? progress : Message_ProgressRange();
        first = false;
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
            fuse.Build(range);
            return fuse.IsDone() ? fuse.Shape() : TopoDS_Shape();
        });
        if (!fused.IsNull() && OccUtils::isValidShape(fused))
            return fused;
        qCDebug(lcExport) << "  fuseGroup: rung refused (fuzzy=" << rung << ") over" << solids.size() << "solid(s)";
    }
    fusedAll = false;
    return StepExporter::compoundOf(solids);
}

ConductorGroup fuseGroup(const QString& key, const QList<TopoDS_Shape>& shapes, double feature, int& notFused,
                         const Message_ProgressRange& progress)
{
    QList<TopoDS_Shape> solids;
    for (const TopoDS_Shape& shape : shapes) {
        const QList<TopoDS_Shape> own = StepExporter::solidsOf(shape);
        if (own.isEmpty())
            solids.append(shape);
        else
            solids.append(own);
    }
    // Clusters of solids whose boxes meet, each cluster a fuse of its own.
    std::vector<Bnd_Box> boxes(size_t(solids.size()));
    for (int i = 0; i < solids.size(); ++i) {
        BRepBndLib::Add(solids.at(i), boxes[size_t(i)], false);
        boxes[size_t(i)].Enlarge(kZero);
    }
    std::vector<int> clusterOf(size_t(solids.size()));
    std::iota(clusterOf.begin(), clusterOf.end(), 0);
    const std::function<int(int)> root = [&](int i) {
        return clusterOf[size_t(i)] == i ? i : (clusterOf[size_t(i)] = root(clusterOf[size_t(i)]));
    };
    for (int i = 0; i < solids.size(); ++i)
        for (int j = i + 1; j < solids.size(); ++j)
            if (boxes[size_t(i)].IsVoid() || boxes[size_t(j)].IsVoid() || !boxes[size_t(i)].IsOut(boxes[size_t(j)]))
                clusterOf[size_t(root(j))] = root(i);
    std::map<int, QList<TopoDS_Shape>> clusters;
    for (int i = 0; i < solids.size(); ++i)
        clusters[root(i)].append(solids.at(i));
    Message_ProgressScope scope(progress, nullptr, double(std::max<size_t>(clusters.size(), 1)));
    QList<TopoDS_Shape> parts;
    bool fusedAll = true;
    for (const auto& [index, members] : clusters) {
        const TopoDS_Shape part = fuseCluster(members, feature, fusedAll, scope.Next());
        if (part.IsNull())
            return {};
        parts.append(part);
    }
    if (!fusedAll) {
        ++notFused;
        qWarning() << "  ⚠ conductor group not fused:" << key << "—" << shapes.size()
                   << "overlapping solid(s) shipped as a compound";
    }
    return {parts.size() == 1 ? parts.first() : StepExporter::compoundOf(parts), key};
}

void groupConductors(const QList<AssemblyVolume>& volumes, AssemblyResult& result,
                     const Message_ProgressRange& progress)
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
    Message_ProgressScope scope(progress, nullptr, double(std::max<size_t>(ordered.size(), 1)));
    std::vector<Message_ProgressRange> ranges = jobRanges(scope, qsizetype(ordered.size()));
    OSD_Parallel::For(0, int(ordered.size()), [&](int i) {
        const auto& [key, group] = ordered[size_t(i)];
        fused[size_t(i)] = fuseGroup(key, group.shapes, group.feature, notFused[size_t(i)], ranges[size_t(i)]);
        ranges[size_t(i)].Close();
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
                                           const Message_ProgressRange& progress)
{
    if (input.mainPart.IsNull())
        return buildAssembly(input, {}, 0, options, progress);
    int tracksMissing = 0;
    const QList<VolumeSource> sources = collectSources(input, options, &tracksMissing);
    return buildAssembly(input, sources, tracksMissing, options, progress);
}

AssemblyResult StepExporter::buildAssembly(const AssemblyInput& input, const QList<VolumeSource>& sources,
                                           int tracksMissing, const ExportOptions& options,
                                           const Message_ProgressRange& progress)
{
    AssemblyResult result;
    // Shares of the whole, as the steps took on designs of real size: the carving is most of it.
    Message_ProgressScope scope(progress, nullptr, 100.0);
    const auto cancelled = [] {
        qCDebug(lcExport) << "ASSEMBLY — cancelled";
        AssemblyResult none;
        none.cancelled = true;
        return none;
    };
    qCDebug(lcExport).noquote() << "\n" + kBanner;
    qCDebug(lcExport) << "ASSEMBLY — components:" << (input.components ? input.components->size() : 0)
                      << "routes:" << (input.routes ? input.routes->size() : 0);
    if (input.mainPart.IsNull()) {
        qWarning() << "buildAssembly: main part is null";
        return result;
    }
    result.tracksMissing = tracksMissing;
    result.partOpen = !TopExp_Explorer(input.mainPart, TopAbs_SOLID).More()
                      && TopExp_Explorer(input.mainPart, TopAbs_FACE).More();
    const QList<CollectedVolume> collected = lengthened(sources);
    scope.Next(2.0);
    if (!scope.More())
        return cancelled();
    if (collected.isEmpty()) {
        result.part = input.mainPart;
        result.partSolids = int(solidsOf(result.part).size());
        result.partInvalid = !OccUtils::isValidShape(result.part) || !OccUtils::solidsHoldVolume(result.part);
        return result;
    }
    QList<AssemblyVolume> volumes = buildVolumes(collected, scope.Next(6.0));
    if (!scope.More())
        return cancelled();
    for (const AssemblyVolume& volume : volumes) {
        if (volume.feature > kZero && (result.smallestFeature <= 0.0 || volume.feature < result.smallestFeature))
            result.smallestFeature = volume.feature;
    }
    sortForCarving(volumes);
    markRepeats(volumes);
    for (const AssemblyVolume& volume : std::as_const(volumes))
        qCDebug(lcExport) << "  →" << volume.name;

    // The conductor is made of the volumes, whatever the carving does: it is fused beside the
    // carving, both reading the volumes without changing them (non-destructive booleans). It is
    // left to end alone on Cancel, so it reports on nothing of the caller's.
    Jobs::Job<AssemblyResult> grouping("buildAssembly: conductor", Jobs::Reads::Owned,
                                       [own = QList<AssemblyVolume>(volumes)](const Jobs::Stop& stop) {
                                           AssemblyResult grouped;
                                           groupConductors(own, grouped, stop.range());
                                           return grouped;
                                       });
    const Carving::Result carved = Carving::carve(input.mainPart, volumes, options.baseFuzzy, scope.Next(82.0));
    Jobs::Result<AssemblyResult> groupedResult = grouping.wait(scope.Next(1.0));
    if (carved.cancelled || !scope.More() || groupedResult.outcome == Jobs::Outcome::Cancelled)
        return cancelled();
    if (groupedResult.outcome == Jobs::Outcome::OutOfMemory)
        throw std::bad_alloc();
    const AssemblyResult grouped = groupedResult.take();
    result.conductors = grouped.conductors;
    result.groupsNotFused = grouped.groupsNotFused;
    result.conductorGroups = grouped.conductorGroups;

    result.partInvalid = carved.invalid;
    result.carvedInOneCut = carved.inOneCut;
    result.cavitiesUnchecked = carved.unchecked;
    if (result.partInvalid)
        qWarning() << "  buildAssembly: the carved part fails the validity check";
    if (!countCavities(volumes, input.mainPart, sources, input.presence, result, scope.Next(5.0)))
        return cancelled();
    result.partSolids = int(solidsOf(carved.part).size());
    // A part that came as several solids is not cut apart by being shipped so.
    result.piecesCutApart = piecesCutApart(input.mainPart, carved.part, scope.Next(4.0));
    if (!scope.More())
        return cancelled();
    if (result.piecesCutApart >= 2)
        qWarning() << "  buildAssembly: the carved part is made of" << result.partSolids << "disconnected solid(s),"
                   << result.piecesCutApart << "of them cut apart by the cavities";
    result.part = carved.part;
    qCDebug(lcExport) << "ASSEMBLY —" << result.cavitiesOk << "cavities cut," << result.cavitiesFailed << "not,"
                      << result.conductorGroups << "conductor group(s)";
    return result;
}
