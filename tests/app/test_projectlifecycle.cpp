// The project as a whole in the window, without a 3D viewer: opening (good, damaged and
// recovered files), new project, the closing prompt, the automatic-save side files and their
// settings, netlist import, language, help and About.
#include "mainwindowprobe.h"
#include "partfiles.h"

#include "app/autosavesettingsdialog.h"
#include "app/autosaveslot.h"
#include "app/progresswindow.h"
#include "foundation/appsettings.h"
#include "model/footprintdata.h"
#include "model/routerecords.h"
#include "model/savedcomponent.h"
#include "project/netlistupdate.h"
#include "childprocess.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLockFile>
#include <QMenu>
#include <QSpinBox>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoCommand>
#include <QUrl>

#include <gtest/gtest.h>

#include <Standard_Version.hxx>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// Answers the boxes in turn with the listed buttons, then with their default button.
class ScriptedAnswers : public MessageBoxAnswerer
{
public:
    explicit ScriptedAnswers(QList<QMessageBox::StandardButton> answers = {})
        : MessageBoxAnswerer(std::move(answers))
    {
    }
};

class Edit : public QUndoCommand
{
public:
    Edit() : QUndoCommand(QStringLiteral("Move R1")) {}
    void undo() override {}
    void redo() override {}
};

Netlist sampleNetlist(int components)
{
    Netlist netlist;
    for (int i = 1; i <= components; ++i) {
        NetlistComponent c;
        c.ref = QStringLiteral("R%1").arg(i);
        c.value = QStringLiteral("10k");
        c.footprint = QStringLiteral("Resistor_THT:R_Axial_DIN0207_L6.3mm_D2.5mm_P7.62mm_Horizontal");
        netlist.components.insert(c.ref, c);
    }
    netlist.connections.append({QStringLiteral("GND"), {PadId(QStringLiteral("R1"), QStringLiteral("1"))}});
    return netlist;
}

Route sampleRoute(const QString& net)
{
    Route route;
    route.netName = net;
    route.startRef = QStringLiteral("R1");
    route.startPad = QStringLiteral("1");
    route.endRef = QStringLiteral("R2");
    route.endPad = QStringLiteral("2");
    route.isComplete = true;
    RouteSegment segment;
    segment.start = gp_Pnt(0, 0, 5);
    segment.end = gp_Pnt(10, 0, 5);
    route.segments.append(segment);
    return route;
}

// A project file written by the project model: one box part, a netlist and the given routes.
bool writeProject(const QString& path, double boxLength, int components, int routes)
{
    ProjectManager project;
    project.addShape(PartFiles::box(boxLength, 20, 10));
    project.setMainShapeIndex(0);
    project.setNetlist(sampleNetlist(components));
    for (int i = 0; i < routes; ++i)
        project.routingManager().addRoute(sampleRoute(QStringLiteral("GND")));
    return project.saveProject(path, {}, {}, false);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool setModified(const QString& path, const QDateTime& time)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(time, QFileDevice::FileModificationTime);
}

class ProjectLifecycle : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
    }

    void TearDown() override
    {
        // A stack destroyed unclean signals a window already half destroyed; leave it clean.
        probe->undoStack()->clear();
    }

    QString file(const QString& name) const { return m_dir.filePath(name); }

    // The program quit without saving, then started again.
    void quitDiscarding()
    {
        ScriptedAnswers answers({QMessageBox::Discard});
        QCloseEvent event;
        probe->close(&event);
        EXPECT_TRUE(event.isAccepted());
    }
    void restartWindow()
    {
        probe->undoStack()->clear();
        probe.reset();
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
    }

    // A design in the window: a part, a netlist of three, one track, one undoable edit, a path.
    void buildCurrentDesign()
    {
        const QString step = file(QStringLiteral("current.step"));
        ASSERT_TRUE(PartFiles::writeStep(step, {PartFiles::box(40, 20, 10)}));
        ASSERT_TRUE(window->importStepFile(step));
        probe->project().setNetlist(sampleNetlist(3));
        probe->project().routingManager().addRoute(sampleRoute(QStringLiteral("GND")));
        probe->undoStack()->push(new Edit);
        window->setCurrentProjectPath(file(QStringLiteral("current.vtq")));
    }

    struct DesignState
    {
        int shapes, components, routes, undoCount;
        QString path, title;
        bool modified;
        bool operator==(const DesignState& o) const
        {
            return shapes == o.shapes && components == o.components && routes == o.routes
                && undoCount == o.undoCount && path == o.path && title == o.title && modified == o.modified;
        }
    };

    DesignState state() const
    {
        return {int(probe->project().shapes().size()), int(probe->project().netlist().components.size()),
                int(probe->project().routingManager().routes().size()), probe->undoStack()->count(),
                probe->currentPath(), window->windowTitle(), window->isProjectModified()};
    }

    TestSupport::IsolatedSettings m_settings;
    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
};

struct DamagedFile
{
    const char* name;
    QByteArray content; // written as the project file; null: a folder stands in its place
    const char* reason;  // start of the reason shown after the window's message
};

void PrintTo(const DamagedFile& f, std::ostream* os) { *os << f.name; }

class DamagedProject : public ProjectLifecycle, public ::testing::WithParamInterface<DamagedFile>
{
};

// A file that cannot be loaded leaves the design, its path and its history exactly as they were.
TEST_P(DamagedProject, FailedOpenKeepsTheDesignAndItsHistory)
{
    const DamagedFile& bad = GetParam();
    buildCurrentDesign();
    const QString path = file(QStringLiteral("damaged.vtq"));
    if (bad.content.isNull())
        ASSERT_TRUE(QDir().mkpath(path));
    else
        ASSERT_TRUE(writeFile(path, bad.content));
    const DesignState before = state();
    ASSERT_TRUE(before.modified);

    ScriptedAnswers answers({QMessageBox::Yes});
    EXPECT_FALSE(probe->openProjectPath(path, false));
    ASSERT_EQ(answers.seen.size(), 2) << answers.seen.join('\n').toStdString();
    EXPECT_TRUE(answers.seen.at(0).startsWith(QStringLiteral("Open a project|")));
    const QString expected = QStringLiteral("Error|❌ Project load failed:\n\n") + QString::fromUtf8(bad.reason);
    EXPECT_TRUE(answers.seen.at(1).startsWith(expected)) << answers.seen.at(1).toStdString();
    EXPECT_TRUE(answers.seen.at(1).endsWith(QStringLiteral("The current design has been kept.")));
    EXPECT_TRUE(state() == before);
    EXPECT_TRUE(AppSettings::recentProjects().isEmpty());
}

QByteArray validProjectBytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.vtq"));
    if (!writeProject(path, 30, 2, 1))
        return {};
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedProject,
    ::testing::Values(
        DamagedFile{"FolderInPlace", QByteArray(), "Unable to open the file"},
        DamagedFile{"EmptyAfterCrashedSave", QByteArray(""), "JSON parsing error"},
        DamagedFile{"Truncated", validProjectBytes().left(400), "JSON parsing error"},
        DamagedFile{"NotJson", QByteArray("PK\x03\x04 binary"), "JSON parsing error"},
        DamagedFile{"NotAProject", QByteArray(R"({"name": "something else"})"),
                    "This file is not a Vantorquelle project"},
        DamagedFile{"NewerVersion", QByteArray(R"({"version": "4.0", "shapes": []})"),
                    "This project was written by a newer version of Vantorquelle"},
        DamagedFile{"BrokenPart", QByteArray(R"({"version": "3.0", "shapes": ["AAAA"], "mainShapeIndex": 0})"),
                    "Corrupt project file"}),
    [](const ::testing::TestParamInfo<DamagedFile>& info) { return std::string(info.param.name); });

