// A working session under a real display, driven through the window's own entries: new project,
// part, real netlist, generation, one track, save, close, reopen; then an automatic save, the
// process killed, the program started again and the recovery taken.
#include "sessionsteps.h"

#include "logcapture.h"
#include "partfiles.h"
#include "testsupport.h"

#include "app/autosaveslot.h"
#include "components/burialanalyzer.h"

#include "foundation/appsettings.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUndoCommand>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kNetlist = QStringLiteral(VTQ_TEST_DATA_DIR "/netlists/ecc83-pp.net");

QString writePart(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("plate.step"));
    return PartFiles::writeStep(path, {PartFiles::box(160, 120, 12)}) ? path : QString();
}

class Session : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        part = writePart(dir);
        ASSERT_FALSE(part.isEmpty());
        AppSettings::setFootprintDirs({TestSupport::kicadFootprintRoot()});
    }

    // The window on screen with its viewer and every object that needs it, then the design.
    void openAndBuild(MainWindow& window, MainWindowProbe& probe)
    {
        ASSERT_TRUE(SessionSteps::showWithViewer(window, probe));
        ASSERT_TRUE(window.isViewerReady());
        const QString failure = SessionSteps::buildDesign(window, probe, part, kNetlist);
        ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    }

    TestSupport::IsolatedSettings settings;
    QTemporaryDir dir;
    QString part;
};

TEST_F(Session, SavedDesignComesBackWhenReopened)
{
    const QString project = dir.filePath(QStringLiteral("session.vtq"));

    SessionSteps::Summary built;
    {
        MainWindow window;
        MainWindowProbe probe(window);
        openAndBuild(window, probe);
        if (HasFatalFailure())
            return;
        window.setSaveFileChooser([&](QWidget*, int kind, const QString& caption, const QString& filter,
                                      const QStringList& suffixes) {
            EXPECT_EQ(kind, int(AppSettings::Project));
            EXPECT_EQ(caption, QStringLiteral("Save Project"));
            EXPECT_EQ(filter, QStringLiteral("Vantorquelle Projects (*.vtq);;All Files (*)"));
            EXPECT_TRUE(suffixes.isEmpty()) << "the name is kept as typed";
            return project;
        });
        {
            SessionSteps::AutoAnswer answers;
            window.saveProjectAs();
        }
        ASSERT_TRUE(QFileInfo::exists(project));
        EXPECT_FALSE(window.isProjectModified());
        built = SessionSteps::summarize(window, probe);
        EXPECT_GT(built.placed, 0);
        EXPECT_EQ(built.routes, 1);
        EXPECT_EQ(built.title, QStringLiteral("Vantorquelle — session"));
        // The closing sequence itself; the window stays on screen so that tearing it down does
        // not draw into a hidden view (Mesa's software renderer overruns its buffer then).
        QCloseEvent event;
        probe.close(&event);
        EXPECT_TRUE(event.isAccepted()) << "a saved design closes without a question";
    }

    MainWindow window;
    MainWindowProbe probe(window);
    ASSERT_TRUE(SessionSteps::showWithViewer(window, probe));
    ASSERT_TRUE(window.isViewerReady());
    SessionSteps::AutoAnswer answers;
    ASSERT_TRUE(window.loadProjectFile(project, false));
    EXPECT_EQ(SessionSteps::summarize(window, probe).toText(), built.toText());
}

// Every object that holds viewer objects (component manager, pad index, burial analyzer,
// routing and selection controllers, ratsnest) lets go before the 3D view is released, which
// happens while its native window still exists. The burial analyzer used to hold the last
// handle, and its release after the window aborted the program inside the GL driver.
TEST_F(Session, ViewerObjectsGoBeforeTheView)
{
    FoundationLogCapture log;
    {
        MainWindow window;
        MainWindowProbe probe(window);
        openAndBuild(window, probe);
        if (HasFatalFailure())
            return;
        probe.burialButton()->click();
        ASSERT_TRUE(probe.burialAnalyzer()->isEnabled());
        probe.ratsnestButton()->click();
        EXPECT_GE(SessionSteps::routeTracks(probe, 2), 1);
        probe.modes()->requestTransition(ModeController::Mode::View);
        QCloseEvent event;
        {
            MessageBoxAnswerer discard(QMessageBox::Discard);
            probe.close(&event);
        }
        EXPECT_TRUE(event.isAccepted());
    }
    for (const QString& warning : log.warnings())
        EXPECT_FALSE(warning.contains(QStringLiteral("other holder(s) keep its viewer"))) << warning.toStdString();
}

