// The carved part and its conductor groups: collection of the volumes, carving with the
// fuzzy-value ladder, grouping, and the STEP assembly writer. Stateless; never throws.
// User texts are translated in the context "StepExporter".
#pragma once

#include "foundation/occutils.h"
#include "outputs/assemblyrecords.h"
#include "outputs/exportoptions.h"

#include <QList>
#include <QString>
#include <TopoDS_Shape.hxx>

class AssemblyCache;

struct StepExportSummary
{
    bool success = false;
    int cavitiesOk = 0;
    int conductorGroups = 0;
    int cavitiesFailed = 0;
    int cavitiesUnvalidated = 0;
    int groupsNotFused = 0;
    int straySolidsRemoved = 0;
    int partSolids = 0;
    int piecesCutApart = 0;
    int tracksMissing = 0;
    QString error;
};

class StepExporter
{
public:
    // Export. With a cache, an unchanged design reuses the assembly carved last time.
    static StepExportSummary exportStep(const QString& path, const AssemblyInput& input,
                                        const ExportOptions& options, AssemblyCache* cache = nullptr);
    // Writes the part and the groups as named top-level shapes; the file at path is replaced
    // whole or left as it was. errorDetail, when given, receives the system's reason.
    static bool writeStepFile(const QString& path, const TopoDS_Shape& part,
                              const QList<ConductorGroup>& groups, QString* errorDetail = nullptr);

    // Assembly. The cavities are first cut all at once in one checked boolean; the ladder,
    // volume by volume, takes over when that result is refused (or at once, on request).
    enum class CarvingRoad { OneCutFirst, VolumeByVolume };
    static AssemblyResult buildAssembly(const AssemblyInput& input, const ExportOptions& options,
                                        CarvingRoad road = CarvingRoad::OneCutFirst);
    // The same from the sources already collected from input; tracksMissing as collected.
    static AssemblyResult buildAssembly(const AssemblyInput& input, const QList<VolumeSource>& sources,
                                        int tracksMissing, const ExportOptions& options,
                                        CarvingRoad road = CarvingRoad::OneCutFirst);

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
    // Stores on every edge of the planar faces of shape its curve in the face's plane, which
    // OpenCASCADE otherwise works out anew at each use (the checks, the STEP writer's loop over
    // a face's edges). Changes shape's edges in place: only for shapes of the export's own.
    static void storePlanarEdgeCurves(const TopoDS_Shape& shape);
    // Faces on one surface merged (edges too); shape unchanged when the result is invalid,
    // has another number of solids or another volume (0.1 %).
    static TopoDS_Shape unifySameDomain(const TopoDS_Shape& shape, double linearTolerance);

    // Carving
    static QList<double> fuzzyLadder(double base, double feature);
    static OccUtils::BoolOpResult cutWithFuzzyLadder(const TopoDS_Shape& object, const TopoDS_Shape& tool,
                                                     const QList<double>& ladder, bool requireValid,
                                                     const OccUtils::BoolOpLabel& label,
                                                     double healTolerance);
    static TopoDS_Shape subtractOne(const TopoDS_Shape& carved, const TopoDS_Shape& tool, double baseFuzzy,
                                    double feature, bool& validated, int& straySolidsRemoved);
    // Removes the solids of shape that lie wholly inside tool (unless that would remove all);
    // removed receives their number.
    static TopoDS_Shape dropSolidsInsideTool(const TopoDS_Shape& shape, const TopoDS_Shape& tool,
                                             double tolerance, int& removed);

    // The solids of carved that the cuts split off one solid of part: for each solid of part
    // left in two or more pieces, those pieces. Solids the part came in as are not counted.
    static int piecesCutApart(const TopoDS_Shape& part, const TopoDS_Shape& carved);

    // Every tool cut out of the part in one boolean, checked: a valid result whose removed
    // volume matches the part's common with the tools, as the cut's own split gives it. Null
    // when the check fails, so that the caller carves volume by volume instead.
    struct OneCutResult
    {
        TopoDS_Shape shape;
        int straySolidsRemoved = 0;
    };
    static OneCutResult cutAllAtOnce(const TopoDS_Shape& part, const QList<TopoDS_Shape>& tools,
                                     double fuzzy, bool parallel = false);
};
