// The window's open of a project with one allocation made to fail, at points spread over all
// that the open allocates: each ends in the whole design opened, or in the memory message with
// the open design, its path and its history as they were; never in a damaged-file report.
#include "allocationfailure.h"
#include "mainwindowprobe.h"
#include "partfiles.h"
#include "projectsample.h"

#include "project/projectmanager.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QUndoCommand>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class Edit : public QUndoCommand
{
public:
    Edit() : QUndoCommand(QStringLiteral("Move R1")) {}
    void undo() override {}
    void redo() override {}
};

// The design as the file holds it. The routes' identities are left out: the window numbers the
// routes of each open anew.
QJsonObject designOf(const ProjectManager& project)
{
    QJsonObject design = ProjectSample::snapshot(project);
    design.remove(QStringLiteral("routeIds"));
    return design;
}

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

TEST(WindowOpenUnderAllocationFailure, EachPointOpensWholeOrSaysMemoryAndKeepsTheDesign)
{
    if (!AllocationFailure::available())
        GTEST_SKIP() << "the sanitizers bring an allocator of their own";
    // Only large allocations are made to fail: the room checks the open makes before each step,
    // and its big buffers. A small one deep in the toolkit's event handling (the progress
    // window paints while the open runs) ends any program, guarded or not.
    constexpr std::size_t kLarge = std::size_t(1) << 20;
    QTemporaryDir dir;
    const QString first = dir.filePath("first.vtq");
    const QString second = dir.filePath("second.vtq");
    {
        ProjectManager project;
        project.addShape(PartFiles::box(30, 20, 10));
        project.setMainShapeIndex(0);
        ASSERT_TRUE(project.saveProject(first, {}, {}, false));
        ProjectManager full;
        ProjectSample::fill(full);
        ASSERT_TRUE(full.saveProject(second, ProjectSample::placedComponents(), ProjectSample::footprints(), false));
    }

    MainWindow window;
    MainWindowProbe probe(window);
    MessageBoxAnswerer answers(QMessageBox::Yes); // to the question whether to replace the design
    const auto reopenFirst = [&] {
        ASSERT_TRUE(probe.openProjectPath(first, false));
        // A step of history, which a refused open must keep.
        probe.undoStack()->push(new Edit);
        probe.undoStack()->setClean();
    };
    reopenFirst();
    const QJsonObject before = ProjectSample::snapshot(probe.project());
    ASSERT_TRUE(probe.openProjectPath(second, false)) << answers.seen.join('\n').toStdString();
    const QJsonObject opened = designOf(probe.project());
    ASSERT_NE(opened, before);

    reopenFirst();
    AllocationFailure::arm(0, kLarge);
    probe.openProjectPath(second, false);
    const long allocations = AllocationFailure::disarm();
    ASSERT_GT(allocations, 3);

    const QtMessageHandler previous = qInstallMessageHandler(quiet);
    int whole = 0;
    int refused = 0;
    int refusedByTheWindow = 0;
    // A few more than counted: the helper thread does not allocate the same every time.
    for (long point = 1; point <= allocations + 2; ++point) {
        SCOPED_TRACE("allocation " + std::to_string(point) + " of " + std::to_string(allocations));
        if (probe.currentPath() != first)
            reopenFirst();
        answers.seen.clear();
        AllocationFailure::arm(point, kLarge);
        const bool ok = probe.openProjectPath(second, false);
        AllocationFailure::disarm();
        if (!AllocationFailure::failed())
            continue;
        for (const QString& text : std::as_const(answers.seen))
            EXPECT_FALSE(text.contains(QStringLiteral("Corrupt")) || text.contains(QStringLiteral("damaged")))
                << text.toStdString();
        if (ok) {
            ++whole;
            EXPECT_EQ(designOf(probe.project()), opened) << QJsonDocument(designOf(probe.project())).toJson().toStdString();
            EXPECT_EQ(probe.currentPath(), second);
        } else {
            ++refused;
            // Said by the window's own guard, rather than by the project's reader.
            refusedByTheWindow += answers.seen.filter(QStringLiteral("Error|❌ Not enough memory")).size();
            EXPECT_TRUE(answers.seen.filter(QStringLiteral("Not enough memory")).size() == 1)
                << answers.seen.join('\n').toStdString();
            EXPECT_EQ(ProjectSample::snapshot(probe.project()), before);
            EXPECT_EQ(probe.currentPath(), first);
            EXPECT_EQ(probe.undoStack()->count(), 1) << "the open design's history was lost";
        }
        if (HasFailure())
            break;
    }
    qInstallMessageHandler(previous);
    EXPECT_GT(refusedByTheWindow, 0) << "no failure reached the window's building of the design aside";
    std::fprintf(stderr, "%ld large allocations: %d opened whole, %d refused for memory (%d by the window)\n", allocations,
                 whole, refused, refusedByTheWindow);
}