class Nudge : public QUndoCommand
{
public:
    Nudge() : QUndoCommand(QStringLiteral("Move R1")) {}
    void undo() override {}
    void redo() override {}
};

// Ticks write only unsaved work, never mark it saved; saves remove the side files they replace.
TEST_F(Session, AutomaticSaveFollowsUnsavedWorkAndSavesRemoveIt)
{
    MainWindow window;
    MainWindowProbe probe(window);
    ASSERT_TRUE(SessionSteps::showWithViewer(window, probe));
    ASSERT_TRUE(window.isViewerReady());

    const QString project = dir.filePath(QStringLiteral("tick.vtq"));
    const QString side = MainWindow::autoSavePathFor(project);
    window.setSaveFileChooser([&](QWidget*, int, const QString&, const QString&,
                                      const QStringList&) { return project; });
    {
        SessionSteps::AutoAnswer answers;
        window.saveProjectAs();
    }
    ASSERT_TRUE(QFileInfo::exists(project));

    probe.autoSaveNow();
    EXPECT_FALSE(QFileInfo::exists(side)) << "nothing unsaved, nothing written";

    probe.undoStack()->push(new Nudge);
    probe.setComponentDragActive(true);
    probe.autoSaveNow();
    EXPECT_FALSE(QFileInfo::exists(side)) << "not while a component is being dragged";
    probe.setComponentDragActive(false);
    probe.autoSaveNow();
    ASSERT_TRUE(QFileInfo::exists(side));
    EXPECT_TRUE(probe.status().startsWith(QStringLiteral("Automatic save at ")));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Vantorquelle — tick *")) << "a tick saves nothing for the user";

    ASSERT_TRUE(QFile::remove(side));
    probe.undoStack()->undo();
    probe.autoSaveNow();
    EXPECT_FALSE(QFileInfo::exists(side)) << "undone back to the saved state";

    probe.undoStack()->redo();
    probe.autoSaveNow();
    ASSERT_TRUE(QFileInfo::exists(side));
    window.saveProject();
    EXPECT_FALSE(QFileInfo::exists(side));
    EXPECT_EQ(probe.status(), QStringLiteral("Project saved: tick.vtq"));

    // Save as: the side files of the old name and of the new one both go.
    const QString renamed = dir.filePath(QStringLiteral("renamed.vtq"));
    probe.undoStack()->push(new Nudge);
    probe.autoSaveNow();
    ASSERT_TRUE(QFileInfo::exists(side));
    ASSERT_TRUE(QFile(side).copy(MainWindow::autoSavePathFor(renamed)));
    window.setSaveFileChooser([&](QWidget*, int, const QString&, const QString&,
                                      const QStringList&) { return renamed; });
    {
        SessionSteps::AutoAnswer answers;
        window.saveProjectAs();
        ASSERT_EQ(answers.seen.size(), 1);
        EXPECT_TRUE(answers.seen.first().startsWith(QStringLiteral("Success|✓ Project saved:")));
    }
    EXPECT_FALSE(QFileInfo::exists(side));
    EXPECT_FALSE(QFileInfo::exists(MainWindow::autoSavePathFor(renamed)));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Vantorquelle — renamed"));
}

// No side file can be held beside the project (a read-only folder, a full disk): opening says so,
// and so does every automatic save that cannot be made, as a failed write does.
TEST_F(Session, AutomaticSaveThatCannotBeMadeIsSaid)
{
    MainWindow window;
    MainWindowProbe probe(window);
    ASSERT_TRUE(SessionSteps::showWithViewer(window, probe));
    const QString project = dir.filePath(QStringLiteral("locked.vtq"));
    ASSERT_TRUE(probe.saveProjectTo(project));
    QStringList sides;
    for (int index = 1; index <= AutoSaveSlot::kMaxSlots; ++index)
        sides << AutoSaveSlot::sideFilePath(project, index);
    ASSERT_TRUE(blockLockFiles(sides));
    const QString folder = QDir::toNativeSeparators(QFileInfo(dir.path()).canonicalFilePath());
    {
        SessionSteps::AutoAnswer answers;
        ASSERT_TRUE(window.loadProjectFile(project, false));
        ASSERT_FALSE(answers.seen.isEmpty());
        EXPECT_TRUE(answers.seen.last().contains(
            QStringLiteral("⚠ No automatic save for this project: no lock file can be written in its folder %1 "
                           "(read-only, or full).")
                .arg(folder)))
            << answers.seen.last().toStdString();
    }
    probe.undoStack()->push(new Nudge);
    probe.autoSaveNow();
    EXPECT_EQ(probe.status(),
              QStringLiteral("Automatic save impossible: nothing can be written in %1 — save manually (Ctrl+S)").arg(folder));
}

