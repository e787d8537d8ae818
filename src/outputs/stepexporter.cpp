// STEP export: the assembly carved, then written as independent named shapes through an XCAF
// document, all of it beside the calling thread.
#include "outputs/stepexporter.h"

#include "foundation/fileutils.h"
#include "foundation/jobs.h"
#include "foundation/logging.h"
#include "foundation/outofmemory.h"
#include "outputs/assemblycache.h"
#include "outputs/exportbeside.h"
#include "outputs/stepscratch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>

#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>
#include <STEPCAFControl_Controller.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_StepModelType.hxx>
#include <STEPControl_Writer.hxx>
#include <StepData_StepModel.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>

namespace {

const QString kBanner(40, QLatin1Char('='));

// The carving's share of an export's bar, the translation's and the write's, as they took on
// designs of real size.
constexpr double kCarvingShare = 64.0;
constexpr double kTransferShare = 15.0;
constexpr double kWriteShare = 21.0;

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
}

QString groupStepName(const QString& groupName)
{
    QString name = QStringLiteral("Cond_%1").arg(groupName);
    name.replace(QLatin1Char(' '), QLatin1Char('_'));
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return name;
}

// The reports of work left to end alone on Cancel, which owns all it reads (a progress range of
// the caller's would outlive its scope): the work reports on an indicator of its own, whose
// position the thread that waits carries onto its own range at each of its reports.
struct Followed
{
    std::atomic<double> position{0.0};
};

class WorkIndicator : public Message_ProgressIndicator
{
public:
    WorkIndicator(const Jobs::Stop& stop, std::shared_ptr<Followed> followed)
        : m_stop(stop), m_followed(std::move(followed))
    {
    }

protected:
    Standard_Boolean UserBreak() override { return m_stop.requested(); }
    void Show(const Message_ProgressScope&, const Standard_Boolean) override { m_followed->position = GetPosition(); }

private:
    Jobs::Stop m_stop;
    std::shared_ptr<Followed> m_followed;
};

class Follower : public Message_ProgressIndicator
{
public:
    Follower(const Message_ProgressRange& range, const char* stage, std::shared_ptr<Followed> followed)
        : m_scope(range, stage, 1.0), m_followed(std::move(followed))
    {
    }

protected:
    Standard_Boolean UserBreak() override { return m_scope.UserBreak(); }
    void Show(const Message_ProgressScope&, const Standard_Boolean) override
    {
        // Between the work's reports (OpenCASCADE's writer makes none while it writes) the bar
        // creeps toward the stage's end, so that it is seen to be at work.
        const double reported = m_followed->position.load();
        const double target = std::min(0.999, std::max(reported, m_shown + 0.02 * (0.9 - m_shown)));
        if (target > m_shown) {
            m_scope.Next(target - m_shown);
            m_shown = target;
        } else {
            m_scope.Show();
        }
    }

private:
    Message_ProgressScope m_scope;
    std::shared_ptr<Followed> m_followed;
    double m_shown = 0.0;
};

// Runs work on a thread of its own that is left to end alone on Cancel, its reports followed on
// range as the named stage. Throws std::bad_alloc when the work ran out of memory.
bool runFollowed(const Message_ProgressRange& range, const char* stage, const char* context,
                 const std::function<bool(const Message_ProgressRange&)>& work)
{
    const auto followed = std::make_shared<Followed>();
    const opencascade::handle<Follower> follower = new Follower(range, stage, followed);
    Message_ProgressScope following(follower->Start(), nullptr, 1.0);
    Jobs::Job<bool> job(context, Jobs::Reads::Owned, [followed, work](const Jobs::Stop& stop) {
        const opencascade::handle<WorkIndicator> indicator = new WorkIndicator(stop, followed);
        return work(indicator->Start()) && !stop.requested();
    });
    const Jobs::Result<bool> result = job.wait(following);
    if (result.outcome == Jobs::Outcome::OutOfMemory)
        throw std::bad_alloc();
    return result.done() && *result.value;
}

