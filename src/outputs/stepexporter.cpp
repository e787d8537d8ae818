// STEP export: the assembly written as independent named shapes through an XCAF document.
#include "outputs/stepexporter.h"

#include "foundation/fileutils.h"
#include "foundation/jobs.h"
#include "foundation/logging.h"
#include "outputs/assemblycache.h"
#include "outputs/stepscratch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>

#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <Message_ProgressScope.hxx>
#include <STEPCAFControl_Controller.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_StepModelType.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <memory>

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

namespace {

// A STEP file written in a folder of its own beside nothing the user owns, to replace the user's
// file in one atomic step: a failure or a break until then leaves the previous export in place.
struct StepDraft
{
    std::unique_ptr<QTemporaryDir> scratch;
    std::unique_ptr<QLockFile> lock;
    QString path;
};

bool writeDraft(StepDraft& draft, const QString& path, const TopoDS_Shape& part, const QList<ConductorGroup>& groups,
                QString* errorDetail, const Message_ProgressRange& progress)
{
    if (part.IsNull()) {
        qWarning() << "writeStepFile: main part is null";
        return false;
    }
    StepScratch::removeAbandoned(QDir::tempPath());
    draft.scratch = std::make_unique<QTemporaryDir>(
        QDir(QDir::tempPath()).filePath(StepScratch::folderPrefix() + QStringLiteral("XXXXXX")));
    QTemporaryDir& scratch = *draft.scratch;
    draft.lock = std::make_unique<QLockFile>(scratch.isValid() ? scratch.filePath(StepScratch::lockName()) : QString());
    if (!scratch.isValid() || !draft.lock->tryLock(0)) {
        const QString reason = scratch.isValid()
                                   ? trStep(QT_TRANSLATE_NOOP("StepExporter", "The temporary folder cannot be locked."))
                                   : scratch.errorString();
        if (errorDetail)
            *errorDetail = reason;
        qWarning() << "writeStepFile: no scratch folder:" << reason;
        return false;
    }
    // The transfer, the write, and the release of what they built before the user's file is
    // replaced: a Cancel pressed until then leaves it as it was.
    Message_ProgressScope scope(progress, nullptr, 10.0);
    const QString scratchPath = scratch.filePath(QFileInfo(path).fileName().isEmpty()
                                                     ? QStringLiteral("export.step")
                                                     : QFileInfo(path).fileName());

    // OpenCASCADE 7.6's writer reports the transfer only in part and the write not at all
    // (seconds each on a big design): they run on a helper thread while this one reports, and
    // the window keeps painting. The document and the writer are this export's own, but the
    // document stores the very shapes the view shows: the long operation's window holds every
    // command and input that could mesh, heal or edit them until the write ends.
    const opencascade::handle<XCAFApp_Application> app = XCAFApp_Application::GetApplication();
    opencascade::handle<TDocStd_Document> doc;
    std::unique_ptr<STEPCAFControl_Writer> writer;
    // The model and the document hold every entity of the file: freeing them takes as long as
    // a good part of the write, and hears no break either, but needs no notice. The
    // application keeps every document it made until it is closed.
    const auto release = [&](const Message_ProgressRange& range) {
        Jobs::succeeded(range, "writeStepFile: release", Jobs::Reads::Shared, [&](const Jobs::Stop&) {
            const std::lock_guard<std::mutex> alone(OccUtils::stepTranslation());
            writer.reset();
            if (!doc.IsNull() && doc->IsOpened())
                app->Close(doc);
            doc.Nullify();
            return true;
        }, true);
    };
    // The transfer hears a break at its reports.
    Message_ProgressScope transferring(scope.Next(8.0), StepExporter::kTransferStage, 2.0);
    const Message_ProgressRange transfer = transferring.Next(1.0);
    const bool transferred = Jobs::succeeded(transferring.Next(1.0), "writeStepFile: transfer", Jobs::Reads::Shared, [&](const Jobs::Stop&) {
        // The writer's settings are the translators' own: set under the same lock.
        const std::lock_guard<std::mutex> alone(OccUtils::stepTranslation());
        applyStepWriteParameters();
        writer = std::make_unique<STEPCAFControl_Writer>();
        app->NewDocument("MDTV-XCAF", doc);
        const opencascade::handle<XCAFDoc_ShapeTool> tool = XCAFDoc_DocumentTool::ShapeTool(doc->Main());
        addNamedShape(tool, part, QStringLiteral("Vantorquelle_Piece"));
        for (const ConductorGroup& group : groups) {
            if (!group.shape.IsNull())
                addNamedShape(tool, group.shape, groupStepName(group.name));
        }
        if (!writer->Transfer(doc, STEPControl_AsIs, nullptr, transfer)) {
            qWarning() << "writeStepFile: XCAF Transfer failed";
            return false;
        }
        return true;
    }, true);
    if (!transferred || !transferring.More()) {
        release(scope.Next(2.0));
        return false;
    }
    // The write itself hears no break: a Cancel pressed while it runs waits for its end, and
    // the window says so. Only the write is marked so.
    const QByteArray target = scratchPath.toUtf8();
    Message_ProgressScope writing(scope.Next(1.0), OccUtils::kUnbreakableWork, 1.0);
    const bool written = Jobs::succeeded(writing.Next(), "writeStepFile: write", Jobs::Reads::Shared, [&](const Jobs::Stop&) {
        const std::lock_guard<std::mutex> alone(OccUtils::stepTranslation());
        const IFSelect_ReturnStatus status = writer->Write(target.constData());
        if (status != IFSelect_RetDone) {
            qWarning() << "writeStepFile: Write failed (status" << int(status) << ")";
            return false;
        }
        return true;
    }, true);
    release(scope.Next(1.0));
    if (!written || !scope.More())
        return false;

    draft.path = scratchPath;
    return true;
}

bool commitDraft(const StepDraft& draft, const QString& path, QString* errorDetail)
{
    QFile produced(draft.path);
    if (!produced.open(QIODevice::ReadOnly)) {
        if (errorDetail)
            *errorDetail = produced.errorString();
        qWarning() << "writeStepFile: cannot read back" << draft.path << produced.errorString();
        return false;
    }
    // By blocks: a big design's file is not held in memory whole.
    const FileWriteResult result = FileUtils::writeFileAtomically(path, produced);
    if (!result.ok()) {
        if (errorDetail)
            *errorDetail = FileUtils::describeWriteResult(result);
        qWarning() << "writeStepFile: Write failed:" << FileUtils::describeWriteResult(result);
        return false;
    }
    qCDebug(lcExport) << "  ✓ STEP file written:" << path;
    return true;
}

} // namespace

