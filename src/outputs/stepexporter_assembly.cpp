// The assembly both exports ship: volumes built, carved out of the part, conductors grouped.
#include "outputs/stepexporter.h"

#include "foundation/geometryutils.h"
#include "foundation/jobs.h"
#include "foundation/logging.h"
#include "foundation/outofmemory.h"
#include "outputs/stepexporter_probes_p.h"

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
    // Only a volume the checker rejects is healed, as the part is: on a valid one the repair of
    // self-intersecting wires walks every pair of edges, and a long thin track never ends.
    const bool valid = OccUtils::isValidShape(copy);
    if (!valid)
        qCDebug(lcExport) << "  rejected by the validity check, repaired:" << volume.name;
    TopoDS_Shape shape =
        valid ? copy : OccUtils::healShape(copy, OccUtils::BoolOpLabel{&lcExport, "buildAssembly volume"}, 0.1 * feature);
    if (shape.IsNull()) {
        qWarning() << "  ✗ heal failed for" << volume.name;
        return std::nullopt;
    }
    // Merges the coplanar faces left between a track's segments; a long track's faces stay
    // apart, since every step after it walks a face's wire in the square of its length.
    if (volume.kind == RouteVolume && feature > kZero && faceCount(shape) <= kMostFacesUnified)
        shape = StepExporter::unifySameDomain(shape, 0.1 * feature);
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
    OSD_Parallel::For(0, int(collected.size()), [&](int i) {
        if (ranges[size_t(i)].UserBreak())
            return;
        results[size_t(i)] = OccUtils::guardedCall(std::optional<AssemblyVolume>(), "buildAssembly volume",
                                                   [&] { return buildVolume(collected.at(i)); });
        ranges[size_t(i)].Close();
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

// The boxes of shapes, enlarged by gap; computed on first use.
class LazyBoxes
{
public:
    LazyBoxes(const QList<TopoDS_Shape>& shapes, double gap) : m_shapes(shapes), m_boxes(size_t(shapes.size())), m_gap(gap) {}
    const Bnd_Box& at(int i)
    {
        if (!m_boxes[size_t(i)])
            m_boxes[size_t(i)] = looseBox(m_shapes.at(i), m_gap);
        return *m_boxes[size_t(i)];
    }
    // Void boxes (no usable bounds) are said to meet everything: the boolean decides.
    bool meet(int i, const Bnd_Box& other) { return at(i).IsVoid() || other.IsVoid() || !at(i).IsOut(other); }

private:
    const QList<TopoDS_Shape>& m_shapes;
    std::vector<std::optional<Bnd_Box>> m_boxes;
    double m_gap;
};

// A part made of many solids: each volume is cut out of each solid its box meets, one solid at
// a time, so a cavity costs what its neighbourhood costs, and solids of the part that overlap
// one another (bodies of an assembly) are never cut by each other. A solid the cut took
// nothing from stays as it was.
void carveOneByOne(QList<AssemblyVolume>& volumes, const ExportOptions& options, TopoDS_Shape& carved,
                   AssemblyResult& result, const Message_ProgressRange& progress)
{
    Message_ProgressScope scope(progress, nullptr, double(std::max<qsizetype>(volumes.size(), 1)));
    struct Piece
    {
        TopoDS_Shape shape;
        Bnd_Box box;
    };
    const bool wasCompound = carved.ShapeType() == TopAbs_COMPOUND;
    QList<Piece> pieces;
    for (const TopoDS_Shape& solid : separateSolids(carved))
        pieces.append({solid, Bnd_Box()});
    bool changed = false;

    for (AssemblyVolume& volume : volumes) {
        if (!scope.More()) {
            result.cancelled = true;
            return;
        }
        const Message_ProgressRange step = scope.Next(); // reports as the volume's turn ends
        qCDebug(lcExport) << "  →" << volume.name;
        if (volume.repeatOf >= 0) {
            volume.cut = volumes.at(volume.repeatOf).cut; // its place is already cut
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
            volume.cut = CavityCut::NothingRemoved; // nothing of the part where it goes
            continue;
        }

        bool failed = false, validated = true, emptied = true;
        double removed = 0.0;
        int stray = 0;
        std::vector<std::optional<QList<TopoDS_Shape>>> replacements(size_t(touched.size()));
        Message_ProgressScope cuts(step, nullptr, double(touched.size()));
        for (int k = 0; k < touched.size() && !failed; ++k) {
            const TopoDS_Shape& piece = pieces.at(touched.at(k)).shape;
            bool pieceValidated = true;
            double pieceRemoved = 0.0;
            int pieceStray = 0;
            const TopoDS_Shape next = StepExporter::subtractOne(piece, volume.shape, options.baseFuzzy, volume.feature,
                                                                pieceValidated, pieceStray, &pieceRemoved,
                                                                cuts.Next());
            if (!cuts.More()) {
                result.cancelled = true;
                return;
            }
            if (next.IsNull()) {
                failed = true;
                break;
            }
            if (pieceRemoved <= kZeroVolume && pieceStray == 0) {
                emptied = false; // untouched: the piece stays as it was
                continue;
            }
            replacements[size_t(k)] = separateSolids(next);
            emptied = emptied && replacements[size_t(k)]->isEmpty();
            removed += pieceRemoved;
            stray += pieceStray;
            validated = validated && pieceValidated;
        }
        // Never empty the part: a volume swallowing all of it is refused.
        if (failed || (touched.size() == pieces.size() && emptied)) {
            qWarning() << "  ✗ subtraction failed, skipped";
            volume.cut = CavityCut::Failed;
            continue;
        }
        result.straySolidsRemoved += stray;
        for (int k = int(touched.size()) - 1; k >= 0; --k) {
            if (!replacements[size_t(k)])
                continue;
            pieces.removeAt(touched.at(k));
            changed = true;
            for (const TopoDS_Shape& piece : std::as_const(*replacements[size_t(k)]))
                pieces.append({piece, Bnd_Box()});
        }
        volume.cut = removed > kZeroVolume ? CavityCut::Removed : CavityCut::NothingRemoved;
        if (!validated) {
            ++result.cavitiesUnvalidated;
            qWarning() << "  ⚠ cavity not validated for" << volume.name;
        }
    }

    if (!changed)
        return; // the part as it came
    if (pieces.size() == 1 && !wasCompound) {
        carved = pieces.first().shape;
        return;
    }
    QList<TopoDS_Shape> shapes;
    for (const Piece& piece : std::as_const(pieces))
        shapes.append(piece.shape);
    carved = StepExporter::compoundOf(shapes);
}

// Boxes that overlap by more than depth along every axis: volumes that overlap (a track's end
// on a pad, pads under a body), whose distance need not be measured.
bool deeplyOverlapping(const Bnd_Box& a, const Bnd_Box& b, double depth)
{
    double a0[3], a1[3], b0[3], b1[3];
    a.Get(a0[0], a0[1], a0[2], a1[0], a1[1], a1[2]);
    b.Get(b0[0], b0[1], b0[2], b1[0], b1[1], b1[2]);
    for (int k = 0; k < 3; ++k)
        if (std::min(a1[k], b1[k]) - std::max(a0[k], b0[k]) <= depth)
            return false;
    return true;
}

// The faces of a shape, as one compound: no solid for a distance to look inside.
TopoDS_Shape facesOf(const TopoDS_Shape& shape)
{
    QList<TopoDS_Shape> faces;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next())
        faces.append(it.Current());
    return StepExporter::compoundOf(faces);
}

// A round solid: every face a cylinder about one axis or a plane across it (a round pad).
struct Round
{
    gp_Ax1 axis;
    double radius = 0.0, low = 0.0, high = 0.0; // extent along the axis
};

std::optional<Round> roundOf(const TopoDS_Shape& shape)
{
    std::optional<Round> round;
    std::vector<gp_Pln> caps;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        const BRepAdaptor_Surface surface(TopoDS::Face(it.Current()));
        if (surface.GetType() == GeomAbs_Plane) {
            caps.push_back(surface.Plane());
            continue;
        }
        if (surface.GetType() != GeomAbs_Cylinder)
            return std::nullopt;
        const gp_Cylinder cylinder = surface.Cylinder();
        if (!round) {
            round = Round{cylinder.Axis(), cylinder.Radius()};
        } else if (!round->axis.IsCoaxial(cylinder.Axis(), 1e-9, 1e-7)
                   || std::abs(round->radius - cylinder.Radius()) > 1e-7) {
            return std::nullopt;
        }
    }
    if (!round)
        return std::nullopt;
    const gp_XYZ along = round->axis.Direction().XYZ();
    round->low = RealLast();
    round->high = -RealLast();
    for (const gp_Pln& cap : caps) {
        if (!cap.Axis().Direction().IsParallel(round->axis.Direction(), 1e-9))
            return std::nullopt;
        const double level = (cap.Location().XYZ() - round->axis.Location().XYZ()).Dot(along);
        round->low = std::min(round->low, level);
        round->high = std::max(round->high, level);
    }
    return round;
}

