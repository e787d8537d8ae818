#include "outputs/threemfexporter.h"

#include "foundation/fileutils.h"
#include "foundation/outofmemory.h"
#include "foundation/logging.h"
#include "outputs/assemblycache.h"
#include "outputs/exportbeside.h"
#include "outputs/exportoptions.h"
#include "outputs/printplan.h"
#include "outputs/printplangenerator.h"
#include "outputs/stepexporter.h"
#include "outputs/zipwriter.h"

#include <Message_ProgressScope.hxx>
#include <QDebug>

#include <algorithm>
#include <limits>

namespace {

const QByteArray kDeclaration = QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
const QByteArray kRelationshipsOpen = QByteArrayLiteral(
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">");
const QByteArray kMustPreserve =
    QByteArrayLiteral("http://schemas.openxmlformats.org/package/2006/relationships/mustpreserve");

QByteArray contentTypes()
{
    QByteArray out = kDeclaration;
    out += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">";
    const char* const types[][2] = {
        {"rels", "application/vnd.openxmlformats-package.relationships+xml"},
        {"model", "application/vnd.ms-package.3dmanufacturing-3dmodel+xml"},
        {"txt", "text/plain"},
        {"csv", "text/csv"},
        {"config", "text/xml"},
        {"xml", "application/xml"},
    };
    for (const auto& type : types)
        out += QByteArray("<Default Extension=\"") + type[0] + "\" ContentType=\"" + type[1] + "\"/>";
    out += "</Types>";
    return out;
}

QByteArray rootRelationships()
{
    return kDeclaration + kRelationshipsOpen
           + "<Relationship Id=\"rel0\" Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\""
             " Target=\"/3D/3dmodel.model\"/></Relationships>";
}

QByteArray modelRelationships(const QList<PackageFile>& files)
{
    QByteArray out = kDeclaration + kRelationshipsOpen;
    int id = 0;
    for (const PackageFile& file : files)
        out += "<Relationship Id=\"rel" + QByteArray::number(++id) + "\" Type=\"" + kMustPreserve + "\" Target=\""
               + file.path.toUtf8() + "\"/>";
    out += "</Relationships>";
    return out;
}

std::int32_t clampedCount(qsizetype count)
{
    return std::int32_t(std::min<qsizetype>(count, std::numeric_limits<std::int32_t>::max()));
}

// 0 for a mesh without vertices.
double lowestZ(const ThreeMfMesh& mesh)
{
    if (mesh.vertices.isEmpty())
        return 0.0;
    return std::min_element(mesh.vertices.cbegin(), mesh.vertices.cend(),
                            [](const MeshVertex& a, const MeshVertex& b) { return a.z < b.z; })
        ->z;
}

// Puts the plan's part bottom (or, without a plan, the lowest vertex) at Z = 0, where the
// slicer starts counting the layers the pauses refer to.
void shiftToPlate(ThreeMfMesh& mesh, const PrintPlan& plan)
{
    const double shift = plan.ok ? plan.zMin : lowestZ(mesh);
    if (shift == 0.0)
        return;
    for (MeshVertex& v : mesh.vertices)
        v.z -= shift;
}

} // namespace

