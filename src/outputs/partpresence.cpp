#include "outputs/partpresence.h"

#include "outputs/exportoptions.h"
#include "outputs/partoverlap.h"
#include "outputs/stepexporter.h"

#include <Message_ProgressScope.hxx>
#include <QSet>
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
    if (!m_part.IsEqual(part)) {
        m_verdicts.clear();
        m_overlap.reset();
        m_part = part;
    }
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

    Message_ProgressScope scope(progress, nullptr, double(todo.size()));
    for (const VolumeSource* source : std::as_const(todo)) {
        if (!scope.More())
            return false;
        const TopoDS_Shape& shape = source->volume.shape;
        // A pad's cavity is the pad fused with itself moved down by its extension: it meets
        // the part where either does.
        bool overlaps = m_overlap->overlaps(shape);
        if (!overlaps && source->extension > 0.0) {
            gp_Trsf down;
            down.SetTranslation(gp_Vec(0.0, 0.0, -source->extension));
            overlaps = m_overlap->overlaps(shape.Moved(TopLoc_Location(down)));
        }
        m_verdicts[Key{shape, source->extension}] = overlaps;
        scope.Next();
    }
    return true;
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