// The gap between two round solids side by side (parallel axes, overlapping along them).
std::optional<double> gapBetween(const std::optional<Round>& a, const std::optional<Round>& b)
{
    if (!a || !b || !a->axis.IsParallel(b->axis, 1e-9) || a->low > a->high || b->low > b->high)
        return std::nullopt;
    const gp_XYZ along = a->axis.Direction().XYZ();
    const gp_XYZ apart = b->axis.Location().XYZ() - a->axis.Location().XYZ();
    const double shift = apart.Dot(along);
    if (b->low + shift >= a->high || b->high + shift <= a->low)
        return std::nullopt;
    return (apart - along * shift).Modulus() - a->radius - b->radius;
}

// A fuzzy value wider than the gap between two volumes that do not touch makes the boolean
// take them as touching and split both along where they nearly meet: a grid of round pads a
// micron apart costs the one cut six times the same grid of square pads. The one cut's fuzzy
// value stays under a quarter of the narrowest such gap, for the pairs whose boxes come that near.
double fuzzyUnderGaps(const QList<TopoDS_Shape>& tools, double fuzzy, const Message_ProgressRange& progress)
{
    struct Near
    {
        Bnd_Box box;
        double from = 0.0, to = 0.0; // along X
        int tool = 0;
    };
    std::vector<Near> boxes;
    for (int t = 0; t < tools.size(); ++t) {
        const Bnd_Box box = looseBox(tools.at(t), fuzzy);
        if (box.IsVoid())
            continue;
        double x0 = 0.0, y0 = 0.0, z0 = 0.0, x1 = 0.0, y1 = 0.0, z1 = 0.0;
        box.Get(x0, y0, z0, x1, y1, z1);
        boxes.push_back({box, x0, x1, t});
    }
    std::sort(boxes.begin(), boxes.end(), [](const Near& a, const Near& b) { return a.from < b.from; });
    Message_ProgressScope scope(progress, nullptr, double(std::max<size_t>(boxes.size(), 1)));
    std::vector<std::optional<std::optional<Round>>> rounds(boxes.size()); // each found on first use
    double narrowest = fuzzy;
    for (size_t i = 0; i < boxes.size() && scope.More(); ++i, scope.Next()) {
        for (size_t j = i + 1; j < boxes.size() && boxes[j].from <= boxes[i].to; ++j) {
            if (boxes[i].box.IsOut(boxes[j].box) || deeplyOverlapping(boxes[i].box, boxes[j].box, 4.0 * fuzzy))
                continue;
            if (!rounds[size_t(i)])
                rounds[size_t(i)] = roundOf(tools.at(boxes[i].tool));
            if (!rounds[size_t(j)])
                rounds[size_t(j)] = roundOf(tools.at(boxes[j].tool));
            // Between their faces: a volume inside another has deeply overlapping boxes.
            const std::optional<double> sideBySide = gapBetween(*rounds[size_t(i)], *rounds[size_t(j)]);
            const double gap = sideBySide ? *sideBySide : OccUtils::guardedCall(0.0, "fuzzyUnderGaps", [&] {
                BRepExtrema_DistShapeShape distance(facesOf(tools.at(boxes[i].tool)), facesOf(tools.at(boxes[j].tool)),
                                                    Extrema_ExtFlag_MIN);
                return distance.IsDone() ? distance.Value() : 0.0;
            });
            if (gap > kZero && gap < 2.0 * fuzzy)
                narrowest = std::min(narrowest, 0.25 * gap);
        }
    }
    return std::min(fuzzy, narrowest);
}

