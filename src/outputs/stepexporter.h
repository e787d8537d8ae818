// The carved part and its conductor groups: collection of the volumes, carving with the
// fuzzy-value ladder, grouping, and the STEP assembly writer. Stateless; never throws.
// User texts are translated in the context "StepExporter".
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
    QStringList cavitiesNotCut; // the volume of each failed cut: "REF/pad", "REF" (body) or a net
    int componentsOutside = 0;
    int cavitiesUnvalidated = 0;
    int cavitiesUnchecked = 0; // named as failed: the check after the cut could not be made
    int groupsNotFused = 0;
    int straySolidsRemoved = 0;
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
    // Names of the export's stages, for whatever shows its progress; the file write itself is
    // named OccUtils::kUnbreakableWork.
    static constexpr char kCarvingStage[] = "STEP carving";
    static constexpr char kTransferStage[] = "STEP transfer";

    // Export. With a cache, an unchanged design reuses the assembly carved last time. A break
    // asked through progress stops it with the file at path left as it was.
    static StepExportSummary exportStep(const QString& path, const AssemblyInput& input,
                                        const ExportOptions& options, AssemblyCache* cache = nullptr,
                                        const Message_ProgressRange& progress = Message_ProgressRange());
    // Writes the part and the groups as named top-level shapes; the file at path is replaced
    // whole or left as it was (also on a break asked through progress). errorDetail, when
    // given, receives the system's reason. The writer's own file goes to a folder of the
    // temporary location that a later write removes if its writer died before it could.
    static bool writeStepFile(const QString& path, const TopoDS_Shape& part,
                              const QList<ConductorGroup>& groups, QString* errorDetail = nullptr,
                              const Message_ProgressRange& progress = Message_ProgressRange());

    // Assembly. The cavities are first cut all at once in one checked boolean; the ladder,
    // volume by volume, takes over when that result is refused (or at once, on request). On
    // every road each cavity is then checked, and what still holds material is cut again.
    // OneCutRecutAlone: as OneCutFirst, what still holds material after it is cut again alone
    // without first being cut again together, finer (for tests of that road).
    enum class CarvingRoad { OneCutFirst, VolumeByVolume, OneCutRecutAlone };
    // A break asked through progress gives a result marked cancelled.
    static AssemblyResult buildAssembly(const AssemblyInput& input, const ExportOptions& options,
                                        CarvingRoad road = CarvingRoad::OneCutFirst,
                                        const Message_ProgressRange& progress = Message_ProgressRange(),
                                        const AssemblyAlongside& alongside = AssemblyAlongside());
    // The same from the sources already collected from input; tracksMissing as collected.
    static AssemblyResult buildAssembly(const AssemblyInput& input, const QList<VolumeSource>& sources,
                                        int tracksMissing, const ExportOptions& options,
                                        CarvingRoad road = CarvingRoad::OneCutFirst,
                                        const Message_ProgressRange& progress = Message_ProgressRange(),
                                        const AssemblyAlongside& alongside = AssemblyAlongside());

    // An export's assembly and its output: the assembly of input (kept by cache, when given),
    // make(assembly, progress) making the output from it beside the check of its cavities when
    // it is carved anew, on outputShare. make runs again on the final assembly when the one it
    // was given is no more (the check sent cavities back to be cut), or when it failed then, on
    // what is left of outputShare or else on againShare. made tells whether the last make
    // succeeded for the assembly returned.
    using MakeOutput = std::function<bool(const AssemblyResult& assembly, const Message_ProgressRange& progress)>;
    static AssemblyResult assembleAndMake(const AssemblyInput& input, const ExportOptions& options,
                                          AssemblyCache* cache, const Message_ProgressRange& carving,
                                          const Message_ProgressRange& outputShare,
                                          const Message_ProgressRange& againShare, const MakeOutput& make, bool& made);

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
    // A deep copy of part, checked: valid tells whether the checker accepts it. Copied and
    // checked solid by solid, reporting after each; null when broken off through progress.
    static TopoDS_Shape copyPart(const TopoDS_Shape& part, bool& valid,
                                 const Message_ProgressRange& progress = Message_ProgressRange());
    static double volumeOf(const TopoDS_Shape& shape);
    static QList<TopoDS_Shape> solidsOf(const TopoDS_Shape& shape);
    static TopoDS_Shape compoundOf(const QList<TopoDS_Shape>& shapes);
    // The pad solid fused with a copy of itself moved down by extension mm, its split sides
    // merged; the solid unchanged when that fails.
    static TopoDS_Shape extendPrismaticDown(const TopoDS_Shape& padSolid, double extension);
    // The same for a pad that is a prism along Z (planar caps, upright sides), without a
    // boolean: its bottom face swept down joined to the pad along that face's edges, checked
    // against the pad's volume plus the bottom's area times extension. Null for any other
    // solid, or when the check fails.
    static TopoDS_Shape extrudedDown(const TopoDS_Shape& padSolid, double extension);
    // Stores on every edge of the planar faces of shape its curve in the face's plane, which
    // OpenCASCADE otherwise works out anew at each use (the checks, the STEP writer's loop over
    // a face's edges). Changes shape's edges in place: only for shapes of the export's own.
    static void storePlanarEdgeCurves(const TopoDS_Shape& shape);
    // Faces on one surface merged (edges too); shape unchanged when the result is invalid,
    // has another number of solids or another volume (0.1 %).
    static TopoDS_Shape unifySameDomain(const TopoDS_Shape& shape, double linearTolerance);

    // Carving
    static QList<double> fuzzyLadder(double base, double feature);
    // removedVolume, when given, receives the volume the kept rung's cut took from object. A
    // break asked through progress stops the ladder with no result.
    static OccUtils::BoolOpResult cutWithFuzzyLadder(const TopoDS_Shape& object, const TopoDS_Shape& tool,
                                                     const QList<double>& ladder, bool requireValid,
                                                     const OccUtils::BoolOpLabel& label,
                                                     double healTolerance, double* removedVolume = nullptr,
                                                     const Message_ProgressRange& progress = Message_ProgressRange());
    // The solids of carved left by the cut of tool (loose faces of the cut left out); an empty
    // compound when tool swallows every solid of carved; null when no cut came back.
    // removedVolume, when given, receives the volume taken from carved.
    static TopoDS_Shape subtractOne(const TopoDS_Shape& carved, const TopoDS_Shape& tool, double baseFuzzy,
                                    double feature, bool& validated, int& straySolidsRemoved,
                                    double* removedVolume = nullptr,
                                    const Message_ProgressRange& progress = Message_ProgressRange());
    // Removes the solids of shape that lie wholly inside tool (unless that would remove all);
    // removed receives their number.
    static TopoDS_Shape dropSolidsInsideTool(const TopoDS_Shape& shape, const TopoDS_Shape& tool,
                                             double tolerance, int& removed);

    // Counts what the carving of volumes did: the cavities that removed material and the cuts
    // that failed; and, by PartPresence's rule on the part as it came (the print plan's), the
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

    // Every tool cut out of the part in one boolean, checked: a valid result whose removed
    // volume matches the part's common with the tools, as the cut's own split gives it. Tools
    // that meet one another go into booleans of their own, one after another, none splitting
    // tools by one another. Null
    // when the check fails (or the cut was broken off through progress), so that the caller
    // carves volume by volume instead. With mayGo, a part the tools swallow whole (one solid of
    // a part of several) comes back as an empty compound instead.
    struct OneCutResult
    {
        TopoDS_Shape shape;
        int straySolidsRemoved = 0;
        // Per tool, what it took that no tool before it in the list took: what cutting them one
        // after another in that order would remove.
        QList<double> removedVolumes;
    };
    // The tools that still share material with carved after their cuts, found apart from any
    // boolean's record of its split: a boolean of each solid of carved with the tools near it
    // (tools that overlap in booleans apart), without a fuzzy value; a piece of both thicker
    // than a skin of the cut's fuzzy value holds material. A tool whose boolean cannot be made
    // counts as holding. Empty when broken off. When the check cannot be made at all, every tool
    // is listed and made, when given, turns false. A tool touching an edge of carved looser than
    // looseAbove (by default twice the fuzzy value), or a vertex looser than twice that, is
    // weighed again against carved written to STEP and read back, whose reader rebuilds those
    // tolerances: no boolean sees what lies within them. refuses, when given, stands
    // for a boolean that cannot be made (the screen that clears copies without one included): it is
    // asked with the tools each boolean weighs, before the boolean reads as made.
    using BooleanRefusal = std::function<bool(const QList<int>& tools)>;
    static QList<int> toolsHoldingMaterial(const TopoDS_Shape& carved, const QList<TopoDS_Shape>& tools,
                                           double fuzzy, const Message_ProgressRange& progress = Message_ProgressRange(),
                                           bool* made = nullptr, double looseAbove = -1.0,
                                           const BooleanRefusal& refuses = BooleanRefusal());
    // Whether a one cut's carved part is valid: OccUtils::isValidShape, or a stand-in put in its
    // place for tests (an empty one puts it back).
    using CarvedValidity = std::function<bool(const TopoDS_Shape& carved)>;
    static bool carvedPartValid(const TopoDS_Shape& carved);
    static void setCarvedValidity(CarvedValidity check);
    // Without checkValidity the carved part's validity check is left to the caller.
    static OneCutResult cutAllAtOnce(const TopoDS_Shape& part, const QList<TopoDS_Shape>& tools,
                                     double fuzzy, bool parallel = false,
                                     const Message_ProgressRange& progress = Message_ProgressRange(),
                                     bool mayGo = false, bool checkValidity = true);
};
