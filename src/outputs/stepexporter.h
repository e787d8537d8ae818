// The carved part and its conductor groups: collection of the volumes, the assembly (the carving
// itself is carving.h's), and the STEP assembly writer. Stateless; never throws. User texts are
// translated in the context "StepExporter".
#pragma once

#include "foundation/occutils.h"
#include "outputs/assemblyrecords.h"
#include "outputs/exportoptions.h"

#include <Message_ProgressRange.hxx>
#include <QList>
#include <QString>
#include <QStringList>
#include <TopoDS_Shape.hxx>

#include <functional>

class AssemblyCache;
class PartPresence;

struct StepExportSummary
{
    bool success = false;
    int cavitiesOk = 0;
    int conductorGroups = 0;
    int cavitiesFailed = 0;
    // The volume of each cavity that still holds material in the file: "REF/pad", "REF" (body)
    // or a net.
    QStringList cavitiesNotCut;
    int componentsOutside = 0;
    int cavitiesUnchecked = 0; // named as failed: the check after the cut could not be made
    int groupsNotFused = 0;
    int partSolids = 0;
    bool partOpen = false; // the part holds faces and no solid
    bool partInvalid = false; // the carved part fails the validity check
    int piecesCutApart = 0;
    int tracksMissing = 0;
    QStringList tracksOutside; // the net of each track outside the part
    bool cancelled = false; // stopped by the user: no file written, error empty
    QString error;
};

class StepExporter
{
public:
    // Names of the export's stages, for whatever shows its progress, in the order they come.
    static constexpr char kCarvingStage[] = "STEP carving";
    static constexpr char kTransferStage[] = "STEP transfer";
    static constexpr char kWriteStage[] = "STEP write";

    // Export. With a cache, an unchanged design reuses the assembly carved last time. The work
    // runs beside the calling thread, which reports on progress meanwhile; a break asked through
    // it stops the export within its current step, and the file at path is left as it was, as
    // it is when memory runs short (the error says so).
    static StepExportSummary exportStep(const QString& path, const AssemblyInput& input,
                                        const ExportOptions& options, AssemblyCache* cache = nullptr,
                                        const Message_ProgressRange& progress = Message_ProgressRange());
    // Writes the part and the groups as named top-level shapes; the file at path is replaced
    // whole or left as it was (also on a break asked through progress, which the translation
    // and the write, left to end alone, hear at once). errorDetail, when given, receives the
    // system's reason. The writer's own file goes to a folder of the temporary location that a
    // later write removes if its writer died before it could.
    static bool writeStepFile(const QString& path, const TopoDS_Shape& part,
                              const QList<ConductorGroup>& groups, QString* errorDetail = nullptr,
                              const Message_ProgressRange& progress = Message_ProgressRange());

    // The assembly: the volumes collected and built, the part carved (carving.h), the conductor
    // grouped. A break asked through progress gives a result marked cancelled.
    static AssemblyResult buildAssembly(const AssemblyInput& input, const ExportOptions& options,
                                        const Message_ProgressRange& progress = Message_ProgressRange());
    // The same from the sources already collected from input; tracksMissing as collected.
    static AssemblyResult buildAssembly(const AssemblyInput& input, const QList<VolumeSource>& sources,
                                        int tracksMissing, const ExportOptions& options,
                                        const Message_ProgressRange& progress = Message_ProgressRange());

    // Volumes
    // tracksMissing, when given, counts the routes whose solid could not be built.
    static QList<CollectedVolume> collectVolumes(const AssemblyInput& input, const ExportOptions& options,
                                                 int* tracksMissing = nullptr);
    // What collectVolumes gathers, pads not yet lengthened; lengthened() finishes one.
    static QList<VolumeSource> collectSources(const AssemblyInput& input, const ExportOptions& options,
                                              int* tracksMissing = nullptr);
    static CollectedVolume lengthened(const VolumeSource& source);
    static QList<CollectedVolume> lengthened(const QList<VolumeSource>& sources);
    static TopoDS_Shape copyShape(const TopoDS_Shape& shape);
    static double volumeOf(const TopoDS_Shape& shape);
    static QList<TopoDS_Shape> solidsOf(const TopoDS_Shape& shape);
    static TopoDS_Shape compoundOf(const QList<TopoDS_Shape>& shapes);
    // The pad solid fused with a copy of itself moved down by extension mm, its split sides
    // merged; the solid unchanged when that fails.
    static TopoDS_Shape extendPrismaticDown(const TopoDS_Shape& padSolid, double extension);
    // The same for a pad that is a prism along Z (planar caps, upright sides), without a
    // boolean: its bottom face swept down joined to the pad along that face's edges. Null for
    // any other solid, or when the result is not one valid solid holding the pad's volume plus
    // the bottom's area times extension.
    static TopoDS_Shape extrudedDown(const TopoDS_Shape& padSolid, double extension);
    // Whether lengthened is padSolid lengthened downward by extension from its bottom face:
    // one valid solid holding the pad's volume plus that face's area times extension.
    static bool lengthenedRight(const TopoDS_Shape& padSolid, const TopoDS_Shape& bottom, double extension,
                                const TopoDS_Shape& lengthened);
    // Stores on every edge of the planar faces of shape its curve in the face's plane, which
    // OpenCASCADE otherwise works out anew at each use (the checks, the STEP writer's loop over
    // a face's edges). Changes shape's edges in place: only for shapes of the export's own.
    static void storePlanarEdgeCurves(const TopoDS_Shape& shape);
    // Faces on one surface merged (edges too); shape unchanged when the result is invalid,
    // has another number of solids or another volume (0.1 %).
    static TopoDS_Shape unifySameDomain(const TopoDS_Shape& shape, double linearTolerance);

    // The fuzzy values a boolean of a volume of this thinnest extent (mm) tries, from base up.
    static QList<double> fuzzyLadder(double base, double feature);

    // Counts what the carving of volumes did: the cavities that removed material and those that
    // still hold it; and, by PartPresence's rule on the part as it came (the print plan's), the
    // components and the tracks of sources outside it. presence, when its verdicts cover every
    // source, answers in place of a measure. False when broken off through progress.
    static bool countCavities(const QList<AssemblyVolume>& volumes, const TopoDS_Shape& part,
                              const QList<VolumeSource>& sources, const PartPresence* presence,
                              AssemblyResult& result,
                              const Message_ProgressRange& progress = Message_ProgressRange());

    // The solids of carved that the cuts split off one solid of part: for each solid of part
    // left in two or more pieces, those pieces. Solids the part came in as are not counted.
    // Reports through progress; 0 when broken off.
    static int piecesCutApart(const TopoDS_Shape& part, const TopoDS_Shape& carved,
                              const Message_ProgressRange& progress = Message_ProgressRange());
};