// Every volume cut out in one checked boolean for each solid of the part it meets (solids of
// one part may overlap, and one boolean would cut them by one another); solids the cut took
// nothing from stay as they were. False, and carved untouched, when a check fails.
// unvalidated, when given, asks the validity check of a part of one solid to be left to the
// caller, and tells whether it was.
bool carveAtOnce(QList<AssemblyVolume>& volumes, const ExportOptions& options, TopoDS_Shape& carved,
                 AssemblyResult& result, const Message_ProgressRange& progress, bool* unvalidated = nullptr)
{
    QList<TopoDS_Shape> tools;
    QList<int> toolOf; // per volume, its tool; -1 for a repeat
    double fuzzy = options.baseFuzzy;
    for (const AssemblyVolume& volume : volumes) {
        toolOf.append(volume.repeatOf < 0 ? int(tools.size()) : -1);
        if (volume.repeatOf < 0)
            tools.append(volume.shape);
        fuzzy = std::min(fuzzy, StepExporter::fuzzyLadder(options.baseFuzzy, volume.feature).first());
    }
    Message_ProgressScope steps(progress, nullptr, 10.0);
    fuzzy = fuzzyUnderGaps(tools, fuzzy, steps.Next());
    if (!steps.More()) {
        result.cancelled = true;
        return false;
    }
    const QList<TopoDS_Shape> solids = separateSolids(carved);
    const double gap = 2.0 * fuzzy + 1e-3;
    LazyBoxes toolBoxes(tools, gap);
    std::vector<QList<int>> toolsOf(size_t(solids.size()));
    int solidsMet = 0;
    for (int s = 0; s < solids.size(); ++s) {
        const Bnd_Box solidBox = looseBox(solids.at(s), gap);
        for (int t = 0; t < tools.size(); ++t)
            if (toolBoxes.meet(t, solidBox))
                toolsOf[size_t(s)].append(t);
        solidsMet += toolsOf[size_t(s)].isEmpty() ? 0 : 1;
    }

    Message_ProgressScope scope(steps.Next(9.0), nullptr, double(std::max(solidsMet, 1)));
    std::vector<double> removed(size_t(tools.size()), 0.0);
    QList<TopoDS_Shape> pieces;
    int straySolids = 0;
    bool changed = false;
    for (int s = 0; s < solids.size(); ++s) {
        const QList<int>& own = toolsOf[size_t(s)];
        if (own.isEmpty()) {
            pieces.append(solids.at(s));
            continue;
        }
        QList<TopoDS_Shape> local;
        for (const int t : own)
            local.append(tools.at(t));
        const bool leftToCaller = unvalidated && solids.size() == 1;
        const StepExporter::OneCutResult cut = StepExporter::cutAllAtOnce(solids.at(s), local, fuzzy, false, scope.Next(),
                                                                          solids.size() > 1, !leftToCaller);
        if (unvalidated)
            *unvalidated = leftToCaller;
        if (!scope.More()) {
            result.cancelled = true;
            return false;
        }
        if (cut.shape.IsNull())
            return false;
        double taken = 0.0;
        for (int k = 0; k < own.size(); ++k) {
            removed[size_t(own.at(k))] += cut.removedVolumes.value(k);
            taken += cut.removedVolumes.value(k);
        }
        if (taken <= kZeroVolume && cut.straySolidsRemoved == 0) {
            pieces.append(solids.at(s)); // untouched: as it was
            continue;
        }
        pieces.append(separateSolids(cut.shape));
        straySolids += cut.straySolidsRemoved;
        changed = true;
    }

    // Never empty the part: volumes swallowing all of it are refused.
    if (pieces.isEmpty())
        return false;
    if (changed)
        carved = pieces.size() == 1 && carved.ShapeType() != TopAbs_COMPOUND ? pieces.first()
                                                                              : StepExporter::compoundOf(pieces);
    for (int v = 0; v < volumes.size(); ++v) {
        AssemblyVolume& volume = volumes[v];
        volume.cut = volume.repeatOf >= 0 ? volumes.at(volume.repeatOf).cut
                     : removed[size_t(toolOf.at(v))] > kZeroVolume ? CavityCut::Removed
                                                                   : CavityCut::NothingRemoved;
    }
    result.straySolidsRemoved += straySolids;
    result.carvedInOneCut = true;
    if (straySolids > 0)
        qWarning() << "  buildAssembly:" << straySolids
                   << "solid(s) left INSIDE the carved volumes — removed (the cavity was filled with the "
                      "part's own material)";
    qCDebug(lcExport) << "  ✓ every cavity cut at once (fuzzy=" << fuzzy << ")";
    return true;
}

