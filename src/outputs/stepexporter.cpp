// STEP export: the assembly written as independent named shapes through an XCAF document.
#include "outputs/stepexporter.h"

#include "foundation/fileutils.h"
#include "foundation/logging.h"
#include "foundation/scopeguard.h"
#include "outputs/assemblycache.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <STEPCAFControl_Controller.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_StepModelType.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

namespace {

const QString kBanner(40, QLatin1Char('='));

QString trStep(const char* text)
{
    return QCoreApplication::translate("StepExporter", text);
}

// Millimetres, AP214, assembly mode. OpenCASCADE 7.6 ignores these until the STEP controller
// is initialised, and refuses the schema name "AP214": its AP214 is "AP214IS".
void applyStepWriteParameters()
{
    STEPCAFControl_Controller::Init();
    Interface_Static::SetCVal("write.step.unit", "MM");
    if (!Interface_Static::SetCVal("write.step.schema", "AP214"))
        Interface_Static::SetCVal("write.step.schema", "AP214IS");
    Interface_Static::SetIVal("write.step.assembly", 1);
}

void addNamedShape(const opencascade::handle<XCAFDoc_ShapeTool>& tool, const TopoDS_Shape& shape,
                   const QString& name)
{
    const TDF_Label label = tool->NewShape();
    tool->SetShape(label, shape);
    TDataStd_Name::Set(label, TCollection_ExtendedString(name.toUtf8().constData(), true));
    qCDebug(lcExport).noquote() << "  ✓ '" + name + "' added";
}

QString groupStepName(const QString& groupName)
{
    QString name = QStringLiteral("Cond_%1").arg(groupName);
    name.replace(QLatin1Char(' '), QLatin1Char('_'));
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return name;
}

} // namespace

bool StepExporter::writeStepFile(const QString& path, const TopoDS_Shape& part, const QList<ConductorGroup>& groups,
                                 QString* errorDetail)
{
    if (part.IsNull()) {
        qWarning() << "writeStepFile: main part is null";
        return false;
    }
    // The writer fills a file of its own beside nothing the user owns; the user's file is then
    // replaced in one atomic step, so a failure leaves the previous export in place.
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        if (errorDetail)
            *errorDetail = scratch.errorString();
        qWarning() << "writeStepFile: no scratch folder:" << scratch.errorString();
        return false;
    }
    const QString scratchPath = scratch.filePath(QFileInfo(path).fileName().isEmpty()
                                                     ? QStringLiteral("export.step")
                                                     : QFileInfo(path).fileName());

    const bool written = OccUtils::guardedCall(false, "writeStepFile", [&] {
        const opencascade::handle<XCAFApp_Application> app = XCAFApp_Application::GetApplication();
        opencascade::handle<TDocStd_Document> doc;
        app->NewDocument("MDTV-XCAF", doc);
        // The application keeps every document it made until it is closed.
        ScopeGuard closeDocument([&app, &doc] {
            if (!doc.IsNull() && doc->IsOpened())
                app->Close(doc);
        });
        const opencascade::handle<XCAFDoc_ShapeTool> tool = XCAFDoc_DocumentTool::ShapeTool(doc->Main());

        addNamedShape(tool, part, QStringLiteral("Vantorquelle_Piece"));
        for (const ConductorGroup& group : groups) {
            if (!group.shape.IsNull())
                addNamedShape(tool, group.shape, groupStepName(group.name));
        }

        applyStepWriteParameters();
        STEPCAFControl_Writer writer;
        if (!writer.Transfer(doc, STEPControl_AsIs)) {
            qWarning() << "writeStepFile: XCAF Transfer failed";
            return false;
        }
        const IFSelect_ReturnStatus status = writer.Write(scratchPath.toUtf8().constData());
        if (status != IFSelect_RetDone) {
            qWarning() << "writeStepFile: Write failed (status" << int(status) << ")";
            return false;
        }
        return true;
    });
    if (!written)
        return false;

    QFile produced(scratchPath);
    if (!produced.open(QIODevice::ReadOnly)) {
        if (errorDetail)
            *errorDetail = produced.errorString();
        qWarning() << "writeStepFile: cannot read back" << scratchPath << produced.errorString();
        return false;
    }
    const FileWriteResult result = FileUtils::writeFileAtomically(path, produced.readAll());
    if (!result.ok()) {
        if (errorDetail)
            *errorDetail = FileUtils::describeWriteResult(result);
        qWarning() << "writeStepFile: Write failed:" << FileUtils::describeWriteResult(result);
        return false;
    }
    qCDebug(lcExport) << "  ✓ STEP file written:" << path;
    return true;
}

StepExportSummary StepExporter::exportStep(const QString& path, const AssemblyInput& input,
                                           const ExportOptions& options, AssemblyCache* cache)
{
    StepExportSummary summary;
    qCDebug(lcExport) << "\nSTEP EXPORT — destination:" << path;
    if (input.mainPart.IsNull()) {
        summary.error = trStep(QT_TRANSLATE_NOOP("StepExporter", "No main shape loaded."));
        return summary;
    }
    const AssemblyResult result = cache ? cache->assembly(input, options) : buildAssembly(input, options);
    if (result.part.IsNull()) {
        summary.error = trStep(QT_TRANSLATE_NOOP("StepExporter", "Failed to prepare the assembly."));
        return summary;
    }
    copyAssemblyCounts(result, summary);

    qCDebug(lcExport) << "\n--- STEP writing ---";
    QString detail;
    summary.success = writeStepFile(path, result.part, result.conductors, &detail);
    if (!summary.success) {
        summary.error = trStep(QT_TRANSLATE_NOOP("StepExporter", "Failed to write the STEP file."));
        if (!detail.isEmpty())
            summary.error += QLatin1Char('\n') + detail;
    }

    qCDebug(lcExport).noquote() << "\n" + kBanner;
    qCDebug(lcExport) << "STEP EXPORT —" << (summary.success ? "SUCCESS" : "FAILED");
    qCDebug(lcExport) << "  Cavities  :" << summary.cavitiesOk;
    qCDebug(lcExport) << "  Failed    :" << summary.cavitiesFailed;
    qCDebug(lcExport) << "  Unvalidated:" << summary.cavitiesUnvalidated;
    qCDebug(lcExport) << "  Stray solids removed:" << summary.straySolidsRemoved;
    qCDebug(lcExport) << "  Part solids:" << summary.partSolids;
    qCDebug(lcExport) << "  Conductor:" << summary.conductorGroups << "groups";
    qCDebug(lcExport).noquote() << kBanner + "\n";
    return summary;
}
