#include "outputs/partpresence.h"

#include "foundation/jobs.h"
#include "foundation/occutils.h"
#include "outputs/exportoptions.h"
#include "outputs/partoverlap.h"
#include "outputs/stepexporter.h"

#include <Bnd_Box.hxx>
#include <Message_ProgressScope.hxx>
#include <TopLoc_Location.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <gp_Trsf.hxx>

#include "foundation/outofmemory.h"


#include <climits>
#include <functional>
#include <map>
#include <numeric>
#include <optional>

bool PartPresence::Key::operator==(const Key& other) const
{
    return shape.IsSame(other.shape) && shape.Orientation() == other.shape.Orientation()
           && extension == other.extension;
}

size_t PartPresence::KeyHash::operator()(const Key& key) const
{
    return size_t(TopTools_ShapeMapHasher::HashCode(key.shape, INT_MAX)) ^ std::hash<double>()(key.extension);
}

namespace {

gp_Trsf downward(double distance)
{
    gp_Trsf down;
    down.SetTranslation(gp_Vec(0.0, 0.0, -distance));
    return down;
}

} // namespace

PartPresence::PartPresence() = default;
PartPresence::~PartPresence() = default;

QList<VolumeSource> PartPresence::volumesOf(const AssemblyInput& input)
{
    return input.mainPart.IsNull() ? QList<VolumeSource>() : StepExporter::collectSources(input, ExportOptions());
}

QList<VolumeSource> PartPresence::componentVolumesOf(const AssemblyInput& input)
{
    AssemblyInput components = input;
    components.routes = nullptr;
    components.routeShape = nullptr;
    return volumesOf(components);
}

QString PartPresence::componentOf(const CollectedVolume& volume)
{
    return volume.kind == PadVolume ? volume.name.section(QLatin1Char('/'), 0, 0) : volume.name;
}

namespace {

// Where a volume is carved: a pad's cavity is the pad fused with itself moved down by its
// extension, so it meets the part where either does (the lower first: it is the likelier).
QList<TopoDS_Shape> placementsOf(const VolumeSource& source)
{
    QList<TopoDS_Shape> placements;
    if (source.extension > 0.0)
        placements.append(source.volume.shape.Moved(TopLoc_Location(downward(source.extension))));
    placements.append(source.volume.shape);
    return placements;
}

// Boxes of volumes placed from shared pieces (a footprint's pads are its pad's shells, each
// placed by a location), each piece's box taken once and moved with each placement: a box that
// holds the volume, if looser after a turn, which the tests of PartOverlap::region allow.
class PlacedBoxes
{
public:
    Bnd_Box of(const TopoDS_Shape& shape)
    {
        Bnd_Box box;
        TopoDS_Iterator child(shape, true, true);
        if (!child.More())
            return PartOverlap::boxOf(shape);
        for (; child.More(); child.Next())
            box.Add(placed(child.Value()));
        return box;
    }

private:
    Bnd_Box placed(const TopoDS_Shape& piece)
    {
        auto [it, added] = m_local.try_emplace(piece.TShape().get());
        if (added)
            it->second = PartOverlap::boxOf(piece.Location().IsIdentity() ? piece : piece.Located(TopLoc_Location()));
        if (it->second.IsVoid() || piece.Location().IsIdentity())
            return it->second;
        return it->second.Transformed(piece.Location().Transformation());
    }

    std::unordered_map<const TopoDS_TShape*, Bnd_Box> m_local;
};

} // namespace

// A component's volumes the boxes and points left open, for booleans on a helper thread:
// measured in turn until one shares material with the part (a component needs no more).
struct PartPresence::BooleanJob
{
    struct Volume
    {
        const VolumeSource* source = nullptr;
        QList<TopoDS_Shape> placements;
        std::optional<bool> verdict;
    };
    std::vector<Volume> volumes;
    int units = 0; // of the caller's progress
};

void PartPresence::runJob(const PartOverlap& overlap, BooleanJob& job, const Jobs::Stop& stop)
{
    for (BooleanJob::Volume& volume : job.volumes) {
        bool in = false;
        for (const TopoDS_Shape& placement : std::as_const(volume.placements)) {
            in = overlap.measure(placement, stop.range());
            if (stop.requested())
                return; // a boolean broken off answers nothing
            if (in)
                break;
        }
        volume.verdict = in;
        if (in)
            return;
    }
}