// After the one cut of every volume was refused: the volumes in batches, each in one checked
// cut, a refused batch halved, down to single volumes that take the ladder. One volume that
// refuses the common cut costs a few cuts of the part, not one cut and one check per volume.
void carveInBatches(QList<AssemblyVolume>& volumes, const ExportOptions& options, TopoDS_Shape& carved,
                    AssemblyResult& result, const Message_ProgressRange& progress)
{
    QList<int> own; // the volumes that are no repeats, in carving order
    for (int i = 0; i < volumes.size(); ++i)
        if (volumes.at(i).repeatOf < 0)
            own.append(i);
    // A refused batch is halved and tried again: how many cuts it takes is known at the end
    // only, so the scope runs on without a known end, each cut reporting through it.
    Message_ProgressScope scope(progress, nullptr, double(std::max<qsizetype>(own.size(), 1)), true);
    const auto batchOf = [&](int from, int to) {
        QList<AssemblyVolume> batch;
        for (int k = from; k < to; ++k)
            batch.append(volumes.at(own.at(k)));
        return batch;
    };
    const auto keep = [&](const QList<AssemblyVolume>& batch, int from) {
        for (int k = 0; k < batch.size(); ++k)
            volumes[own.at(from + k)].cut = batch.at(k).cut;
    };
    // Halves in carving order, the first half first.
    std::vector<std::pair<int, int>> pending{{0, int(own.size())}};
    while (!pending.empty()) {
        if (!scope.More()) {
            result.cancelled = true;
            return;
        }
        const auto [from, to] = pending.back();
        pending.pop_back();
        QList<AssemblyVolume> batch = batchOf(from, to);
        qCDebug(lcExport) << "carveInBatches: one cut of" << (to - from) << "volume(s)";
        AssemblyResult batchResult;
        if (to - from > 1 && carveAtOnce(batch, options, carved, batchResult, scope.Next(double(to - from)))) {
            result.straySolidsRemoved += batchResult.straySolidsRemoved;
            keep(batch, from);
            continue;
        }
        if (batchResult.cancelled) {
            result.cancelled = true;
            return;
        }
        if (to - from > 1) {
            const int middle = from + (to - from) / 2;
            pending.push_back({middle, to});
            pending.push_back({from, middle});
            continue;
        }
        carveOneByOne(batch, options, carved, result, scope.Next());
        keep(batch, from);
    }
    for (AssemblyVolume& volume : volumes)
        if (volume.repeatOf >= 0)
            volume.cut = volumes.at(volume.repeatOf).cut;
}