bool ThreeMfExporter::makePackage(const AssemblyResult& assembly, const PrintPlan& givenPlan,
                                  const ExportOptions& options, ThreeMfExportSummary& made, QByteArray& archive,
                                  const Message_ProgressRange& range)
{
    Message_ProgressScope steps(range, nullptr, 30.0);
    const PrintPlan plan = PrintPlanGenerator::withoutComponents(givenPlan, assembly.bodiesNotCut);
    MeshCheckCounts counts;
    ThreeMfMesh model;
    const ShellMesh partMesh = triangulate(assembly.part, options.linearDeflection, options.angularDeflection,
                                           assembly.smallestFeature, &counts, steps.Next(15.0));
    if (!steps.More()) {
        made.cancelled = true;
        return false;
    }
    if (partMesh.isEmpty()) {
        made.error = tr("Meshing of the main part failed.");
        return false;
    }
    appendPart(model, QStringLiteral("Vantorquelle_Piece"), false, partMesh);

    Message_ProgressScope conductors(steps.Next(10.0), nullptr,
                                     double(std::max<qsizetype>(assembly.conductors.size(), 1)));
    for (const ConductorGroup& group : assembly.conductors) {
        if (!conductors.More()) {
            made.cancelled = true;
            return false;
        }
        const ShellMesh mesh = triangulate(group.shape, options.linearDeflection, options.angularDeflection,
                                           assembly.smallestFeature, &counts, conductors.Next());
        if (mesh.isEmpty()) {
            ++made.droppedConductors;
            qWarning() << "ThreeMfExporter: empty mesh for" << group.name << "— skipped";
            continue;
        }
        appendPart(model, QStringLiteral("Cond_%1").arg(group.name), true, mesh);
    }

    made.partCount = clampedCount(model.parts.size());
    made.triangleCount = clampedCount(model.triangles.size());
    made.unmeshedFaces = counts.unmeshedFaces;
    made.openShells = counts.openShells;
    made.flippedShells = counts.flippedShells;
    made.nonManifoldEdges = counts.nonManifoldEdges;

    shiftToPlate(model, plan);
    // The slicer sets the model's lowest point on the plate: a conductor below the part's
    // bottom raises the part, and the pauses with it.
    const double slicerOffset = -lowestZ(model);
    const QByteArray modelXml = writeModelXml(model);

    QList<PackageFile> metadata;
    if (options.embedPlanTxt)
        metadata.append({QStringLiteral("/Metadata/Vantorquelle_PrintPlan.txt"),
                         PrintPlanGenerator::toText(plan).toUtf8()});
    if (options.embedPlanCsv)
        metadata.append({QStringLiteral("/Metadata/Vantorquelle_PrintPlan.csv"),
                         PrintPlanGenerator::toCsv(plan).toUtf8()});
    if (options.slicerConfigMode == 1) {
        metadata.append({QStringLiteral("/Metadata/Slic3r_PE_model.config"),
                         writeSlicerConfig(model.parts, options.conductorPerimeters)});
        if (options.nativePauses && plan.ok && !plan.pauses.isEmpty()) {
            // A pause the slicer would drop leaves a component out of its cavity while the
            // layers above close it: refuse rather than write such a file.
            if (!pauseHeightsWritable(plan, slicerOffset)) {
                made.error = tr("The print plan's pauses cannot be written for the slicer: with a layer height "
                                "of %1 mm their heights do not follow one another within the part.")
                                 .arg(plan.layerHeight);
                return false;
            }
            metadata.append({QStringLiteral("/Metadata/Prusa_Slicer_custom_gcode_per_print_z.xml"),
                             writeCustomGcodeXml(plan, slicerOffset)});
            made.nativePauseCount = clampedCount(plan.pauses.size());
        }
    }

    ZipWriter zip;
    zip.addFile(QStringLiteral("[Content_Types].xml"), contentTypes());
    zip.addFile(QStringLiteral("_rels/.rels"), rootRelationships());
    zip.addFile(QStringLiteral("3D/3dmodel.model"), modelXml);
    if (!metadata.isEmpty()) {
        zip.addFile(QStringLiteral("3D/_rels/3dmodel.model.rels"), modelRelationships(metadata));
        for (const PackageFile& file : std::as_const(metadata))
            zip.addFile(file.path.mid(1), file.data);
    }
    archive = zip.finish();
    if (!zip.errorString().isEmpty()) {
        made.error = tr("Unable to write the 3MF file: %1").arg(zip.errorString());
        return false;
    }
    steps.Next(5.0);
    if (!steps.More()) {
        made.cancelled = true;
        return false;
    }
    return true;
}

