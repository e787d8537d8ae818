// Which components and tracks of a design stand in the part: the one rule that the print plan
// and the exports' counts share. A component is in the part when any volume the export carves
// for it (a pad as lengthened for its cavity, its body) shares material with the part; a track
// when its solid does. Verdicts are kept per volume, keyed by the shapes themselves (held, so
// that no later shape takes over their identity): a change of the design brings new shapes,
// and only those are measured; another part forgets them all. One holder keeps them for the
// design, and lets them go as soon as the design's part is another.
#pragma once

#include "outputs/assemblyrecords.h"

#include <Message_ProgressRange.hxx>
#include <QList>
#include <QString>
#include <QStringList>
#include <TopoDS_Shape.hxx>

#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

namespace Jobs {
class Stop;
}

class Message_ProgressScope;
class PartOverlap;

class PartPresence
{
public:
    // The name of the measure's progress stage.
    static constexpr char kStage[] = "part presence";

    PartPresence();
    ~PartPresence();
    PartPresence(const PartPresence&) = delete;
    PartPresence& operator=(const PartPresence&) = delete;

    // The volumes the rule reads: what the export collects from input with every kind on.
    static QList<VolumeSource> volumesOf(const AssemblyInput& input);
    // Those of the components alone: all the print plan reads. A track's solid is dear to
    // measure and tells the plan nothing.
    static QList<VolumeSource> componentVolumesOf(const AssemblyInput& input);
    // The component a pad or body volume belongs to.
    static QString componentOf(const CollectedVolume& volume);

    // Measures the volumes of sources not measured yet against part, and forgets those of no
    // other design. False when broken off through progress: what was measured is kept.
    bool update(const TopoDS_Shape& part, const QList<VolumeSource>& sources,
                const Message_ProgressRange& progress = Message_ProgressRange());
    // Lets every verdict go, and the part with them, unless they were measured for part.
    void forgetOtherParts(const TopoDS_Shape& part);
    // Every track and component of sources has its verdict for part (a component in the part
    // needs no verdict on its other volumes).
    bool isKnown(const TopoDS_Shape& part, const QList<VolumeSource>& sources) const;

    // After an update with the same sources; a volume without a verdict counts as in the part.
    QStringList componentsOutside(const QList<VolumeSource>& sources) const;
    // One name (the net's) per track lying wholly outside the part, in the order of sources.
    QStringList tracksOutside(const QList<VolumeSource>& sources) const;

private:
    struct Key
    {
        TopoDS_Shape shape;
        double extension = 0.0;
        bool operator==(const Key& other) const;
    };
    struct KeyHash
    {
        size_t operator()(const Key& key) const;
    };
    bool inPart(const VolumeSource& source) const;
    std::set<QString> componentsIn(const QList<VolumeSource>& sources) const;
    struct BooleanJob;
    bool runBooleans(std::vector<BooleanJob>& jobs, Message_ProgressScope& scope);
    static void runJob(const PartOverlap& overlap, BooleanJob& job, const Jobs::Stop& stop);

    TopoDS_Shape m_part;
    std::unique_ptr<PartOverlap> m_overlap;
    std::unordered_map<Key, bool, KeyHash> m_verdicts;
};