// A recut that takes nothing more, or is refused, leaves standing the material an earlier cut
// of the volume removed: whether it still holds any is the check's to say.
CavityCut afterRecut(CavityCut before, CavityCut recut)
{
    return before == CavityCut::Removed && recut != CavityCut::Removed ? CavityCut::Removed : recut;
}

// A boolean's record of its split can credit a volume it never cut (a tool it split nothing
// of): each volume is checked against the carved part apart from that record. The first check,
// of every volume cut: what it was asked about and what it found.
struct FirstCheck
{
    QList<int> checked; // volumes, by index
    QList<TopoDS_Shape> tools;
    double fuzzy = 0.0;
    QList<int> holding; // of checked
    bool made = true;
    bool valid = true; // the carved part passed the validity check left to the check
};

FirstCheck firstCheckOf(const QList<AssemblyVolume>& volumes, const ExportOptions& options)
{
    FirstCheck check;
    check.fuzzy = options.baseFuzzy;
    for (int i = 0; i < volumes.size(); ++i) {
        if (volumes.at(i).repeatOf >= 0 || volumes.at(i).cut == CavityCut::Failed)
            continue;
        check.checked.append(i);
        check.tools.append(volumes.at(i).shape);
        check.fuzzy =
            std::min(check.fuzzy, StepExporter::fuzzyLadder(options.baseFuzzy, volumes.at(i).feature).first());
    }
    return check;
}

// The carved part and the tools copied, for a check that runs beside work reading the originals:
// the work may store in them what it makes (a mesher its triangles, in their edges and faces).
// Their curves and surfaces, which nothing changes, are shared. The part null when they cannot
// be copied.
struct CheckedCopies
{
    TopoDS_Shape part;
    QList<TopoDS_Shape> tools;
    TopoDS_Shape validated; // the part once more, for its validity check beside, when asked
};

CheckedCopies checkedCopies(const TopoDS_Shape& carved, const QList<TopoDS_Shape>& tools, bool toValidate)
{
    return OccUtils::guardedCall(CheckedCopies(), "checkedCopies", [&] {
        // Each copy only reads what it copies: side by side.
        CheckedCopies copies;
        OSD_Parallel::For(0, toValidate ? 3 : 2, [&](int k) {
            if (k == 0)
                copies.part = BRepBuilderAPI_Copy(carved, false, false).Shape();
            else if (k == 2)
                copies.validated = BRepBuilderAPI_Copy(carved, false, false).Shape();
            else
                for (const TopoDS_Shape& tool : tools)
                    copies.tools.append(BRepBuilderAPI_Copy(tool, false, false).Shape());
        });
        return copies;
    });
}