bool StepExporter::writeStepFile(const QString& path, const TopoDS_Shape& part, const QList<ConductorGroup>& groups,
                                 QString* errorDetail, const Message_ProgressRange& progress)
{
    StepDraft draft;
    return writeDraft(draft, path, part, groups, errorDetail, progress) && commitDraft(draft, path, errorDetail);
}

AssemblyResult StepExporter::assembleAndMake(const AssemblyInput& input, const ExportOptions& options,
                                             AssemblyCache* cache, const Message_ProgressRange& carving,
                                             const Message_ProgressRange& outputShare,
                                             const Message_ProgressRange& againShare, const MakeOutput& make, bool& made)
{
    made = false;
    const AssemblyAlongside beside = [&](const AssemblyResult& provisional) { made = make(provisional, outputShare); };
    const AssemblyResult result = cache ? cache->assembly(input, options, carving, beside)
                                        : buildAssembly(input, options, CarvingRoad::OneCutFirst, carving, beside);
    if (result.cancelled || result.part.IsNull() || (result.madeAlongside && made))
        return result;
    made = make(result, outputShare.IsActive() ? outputShare : againShare);
    return result;
}

StepExportSummary StepExporter::exportStep(const QString& path, const AssemblyInput& input,
                                           const ExportOptions& options, AssemblyCache* cache,
                                           const Message_ProgressRange& progress)
{
    StepExportSummary summary;
    qCDebug(lcExport) << "\nSTEP EXPORT — destination:" << path;
    if (input.mainPart.IsNull()) {
        summary.error = trStep(QT_TRANSLATE_NOOP("StepExporter", "No main shape loaded."));
        return summary;
    }
    Message_ProgressScope scope(progress, nullptr, 100.0);
    // The write takes about a third of an export of real size.
    Message_ProgressScope carving(scope.Next(65.0), kCarvingStage, 1.0);
    // The file is written while the cavities' check runs, on the write's own share: it stands
    // when the check finds them cut. A part cut again is written again, on a sliver of the bar
    // that still hears Cancel.
    const Message_ProgressRange writeShare = scope.Next(34.9);
    const Message_ProgressRange againShare = scope.Next(0.1);
    QString detail;
    StepDraft draft;
    bool drafted = false;
    const AssemblyResult result = assembleAndMake(
        input, options, cache, carving.Next(), writeShare, againShare,
        [&](const AssemblyResult& assembly, const Message_ProgressRange& range) {
            // The file of a part the check sent back to be cut again goes first.
            draft.lock.reset();
            draft.scratch.reset();
            detail.clear();
            return writeDraft(draft, path, assembly.part, assembly.conductors, &detail, range);
        },
        drafted);
    if (result.cancelled) {
        summary.cancelled = true;
        return summary;
    }
    if (result.part.IsNull()) {
        summary.error = trStep(QT_TRANSLATE_NOOP("StepExporter", "Failed to prepare the assembly."));
        return summary;
    }
    copyAssemblyCounts(result, summary);

    summary.success = drafted && scope.More() && commitDraft(draft, path, &detail);
    if (!summary.success && scope.UserBreak()) {
        qCDebug(lcExport) << "STEP EXPORT — cancelled, nothing written";
        summary.cancelled = true;
        return summary;
    }
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
    if (summary.cavitiesUnchecked > 0)
        qCDebug(lcExport) << "  Not known to be cut (check not made):" << summary.cavitiesUnchecked;
    qCDebug(lcExport) << "  Stray solids removed:" << summary.straySolidsRemoved;
    qCDebug(lcExport) << "  Part solids:" << summary.partSolids;
    qCDebug(lcExport) << "  Conductor:" << summary.conductorGroups << "groups";
    qCDebug(lcExport).noquote() << kBanner + "\n";
    return summary;
}