QString writeVariant(const QTemporaryDir& dir, const QString& name,
                     const std::function<void(QString&)>& edit)
{
    QFile source(kNetlist);
    if (!source.open(QIODevice::ReadOnly))
        return QString();
    QString text = QString::fromUtf8(source.readAll());
    edit(text);
    const QString path = dir.filePath(name);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return QString();
    out.write(text.toUtf8());
    return path;
}

// Same netlist, values only, a component gone: nothing, installed and said, confirmed and applied.
TEST_F(Session, UpdateFromNetlistAppliesWhatChanged)
{
    MainWindow window;
    MainWindowProbe probe(window);
    openAndBuild(window, probe);
    if (HasFatalFailure())
        return;
    const int placed = int(probe.componentManager()->components().size());

    const QString values = writeVariant(dir, QStringLiteral("values.net"), [](QString& text) {
        text.replace(QStringLiteral("(value \"47K\")"), QStringLiteral("(value \"56K\")"));
    });
    const QString minusR4 = writeVariant(dir, QStringLiteral("minus-r4.net"), [](QString& text) {
        const int start = text.indexOf(QStringLiteral("    (comp (ref \"R4\")"));
        const int end = text.indexOf(QStringLiteral("    (comp (ref \"U1\")"));
        text.remove(start, end - start);
    });
    ASSERT_FALSE(values.isEmpty());
    ASSERT_FALSE(minusR4.isEmpty());
    QString next;
    window.setOpenFileChooser([&](QWidget*, int, const QString&, const QString&, const QString&) { return next; });

    {
        next = kNetlist;
        SessionSteps::AutoAnswer answers;
        window.updateFromNetlist();
        EXPECT_EQ(answers.seen, QStringList{QStringLiteral(
                                    "Update from netlist|This netlist matches the board exactly: nothing to update.")});
    }
    {
        next = values;
        SessionSteps::AutoAnswer answers;
        window.updateFromNetlist();
        ASSERT_EQ(answers.seen.size(), 1);
        EXPECT_TRUE(answers.seen.first().startsWith(
            QStringLiteral("Update from netlist|“values.net” changes no placed component and no routed track")));
        EXPECT_TRUE(answers.seen.first().contains(QStringLiteral("• 1 component value(s) changed:\n    R4\n")));
        EXPECT_EQ(probe.project().netlist().components.value(QStringLiteral("R4")).value, QStringLiteral("56K"));
    }
    {
        next = minusR4;
        SessionSteps::AutoAnswer answers;
        window.updateFromNetlist();
        ASSERT_GE(answers.seen.size(), 2);
        EXPECT_TRUE(answers.seen.first().startsWith(QStringLiteral(
            "Update from netlist|Applying “minus-r4.net”:\n\n• 1 component(s) to remove:\n    R4\n")))
            << answers.seen.first().toStdString();
        EXPECT_TRUE(answers.seen.last().startsWith(QStringLiteral(
            "Update from netlist|✓ Update applied:\n\n• 0 component(s) added\n• 1 component(s) removed\n")))
            << answers.seen.last().toStdString();
    }
    EXPECT_EQ(int(probe.componentManager()->components().size()), placed - 1);
    EXPECT_EQ(probe.componentManager()->findComponent(QStringLiteral("R4")), nullptr);
    EXPECT_FALSE(probe.project().netlist().components.contains(QStringLiteral("R4")));
    EXPECT_EQ(probe.project().routingManager().routes().size(), 1) << "tracks are never changed";
    EXPECT_EQ(probe.undoStack()->count(), 0);
    EXPECT_TRUE(window.windowTitle().endsWith(QStringLiteral(" *")));
    EXPECT_EQ(probe.status(), QStringLiteral("Netlist update applied"));
}