// Cancels the progress window as soon as it shows, and counts how often it does.
class CancelOnShow : public QObject
{
public:
    CancelOnShow() { qApp->installEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show && object->objectName() == QLatin1String("progressWindow")) {
            ++shown;
            static_cast<QDialog*>(object)->reject();
        }
        return false;
    }
};

// Opening runs under the progress window: Cancel leaves the open design as it was (its part,
// netlist, tracks, history, name); without Cancel the project opens.
TEST_F(ProjectLifecycle, OpeningCancelledUnderProgressKeepsTheDesign)
{
    const QString path = file(QStringLiteral("board.vtq"));
    ASSERT_TRUE(writeProject(path, 60, 2, 1));
    buildCurrentDesign();
    const DesignState before = state();
    ProgressWindow::setShowDelay(0);
    {
        CancelOnShow cancel;
        ScriptedAnswers answers({QMessageBox::Yes});
        EXPECT_FALSE(probe->openProjectPath(path, false));
        EXPECT_EQ(cancel.shown, 1);
    }
    EXPECT_TRUE(state() == before);
    EXPECT_EQ(TestSupport::boxOf(probe->project().mainShape()).xmax, 40.0);
    EXPECT_EQ(probe->status(), QStringLiteral("Opening cancelled: the design is as it was"));
    {
        ScriptedAnswers answers({QMessageBox::Yes});
        EXPECT_TRUE(probe->openProjectPath(path, false));
    }
    ProgressWindow::setShowDelay(400);
    EXPECT_EQ(TestSupport::boxOf(probe->project().mainShape()).xmax, 60.0);
    EXPECT_EQ(probe->currentPath(), path);
}

TEST_F(ProjectLifecycle, MissingFileIsDroppedFromRecentProjectsAndKeepsTheDesign)
{
    buildCurrentDesign();
    const QString gone = file(QStringLiteral("gone.vtq"));
    AppSettings::addRecentProject(gone);
    const DesignState before = state();

    ScriptedAnswers answers;
    EXPECT_FALSE(probe->openProjectPath(gone, false));
    ASSERT_EQ(answers.seen.size(), 1);
    EXPECT_TRUE(answers.seen.first().startsWith(QStringLiteral("File not found|")));
    EXPECT_TRUE(AppSettings::recentProjects().isEmpty());
    EXPECT_FALSE(probe->recentMenu()->isEnabled());
    EXPECT_TRUE(state() == before);
}

TEST_F(ProjectLifecycle, OpenAsksBeforeReplacingADesign)
{
    const QString path = file(QStringLiteral("board.rev2.vtq"));
    ASSERT_TRUE(writeProject(path, 60, 2, 1));
    buildCurrentDesign();
    const DesignState before = state();
    {
        ScriptedAnswers answers({QMessageBox::No});
        EXPECT_FALSE(probe->openProjectPath(path, false));
        ASSERT_EQ(answers.seen.size(), 1);
        EXPECT_TRUE(answers.seen.first().startsWith(QStringLiteral("Open a project|Opening a project will replace")));
        EXPECT_EQ(probe->status(), QStringLiteral("Opening canceled"));
        EXPECT_TRUE(state() == before);
    }
    {
        ScriptedAnswers answers({QMessageBox::Yes});
        ASSERT_TRUE(probe->openProjectPath(path, false));
        ASSERT_EQ(answers.seen.size(), 2);
        EXPECT_TRUE(answers.seen.at(1).startsWith(
            QStringLiteral("Project loaded|✓ Project loaded successfully:\n\n• 3D shapes: 1\n• Components placed: 0\n")));
        EXPECT_TRUE(answers.seen.at(1).contains(QStringLiteral("• Routes: 1\n• File: board.rev2.vtq")));
    }
    EXPECT_EQ(TestSupport::boxOf(probe->project().mainShape()).xmax, 60.0);
    EXPECT_EQ(probe->project().netlist().components.size(), 2);
    EXPECT_EQ(probe->undoStack()->count(), 0);
    EXPECT_FALSE(window->isProjectModified());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vantorquelle — board.rev2"));
    EXPECT_EQ(probe->status(), QStringLiteral("✓ Project loaded: 0 component(s)"));
    ASSERT_EQ(AppSettings::recentProjects().size(), 1);
    EXPECT_EQ(AppSettings::recentProjects().first(), AppSettings::canonicalProjectPath(path));
    ASSERT_FALSE(probe->recentMenu()->actions().isEmpty());
    EXPECT_EQ(probe->recentMenu()->actions().first()->text(), QStringLiteral("&1  board.rev2.vtq"));
}

// Tracks that no longer fit the board load as they were saved, and the report names them.
TEST_F(ProjectLifecycle, LoadedTracksOffTheBoardOrShortedAreReported)
{
    const QString path = file(QStringLiteral("tracks.vtq"));
    ProjectManager project;
    project.addShape(PartFiles::box(60, 20, 10));
    project.setMainShapeIndex(0);
    project.setNetlist(sampleNetlist(2));
    project.routingManager().addRoute(sampleRoute(QStringLiteral("GND")));
    Route crossing = sampleRoute(QStringLiteral("VCC"));
    crossing.segments.first().start = gp_Pnt(5, -5, 5);
    crossing.segments.first().end = gp_Pnt(5, 5, 5);
    project.routingManager().addRoute(crossing);
    Route apart = sampleRoute(QStringLiteral("VCC"));
    apart.segments.first().start = gp_Pnt(0, 40, 5);
    apart.segments.first().end = gp_Pnt(10, 40, 5);
    project.routingManager().addRoute(apart);
    ASSERT_TRUE(project.saveProject(path, {}, {}, false));

    ScriptedAnswers answers({QMessageBox::Yes});
    ASSERT_TRUE(probe->openProjectPath(path, false));
    ASSERT_FALSE(answers.seen.isEmpty());
    const QString report = answers.seen.last();
    EXPECT_TRUE(report.contains(QStringLiteral("⚠ Tracks to check (kept as they were saved):")));
    for (const char* id : {"#1 (GND)", "#2 (VCC)", "#3 (VCC)"})
        EXPECT_TRUE(report.contains(QStringLiteral("track %1 names pads that are not on the board: R1/1, R2/2")
                                        .arg(QString::fromUtf8(id))))
            << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("tracks #1 (GND) and #2 (VCC) touch: a short between two nets")))
        << report.toStdString();
    EXPECT_FALSE(report.contains(QStringLiteral("#3 (VCC) touch"))) << report.toStdString();
    EXPECT_EQ(probe->project().routingManager().routes().size(), 3);
}

struct RecoveryCase
{
    const char* name;
    int sideAgeSeconds; // side file's time minus the project's
    QMessageBox::StandardButton answer;
    bool recovered;
    bool sideKept;
};

void PrintTo(const RecoveryCase& c, std::ostream* os) { *os << c.name; }

class RecoveryChoice : public ProjectLifecycle, public ::testing::WithParamInterface<RecoveryCase>
{
};