// The document and the writer of one file, freed under the translators' lock wherever the last
// one holding them lets them go: freeing a big model takes as long as a good part of its write.
struct Translation
{
    opencascade::handle<XCAFApp_Application> app = XCAFApp_Application::GetApplication();
    opencascade::handle<TDocStd_Document> doc;
    std::unique_ptr<STEPCAFControl_Writer> writer;

    ~Translation()
    {
        const std::lock_guard<std::mutex> alone(OccUtils::stepTranslation());
        writer.reset();
        if (!doc.IsNull() && doc->IsOpened())
            app->Close(doc);
    }
};

// A STEP file written in a folder of its own beside nothing the user owns, to replace the user's
// file in one atomic step: a failure or a break until then leaves the previous export in place.
struct StepDraft
{
    std::unique_ptr<QTemporaryDir> scratch;
    std::unique_ptr<QLockFile> lock;
    QString path;
};

std::shared_ptr<StepDraft> writeDraft(const QString& path, const TopoDS_Shape& part,
                                      const QList<ConductorGroup>& groups, QString* errorDetail,
                                      const Message_ProgressRange& progress)
{
    if (part.IsNull()) {
        qWarning() << "writeStepFile: main part is null";
        return nullptr;
    }
    Message_ProgressScope scope(progress, nullptr, kTransferShare + kWriteShare);
    StepScratch::removeAbandoned(QDir::tempPath());
    auto draft = std::make_shared<StepDraft>();
    draft->scratch = std::make_unique<QTemporaryDir>(
        QDir(QDir::tempPath()).filePath(StepScratch::folderPrefix() + QStringLiteral("XXXXXX")));
    QTemporaryDir& scratch = *draft->scratch;
    draft->lock = std::make_unique<QLockFile>(scratch.isValid() ? scratch.filePath(StepScratch::lockName()) : QString());
    if (!scratch.isValid() || !draft->lock->tryLock(0)) {
        const QString reason = scratch.isValid()
                                   ? trStep(QT_TRANSLATE_NOOP("StepExporter", "The temporary folder cannot be locked."))
                                   : scratch.errorString();
        if (errorDetail)
            *errorDetail = reason;
        qWarning() << "writeStepFile: no scratch folder:" << reason;
        return nullptr;
    }
    draft->path = scratch.filePath(QFileInfo(path).fileName().isEmpty() ? QStringLiteral("export.step")
                                                                         : QFileInfo(path).fileName());

    // OpenCASCADE 7.6's writer reports the translation only in part and the write not at all
    // (seconds each on a big design): each runs on a thread of its own, left to end alone on
    // Cancel, owning the document, the writer and the folder (which go when the last of them
    // ends). The translation reads the part and the groups, which nothing changes after.
    const auto translation = std::make_shared<Translation>();
    const bool transferred = runFollowed(
        scope.Next(kTransferShare), StepExporter::kTransferStage, "writeStepFile: transfer",
        [translation, part, groups](const Message_ProgressRange& range) {
            const std::lock_guard<std::mutex> alone(OccUtils::stepTranslation());
            applyStepWriteParameters();
            translation->writer = std::make_unique<STEPCAFControl_Writer>();
            translation->app->NewDocument("MDTV-XCAF", translation->doc);
            const opencascade::handle<XCAFDoc_ShapeTool> tool =
                XCAFDoc_DocumentTool::ShapeTool(translation->doc->Main());
            addNamedShape(tool, part, QStringLiteral("Vantorquelle_Piece"));
            for (const ConductorGroup& group : groups)
                if (!group.shape.IsNull())
                    addNamedShape(tool, group.shape, groupStepName(group.name));
            if (!translation->writer->Transfer(translation->doc, STEPControl_AsIs, nullptr, range)) {
                qWarning() << "writeStepFile: XCAF Transfer failed";
                return false;
            }
            return true;
        });
    // OpenCASCADE's translators turn a failed allocation into a failed translation: a shortage
    // that lasts is told as one.
    if (!transferred && !scope.UserBreak())
        OutOfMemory::ensureHeadroom();
    if (!transferred || !scope.More())
        return nullptr;
    const QString target = draft->path;
    const bool written = runFollowed(
        scope.Next(kWriteShare), StepExporter::kWriteStage, "writeStepFile: write",
        [translation, draft, target](const Message_ProgressRange&) {
            const std::lock_guard<std::mutex> alone(OccUtils::stepTranslation());
            const IFSelect_ReturnStatus status = translation->writer->Write(target.toUtf8().constData());
            if (status != IFSelect_RetDone) {
                qWarning() << "writeStepFile: Write failed (status" << int(status) << ")";
                return false;
            }
            return true;
        });
    // The model and the document go on a thread of their own.
    Jobs::release(translation);
    if (!written && !scope.UserBreak())
        OutOfMemory::ensureHeadroom();
    if (!written || !scope.More())
        return nullptr;
    return draft;
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

// The export itself, on the thread that runs it beside the caller's.
StepExportSummary exportHere(const QString& path, const AssemblyInput& input, const ExportOptions& options,
                             AssemblyCache* cache, const Message_ProgressRange& progress)
{
    StepExportSummary summary;
    Message_ProgressScope scope(progress, nullptr, 100.0);
    Message_ProgressScope carving(scope.Next(kCarvingShare), StepExporter::kCarvingStage, 1.0);
    const AssemblyResult result = cache ? cache->assembly(input, options, carving.Next())
                                        : StepExporter::buildAssembly(input, options, carving.Next());
    if (result.cancelled || !scope.More()) {
        summary.cancelled = true;
        return summary;
    }
    if (result.part.IsNull()) {
        summary.error = trStep(QT_TRANSLATE_NOOP("StepExporter", "Failed to prepare the assembly."));
        return summary;
    }
    copyAssemblyCounts(result, summary);
    // The translation needs room of its own: a shortage shows here rather than inside it.
    OutOfMemory::ensureHeadroom();
    QString detail;
    const std::shared_ptr<StepDraft> draft =
        writeDraft(path, result.part, result.conductors, &detail, scope.Next(kTransferShare + kWriteShare));
    if (scope.UserBreak()) {
        // The translation or the write may still read the carved part: it is no one else's now.
        if (cache)
            cache->clear();
        qCDebug(lcExport) << "STEP EXPORT — cancelled, nothing written";
        summary = StepExportSummary();
        summary.cancelled = true;
        return summary;
    }
    summary.success = draft && commitDraft(*draft, path, &detail);
    if (!summary.success) {
        summary.error = trStep(QT_TRANSLATE_NOOP("StepExporter", "Failed to write the STEP file."));
        if (!detail.isEmpty())
            summary.error += QLatin1Char('\n') + detail;
    }
    qCDebug(lcExport).noquote() << "\n" + kBanner;
    qCDebug(lcExport) << "STEP EXPORT —" << (summary.success ? "SUCCESS" : "FAILED") << "— cavities"
                      << summary.cavitiesOk << ", not cut" << summary.cavitiesFailed << ", conductor"
                      << summary.conductorGroups << "group(s)";
    return summary;
}

} // namespace

bool StepExporter::writeStepFile(const QString& path, const TopoDS_Shape& part, const QList<ConductorGroup>& groups,
                                 QString* errorDetail, const Message_ProgressRange& progress)
{
    const std::shared_ptr<StepDraft> draft = writeDraft(path, part, groups, errorDetail, progress);
    return draft && commitDraft(*draft, path, errorDetail);
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
    const ExportBeside::Ended ended = ExportBeside::run(progress, "exportStep", [&](const Message_ProgressRange& work) {
        summary = exportHere(path, input, options, cache, work);
    });
    if (ended == ExportBeside::Ended::OutOfMemory) {
        if (cache)
            cache->clear();
        summary = StepExportSummary();
        summary.error = trStep(QT_TRANSLATE_NOOP(
            "StepExporter", "Not enough memory to export this design. The previous file is left as it was."));
        return summary;
    }
    if (ended == ExportBeside::Ended::Cancelled && !summary.success) {
        summary = StepExportSummary();
        summary.cancelled = true;
    }
    return summary;
}