struct DriverRun
{
    int exitCode = -1;
    QStringList lines;
    QString value(const QString& tag) const
    {
        for (const QString& line : lines) {
            if (line.startsWith(tag + QLatin1Char(' ')))
                return line.mid(tag.size() + 1);
        }
        return QString();
    }
};

QProcessEnvironment isolatedEnvironment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

TEST_F(Session, KilledProgramOffersItsAutomaticSaveOnTheNextStart)
{
    const QTemporaryDir& home = dir;
    const QString driver = QCoreApplication::applicationDirPath() + QStringLiteral("/vtq_sessiondriver");

    QProcess first;
    first.setProcessEnvironment(isolatedEnvironment(home.path()));
    first.start(driver, {QStringLiteral("build"), part, kNetlist, TestSupport::kicadFootprintRoot()});
    ASSERT_TRUE(first.waitForStarted(-1));
    DriverRun built;
    while (built.value(QStringLiteral("AUTOSAVED")).isEmpty() && first.state() == QProcess::Running) {
        first.waitForReadyRead(1000);
        while (first.canReadLine())
            built.lines << QString::fromUtf8(first.readLine()).trimmed();
    }
    const QString side = built.value(QStringLiteral("AUTOSAVED"));
    ASSERT_FALSE(side.isEmpty()) << built.lines.join('\n').toStdString();
    ASSERT_TRUE(QFileInfo::exists(side)) << built.lines.join('\n').toStdString();
    first.kill();
    ASSERT_TRUE(first.waitForFinished(-1));

    QProcess second;
    second.setProcessEnvironment(isolatedEnvironment(home.path()));
    second.start(driver, {QStringLiteral("recover")});
    ASSERT_TRUE(second.waitForFinished(-1));
    DriverRun recovered;
    recovered.lines = QString::fromUtf8(second.readAllStandardOutput()).split(QLatin1Char('\n'));
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().right(4000).toStdString();
    EXPECT_TRUE(recovered.value(QStringLiteral("BOX")).startsWith(
        QStringLiteral("Recover automatic save|A project that had never been saved")))
        << recovered.lines.join('\n').toStdString();
    EXPECT_EQ(recovered.value(QStringLiteral("SUMMARY")), built.value(QStringLiteral("SUMMARY")));
}

// The real program, as a user runs it, through a whole session ended by File › Quit with the
// design discarded. Its viewer objects must all go while the view still exists (it aborted in
// the GL driver at exit), and a discarded design leaves no side file and no lock behind. Under
// the sanitizers any report of theirs shows in the exit status.
TEST_F(Session, RealProgramEndsCleanlyAfterAWholeSession)
{
    const QString home = dir.filePath(QStringLiteral("home"));
    const QString out = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(home) && QDir().mkpath(out));
    QProcessEnvironment env = isolatedEnvironment(home);
    env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(VTQ_SESSION_PLUGINS));
    env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("vtqsession"));
    env.insert(QStringLiteral("VTQ_SESSION_PART"), part);
    env.insert(QStringLiteral("VTQ_SESSION_NETLIST"), kNetlist);
    env.insert(QStringLiteral("VTQ_SESSION_FOOTPRINTS"), TestSupport::kicadFootprintRoot());
    env.insert(QStringLiteral("VTQ_SESSION_OUT"), out);
    env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    env.insert(QStringLiteral("LANGUAGE"), QStringLiteral("C"));

    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(VTQ_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted(-1));
    ASSERT_TRUE(program.waitForFinished(-1));
    const QString output = QString::fromUtf8(program.readAllStandardOutput());
    const QString errors = QString::fromUtf8(program.readAllStandardError());
    const std::string log = (output + errors.right(8000)).toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << log;
    EXPECT_EQ(program.exitCode(), 0) << log;
    EXPECT_TRUE(output.contains(QStringLiteral("SESSION DONE"))) << log;
    for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error:", "keep its viewer"})
        EXPECT_FALSE(errors.contains(QLatin1String(report))) << log;

    QString side;
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("SESSION autosaved ")))
            side = line.mid(18);
    }
    ASSERT_FALSE(side.isEmpty()) << log;
    EXPECT_FALSE(QFileInfo::exists(side)) << "the discarded design's side file";
    EXPECT_FALSE(QFileInfo::exists(side + QStringLiteral(".lock"))) << "and its lock";
}

} // namespace