// The side file is offered whatever its time; only an answer removes it.
TEST_P(RecoveryChoice, SideFileIsOfferedAndOnlyRemovedWhenDeclinedAsOutOfDate)
{
    const RecoveryCase& c = GetParam();
    const QString path = file(QStringLiteral("board.vtq"));
    const QString side = MainWindow::autoSavePathFor(path);
    ASSERT_EQ(side, path + QStringLiteral(".autosave"));
    ASSERT_TRUE(writeProject(path, 30, 1, 1));
    ASSERT_TRUE(writeProject(side, 30, 1, 3)); // the side file holds two more tracks
    const QDateTime projectTime = QDateTime::currentDateTime().addSecs(-3600);
    ASSERT_TRUE(setModified(path, projectTime));
    ASSERT_TRUE(setModified(side, projectTime.addSecs(c.sideAgeSeconds)));

    ScriptedAnswers answers({c.answer});
    ASSERT_TRUE(probe->openProjectPath(path, false));
    ASSERT_EQ(answers.seen.size(), 2);
    EXPECT_TRUE(answers.seen.first().startsWith(QStringLiteral("Recover automatic save|")));
    EXPECT_EQ(probe->project().routingManager().routes().size(), c.recovered ? 3 : 1);
    EXPECT_EQ(QFileInfo::exists(side), c.sideKept);
    EXPECT_EQ(probe->currentPath(), path) << "the side file never becomes the project path";
    EXPECT_EQ(window->isProjectModified(), c.recovered);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vantorquelle — board") + (c.recovered ? " *" : ""));
    EXPECT_EQ(answers.seen.at(1).contains(QStringLiteral("NOT yet in the project file. Save it (Ctrl+S).")),
              c.recovered);
}

INSTANTIATE_TEST_SUITE_P(
    Times, RecoveryChoice,
    ::testing::Values(RecoveryCase{"NewerRecovered", 60, QMessageBox::Yes, true, true},
                      RecoveryCase{"NewerDeclinedStays", 60, QMessageBox::No, false, true},
                      RecoveryCase{"SameTimeAsked", 0, QMessageBox::Yes, true, true},
                      RecoveryCase{"SameTimeDeclined", 0, QMessageBox::No, false, false},
                      RecoveryCase{"OlderAsked", -60, QMessageBox::Yes, true, true}),
    [](const ::testing::TestParamInfo<RecoveryCase>& info) { return std::string(info.param.name); });

TEST_F(ProjectLifecycle, UntitledRecoveryStaysUntitledModifiedAndOutOfRecentProjects)
{
    const QString side = MainWindow::autoSavePathFor(QString());
    ASSERT_FALSE(side.isEmpty());
    EXPECT_EQ(MainWindow::autoSavePathFor(QString()), side) << "one side file per running copy";
    ASSERT_TRUE(writeProject(side, 30, 2, 2));

    {
        ScriptedAnswers answers;
        ASSERT_TRUE(probe->openProjectPath(side, true));
        ASSERT_EQ(answers.seen.size(), 1) << "no recovery question for the side file itself";
        EXPECT_TRUE(answers.seen.first().contains(QStringLiteral("Save it (Ctrl+S).")));
    }
    EXPECT_EQ(probe->project().routingManager().routes().size(), 2);
    EXPECT_TRUE(probe->currentPath().isEmpty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vantorquelle — Untitled project *"));
    EXPECT_TRUE(AppSettings::recentProjects().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(side)) << "kept until the work is saved";

    // Declining the offer at start-up deletes it.
    ScriptedAnswers answers({QMessageBox::No});
    probe->offerOrphanAutoSaveRecovery();
    ASSERT_EQ(answers.seen.size(), 1);
    EXPECT_TRUE(answers.seen.first().startsWith(
        QStringLiteral("Recover automatic save|A project that had never been saved")));
    EXPECT_TRUE(answers.seen.first().endsWith(QStringLiteral("No deletes it.")));
    EXPECT_FALSE(QFileInfo::exists(side));
}

TEST_F(ProjectLifecycle, NewProjectAsksOnlyWhenADesignIsAtStake)
{
    AppSettings::setRoutingRules({3.0, 1.5, 0.7, 0.6});
    const QString side = MainWindow::autoSavePathFor(QString());
    ASSERT_TRUE(writeFile(side, "{}"));
    {
        ScriptedAnswers answers;
        window->newProject();
        EXPECT_TRUE(answers.seen.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(side));
        EXPECT_EQ(probe->project().routingManager().routingRules().trackWidth, 3.0);
        EXPECT_EQ(probe->status(), QStringLiteral("New project - Build plate displayed"));
    }
    buildCurrentDesign();
    const DesignState before = state();
    {
        ScriptedAnswers answers({QMessageBox::No});
        window->newProject();
        ASSERT_EQ(answers.seen.size(), 1);
        EXPECT_TRUE(answers.seen.first().startsWith(QStringLiteral("New project|Creating a new project")));
        EXPECT_EQ(probe->status(), QStringLiteral("New project canceled"));
        EXPECT_TRUE(state() == before);
    }
    ScriptedAnswers answers({QMessageBox::Yes});
    window->newProject();
    EXPECT_TRUE(probe->project().shapes().isEmpty());
    EXPECT_TRUE(probe->project().netlist().isEmpty());
    EXPECT_TRUE(probe->project().routingManager().routes().isEmpty());
    EXPECT_EQ(probe->undoStack()->count(), 0);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vantorquelle — Untitled project"));
}

struct CloseCase
{
    const char* name;
    bool modify;          // an edit, or a cleared history holding one
    bool clearHistory;
    QMessageBox::StandardButton answer;
    bool accepted;
    bool prompted;
};

void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }

class ClosePrompt : public ProjectLifecycle, public ::testing::WithParamInterface<CloseCase>
{
};

