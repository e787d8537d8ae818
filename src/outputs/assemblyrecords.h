// Records of the assembly that both exports ship: the carved part and the conductor groups.
#pragma once

#include "model/placedcomponentdata.h"
#include "model/routerecords.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <TopoDS_Shape.hxx>

#include <functional>

class PartPresence;

// What one export carves. The caller owns the pointed-to data and keeps it alive for the call.
struct AssemblyInput
{
    TopoDS_Shape mainPart;
    const QMap<QString, PlacedComponentData>* components = nullptr;
    const QList<Route>* routes = nullptr;
    // The routing model's solid of one route (null when it cannot be built). The routing
    // library sits below this one, but the window decides which builder is current.
    std::function<TopoDS_Shape(const Route&)> routeShape;
    // Verdicts of which volumes stand in the part, measured beforehand by the design's holder;
    // the export measures with its own when null or when they do not cover every volume.
    const PartPresence* presence = nullptr;
};

enum VolumeKind { PadVolume = 0, BodyVolume = 1, RouteVolume = 2 };

struct CollectedVolume
{
    VolumeKind kind = PadVolume;
    QString name;       // pad: "REF/number"; body: the reference; track: the net name
    TopoDS_Shape shape; // model coordinates; a pad already lengthened downward
    double featureHint = 0.0; // mm, thinnest dimension from the design data; 0 when unknown
    bool checked = false;     // the shape as it stands passed the validity check
};

// A volume as the design gives it, before a pad is lengthened: all the carving depends on.
struct VolumeSource
{
    CollectedVolume volume; // a pad's shape not yet lengthened
    double extension = 0.0; // mm a pad is lengthened downward; 0 leaves the shape as it is
};

// What carving one volume did to the part.
enum class CavityCut
{
    NotCarved,      // not carved yet
    Removed,        // took material no earlier volume had taken, or repeats a volume that did
    NothingRemoved, // nothing of the part where it goes, or all of it already taken
    Failed,         // no cut came back; the part was left as it was for this volume
};

struct AssemblyVolume
{
    VolumeKind kind = PadVolume;
    QString name;
    TopoDS_Shape sourceShape; // as collected
    double featureHint = 0.0;
    TopoDS_Shape shape;       // copied, healed (a track possibly unified): carved and shipped
    double feature = 0.0;     // mm; orders the carving and scales its tolerances
    int repeatOf = -1;        // index, in carving order, of an earlier volume whose solid this repeats
    CavityCut cut = CavityCut::NotCarved;
};

struct ConductorGroup
{
    TopoDS_Shape shape; // fused solid, single solid, or compound when no fuse was valid
    QString name;       // component reference, or "Piste_" + net name
};

struct AssemblyResult
{
    TopoDS_Shape part; // null only when the input part was null
    QList<ConductorGroup> conductors; // ascending group key
    int cavitiesOk = 0; // volumes whose cut removed material (CavityCut::Removed)
    int cavitiesFailed = 0;
    // The name of each volume that still holds more than a thousandth of a mm³ of the part
    // returned, or could not be weighed (Carving::carve), in carving order.
    QStringList cavitiesNotCut;
    QStringList bodiesNotCut;   // the components whose body's cavity is among them
    // Components none of whose pads and body shares material with the part as it came: no
    // cavity was cut for them and nothing of them is embedded.
    int componentsOutside = 0;
    int conductorGroups = 0;
    // Volumes counted as failed because what they hold could not be weighed: not known to be cut.
    int cavitiesUnchecked = 0;
    int groupsNotFused = 0;
    int partSolids = 0;
    // The part holds faces and no solid (surfaces that sewing could not close): it is written
    // open, as it came.
    bool partOpen = false;
    // A solid of the part returned fails the validity check or holds no volume: a solid that
    // came so, or one no cut of it leaves sound. It is written as it is, and may not read back as
    // written.
    bool partInvalid = false;
    // Solids of part that the cavities split off one solid of the part as it came (see
    // StepExporter::piecesCutApart); the solids it came in as are not counted.
    int piecesCutApart = 0;
    // Routes with segments whose solid could not be built: they are missing from the file.
    int tracksMissing = 0;
    // The net of each track whose solid shares no material with the part: written as a
    // conductor floating beside it.
    QStringList tracksOutside;
    double smallestFeature = 0.0; // mm; 0 when no volume has a positive feature
    // Every solid carved by its first cut, at the one fuzzy value (see Carving::carve).
    bool carvedInOneCut = false;
    // Stopped by the user before the end: nothing of it is to be used (part null).
    bool cancelled = false;
};

// Copies the assembly's counters into an export's summary (STEP or 3MF: the same names).
template <typename Summary>
void copyAssemblyCounts(const AssemblyResult& assembly, Summary& summary)
{
    summary.cavitiesOk = assembly.cavitiesOk;
    summary.cavitiesFailed = assembly.cavitiesFailed;
    summary.cavitiesNotCut = assembly.cavitiesNotCut;
    summary.componentsOutside = assembly.componentsOutside;
    summary.conductorGroups = assembly.conductorGroups;
    summary.cavitiesUnchecked = assembly.cavitiesUnchecked;
    summary.groupsNotFused = assembly.groupsNotFused;
    summary.partSolids = assembly.partSolids;
    summary.partOpen = assembly.partOpen;
    summary.partInvalid = assembly.partInvalid;
    summary.piecesCutApart = assembly.piecesCutApart;
    summary.tracksMissing = assembly.tracksMissing;
    summary.tracksOutside = assembly.tracksOutside;
}