// The volumes the first check found still holding material are cut again together at a tenth
// of the fuzzy value (a boolean that split nothing at one value mostly splits right at a finer
// one: round pads that overlap by 0.05 mm), then one by one while they hold it; one that holds
// it after that has failed. Without finerTogether, straight one by one.
void recutWhatHolds(QList<AssemblyVolume>& volumes, const ExportOptions& options, TopoDS_Shape& carved,
                    AssemblyResult& result, bool finerTogether, const FirstCheck& first,
                    const Message_ProgressRange& progress)
{
    const QList<int>& checked = first.checked;
    const QList<int>& holding = first.holding;
    const double fuzzy = first.fuzzy;
    const bool made = first.made;
    Message_ProgressScope scope(progress, nullptr, 2.0);
    const auto cancelled = [&] {
        if (scope.More() && !result.cancelled)
            return false;
        result.cancelled = true;
        return true;
    };
    if (cancelled() || holding.isEmpty())
        return;
    if (!made) {
        // Not known to be cut: a recut would be checked by the same check.
        for (const int k : holding) {
            volumes[checked.at(k)].cut = CavityCut::Failed;
            qWarning() << "  ✗ cavity not known to be cut:" << volumes.at(checked.at(k)).name;
        }
        result.cavitiesUnchecked += int(holding.size());
        for (AssemblyVolume& volume : volumes)
            if (volume.repeatOf >= 0)
                volume.cut = volumes.at(volume.repeatOf).cut;
        return;
    }
    qWarning() << "  " << holding.size() << "volume(s) still holding the part's material after the cut — cut again";
    QList<AssemblyVolume> again;
    QList<TopoDS_Shape> shapes;
    for (const int k : holding) {
        again.append(volumes.at(checked.at(k)));
        shapes.append(again.last().shape);
    }
    ExportOptions finer = options;
    finer.baseFuzzy = 0.1 * fuzzy;
    QList<int> alone; // of again, those to cut one by one
    QList<CavityCut> before;
    for (const AssemblyVolume& volume : std::as_const(again))
        before.append(volume.cut);
    if (finerTogether && carveAtOnce(again, finer, carved, result, scope.Next(0.5))) {
        if (cancelled())
            return;
        for (int k = 0; k < again.size(); ++k)
            again[k].cut = afterRecut(before.at(k), again.at(k).cut);
        alone = StepExporter::toolsHoldingMaterial(carved, shapes, finer.baseFuzzy, scope.Next(0.5), nullptr);
    } else {
        if (cancelled())
            return;
        scope.Next(0.5);
        for (int k = 0; k < again.size(); ++k)
            alone.append(k);
    }
    if (cancelled())
        return;
    if (!alone.isEmpty()) {
        qWarning() << "  " << alone.size() << "volume(s) still holding the part's material — cut alone";
        QList<AssemblyVolume> single;
        for (const int k : std::as_const(alone))
            single.append(again.at(k));
        carveOneByOne(single, options, carved, result, scope.Next(0.5));
        if (cancelled())
            return;
        for (int j = 0; j < alone.size(); ++j)
            again[alone.at(j)].cut = afterRecut(again.at(alone.at(j)).cut, single.at(j).cut);
    } else {
        scope.Next(0.5);
    }
    // Checked as the first time, whatever fuzzy value the ladder took: at its widest, a whole
    // volume left uncut (a boolean that split nothing) is no thicker than the skin such a cut
    // may leave, and the check could name nothing. The finer cut alone was checked already.
    bool stillMade = true;
    const QList<int> still = alone.isEmpty() ? QList<int>()
                                             : StepExporter::toolsHoldingMaterial(carved, shapes, fuzzy, scope.Next(0.5),
                                                                                   &stillMade);
    if (cancelled())
        return;
    for (int k = 0; k < again.size(); ++k) {
        AssemblyVolume& volume = volumes[checked.at(holding.at(k))];
        volume.cut = still.contains(k) ? CavityCut::Failed : again.at(k).cut;
        if (volume.cut == CavityCut::Failed)
            qWarning() << "  ✗ cavity not cut:" << volume.name;
        result.cavitiesUnchecked += !stillMade && still.contains(k) ? 1 : 0;
    }
    for (AssemblyVolume& volume : volumes)
        if (volume.repeatOf >= 0)
            volume.cut = volumes.at(volume.repeatOf).cut;
}

// Every volume in one checked boolean; in batches, then volume by volume, when the check fails.
// Volume by volume, each cut on its own.
// unvalidated, when given, leaves the validity check of the one cut of a part of one solid to
// the caller, and tells whether it was left.
void carve(QList<AssemblyVolume>& volumes, const ExportOptions& options, StepExporter::CarvingRoad road,
           TopoDS_Shape& carved, AssemblyResult& result, const Message_ProgressRange& progress,
           bool* unvalidated = nullptr)
{
    if (unvalidated)
        *unvalidated = false;
    // The one cut is the work; the batches run only when it is refused. A share kept for work
    // that does not run is bar that sits still while the work that does runs.
    Message_ProgressScope scope(progress, nullptr, 7.0);
    if (road == StepExporter::CarvingRoad::VolumeByVolume) {
        carveOneByOne(volumes, options, carved, result, scope.Next(7.0));
    } else if (!carveAtOnce(volumes, options, carved, result, scope.Next(6.5), unvalidated)) {
        if (unvalidated)
            *unvalidated = false;
        if (result.cancelled || !scope.More()) {
            result.cancelled = true;
            return;
        }
        qCDebug(lcExport) << "  → one cut for all cavities refused, carving in batches";
        carveInBatches(volumes, options, carved, result, scope.Next(0.5));
    } else {
        scope.Next(0.5);
    }
    if (result.cancelled || !scope.More())
        result.cancelled = true;
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
    if (solids.size() == 1)
        return {solids.first(), key};

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
            return {fused, key};
        qCDebug(lcExport) << "  fuseGroup: rung refused (fuzzy=" << rung << ") over" << solids.size() << "solid(s)";
    }

    ++notFused;
    qWarning() << "  ⚠ conductor group not fused:" << key << "—" << shapes.size()
               << "overlapping solid(s) shipped as a compound";
    return {StepExporter::compoundOf(shapes), key};
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
                                           CarvingRoad road, const Message_ProgressRange& progress,
                                           const AssemblyAlongside& alongside)
{
    if (input.mainPart.IsNull())
        return buildAssembly(input, {}, 0, options, road, progress, alongside);
    int tracksMissing = 0;
    const QList<VolumeSource> sources = collectSources(input, options, &tracksMissing);
    return buildAssembly(input, sources, tracksMissing, options, road, progress, alongside);
}