TEST_P(ClosePrompt, FollowsTheModifiedFlag)
{
    const CloseCase& c = GetParam();
    const QString path = file(QStringLiteral("board.vtq"));
    window->setCurrentProjectPath(path);
    const QString side = probe->autoSaveTarget();
    ASSERT_TRUE(writeFile(side, "{}"));
    if (c.modify)
        probe->undoStack()->push(new Edit);
    if (c.clearHistory) {
        probe->clearHistory();
        EXPECT_EQ(probe->status(), QStringLiteral("History cleared"));
        EXPECT_EQ(probe->undoStack()->count(), 0);
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Vantorquelle — board *"));
    }
    // Save on an untitled project whose dialog is cancelled keeps the window open.
    window->setSaveFileChooser([](QWidget*, int, const QString&, const QString&,
                                      const QStringList&) { return QString(); });
    if (c.answer == QMessageBox::Save)
        window->setCurrentProjectPath(QString());

    ScriptedAnswers answers({c.answer});
    QCloseEvent event;
    probe->close(&event);
    EXPECT_EQ(event.isAccepted(), c.accepted);
    EXPECT_EQ(!answers.seen.isEmpty(), c.prompted);
    if (c.prompted) {
        EXPECT_TRUE(answers.seen.first().startsWith(QStringLiteral("Changes not saved|")));
    }
    if (c.answer != QMessageBox::Save) {
        EXPECT_EQ(QFileInfo::exists(side), !c.accepted) << "a normal close leaves no side file";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ClosePrompt,
    ::testing::Values(CloseCase{"CleanClosesSilently", false, false, QMessageBox::Cancel, true, false},
                      CloseCase{"ModifiedCancel", true, false, QMessageBox::Cancel, false, true},
                      CloseCase{"ModifiedDiscard", true, false, QMessageBox::Discard, true, true},
                      CloseCase{"ClearedHistoryStillAsks", true, true, QMessageBox::Cancel, false, true},
                      CloseCase{"SaveDialogCancelled", true, false, QMessageBox::Save, false, true}),
    [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

// An untitled design thrown away by New, Open or closing with Discard leaves neither its side
// file nor its lock: the next start must not offer it as the work of a session that died.
struct DiscardCase
{
    const char* name;
    int way; // 0 New, 1 Open, 2 close
};

void PrintTo(const DiscardCase& c, std::ostream* os) { *os << c.name; }

class DiscardedDesign : public ProjectLifecycle, public ::testing::WithParamInterface<DiscardCase>
{
};

// A data folder of this process alone: test programs running beside it claim side files in the
// shared one, and may take a name as soon as it is released.
class OwnDataFolder
{
public:
    OwnDataFolder() : m_name(QCoreApplication::applicationName())
    {
        QCoreApplication::setApplicationName(m_name + QStringLiteral("-%1").arg(QCoreApplication::applicationPid()));
    }
    ~OwnDataFolder()
    {
        MainWindow::removeAutoSaveFile(QString());
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
        QCoreApplication::setApplicationName(m_name);
    }

private:
    QString m_name;
};

TEST_P(DiscardedDesign, LeavesNothingToRecover)
{
    const OwnDataFolder folder;
    const QString step = file(QStringLiteral("untitled.step"));
    ASSERT_TRUE(PartFiles::writeStep(step, {PartFiles::box(40, 20, 10)}));
    ASSERT_TRUE(window->importStepFile(step));
    probe->undoStack()->push(new Edit);
    const QString side = MainWindow::autoSavePathFor(QString());
    ASSERT_TRUE(writeFile(side, "{}"));
    ASSERT_TRUE(QFileInfo::exists(side + QStringLiteral(".lock")));
    const QString other = file(QStringLiteral("other.vtq"));
    ASSERT_TRUE(writeProject(other, 30, 2, 1));

    switch (GetParam().way) {
    case 0: {
        ScriptedAnswers answers({QMessageBox::Yes});
        window->newProject();
        EXPECT_EQ(probe->status(), QStringLiteral("New project - Build plate displayed"));
        break;
    }
    case 1: {
        ScriptedAnswers answers({QMessageBox::Yes});
        ASSERT_TRUE(probe->openProjectPath(other, false));
        EXPECT_EQ(probe->currentPath(), other);
        break;
    }
    default: {
        ScriptedAnswers answers({QMessageBox::Discard});
        QCloseEvent event;
        probe->close(&event);
        EXPECT_TRUE(event.isAccepted());
        ASSERT_EQ(answers.seen.size(), 1);
        break;
    }
    }
    EXPECT_FALSE(QFileInfo::exists(side));
    EXPECT_FALSE(QFileInfo::exists(side + QStringLiteral(".lock")));
    EXPECT_TRUE(AutoSaveSlot::unclaimedFiles(QFileInfo(side).absolutePath()).isEmpty());

    // A later untitled design gets a side file again.
    EXPECT_FALSE(MainWindow::autoSavePathFor(QString()).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(side + QStringLiteral(".lock")));
}

INSTANTIATE_TEST_SUITE_P(Ways, DiscardedDesign,
                         ::testing::Values(DiscardCase{"New", 0}, DiscardCase{"Open", 1}, DiscardCase{"CloseDiscard", 2}),
                         [](const ::testing::TestParamInfo<DiscardCase>& info) { return std::string(info.param.name); });

// Reopening the project whose newer side file the user declined keeps that side file.
TEST_F(ProjectLifecycle, ReopeningTheSameProjectKeepsItsDeclinedSideFile)
{
    const QString path = file(QStringLiteral("board.vtq"));
    ASSERT_TRUE(writeProject(path, 30, 2, 1));
    {
        ScriptedAnswers answers;
        ASSERT_TRUE(probe->openProjectPath(path, false));
    }
    const QString side = MainWindow::autoSavePathFor(path);
    ASSERT_TRUE(writeProject(side, 30, 2, 3));
    ASSERT_TRUE(setModified(side, QFileInfo(path).lastModified().addSecs(60)));
    ScriptedAnswers answers({QMessageBox::Yes, QMessageBox::No});
    ASSERT_TRUE(probe->openProjectPath(path, false));
    EXPECT_TRUE(QFileInfo::exists(side));
}

// A name whose side file a dead copy left is never claimed, so that no new work overwrites it.
TEST(AutoSaveSlotTest, ClaimsPassOverFilesLeftByDeadCopies)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString left = QDir(dir.path()).filePath(AutoSaveSlot::fileName(1));
    ASSERT_TRUE(writeFile(left, "{}"));
    AutoSaveSlot slot;
    EXPECT_EQ(QFileInfo(slot.pathIn(dir.path())).fileName(), AutoSaveSlot::fileName(2));
    EXPECT_EQ(AutoSaveSlot::unclaimedFiles(dir.path()), QStringList{left});
    ASSERT_TRUE(writeFile(slot.pathIn(dir.path()), "{}"));
    slot.discard();
    EXPECT_FALSE(QFileInfo::exists(QDir(dir.path()).filePath(AutoSaveSlot::fileName(2))));
    EXPECT_TRUE(QFileInfo::exists(left)) << "only the held file goes";
}

TEST_F(ProjectLifecycle, RecentProjectsAreNumberedAndLoadAfterTheMenuCloses)
{
    EXPECT_FALSE(probe->recentMenu()->isEnabled());
    EXPECT_TRUE(probe->recentMenu()->actions().isEmpty()) << "no \"Clear the list\" on an empty list";

    for (int i = 10; i >= 1; --i)
        AppSettings::addRecentProject(file(QStringLiteral("p%1.vtq").arg(i)));
    ScriptedAnswers answers;
    // Rebuilt by a failed load of a missing file, which also drops that entry.
    EXPECT_FALSE(probe->openProjectPath(file(QStringLiteral("p10.vtq")), false));
    const QList<QAction*> actions = probe->recentMenu()->actions();
    ASSERT_EQ(actions.size(), 9 + 2);
    EXPECT_EQ(actions.at(0)->text(), QStringLiteral("&1  p1.vtq"));
    EXPECT_EQ(actions.at(0)->toolTip(), AppSettings::canonicalProjectPath(file(QStringLiteral("p1.vtq"))));
    EXPECT_EQ(actions.at(8)->text(), QStringLiteral("&9  p9.vtq"));
    EXPECT_TRUE(actions.at(9)->isSeparator());
    EXPECT_EQ(actions.at(10)->text(), QStringLiteral("Clear the list"));

    // An entry loads only once the event loop runs again.
    answers.seen.clear();
    actions.at(0)->trigger();
    EXPECT_TRUE(answers.seen.isEmpty());
    ASSERT_TRUE(waitFor([&] { return answers.seen.size() == 1; }));
    EXPECT_TRUE(answers.seen.first().startsWith(QStringLiteral("Viewer not ready|")))
        << "loads go through the viewer guard";

    probe->recentMenu()->actions().last()->trigger();
    EXPECT_TRUE(AppSettings::recentProjects().isEmpty());
    ASSERT_TRUE(waitFor([&] { return !probe->recentMenu()->isEnabled(); }));
    EXPECT_TRUE(probe->recentMenu()->actions().isEmpty());
}

TEST_F(ProjectLifecycle, NetlistImportKeepsHistoryButCountsAsUnsaved)
{
    const QString real = QStringLiteral(VTQ_TEST_DATA_DIR "/netlists/ecc83-pp.net");
    const QString broken = file(QStringLiteral("broken.net"));
    ASSERT_TRUE(writeFile(broken, "(export (version \"E\") (components (comp (ref"));
    QString next;
    window->setOpenFileChooser([&](QWidget*, int kind, const QString& caption, const QString& filter,
                                   const QString&) {
        EXPECT_EQ(kind, int(AppSettings::Netlist));
        EXPECT_EQ(caption, QStringLiteral("Import Netlist"));
        EXPECT_EQ(filter, QStringLiteral("Netlist Files (*.net);;All Files (*)"));
        return next;
    });
    probe->undoStack()->push(new Edit);
    probe->undoStack()->undo();
    ASSERT_FALSE(window->isProjectModified());

    next = real;
    {
        ScriptedAnswers answers;
        window->importNetlist();
        ASSERT_EQ(answers.seen.size(), 1);
        EXPECT_EQ(answers.seen.first(), QStringLiteral("Netlist loaded|Loading successful: 15 component(s) and 13 net(s)"));
    }
    EXPECT_EQ(probe->status(), QStringLiteral("Netlist loaded: 15 component(s), 13 net(s)"));
    EXPECT_EQ(probe->undoStack()->count(), 1) << "the history is left as it was";
    EXPECT_TRUE(window->isProjectModified()) << "an imported netlist is unsaved work";

    for (const QString& bad : {broken, file(QStringLiteral("missing.net"))}) {
        next = bad;
        ScriptedAnswers answers;
        window->importNetlist();
        ASSERT_EQ(answers.seen.size(), 1);
        EXPECT_TRUE(answers.seen.first().startsWith(QStringLiteral("Error|Failed to load the netlist:\n\n")));
        EXPECT_TRUE(answers.seen.first().endsWith(
            QStringLiteral("The netlist already loaded, if any, has been kept.")));
        EXPECT_EQ(probe->project().netlist().components.size(), 15);
    }
}

TEST_F(ProjectLifecycle, PartNameKeepsItsDots)
{
    const QString step = file(QStringLiteral("DIP-8_W7.62mm.step"));
    ASSERT_TRUE(PartFiles::writeStep(step, {PartFiles::box(10, 10, 5)}));
    ASSERT_TRUE(window->importStepFile(step));
    EXPECT_EQ(probe->status(), QStringLiteral("Loaded: DIP-8_W7.62mm - Click 'Orient part' then on a face"));
}

// --- Netlist update reports ---

QStringList refs(const char* prefix, int count)
{
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names << QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i);
    return names;
}

TEST(NetlistUpdateReport, ComponentListsAreCutAfterTwelve)
{
    NetlistUpdate update;
    update.added = refs("R", 14);
    update.removed = {QStringLiteral("C9")};
    for (int i = 1; i <= 13; ++i)
        update.footprintChanges.append({QStringLiteral("U%1").arg(i), QStringLiteral("SOIC-8"), QStringLiteral("DIP-8")});
    update.keptCount = 3;

    const QString text = MainWindow::describeComponentChanges(update);
    EXPECT_TRUE(text.startsWith(QStringLiteral("• 14 component(s) to add:\n    R1, R2, R3, R4, R5, R6, R7, R8, R9, "
                                               "R10, R11, R12, … (+2 more)\n• 1 component(s) to remove:\n    C9\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("• 13 footprint change(s):\n    U1: SOIC-8 → DIP-8\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("    U12: SOIC-8 → DIP-8\n    … (+1 more)\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("U13:")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("• 3 component(s) kept as they are\n")));

    EXPECT_TRUE(MainWindow::describeComponentChanges(NetlistUpdate()).isEmpty());
}

TEST(NetlistUpdateReport, TrackLinesNameTheEndAndCountTracksNotEnds)
{
    NetlistUpdate update;
    EXPECT_TRUE(MainWindow::describeTrackNetChanges(update).isEmpty());

    // Track 1: start moved to another net, end's component gone; track 3: a pad on no net.
    update.staleTrackEnds.append({0, 11, QStringLiteral("GND"), PadId(QStringLiteral("R1"), QStringLiteral("1")),
                                  NetlistUpdate::NetChanged, QStringLiteral("VCC")});
    update.staleTrackEnds.append({0, 11, QStringLiteral("GND"), PadId(QStringLiteral("R7"), QStringLiteral("2")),
                                  NetlistUpdate::ComponentRemoved, QString()});
    update.staleTrackEnds.append({2, 13, QStringLiteral("OUT"), PadId(QStringLiteral("C1"), QStringLiteral("1")),
                                  NetlistUpdate::NetChanged, QString()});
    const QString text = MainWindow::describeTrackNetChanges(update);
    EXPECT_EQ(text, QStringLiteral("\n⚠ 2 track(s) would no longer match the netlist:\n"
                                   "    1 (net GND): R1/1 moved to net VCC\n"
                                   "    1 (net GND): R7/2 no longer exists\n"
                                   "    3 (net OUT): C1/1 is on no net any more\n"
                                   "\nThese tracks are KEPT as they are. They will reappear in the ratsnest as "
                                   "unrouted; delete or redraw them yourself.\n"));

    for (int i = 0; i < 7; ++i)
        update.staleTrackEnds.append(update.staleTrackEnds.first());
    EXPECT_TRUE(MainWindow::describeTrackNetChanges(update).contains(QStringLiteral("    … and 2 more\n")));
}

// The board matches the new netlist, but its nets or values changed: installed, and said.
TEST_F(ProjectLifecycle, NetlistWhoseConnectionsAloneChangedIsInstalled)
{
    probe->project().setNetlist(sampleNetlist(3));
    Netlist same = sampleNetlist(3);
    {
        ScriptedAnswers answers;
        probe->installChangedNetlist(QStringLiteral("same.net"), same);
        EXPECT_EQ(answers.seen, QStringList{QStringLiteral(
                                    "Update from netlist|This netlist matches the board exactly: nothing to update.")});
        EXPECT_EQ(probe->status(), QStringLiteral("Netlist already up to date"));
        EXPECT_FALSE(window->isProjectModified());
    }

    Netlist rewired = sampleNetlist(3);
    rewired.components[QStringLiteral("R2")].value = QStringLiteral("4k7");
    rewired.connections.first().connectedPins << PadId(QStringLiteral("R3"), QStringLiteral("2"));
    rewired.connections.append({QStringLiteral("VCC"), {PadId(QStringLiteral("R3"), QStringLiteral("1"))}});
    ScriptedAnswers answers;
    probe->installChangedNetlist(QStringLiteral("rev2.net"), rewired);
    ASSERT_EQ(answers.seen.size(), 1);
    EXPECT_EQ(answers.seen.first(),
              QStringLiteral("Update from netlist|“rev2.net” changes no placed component and no routed track, but the "
                             "netlist itself changed:\n\n• 1 net(s) added:\n    VCC\n• 1 net(s) with other "
                             "connections:\n    GND\n• 1 component value(s) changed:\n    R2\n\nThe new netlist is "
                             "installed; placed components and tracks are unchanged."));
    EXPECT_EQ(probe->project().netlist().components.value(QStringLiteral("R2")).value, QStringLiteral("4k7"));
    EXPECT_EQ(probe->project().netlist().connections.size(), 2);
    EXPECT_EQ(probe->project().routingManager().padsOfNet(QStringLiteral("VCC")).size(), 1)
        << "routing follows the new nets";
    EXPECT_TRUE(window->isProjectModified());
    EXPECT_EQ(probe->status(), QStringLiteral("Netlist updated: connections and values only"));
}

// --- Side files of untitled projects ---

TEST(AutoSaveSlotTest, EachHolderGetsItsOwnFileAndDeadHoldersAreTakenOver)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    AutoSaveSlot first;
    AutoSaveSlot second;
    const QString a = first.pathIn(dir.path());
    const QString b = second.pathIn(dir.path());
    EXPECT_EQ(QFileInfo(a).fileName(), QStringLiteral("untitled.vtq.autosave"));
    EXPECT_EQ(QFileInfo(b).fileName(), QStringLiteral("untitled-2.vtq.autosave"));
    EXPECT_EQ(first.pathIn(dir.path()), a) << "held, not claimed again";

    ASSERT_TRUE(writeFile(a, "{}"));
    ASSERT_TRUE(writeFile(b, "{}"));
    EXPECT_TRUE(AutoSaveSlot::unclaimedFiles(dir.path()).isEmpty()) << "both are written by live holders";
    first.release();
    EXPECT_EQ(AutoSaveSlot::unclaimedFiles(dir.path()), QStringList{a});

    // A copy that dies while holding the third name leaves its lock behind.
    const QString third = QDir(dir.path()).filePath(AutoSaveSlot::fileName(3));
    ASSERT_TRUE(writeFile(third, "{}"));
    ASSERT_TRUE(setModified(third, QDateTime::currentDateTime().addSecs(60)));
    const pid_t child = fork();
    if (child == 0) {
        QLockFile lock(third + QStringLiteral(".lock"));
        lock.setStaleLockTime(0);
        _exit(lock.tryLock(0) ? 0 : 1); // no unlock: the lock outlives the process
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(QFileInfo::exists(third + QStringLiteral(".lock")));
    EXPECT_EQ(AutoSaveSlot::unclaimedFiles(dir.path()), (QStringList{third, a})) << "newest first";
}

// --- Side files of named projects ---

// Said when another running copy holds the project (%1: its process id, %2: its machine).
const char* const kRemote = "Project already open|This project is open in another running copy of Vantorquelle "
                            "(process %1 on %2):";

TEST(AutoSaveSlotTest, EachCopyOfAProjectHasItsOwnSideFileAndDeadCopiesAreFound)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString project = QDir(dir.path()).filePath(QStringLiteral("board.rev2.vtq"));
    AutoSaveSlot first;
    AutoSaveSlot second;
    EXPECT_TRUE(first.otherHolders(project).isEmpty());
    const QString a = first.claimFor(project);
    const QString b = second.claimFor(project);
    EXPECT_EQ(a, project + QStringLiteral(".autosave")) << "the name earlier versions used";
    EXPECT_EQ(b, project + QStringLiteral("~2.autosave"));
    EXPECT_EQ(first.claimFor(project), a) << "held, not claimed again";
    const QList<AutoSaveSlot::Holder> self{{QCoreApplication::applicationPid(), QSysInfo::machineHostName()}};
    EXPECT_EQ(first.otherHolders(project), self);
    ASSERT_TRUE(writeFile(a, "{}"));
    ASSERT_TRUE(writeFile(b, "{}"));
    // Another project's side files, even one whose name begins with this one's, are not its own.
    for (const char* other : {"board.rev2.vtq.bak", "board.rev2.vtq.2.autosave", "board.rev2.vtq~x.autosave",
                              "xboard.rev2.vtq.autosave"})
        ASSERT_TRUE(writeFile(QDir(dir.path()).filePath(QString::fromLatin1(other)), "{}"));
    EXPECT_TRUE(AutoSaveSlot::unclaimedSideFiles(project).isEmpty()) << "both are written by live copies";

    // A copy that dies while holding a side file leaves its lock behind; its file is found.
    const pid_t child = fork();
    if (child == 0) {
        AutoSaveSlot dying;
        const QString side = dying.claimFor(project);
        _exit(side.endsWith(QStringLiteral("~3.autosave")) && writeFile(side, "{}") ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    const QString third = project + QStringLiteral("~3.autosave");
    ASSERT_TRUE(QFileInfo::exists(third + QStringLiteral(".lock")));
    ASSERT_TRUE(setModified(third, QDateTime::currentDateTime().addSecs(60)));
    EXPECT_EQ(AutoSaveSlot::unclaimedSideFiles(project), QStringList{third});
    EXPECT_EQ(first.otherHolders(project), self) << "not the dead one";
    first.release();
    EXPECT_EQ(AutoSaveSlot::unclaimedSideFiles(project), (QStringList{third, a})) << "newest first";

    // A recovered file is taken over; one a running copy holds is not.
    EXPECT_EQ(first.claimFor(project, third), third);
    EXPECT_EQ(first.claimFor(project, b), third);
    first.discard();
    EXPECT_FALSE(QFileInfo::exists(third));
    EXPECT_TRUE(QFileInfo::exists(a) && QFileInfo::exists(b)) << "only the held file goes";
}

// Two copies on one project: B has it open and saves automatically; A, opening it too, is
// told, writes beside B's side file and removes only its own when it quits; B then dies, and
// the next copy to open the project is offered B's work.
TEST_F(ProjectLifecycle, TwoCopiesOnOneProjectKeepEachOthersAutomaticSave)
{
    const QString path = file(QStringLiteral("board.vtq"));
    ASSERT_TRUE(writeProject(path, 30, 1, 1));
    const QDateTime projectTime = QDateTime::currentDateTime().addSecs(-3600);
    ASSERT_TRUE(setModified(path, projectTime));
    const QString workFile = file(QStringLiteral("work-of-b.vtq"));
    ASSERT_TRUE(writeProject(workFile, 30, 1, 3));
    const QByteArray work = contentOf(workFile);
    ASSERT_FALSE(work.isEmpty());

    // Copy B, another process: it opens the project, saves automatically, and runs until told to die.
    int ready[2];
    int die[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(die), 0);
    const pid_t copyB = fork();
    if (copyB == 0) {
        ::close(ready[0]);
        ::close(die[1]);
        AutoSaveSlot slot;
        const QString side = slot.claimFor(path);
        char c = !side.isEmpty() && writeFile(side, work) ? '1' : '0';
        if (write(ready[1], &c, 1) != 1 || read(die[0], &c, 1) < 0)
            _exit(1);
        _exit(0); // no unlock: the lock outlives the process, as after a crash
    }
    ::close(ready[1]);
    ::close(die[0]);
    struct Reaper
    {
        pid_t pid;
        int fd;
        void operator()()
        {
            if (fd < 0)
                return;
            ::close(fd); // B reads the end of its pipe and dies
            fd = -1;
            int status = -1;
            waitpid(pid, &status, 0);
        }
        ~Reaper() { (*this)(); }
    } killB{copyB, die[1]};
    char c = 0;
    const ssize_t got = read(ready[0], &c, 1);
    ::close(ready[0]);
    ASSERT_EQ(got, 1);
    ASSERT_EQ(c, '1');
    const QString sideB = AutoSaveSlot::sideFilePath(path, 1);
    ASSERT_TRUE(setModified(sideB, projectTime.addSecs(600)));

    {
        ScriptedAnswers answers({QMessageBox::No});
        EXPECT_FALSE(probe->openProjectPath(path, false));
        ASSERT_EQ(answers.seen.size(), 1);
        EXPECT_TRUE(answers.seen.first().startsWith(
            QString::fromUtf8(kRemote).arg(copyB).arg(QSysInfo::machineHostName())))
            << answers.seen.first().toStdString();
        EXPECT_EQ(probe->status(), QStringLiteral("Opening canceled"));
        EXPECT_TRUE(probe->currentPath().isEmpty());
    }
    {
        ScriptedAnswers answers({QMessageBox::Yes});
        EXPECT_TRUE(probe->openProjectPath(path, false));
        ASSERT_EQ(answers.seen.size(), 2) << "the side file of a running copy is not offered";
        EXPECT_TRUE(answers.seen.at(1).startsWith(QStringLiteral("Project loaded|")));
    }
    EXPECT_EQ(probe->project().routingManager().routes().size(), 1);

    // A's automatic save goes to its own side file (written here by hand: no viewer, no tick).
    probe->undoStack()->push(new Edit);
    const QString sideA = AutoSaveSlot::sideFilePath(path, 2);
    ASSERT_EQ(MainWindow::autoSavePathFor(path), sideA) << "A would save automatically over B's side file";
    ASSERT_TRUE(writeFile(sideA, "{}"));
    quitDiscarding();
    EXPECT_FALSE(QFileInfo::exists(sideA));
    EXPECT_EQ(contentOf(sideB), work) << "A's exit deleted B's side file";

    killB();
    restartWindow();
    {
        ScriptedAnswers answers({QMessageBox::Yes});
        ASSERT_TRUE(probe->openProjectPath(path, false));
        ASSERT_EQ(answers.seen.size(), 2);
        EXPECT_TRUE(answers.seen.first().startsWith(
            QStringLiteral("Recover automatic save|An automatic save of this project is more recent")));
    }
    EXPECT_EQ(probe->project().routingManager().routes().size(), 3) << "B's work";
    EXPECT_TRUE(window->isProjectModified());
    EXPECT_EQ(MainWindow::autoSavePathFor(path), sideB) << "the recovered work goes on in its own side file";
    quitDiscarding();
    EXPECT_FALSE(QFileInfo::exists(sideB));
}

// --- Side files of other copies, and this copy's own under another spelling of the path ---

// Who holds "real/board.vtq.autosave", newer than the project and with two more tracks.
enum class SideHolder { ThisCopy, DeadCopy, EmptyLock, RemoteCopy, RemoteCopyOurPid };

struct SideFileCase
{
    const char* name;
    SideHolder holder;
    const char* openedAs; // path of the project in the test folder
    int blockedFrom;      // side file names from this index on cannot be held (0: none)
    QList<QMessageBox::StandardButton> answers;
    const char* told;     // in one of the boxes (%1: the process id of the lock, %2: its machine)
    int routes;           // once opened
    bool keptAfterQuit;   // the side file's work, after a quit without saving
    bool offeredAgain;    // at the next opening
};

void PrintTo(const SideFileCase& c, std::ostream* os) { *os << c.name; }

class SideFileOfAnother : public ProjectLifecycle, public ::testing::WithParamInterface<SideFileCase>
{
};

// Work the user did not give up is neither written over nor deleted, and each copy is told apart.
TEST_P(SideFileOfAnother, IsKeptAndOfferedAsTheUserChose)
{
    const SideFileCase& c = GetParam();
    ASSERT_TRUE(QDir().mkpath(file(QStringLiteral("real"))) && QDir().mkpath(file(QStringLiteral("links"))));
    const QString path = file(QStringLiteral("real/board.vtq"));
    ASSERT_TRUE(writeProject(path, 30, 1, 1) && writeProject(file(QStringLiteral("work.vtq")), 30, 1, 3));
    const QByteArray work = contentOf(file(QStringLiteral("work.vtq")));
    ASSERT_TRUE(QFile::link(file(QStringLiteral("real")), file(QStringLiteral("linked"))));
    ASSERT_TRUE(QFile::link(path, file(QStringLiteral("links/board-link.vtq"))));
    const QString side = AutoSaveSlot::sideFilePath(AutoSaveSlot::projectKey(path), 1);
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 pid = c.holder == SideHolder::RemoteCopy ? 31337 : QCoreApplication::applicationPid();
    switch (c.holder) {
    case SideHolder::ThisCopy: {
        ScriptedAnswers answers;
        ASSERT_TRUE(probe->openProjectPath(path, false));
        break;
    }
    case SideHolder::DeadCopy: // it dies holding its lock
        ASSERT_TRUE(TestSupport::runInChild([&] { return (new AutoSaveSlot)->claimFor(path) == side ? 0 : 1; })
                        .succeeded());
        break;
    case SideHolder::EmptyLock: // killed while it wrote its lock, or a power cut
        ASSERT_TRUE(writeFile(side + QStringLiteral(".lock"), "") && setModified(side + QStringLiteral(".lock"), now.addSecs(-600)));
        break;
    default: // a copy on another machine sharing the folder
        ASSERT_TRUE(writeFile(side + QStringLiteral(".lock"), QByteArray::number(pid) + "\nvantorquelle\nworkshop-pc\n"));
    }
    ASSERT_TRUE(writeFile(side, work) && setModified(path, now.addSecs(-3600)) && setModified(side, now.addSecs(-60)));
    QStringList blocked;
    for (int index = c.blockedFrom; index >= 1 && index <= AutoSaveSlot::kMaxSlots; ++index)
        blocked << AutoSaveSlot::sideFilePath(path, index);
    ASSERT_TRUE(blockLockFiles(blocked));

    {
        ScriptedAnswers answers(c.answers);
        probe->openProjectPath(m_dir.path() + QLatin1Char('/') + QLatin1String(c.openedAs), false);
        const QString seen = answers.seen.join(QLatin1Char('\n'));
        EXPECT_TRUE(seen.contains(QString::fromUtf8(c.told).arg(pid).arg(QStringLiteral("workshop-pc"))))
            << seen.toStdString();
    }
    EXPECT_EQ(probe->project().routingManager().routes().size(), c.routes);
    EXPECT_EQ(QDir(file(QStringLiteral("links"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              QStringList{QStringLiteral("board-link.vtq")}) << "a side file beside a link";
    quitDiscarding();
    EXPECT_EQ(contentOf(side) == work, c.keptAfterQuit);
    if (!c.offeredAgain)
        return;
    restartWindow();
    ScriptedAnswers answers({QMessageBox::No});
    ASSERT_TRUE(probe->openProjectPath(path, false));
    EXPECT_TRUE(answers.seen.first().startsWith(QStringLiteral("Recover automatic save|")));
}

const char* const kKept = "No opens the project file and keeps the automatic save, to be offered again the next "
                          "time the project is opened.";
const char* const kAsked = "Recover automatic save|";
using Answers = QList<QMessageBox::StandardButton>;
constexpr QMessageBox::StandardButton kYes = QMessageBox::Yes;
constexpr QMessageBox::StandardButton kNo = QMessageBox::No;

// Rows are named after the fault they hold off. "Own" rows reopen this copy's project, which asks
// first whether to replace the open design; a copy that holds no name of its own (blocked from 2)
// must leave the others' files when it goes.
INSTANTIATE_TEST_SUITE_P(
    Copies, SideFileOfAnother,
    ::testing::Values(
        SideFileCase{"DeclinedDeadCopys", SideHolder::DeadCopy, "real/board.vtq", 0, {kNo}, kKept, 1, true, true},
        SideFileCase{"DeclinedOwn", SideHolder::ThisCopy, "real/board.vtq", 0, {kYes, kNo}, kKept, 1, true, true},
        SideFileCase{"EmptyLockOffered", SideHolder::EmptyLock, "real/board.vtq", 0, {kYes}, kAsked, 3, false, false},
        SideFileCase{"OwnThroughFolderLink", SideHolder::ThisCopy, "linked/board.vtq", 0, {kYes, kYes}, kAsked, 3,
                     false, false},
        SideFileCase{"OwnThroughFileLink", SideHolder::ThisCopy, "links/board-link.vtq", 0, {kYes, kYes}, kAsked, 3,
                     false, false},
        SideFileCase{"OthersThroughFileLink", SideHolder::RemoteCopy, "links/board-link.vtq", 0, {kYes}, kRemote, 1,
                     true, false},
        SideFileCase{"RemoteWithOurProcessId", SideHolder::RemoteCopyOurPid, "real/board.vtq", 0, {kNo}, kRemote, 0,
                     true, false},
        SideFileCase{"NoSlotLeavesRunningCopys", SideHolder::RemoteCopy, "real/board.vtq", 2, {kYes}, kRemote, 1, true,
                     false},
        SideFileCase{"NoSlotLeavesDeclinedDeadCopys", SideHolder::DeadCopy, "real/board.vtq", 2, {kNo}, kKept, 1, true,
                     true}),
    [](const ::testing::TestParamInfo<SideFileCase>& info) { return std::string(info.param.name); });

// --- Settings dialog ---

struct DialogCase
{
    const char* name;
    bool enabled;
    int minutes;
    const char* summary;
    const char* status;
};

void PrintTo(const DialogCase& c, std::ostream* os) { *os << c.name; }

class AutoSaveDialog : public ProjectLifecycle, public ::testing::WithParamInterface<DialogCase>
{
};

TEST_P(AutoSaveDialog, AcceptedValuesAreStoredAndDriveTheTimer)
{
    const DialogCase& c = GetParam();
    AppSettings::setAutoSaveIntervalMinutes(7);
    QString summary;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<AutoSaveSettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* spin = dialog->findChild<QSpinBox*>();
        EXPECT_EQ(spin->value(), 7);
        EXPECT_EQ(spin->suffix(), QStringLiteral(" min"));
        EXPECT_EQ(spin->minimum(), 1);
        EXPECT_EQ(spin->maximum(), 120);
        dialog->findChildren<QCheckBox*>().at(0)->setChecked(c.enabled);
        spin->setValue(c.minutes);
        dialog->findChildren<QCheckBox*>().at(1)->setChecked(true);
        EXPECT_EQ(spin->isEnabled(), c.enabled);
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->text().startsWith(QStringLiteral("At most")) || label->text().startsWith(QStringLiteral("Nothing")))
                summary = label->text();
        }
        dialog->accept();
    });
    window->manageAutoSaveSettings();
    EXPECT_EQ(summary, QString::fromUtf8(c.summary));
    EXPECT_EQ(AppSettings::autoSaveEnabled(true), c.enabled);
    EXPECT_EQ(AppSettings::autoSaveIntervalMinutes(5), c.minutes);
    EXPECT_TRUE(AppSettings::keepPreviousVersion(false));
    ASSERT_NE(probe->autoSaveTimer(), nullptr);
    EXPECT_EQ(probe->autoSaveTimer()->isActive(), c.enabled);
    if (c.enabled) {
        EXPECT_EQ(probe->autoSaveTimer()->interval(), c.minutes * 60000);
    }
    EXPECT_EQ(probe->status(), QString::fromUtf8(c.status));
}

INSTANTIATE_TEST_SUITE_P(
    Values, AutoSaveDialog,
    ::testing::Values(
        DialogCase{"One", true, 1, "At most 1 minute(s) of work can be lost.", "Automatic save: every 1 minute(s)"},
        DialogCase{"Longest", true, 120, "At most 120 minute(s) of work can be lost.",
                   "Automatic save: every 120 minute(s)"},
        DialogCase{"Disabled", false, 30, "Nothing is saved automatically. Only Ctrl+S writes your work to disk.",
                   "Automatic save disabled"}),
    [](const ::testing::TestParamInfo<DialogCase>& info) { return std::string(info.param.name); });

// --- Language, help, about ---

TEST_F(ProjectLifecycle, LanguageChangeRestartsOnlyOnceTheNewCopyRuns)
{
    int starts = 0;
    QStringList passed;
    bool startSucceeds = false;
    window->setDetachedStarter([&](const QString& program, const QStringList& arguments, QString* error) {
        ++starts;
        EXPECT_EQ(program, QCoreApplication::applicationFilePath());
        passed = arguments;
        if (!startSucceeds && error)
            *error = QStringLiteral("execve: permission denied");
        return startSucceeds;
    });

    {
        ScriptedAnswers answers;
        window->changeLanguage(QString()); // the stored value already: nothing asked
        EXPECT_TRUE(answers.seen.isEmpty());
    }
    {
        ScriptedAnswers answers({QMessageBox::No});
        window->changeLanguage(QStringLiteral("fr_FR"));
        ASSERT_EQ(answers.seen.size(), 1);
        EXPECT_TRUE(answers.seen.first().startsWith(QStringLiteral("Language|")));
        EXPECT_EQ(AppSettings::language(), QStringLiteral("fr_FR"));
        EXPECT_EQ(starts, 0);
    }
    {
        // Modified project, Cancel at the closing prompt: nothing starts.
        probe->undoStack()->push(new Edit);
        ScriptedAnswers answers({QMessageBox::Yes, QMessageBox::Cancel});
        window->changeLanguage(QStringLiteral("en_US"));
        ASSERT_EQ(answers.seen.size(), 2);
        EXPECT_TRUE(answers.seen.at(1).startsWith(QStringLiteral("Changes not saved|")));
        EXPECT_EQ(starts, 0);
        EXPECT_EQ(AppSettings::language(), QStringLiteral("en_US"));
    }
    {
        // The new copy fails to start: the window stays, with the work, and says so.
        ScriptedAnswers answers({QMessageBox::Yes, QMessageBox::Discard});
        window->changeLanguage(QStringLiteral("fr_FR"));
        EXPECT_EQ(starts, 1);
        ASSERT_EQ(answers.seen.size(), 3);
        EXPECT_TRUE(answers.seen.at(2).startsWith(
            QStringLiteral("Language|Vantorquelle could not be restarted:\n\nexecve: permission denied")));
        EXPECT_TRUE(window->isProjectModified());
        EXPECT_TRUE(AppSettings::mainWindowGeometry().isEmpty()) << "the window did not close";
    }
    {
        startSucceeds = true;
        ScriptedAnswers answers({QMessageBox::Yes, QMessageBox::Discard});
        window->changeLanguage(QString());
        EXPECT_EQ(starts, 2);
        EXPECT_EQ(answers.seen.size(), 2) << "the closing prompt is not asked twice";
        EXPECT_EQ(passed, QCoreApplication::arguments().mid(1));
        EXPECT_FALSE(AppSettings::mainWindowGeometry().isEmpty()) << "closed once the copy started";
        EXPECT_TRUE(AppSettings::language().isEmpty());
    }
}

TEST_F(ProjectLifecycle, HelpOpensTheLocalUserGuide)
{
    const QString guide = MainWindow::userGuidePath();
    ASSERT_FALSE(guide.isEmpty()) << "the build puts the guide beside the program";
    QFile guideFile(guide);
    ASSERT_TRUE(guideFile.open(QIODevice::ReadOnly));
    const QByteArray text = guideFile.readAll();
    EXPECT_TRUE(text.contains("User guide"));
    // The view orbits with the right button; the left one picks.
    EXPECT_TRUE(text.contains("Orbit: drag with the right button")) << "the guide names the view's buttons";

    QUrl opened;
    bool browserWorks = true;
    window->setUrlOpener([&](const QUrl& url) {
        opened = url;
        return browserWorks;
    });
    {
        ScriptedAnswers answers;
        probe->openOnlineHelp();
        EXPECT_TRUE(answers.seen.isEmpty());
        EXPECT_TRUE(opened.isLocalFile()) << "never an outside address";
        EXPECT_EQ(opened.toLocalFile(), guide);
    }
    browserWorks = false;
    ScriptedAnswers answers;
    probe->openOnlineHelp();
    EXPECT_EQ(answers.seen, QStringList{QStringLiteral("Online Help|Unable to open the web browser.\n\n"
                                                       "Open the user guide in a browser yourself:\n")
                                        + QDir::toNativeSeparators(guide)});
}

TEST(AboutText, CreditsTheDevelopersWithTheBuildVersions)
{
    const QString text = MainWindow::aboutText();
    EXPECT_TRUE(text.contains(QStringLiteral("the Vantorquelle developers")));
    EXPECT_TRUE(text.contains(QStringLiteral("<b>Version:</b> 1.4.0")));
    EXPECT_TRUE(text.contains(QStringLiteral("<b>Qt:</b> " QT_VERSION_STR)));
    EXPECT_TRUE(text.contains(QStringLiteral("<b>OpenCascade:</b> " OCC_VERSION_COMPLETE)));
    EXPECT_FALSE(text.contains(QStringLiteral("http"))) << "no outside address";
}

} // namespace
