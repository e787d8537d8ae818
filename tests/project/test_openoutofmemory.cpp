// Opening a project with one allocation made to fail, at every allocation that opening makes:
// each point ends in the whole open or in the memory message with the open design untouched,
// never in the end of the program nor in a report of a damaged file.
#include "allocationfailure.h"
#include "projectsample.h"

#include "foundation/jobs.h"
#include "foundation/occutils.h"
#include "project/projectmanager.h"

#include <BRepPrimAPI_MakeBox.hxx>
#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>

#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>

#include <unistd.h>

using namespace ProjectSample;

namespace {

// A progress that is active, so that the read runs on a helper thread as the window's open does.
class Reports : public Message_ProgressIndicator
{
protected:
    void Show(const Message_ProgressScope&, const Standard_Boolean) override {}
};

std::atomic<long> g_point{0};

// The point at which the program ended, since the failing test cannot say it.
[[noreturn]] void tellPointAndAbort()
{
    char text[96];
    const int length = std::snprintf(text, sizeof text, "terminate with allocation %ld made to fail\n", g_point.load());
    if (length > 0)
        (void)!::write(STDERR_FILENO, text, std::size_t(length));
    std::abort();
}

struct Opened
{
    bool ok = false;
    QString error;
    QJsonObject model;
    QList<QJsonObject> placed;
    QList<FootprintData> footprints;
    QStringList notes;
};

// The design open before: one part, nothing else.
void fillOpenDesign(ProjectManager& project)
{
    project.addShape(BRepPrimAPI_MakeBox(7, 8, 9).Shape());
    project.setMainShapeIndex(0);
}

// Opens path over the open design as the window does: the read on a helper thread that
// reports, then the model as it stands.
Opened openOver(const QString& path, long failAt, const QJsonObject& openBefore, bool& untouched)
{
    ProjectManager project;
    fillOpenDesign(project);
    Opened result;
    opencascade::handle<Reports> reports = new Reports;
    {
        const Message_ProgressRange range = reports->Start();
        const std::function<bool(const Jobs::Stop&)> job = [&](const Jobs::Stop&) {
            return project.loadProject(path, result.placed, result.footprints, Message_ProgressRange());
        };
        AllocationFailure::arm(failAt);
        result.ok = Jobs::succeeded(range, "openProject", Jobs::Reads::Shared, job, true);
        AllocationFailure::disarm();
    }
    result.error = project.lastError();
    result.model = snapshot(project);
    result.notes = project.loadNotes();
    untouched = result.model == openBefore;
    return result;
}

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

TEST(OpenUnderAllocationFailure, EveryPointEndsInTheWholeOpenOrTheMemoryMessage)
{
    if (!AllocationFailure::available())
        GTEST_SKIP() << "the sanitizers bring an allocator of their own";
    QTemporaryDir dir;
    ProjectManager source;
    fill(source);
    const QString file = dir.filePath("design.vtq");
    ASSERT_TRUE(source.saveProject(file, placedComponents(), footprints(), false));

    ProjectManager before;
    fillOpenDesign(before);
    const QJsonObject openBefore = snapshot(before);
    bool untouched = false;
    const Opened reference = openOver(file, 0, openBefore, untouched);
    ASSERT_TRUE(reference.ok) << qPrintable(reference.error);
    const long points = [&] {
        AllocationFailure::arm(0);
        bool ignored = false;
        openOver(file, 0, openBefore, ignored);
        return AllocationFailure::disarm();
    }();
    ASSERT_GT(points, 100);

    const QtMessageHandler previous = qInstallMessageHandler(quiet);
    const std::terminate_handler previousTerminate = std::set_terminate(tellPointAndAbort);
    int opened = 0;
    int refused = 0;
    long spared = 0;
    // A few more than counted: the helper thread and OpenCASCADE's pool do not allocate the same
    // number every time.
    for (long point = 1; point <= points + points / 10; ++point) {
        g_point = point;
        const Opened attempt = openOver(file, point, openBefore, untouched);
        spared += AllocationFailure::sparedInWhatCannotFail();
        if (!AllocationFailure::failed())
            continue;
        // The points up to the one that failed in its place would fail there too.
        point = std::max(point, AllocationFailure::failedAt());
        if (attempt.ok) {
            ++opened;
            EXPECT_TRUE(attempt.model == reference.model) << "allocation " << point << "\n"
                                                          << QJsonDocument(attempt.model).toJson().constData();
            EXPECT_EQ(attempt.placed, reference.placed) << "allocation " << point;
            EXPECT_EQ(attempt.footprints.size(), reference.footprints.size()) << "allocation " << point;
            EXPECT_EQ(attempt.notes.join('\n').toStdString(), reference.notes.join('\n').toStdString())
                << "allocation " << point;
        } else {
            ++refused;
            EXPECT_EQ(attempt.error.toStdString(), "Not enough memory to open this project.") << "allocation " << point;
            EXPECT_TRUE(untouched) << "allocation " << point;
        }
        if (HasFailure())
            break;
    }
    std::set_terminate(previousTerminate);
    qInstallMessageHandler(previous);
    EXPECT_GT(refused, 0) << "no failure reached the open";
    std::fprintf(stderr, "%ld allocations: %d opened whole, %d refused for memory, %ld moved out of Qt's parts that cannot fail\n",
                 points, opened, refused, spared);
}