bool PartPresence::update(const TopoDS_Shape& part, const QList<VolumeSource>& sources,
                          const Message_ProgressRange& progress)
{
    forgetOtherParts(part);
    m_part = part;
    std::unordered_map<Key, bool, KeyHash> kept;
    for (const VolumeSource& source : sources) {
        const auto known = m_verdicts.find(Key{source.volume.shape, source.extension});
        if (known != m_verdicts.end())
            kept.insert(*known);
    }
    m_verdicts = std::move(kept);
    const std::set<QString> in = componentsIn(sources);
    QList<const VolumeSource*> todo;
    for (const VolumeSource& source : sources) {
        if (!source.volume.shape.IsNull() && !m_verdicts.count(Key{source.volume.shape, source.extension})
            && (source.volume.kind == RouteVolume || !in.count(componentOf(source.volume))))
            todo.append(&source);
    }
    if (todo.isEmpty())
        return true;
    if (!m_overlap)
        m_overlap = std::make_unique<PartOverlap>(part);

    // A component's volumes lie close together: where their common box meets no face of the
    // part, one point answers for all of them. Its body comes first: when the body is in, so is
    // the component, and its pads need no measure.
    std::map<QString, QList<const VolumeSource*>> groups;
    QList<QList<const VolumeSource*>> batches;
    for (const VolumeSource* source : std::as_const(todo)) {
        if (source->volume.kind == RouteVolume)
            batches.append({source});
        else if (source->volume.kind == BodyVolume)
            groups[componentOf(source->volume)].prepend(source);
        else
            groups[componentOf(source->volume)].append(source);
    }
    for (const auto& [ref, volumes] : groups)
        batches.append(volumes);

    // Boxes and points first, on this thread; what they leave open goes to booleans.
    Message_ProgressScope scope(progress, kStage, double(todo.size()));
    std::vector<BooleanJob> jobs;
    PlacedBoxes boxes;
    for (const QList<const VolumeSource*>& group : std::as_const(batches)) {
        if (!scope.More())
            return false;
        Bnd_Box box;
        for (const VolumeSource* source : group) {
            const Bnd_Box own = boxes.of(source->volume.shape);
            box.Add(own);
            if (source->extension > 0.0 && !own.IsVoid())
                box.Add(own.Transformed(downward(source->extension)));
        }
        const PartOverlap::Region region = m_overlap->region(box);
        if (region != PartOverlap::Region::Crossed) {
            for (const VolumeSource* source : group)
                m_verdicts[Key{source->volume.shape, source->extension}] = region == PartOverlap::Region::Inside;
            scope.Next(double(group.size()));
            continue;
        }
        BooleanJob job;
        job.units = int(group.size());
        bool settledIn = false;
        for (const VolumeSource* source : group) {
            BooleanJob::Volume open{source, {}, std::nullopt};
            for (const TopoDS_Shape& placement : placementsOf(*source)) {
                const std::optional<bool> settled = m_overlap->settle(placement);
                if (!settled)
                    open.placements.append(placement);
                else if (*settled)
                    settledIn = true;
                if (settledIn)
                    break;
            }
            if (settledIn || open.placements.isEmpty())
                m_verdicts[Key{source->volume.shape, source->extension}] = settledIn;
            else
                job.volumes.push_back(std::move(open));
            if (settledIn)
                break;
        }
        if (settledIn || job.volumes.empty())
            scope.Next(double(group.size()));
        else
            jobs.push_back(std::move(job));
    }
    return runBooleans(jobs, scope);
}

bool PartPresence::runBooleans(std::vector<BooleanJob>& jobs, Message_ProgressScope& scope)
{
    if (jobs.empty())
        return true;
    // Side by side, each boolean on its own shape. A job that fails is left without a verdict:
    // its volume counts as in the part and is measured again.
    const Jobs::Outcome outcome = Jobs::forEach(
        scope.Next(double(std::accumulate(jobs.begin(), jobs.end(), 0,
                                          [](int sum, const BooleanJob& job) { return sum + job.units; }))),
        "PartPresence", jobs.size(), [&](size_t j, const Jobs::Stop& stop) { runJob(*m_overlap, jobs[j], stop); },
        [&jobs](size_t j) { return double(jobs[j].units); });
    // What was measured is kept, also when broken off.
    for (const BooleanJob& job : jobs)
        for (const BooleanJob::Volume& volume : job.volumes)
            if (volume.verdict)
                m_verdicts[Key{volume.source->volume.shape, volume.source->extension}] = *volume.verdict;
    return outcome != Jobs::Outcome::Cancelled && scope.More();
}

std::set<QString> PartPresence::componentsIn(const QList<VolumeSource>& sources) const
{
    std::set<QString> in;
    for (const VolumeSource& source : sources) {
        if (source.volume.kind == RouteVolume)
            continue;
        const auto known = m_verdicts.find(Key{source.volume.shape, source.extension});
        if (known != m_verdicts.end() && known->second)
            in.insert(componentOf(source.volume));
    }
    return in;
}

void PartPresence::forgetOtherParts(const TopoDS_Shape& part)
{
    if (m_part.IsEqual(part))
        return;
    m_verdicts.clear();
    m_overlap.reset();
    m_part.Nullify();
}

bool PartPresence::isKnown(const TopoDS_Shape& part, const QList<VolumeSource>& sources) const
{
    if (!m_part.IsEqual(part))
        return false;
    const std::set<QString> in = componentsIn(sources);
    return std::all_of(sources.cbegin(), sources.cend(), [&](const VolumeSource& source) {
        return source.volume.shape.IsNull() || m_verdicts.count(Key{source.volume.shape, source.extension}) > 0
               || (source.volume.kind != RouteVolume && in.count(componentOf(source.volume)) > 0);
    });
}

bool PartPresence::inPart(const VolumeSource& source) const
{
    const auto known = m_verdicts.find(Key{source.volume.shape, source.extension});
    return known == m_verdicts.end() || known->second;
}

QStringList PartPresence::componentsOutside(const QList<VolumeSource>& sources) const
{
    std::map<QString, bool> inside; // per component, in reference order
    for (const VolumeSource& source : sources) {
        if (source.volume.kind == RouteVolume)
            continue;
        bool& in = inside[componentOf(source.volume)];
        in = in || inPart(source);
    }
    QStringList outside;
    for (const auto& [ref, in] : inside)
        if (!in)
            outside.append(ref);
    return outside;
}

QStringList PartPresence::tracksOutside(const QList<VolumeSource>& sources) const
{
    QStringList outside;
    for (const VolumeSource& source : sources)
        if (source.volume.kind == RouteVolume && !inPart(source))
            outside.append(source.volume.name);
    return outside;
}