AssemblyResult StepExporter::buildAssembly(const AssemblyInput& input, const QList<VolumeSource>& sources,
                                           int tracksMissing, const ExportOptions& options, CarvingRoad road,
                                           const Message_ProgressRange& progress, const AssemblyAlongside& alongside)
{
    AssemblyResult result;
    // Shares of the whole, as the steps took on designs of real size: the carving is most of it.
    // The check is a fifth of it, or hardly more than its copies when it runs beside the caller's
    // work, which reports on a progress of its own.
    const double checkShare = alongside ? 4.0 : 25.0;
    Message_ProgressScope scope(progress, nullptr, 75.0 + checkShare);
    const auto cancelled = [] {
        qCDebug(lcExport) << "ASSEMBLY — cancelled";
        AssemblyResult none;
        none.cancelled = true;
        return none;
    };
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
    result.partOpen = !input.mainPart.IsNull() && !TopExp_Explorer(input.mainPart, TopAbs_SOLID).More()
                      && TopExp_Explorer(input.mainPart, TopAbs_FACE).More();
    const QList<CollectedVolume> collected = lengthened(sources);
    scope.Next(2.0);
    if (!scope.More())
        return cancelled();
    qCDebug(lcExport) << "Volumes to process:" << collected.size();
    if (collected.isEmpty()) {
        result.part = input.mainPart;
        result.partSolids = int(solidsOf(result.part).size());
        return result;
    }

    qCDebug(lcExport) << "\n--- Step 2: building ---";
    QList<AssemblyVolume> volumes = buildVolumes(collected, scope.Next(8.0));
    if (!scope.More())
        return cancelled();
    for (const AssemblyVolume& volume : volumes) {
        if (volume.feature > kZero && (result.smallestFeature <= 0.0 || volume.feature < result.smallestFeature))
            result.smallestFeature = volume.feature;
    }

    qCDebug(lcExport) << "\n--- Step 3: subtractions ---";
    sortForCarving(volumes);
    markRepeats(volumes);
    bool valid = false;
    TopoDS_Shape carved = copyPart(input.mainPart, valid, scope.Next(3.0));
    if (!scope.More())
        return cancelled();
    if (carved.IsNull())
        carved = input.mainPart;
    // Only a part the checker rejects is healed: on a valid one, healing merges the vertices of
    // fine details (a letter's outlines a micron apart) into edges whose meshes no longer meet.
    if (!valid) {
        const TopoDS_Shape healed =
            OccUtils::healShape(carved, OccUtils::BoolOpLabel{&lcExport, "buildAssembly main"}, 1.0);
        if (!healed.IsNull())
            carved = healed;
    }
    const TopoDS_Shape uncarved = carved;
    qCDebug(lcExport) << "Grouping the conductor";
    // The conductor is made of the volumes, whatever the carving does: it is fused beside the
    // carving, both reading the volumes without changing them (non-destructive booleans).
    const Message_ProgressRange groupShare = scope.Next(3.0);
    Jobs::Job<AssemblyResult> grouping("buildAssembly: conductor", Jobs::Reads::Owned,
                                       [groupShare, own = QList<AssemblyVolume>(volumes)](const Jobs::Stop&) {
                                           AssemblyResult grouped;
                                           groupConductors(own, grouped, groupShare);
                                           return grouped;
                                       });

    // Beside the caller's work, the one cut's validity is checked with its cavities, on copies.
    const QList<AssemblyVolume> uncut = volumes;
    AssemblyResult uncutResult = result;
    bool unvalidated = false;
    carve(volumes, options, road, carved, result, scope.Next(57.0), alongside ? &unvalidated : nullptr);
    Jobs::Result<AssemblyResult> groupedResult = grouping.wait(scope);
    if (result.cancelled || !scope.More() || groupedResult.outcome == Jobs::Outcome::Cancelled)
        return cancelled();
    const AssemblyResult grouped = groupedResult.take();
    for (AssemblyResult* into : {&result, &uncutResult}) {
        into->conductors = grouped.conductors;
        into->groupsNotFused = grouped.groupsNotFused;
        into->conductorGroups = grouped.conductorGroups;
    }
    qCDebug(lcExport) << "Conductor:" << result.conductorGroups << "group(s)," << result.groupsNotFused
                      << "not fused";

    qCDebug(lcExport) << "\n--- Step 4: checking the cavities ---";
    // What the carved part is as shipped, with the counts the volumes' cuts give.
    const auto finish = [&](AssemblyResult& finished, const Message_ProgressRange& range) {
        Message_ProgressScope steps(range, nullptr, 2.0);
        storePlanarEdgeCurves(carved);
        // Each cut piece was checked or counted unvalidated, the rest is the part as it came: the
        // whole is checked again only when one of those was not valid, a whole check costing seconds.
        if (!valid || finished.cavitiesUnvalidated > 0) {
            finished.partInvalid = !OccUtils::isValidShape(carved);
            if (finished.partInvalid)
                qWarning() << "  buildAssembly: the carved part fails the validity check";
        }
        if (!StepExporter::countCavities(volumes, input.mainPart, sources, input.presence, finished, steps.Next()))
            return false;
        qCDebug(lcExport) << "Subtractions:" << finished.cavitiesOk << "OK," << finished.cavitiesFailed << "failed,"
                          << finished.cavitiesUnvalidated << "unvalidated," << finished.straySolidsRemoved
                          << "stray solid(s) removed";
        finished.partSolids = int(solidsOf(carved).size());
        // A part that came as several solids is not cut apart by being shipped so.
        finished.piecesCutApart = piecesCutApart(uncarved, carved, steps.Next());
        if (!steps.More())
            return false;
        if (finished.piecesCutApart >= 2)
            qWarning() << "  buildAssembly: the carved part is made of" << finished.partSolids
                       << "disconnected solid(s)," << finished.piecesCutApart << "of them cut apart by the cavities";
        finished.part = carved;
        return true;
    };
    FirstCheck first = firstCheckOf(volumes, options);
    // A one cut the checker rejects, carved again from the volumes and the part as they came, its
    // validity checked in turn: as if it had been checked at once. False when broken off.
    const auto carveAgain = [&](const Message_ProgressRange& range) {
        qWarning() << "  buildAssembly: the one cut fails the validity check — carved again";
        volumes = uncut;
        result = uncutResult;
        carved = uncarved;
        carve(volumes, options, road, carved, result, range);
        first = firstCheckOf(volumes, options);
        return !result.cancelled;
    };
    CheckedCopies copies = alongside ? checkedCopies(carved, first.tools, unvalidated) : CheckedCopies();
    if (!copies.part.IsNull()) {
        // The check reads copies of its own while the caller's work reads the part and the
        // conductor (a mesher stores its triangles in them): as the caller gets them if every
        // cavity is cut, which the check mostly finds.
        Message_ProgressScope beside(scope.Next(checkShare), nullptr, 3.0);
        // The one cut's validity and the cavities' check side by side, each on its own copy: on
        // Cancel they are left to end alone.
        Jobs::Job<bool> validating("buildAssembly: validity", Jobs::Reads::Owned,
                                   [unvalidated, copy = copies.validated](const Jobs::Stop&) {
                                       return !unvalidated || StepExporter::carvedPartValid(copy);
                                   });
        copies.validated.Nullify();
        Jobs::Job<FirstCheck> checking("buildAssembly: cavities", Jobs::Reads::Owned,
                                       [first, copy = std::move(copies)](const Jobs::Stop& stop) mutable {
                                           first.holding = StepExporter::toolsHoldingMaterial(
                                               copy.part, copy.tools, first.fuzzy, stop.range(), &first.made);
                                           return first;
                                       });
        AssemblyResult provisional = result;
        if (finish(provisional, beside.Next()))
            alongside(provisional);
        if (!beside.More())
            return cancelled();
        Jobs::Result<bool> validity = validating.wait(beside);
        Jobs::Result<FirstCheck> checked = checking.wait(beside);
        if (!beside.More() || validity.outcome == Jobs::Outcome::Cancelled
            || checked.outcome == Jobs::Outcome::Cancelled)
            return cancelled();
        // A validity check that failed is no pass.
        const bool cutValid = validity.done() && *validity.value;
        first = checked.take();
        first.valid = cutValid;
        if (first.valid && first.holding.isEmpty()) {
            provisional.madeAlongside = true;
            return provisional;
        }
        Message_ProgressScope after(beside.Next(), nullptr, 3.0);
        if (!first.valid) {
            if (!carveAgain(after.Next()) || !after.More())
                return cancelled();
            first.holding =
                StepExporter::toolsHoldingMaterial(carved, first.tools, first.fuzzy, after.Next(), &first.made);
            if (!after.More())
                return cancelled();
        }
        recutWhatHolds(volumes, options, carved, result, road == CarvingRoad::OneCutFirst, first, after.Next());
    } else {
        if (unvalidated && !carvedPartValid(carved) && !carveAgain(Message_ProgressRange()))
            return cancelled();
        first.holding =
            StepExporter::toolsHoldingMaterial(carved, first.tools, first.fuzzy, scope.Next(checkShare - 5.0),
                                               &first.made);
        if (!scope.More())
            return cancelled();
        recutWhatHolds(volumes, options, carved, result, road == CarvingRoad::OneCutFirst, first, scope.Next(5.0));
    }
    if (result.cancelled || !scope.More() || !finish(result, scope.Next(2.0)))
        return cancelled();
    qCDebug(lcExport) << "Smallest feature in the assembly:" << result.smallestFeature << "mm";
    return result;
}
