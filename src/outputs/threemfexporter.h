// The slicer-ready 3MF package: the carved part and its conductor groups as one mesh object
// whose triangle ranges are the slicer's volumes, the slicer's volume configuration, one
// pause per insertion height and the embedded print plan, in a stored ZIP written atomically.
#pragma once

#include "outputs/threemfmesh.h"

#include <Message_ProgressRange.hxx>
#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>

#include <cstdint>

class AssemblyCache;
struct AssemblyInput;
struct AssemblyResult;
struct ExportOptions;
struct PrintPlan;
struct PrintPlanPause;

struct ThreeMfExportSummary
{
    bool ok = false; // the file was written
    std::int32_t partCount = 0;
    std::int32_t triangleCount = 0;
    std::int32_t cavitiesOk = 0;
    std::int32_t cavitiesFailed = 0;
    QStringList cavitiesNotCut; // the volume of each failed cut: "REF/pad", "REF" (body) or a net
    std::int32_t componentsOutside = 0;
    std::int32_t conductorGroups = 0;
    std::int32_t nativePauseCount = 0;
    std::int32_t cavitiesUnchecked = 0; // named as failed: the check after the cut could not be made
    std::int32_t groupsNotFused = 0;
    std::int32_t tracksMissing = 0;
    QStringList tracksOutside; // the net of each track outside the part
    std::int32_t unmeshedFaces = 0;
    std::int32_t droppedConductors = 0;
    std::int32_t openShells = 0;
    std::int32_t flippedShells = 0;
    std::int32_t nonManifoldEdges = 0;
    std::int32_t partSolids = 0;
    bool partOpen = false; // the part holds faces and no solid
    bool partInvalid = false; // the carved part fails the validity check
    std::int32_t piecesCutApart = 0;
    bool cancelled = false; // stopped by the user: no file written, error empty
    QString error;
};

// One package file besides the fixed entries; path with a leading "/".
struct PackageFile
{
    QString path;
    QByteArray data;
};

class ThreeMfExporter
{
    Q_DECLARE_TR_FUNCTIONS(ThreeMfExporter)

public:
    // The name of the package's stage (meshing most of it), for whatever shows the progress; the
    // carving before it is StepExporter::kCarvingStage.
    static constexpr char kPackageStage[] = "3MF package";

    // With a cache, an unchanged design reuses the assembly carved last time. The work runs
    // beside the calling thread, which reports on progress meanwhile; a break asked through it
    // stops the export within its current step, and the file at path is left as it was, as it
    // is when memory runs short (the error says so).
    ThreeMfExportSummary exportThreeMf(const QString& path, const AssemblyInput& input, const PrintPlan& plan,
                                       const ExportOptions& options, AssemblyCache* cache = nullptr,
                                       const Message_ProgressRange& progress = Message_ProgressRange()) const;

    // --- Meshing ---

    // Welded, checked meshes of every solid of the shape, then of the faces in no solid.
    // featureSize <= 1e-7 means none given. counts may be null. Empty after a break asked
    // through progress.
    static ShellMesh triangulate(const TopoDS_Shape& shape, double linearDeflection, double angularDeflection,
                                 double featureSize, MeshCheckCounts* counts,
                                 const Message_ProgressRange& progress = Message_ProgressRange());
    // Meshes one face list, its faces sharing the nodes of their common edges, welds and
    // checks it, and appends it to result. A face without usable triangles is meshed from its
    // edges (discretized with the deflections where no meshed face did); one that cannot be is
    // added to unmeshedFaces when the shell stays open along its edges.
    static void meshShell(const QList<TopoDS_Face>& faces, double weldTolerance, MeshCheckCounts* counts,
                          ShellMesh& result, int& unmeshedFaces, double linearDeflection = 0.05,
                          double angularDeflection = 0.5);
    static void weldAndCheckShell(ShellMesh& mesh, double weldTolerance, MeshCheckCounts* counts);
    // Appends the mesh as the model's next volume; an empty mesh appends nothing.
    static void appendPart(ThreeMfMesh& model, const QString& name, bool conductor, const ShellMesh& mesh);

    // --- Documents (UTF-8) ---

    static QByteArray writeModelXml(const ThreeMfMesh& mesh);
    static QByteArray writeSlicerConfig(const QList<MeshPart>& parts, int conductorPerimeters);
    // slicerOffset (mm): how far the slicer raises the part's bottom above the plate, which
    // it does when something of the model (a conductor) lies lower than the part.
    static QByteArray writeCustomGcodeXml(const PrintPlan& plan, double slicerOffset = 0.0);
    // The height the slicer pauses at: the top of the layer after the last one that leaves
    // the pause's cavities open (the plan's layer when the part sits on the plate), because
    // the slicer stops before the layer whose top is that height. Never above the part; NaN
    // for an unusable layer height.
    static double slicerPauseHeight(const PrintPlan& plan, const PrintPlanPause& pause, double slicerOffset = 0.0);
    // Whether every pause height, as written (0.001 mm), lies above the previous one and
    // within the part: the slicer drops entries out of order.
    static bool pauseHeightsWritable(const PrintPlan& plan, double slicerOffset = 0.0);
    // The printer's display text for one pause, at most 40 ASCII characters.
    static QString pauseMessage(const PrintPlanPause& pause);
    // Printable ASCII for the printer's display: accents dropped, ";" as ",", anything else "?".
    static QString toAsciiLabel(const QString& text);

private:
    // The export, on the thread that runs it beside the caller's.
    static ThreeMfExportSummary exportHere(const QString& path, const AssemblyInput& input, const PrintPlan& plan,
                                           const ExportOptions& options, AssemblyCache* cache,
                                           const Message_ProgressRange& progress);
    // The package of an assembly, into made (its mesh counts, or its error) and archive; false
    // when it cannot be made or is broken off.
    static bool makePackage(const AssemblyResult& assembly, const PrintPlan& givenPlan, const ExportOptions& options,
                            ThreeMfExportSummary& made, QByteArray& archive, const Message_ProgressRange& range);
};
