#include "outputs/partpresence.h"

#include "outputs/exportoptions.h"
#include "outputs/partoverlap.h"
#include "outputs/stepexporter.h"

#include <Bnd_Box.hxx>
#include <Message_ProgressScope.hxx>
#include <TopLoc_Location.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <gp_Trsf.hxx>

#include <climits>
#include <functional>
#include <map>

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

QString PartPresence::componentOf(const CollectedVolume& volume)
{
    return volume.kind == PadVolume ? volume.name.section(QLatin1Char('/'), 0, 0) : volume.name;
}

bool PartPresence::update(const TopoDS_Shape& part, const QList<VolumeSource>& sources,
                          const Message_ProgressRange& progress)
{
    forgetOtherParts(part);
    m_part = part;
    std::unordered_map<Key, bool, KeyHash> kept;
    QList<const VolumeSource*> todo;
    for (const VolumeSource& source : sources) {
        const Key key{source.volume.shape, source.extension};
        const auto known = m_verdicts.find(key);
        if (known != m_verdicts.end())
            kept.insert(*known);
        else if (!source.volume.shape.IsNull())
            todo.append(&source);
    }
    m_verdicts = std::move(kept);
    if (todo.isEmpty())
        return true;
    if (!m_overlap)
        m_overlap = std::make_unique<PartOverlap>(part);

    // A component's volumes lie close together: where their common box meets no face of the
    // part, one point answers for all of them.
    std::map<QString, QList<const VolumeSource*>> groups;
    QList<QList<const VolumeSource*>> batches;
    for (const VolumeSource* source : std::as_const(todo)) {
        if (source->volume.kind == RouteVolume)
            batches.append({source});
        else
            groups[componentOf(source->volume)].append(source);
    }
    for (const auto& [ref, volumes] : groups)
        batches.append(volumes);

    Message_ProgressScope scope(progress, nullptr, double(todo.size()));
    for (const QList<const VolumeSource*>& group : std::as_const(batches)) {
        if (!scope.More())
            return false;
        Bnd_Box box;
        for (const VolumeSource* source : group) {
            const Bnd_Box own = PartOverlap::boxOf(source->volume.shape);
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
        for (const VolumeSource* source : group) {
            const TopoDS_Shape& shape = source->volume.shape;
            // A pad's cavity is the pad fused with itself moved down by its extension: it meets
            // the part where either does.
            Message_ProgressScope volume(scope.Next(), nullptr, 2.0);
            bool overlaps = m_overlap->overlaps(shape, volume.Next());
            if (!overlaps && source->extension > 0.0)
                overlaps = m_overlap->overlaps(shape.Moved(TopLoc_Location(downward(source->extension))), volume.Next());
            if (!volume.More())
                return false; // a boolean broken off answers nothing
            m_verdicts[Key{shape, source->extension}] = overlaps;
        }
    }
    return true;
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
    return std::all_of(sources.cbegin(), sources.cend(), [this](const VolumeSource& source) {
        return source.volume.shape.IsNull() || m_verdicts.count(Key{source.volume.shape, source.extension}) > 0;
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