ThreeMfExportSummary ThreeMfExporter::exportHere(const QString& path, const AssemblyInput& input,
                                                const PrintPlan& givenPlan, const ExportOptions& options,
                                                AssemblyCache* cache, const Message_ProgressRange& progress)
{
    ThreeMfExportSummary summary;
    const auto cancelled = [&summary] {
        qCDebug(lcExport) << "3MF EXPORT — cancelled, nothing written";
        summary = ThreeMfExportSummary();
        summary.cancelled = true;
        return summary;
    };
    // Shares of the whole, as they took on designs of real size: the carving, then the package
    // (meshing most of it); the last report comes right before the user's file is replaced.
    Message_ProgressScope scope(progress, nullptr, 100.0);
    Message_ProgressScope carving(scope.Next(70.0), StepExporter::kCarvingStage, 1.0);
    const AssemblyResult assembly = cache ? cache->assembly(input, options, carving.Next())
                                          : StepExporter::buildAssembly(input, options, carving.Next());
    if (assembly.cancelled || !scope.More())
        return cancelled();
    if (assembly.part.IsNull()) {
        summary.error = tr("Failed to prepare the assembly.");
        return summary;
    }
    if (cache)
        cache->prepareMeshing(options.linearDeflection, options.angularDeflection);
    // The meshers need room of their own: a shortage shows here rather than inside them.
    OutOfMemory::ensureHeadroom();
    QByteArray archive;
    Message_ProgressScope packaging(scope.Next(30.0), kPackageStage, 1.0);
    const bool packaged = makePackage(assembly, givenPlan, options, summary, archive, packaging.Next());
    if (summary.cancelled || !scope.More())
        return cancelled();
    // A mesher turns a failed allocation into a face it could not mesh: a shortage that lasts is
    // told as one.
    if (!packaged || summary.unmeshedFaces > 0 || summary.droppedConductors > 0)
        OutOfMemory::ensureHeadroom();
    copyAssemblyCounts(assembly, summary);
    if (!packaged)
        return summary;

    const FileWriteResult written = FileUtils::writeFileAtomically(path, archive);
    if (!written.ok()) {
        const QString reason = FileUtils::describeWriteResult(written);
        summary.error = written.status == FileWriteResult::OpenFailed
                            ? tr("Unable to create the 3MF file: %1").arg(reason)
                            : tr("Unable to write the 3MF file: %1").arg(reason);
        return summary;
    }
    summary.ok = true;
    qCDebug(lcExport) << "3MF EXPORT — SUCCESS:" << summary.partCount << "part(s)," << summary.triangleCount
                      << "triangle(s)," << summary.groupsNotFused << "unfused group(s)," << summary.unmeshedFaces
                      << "unmeshed face(s)," << summary.openShells << "open shell(s)," << summary.flippedShells
                      << "flipped shell(s)," << summary.nonManifoldEdges << "non-manifold edge(s),"
                      << summary.droppedConductors << "dropped conductor(s)";
    return summary;
}

ThreeMfExportSummary ThreeMfExporter::exportThreeMf(const QString& path, const AssemblyInput& input,
                                                   const PrintPlan& givenPlan, const ExportOptions& options,
                                                   AssemblyCache* cache, const Message_ProgressRange& progress) const
{
    ThreeMfExportSummary summary;
    qCDebug(lcExport) << "\n3MF EXPORT — destination:" << path;
    if (input.mainPart.IsNull()) {
        summary.error = tr("No main shape loaded.");
        return summary;
    }
    const ExportBeside::Ended ended = ExportBeside::run(progress, "exportThreeMf", [&](const Message_ProgressRange& work) {
        summary = exportHere(path, input, givenPlan, options, cache, work);
    });
    if (ended == ExportBeside::Ended::OutOfMemory) {
        if (cache)
            cache->clear();
        summary = ThreeMfExportSummary();
        summary.error = tr("Not enough memory to export this design. The previous file is left as it was.");
        return summary;
    }
    if (ended == ExportBeside::Ended::Cancelled && !summary.ok) {
        summary = ThreeMfExportSummary();
        summary.cancelled = true;
    }
    return summary;
}
