// The window's side of routing under a real view: finished tracks, clearing and resizing
// become undo steps, and a refused resize is not one.
#include "../project/routebuilder.h"
#include "mainwindowprobe.h"

#include "interaction/routingcontroller.h"
#include "model/footprintdata.h"
#include "model/savedcomponent.h"
#include "project/projectfile.h"
#include "foundation/appsettings.h"
#include "routing/routingmanager.h"
#include "routing/routingrulesdialog.h"
#include "view/modecontroller.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFontMetrics>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

#include <gtest/gtest.h>

#include <optional>

namespace {

class MainWindowRouting : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
        window->show();
        ASSERT_TRUE(QTest::qWaitFor([this] { return window->isViewerReady(); }, 5000));
    }
    RoutingManager& routing() { return probe->project().routingManager(); }

    TestSupport::IsolatedSettings settings;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
};

} // namespace

// The routing line in the narrow tool panel shows all of its text: it wraps between words,
// and a net name too long for a line is shortened in its middle, whole in the tool tip.
TEST_F(MainWindowRouting, RoutingLineShowsAllOfItsText)
{
    Netlist netlist;
    for (const QString& ref : {QStringLiteral("R1"), QStringLiteral("R2")})
        netlist.components.insert(ref, NetlistComponent{ref, QString(), QStringLiteral("Builtin_0805"), {}});
    netlist.connections = {{"N", {PadId("R1", "1"), PadId("R2", "1")}}};
    probe->project().setNetlist(std::move(netlist));
    window->generateComponents();
    ASSERT_TRUE(probe->modes()->requestTransition(ModeController::Mode::Routing).accepted);
    QLabel* label = probe->routingStatusLabel();
    const auto fits = [label] {
        QTest::qWait(20); // the panel's layout gives the label its new height
        const QRect room = label->contentsRect();
        const QRect needed = QFontMetrics(label->font())
                                 .boundingRect(room, label->wordWrap() ? Qt::TextWordWrap : 0, label->text());
        return needed.width() <= room.width() && needed.height() <= room.height();
    };
    EXPECT_EQ(label->text(), QStringLiteral("Routing: ACTIVE - Click on a pad"));
    EXPECT_TRUE(label->font().bold());
    EXPECT_TRUE(fits());
    EXPECT_TRUE(label->toolTip().isEmpty()) << "nothing was shortened";

    const QString longNet = QStringLiteral("Routing: /ampli_ht_horizontal/Vpil_0_3,3V");
    emit probe->routingController()->routingLabelChanged(longNet);
    EXPECT_TRUE(fits()) << label->text().toStdString();
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("Routing: /ampli")));
    EXPECT_TRUE(label->text().endsWith(QStringLiteral("3,3V")));
    EXPECT_EQ(label->toolTip(), longNet);

    ASSERT_TRUE(probe->modes()->requestTransition(ModeController::Mode::View).accepted);
    EXPECT_EQ(label->text(), QStringLiteral("Routing: Inactive"));
    EXPECT_TRUE(fits());
}

TEST_F(MainWindowRouting, FinishedTrackIsOneUndoStep)
{
    routing().addRoute(RouteBuilder::solidRoute("GND", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}));
    emit probe->routingController()->routeFinalized(routing().routes().last());
    EXPECT_EQ(probe->undoStack()->count(), 1);
    EXPECT_EQ(routing().routes().size(), 1) << "the push does not add the track a second time";
    EXPECT_EQ(probe->routingController()->routeShapes().size(), 1);
    probe->undoStack()->undo();
    EXPECT_TRUE(routing().routes().isEmpty());
    EXPECT_TRUE(probe->routingController()->routeShapes().isEmpty());
    probe->undoStack()->redo();
    EXPECT_EQ(routing().routes().size(), 1);
}

TEST_F(MainWindowRouting, ClearTracks)
{
    probe->clearTracks();
    EXPECT_EQ(probe->status(), "No track to clear");
    EXPECT_EQ(probe->undoStack()->count(), 0);
    routing().addRoute(RouteBuilder::solidRoute("A", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}));
    routing().addRoute(RouteBuilder::solidRoute("B", {{0, 10, 0}, {10, 10, 0}, {20, 10, 0}}));
    probe->clearTracks();
    EXPECT_TRUE(routing().routes().isEmpty());
    EXPECT_EQ(probe->status(), "All tracks have been cleared (Ctrl+Z to undo)");
    probe->undoStack()->undo();
    EXPECT_EQ(routing().routes().size(), 2);
}

namespace {

QJsonObject storedRoot(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

QJsonObject segment(double x0, double y0, double x1, double y1)
{
    return {{"startPoint", pointToJson(gp_Pnt(x0, y0, 0))}, {"endPoint", pointToJson(gp_Pnt(x1, y1, 0))},
            {"type", 0}, {"width", 2.0}, {"height", 1.0}};
}

} // namespace

// A stored track whose solid comes out in two (its second leg starts away from the first's end:
// an open circuit in print) is named in the report of the opening.
TEST_F(MainWindowRouting, ATrackInPiecesIsNamedWhenTheProjectOpens)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pieces.vtq");
    ProjectManager written;
    Netlist netlist;
    netlist.connections.append({"GND", {PadId("R1", "1"), PadId("R2", "1")}});
    written.setNetlist(std::move(netlist));
    written.routingManager().addRoute(RouteBuilder::route("GND", "R1", "1", "R2", "1", {{0, 0, 0}, {10, 0, 0}}));
    ASSERT_TRUE(written.saveProject(path, {}, {}, false));
    QJsonObject root = storedRoot(path);
    QJsonArray routes = root.value("routes").toArray();
    QJsonObject track = routes.at(0).toObject();
    track.insert("segments", QJsonArray{segment(0, 0, 10, 0), segment(10, 5, 20, 5)});
    routes.replace(0, track);
    root.insert("routes", routes);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(root).toJson());
    file.close();

    MessageBoxAnswerer answers(QMessageBox::Yes);
    ASSERT_TRUE(probe->openProjectPath(path, false));
    ASSERT_EQ(routing().routes().size(), 1);
    const QString report = answers.seen.join('\n');
    EXPECT_TRUE(report.contains(QString("  • track %1 (net GND) is not built as drawn: it comes out as 2 separate "
                                        "solid(s)")
                                    .arg(routing().routes().first().label())))
        << report.toStdString();
}

// A stored track that cannot be built (a point beyond the design's reach froze the window in its
// solid) is kept as saved and reported: the next save writes it back in its place, with the T
// junction it hosts; Clear tracks removes it, undoably.
TEST_F(MainWindowRouting, UnbuiltTracksAreSavedBackUntilCleared)
{
    struct Row
    {
        const char* name;
        int damaged;         // which of the three stored tracks
        QJsonArray segments; // its segments in the file
        const char* note;
    };
    const QList<Row> rows = {
        {"far point", 0, {segment(0, 0, 1e308, 0)},
         "track 1 of the file (net GND, from R1/1) is kept as saved and not built: segment 1: end point X 1e+308 mm "
         "is beyond the limit of 1000 mm"},
        {"finished without segment", 0, {},
         "track 1 of the file (net GND, from R1/1) is kept as saved and not built: it is marked finished but has no "
         "segment"},
        {"junction on the far track", 1, {segment(0, 20, 30, 20), segment(30, 20, 5000, 20)},
         "track 2 of the file (net GND, from R2/1) is kept as saved and not built: segment 2: end point X 5000 mm is "
         "beyond the limit of 1000 mm"},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("unbuilt.vtq");
    const QString saved = dir.filePath("saved.vtq");
    ProjectManager written;
    Netlist netlist;
    netlist.connections.append({"GND", {PadId("R1", "1"), PadId("R2", "1"), PadId("R3", "1")}});
    written.setNetlist(std::move(netlist));
    written.routingManager().addRoute(RouteBuilder::route("GND", "R1", "1", "R2", "1", {{0, 0, 0}, {10, 0, 0}}));
    written.routingManager().addRoute(RouteBuilder::route("GND", "R2", "1", "R1", "1", {{0, 20, 0}, {30, 20, 0}}));
    written.routingManager().addRoute(
        RouteBuilder::junctionRoute("GND", "R3", "1", gp_Pnt(15, 20, 0.5), {{15, 10, 0}, {15, 20, 0}}));
    ASSERT_TRUE(written.saveProject(path, {}, {}, false));
    const QJsonObject sound = storedRoot(path);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        probe->undoStack()->clear();
        QJsonObject root = sound;
        QJsonArray routes = root.value("routes").toArray();
        QJsonObject damaged = routes.at(row.damaged).toObject();
        damaged.insert("segments", row.segments);
        routes.replace(row.damaged, damaged);
        root.insert("routes", routes);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(root).toJson());
        file.close();

        MessageBoxAnswerer answers(QMessageBox::Yes); // the previous row's design goes
        ASSERT_TRUE(probe->openProjectPath(path, false));
        EXPECT_EQ(probe->project().loadNotes(), QStringList{row.note});
        const QString report = answers.seen.join('\n');
        EXPECT_TRUE(report.contains(QString("  • ") + row.note) && report.contains("• Routes: 2\n"))
            << report.toStdString();
        EXPECT_EQ(routing().routes().size(), 2) << "the unbuilt track is not among the drawn ones";
        EXPECT_EQ(probe->routingController()->routeShapes().size(), 2);

        ASSERT_TRUE(probe->saveProjectTo(saved));
        EXPECT_EQ(storedRoot(saved).value("routes"), routes) << "the track and the junction it hosts come back in place";

        EXPECT_TRUE(probe->clearTracksButton()->isEnabled());
        probe->clearTracks();
        ASSERT_TRUE(probe->saveProjectTo(saved));
        EXPECT_TRUE(storedRoot(saved).value("routes").toArray().isEmpty());
        probe->undoStack()->undo();
        ASSERT_TRUE(probe->saveProjectTo(saved));
        EXPECT_EQ(storedRoot(saved).value("routes"), routes);

        // With no drawn track left, the unbuilt one still has something to clear.
        while (routing().removeRouteAt(0)) {
        }
        probe->clearTracks();
        EXPECT_TRUE(routing().unbuiltRoutes().isEmpty()) << probe->status().toStdString();
    }
}

TEST_F(MainWindowRouting, RefusedResizeIsNoUndoStep)
{
    routing().addRoute(RouteBuilder::solidRoute("A", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}));
    probe->refreshRoutingViews();
    probe->applyTrackProperties(0, TrackProperties{0.0, 1.0}); // no solid can have no width
    EXPECT_EQ(probe->undoStack()->count(), 0);
    EXPECT_EQ(routing().routes().first().segments.first().width, 2.0);
    EXPECT_TRUE(probe->status().contains("unchanged")) << probe->status().toStdString();

    probe->applyTrackProperties(0, TrackProperties{3.0, 2.0});
    ASSERT_EQ(probe->undoStack()->count(), 1);
    EXPECT_EQ(routing().routes().first().segments.first().width, 3.0);
    probe->undoStack()->undo();
    EXPECT_EQ(routing().routes().first().segments.first().width, 2.0);
    EXPECT_NEAR(routing().routes().first().segments.first().start.Z(), 0.0, 1e-12);
}

TEST_F(MainWindowRouting, ExportTakesTheDisplayedTrackSolids)
{
    routing().addRoute(RouteBuilder::solidRoute("A", {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}));
    probe->refreshRoutingViews();
    const AssemblyInput input = probe->assemblyInput();
    ASSERT_TRUE(input.routeShape);
    ASSERT_EQ(probe->routingController()->routeShapes().size(), 1);
    const TopoDS_Shape shown = probe->routingController()->routeShapes().first()->Shape();
    EXPECT_TRUE(input.routeShape(routing().routes().first()).IsSame(shown)) << "no second build for the export";

    // An L of two 10 mm runs, flush ends, a round at the bend: the plan is two w × 10 strips
    // less their w/2 × w/2 overlap, plus the quarter disc outside the bend.
    const auto lVolume = [](double w, double h) {
        const double r = w / 2;
        return h * (2 * 10 * w - r * r + M_PI * r * r / 4);
    };
    const auto expectSection = [&](double w, double h) {
        const Route& route = routing().routes().first();
        const TopoDS_Shape exported = probe->assemblyInput().routeShape(route);
        EXPECT_NEAR(TestSupport::volumeOf(exported), lVolume(w, h), 1e-6 * lVolume(w, h)) << w << " x " << h;
        const TestSupport::Box box = TestSupport::boxOf(exported);
        EXPECT_NEAR(box.ymin, -w / 2, 1e-6);
        EXPECT_NEAR(box.xmax, 10 + w / 2, 1e-6);
        EXPECT_NEAR(box.zmax - box.zmin, h, 1e-6);
    };
    expectSection(2.0, 1.0);

    // A resize is exported at its new section, display refreshed or not.
    probe->applyTrackProperties(0, TrackProperties{3.0, 2.0});
    ASSERT_EQ(probe->undoStack()->count(), 1);
    expectSection(3.0, 2.0);
    probe->undoStack()->undo();
    expectSection(2.0, 1.0);
}

namespace {

// Sets the rules dialog's spin boxes (width, height, clearance, pad clearance, in form order)
// and its defaults box when it opens, then accepts it; records every message box.
class RulesDialogDriver : public QObject
{
public:
    RulesDialogDriver(std::optional<RoutingRules> values, bool useAsDefaults)
        : m_values(values), m_useAsDefaults(useAsDefaults)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    QStringList boxes;
    int dialogs = 0;

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes << box->windowTitle() + QLatin1Char('|') + box->text();
            box->accept();
            return;
        }
        auto* dialog = qobject_cast<RoutingRulesDialog*>(modal);
        if (!dialog)
            return;
        ++dialogs;
        const QList<QDoubleSpinBox*> spins = dialog->findChildren<QDoubleSpinBox*>();
        if (m_values && spins.size() == 4) {
            spins[0]->setValue(m_values->trackWidth);
            spins[1]->setValue(m_values->trackHeight);
            spins[2]->setValue(m_values->clearance);
            spins[3]->setValue(m_values->padClearance);
        }
        if (auto* defaults = dialog->findChild<QCheckBox*>())
            defaults->setChecked(m_useAsDefaults);
        dialog->accept();
    }

    std::optional<RoutingRules> m_values;
    bool m_useAsDefaults = false;
    QTimer m_timer;
};

} // namespace

TEST_F(MainWindowRouting, RulesAreRefusedWhileATrackIsDrawn)
{
    routing().setNetPads({{"GND", {PadId("R1", "1"), PadId("R2", "1")}}});
    ASSERT_TRUE(routing().startRouting("GND", PadId("R1", "1"), gp_Pnt(0, 0, 0)));
    const QString before = probe->status();
    RulesDialogDriver driver(RoutingRules{3.0, 2.0, 1.0, 1.0}, false);
    window->manageRoutingRules();
    EXPECT_EQ(driver.dialogs, 0) << "the dialog never opens";
    EXPECT_EQ(driver.boxes, QStringList{"Routing rules|A track is being drawn. Finish it or cancel it "
                                        "(Escape) before changing the rules."});
    EXPECT_EQ(routing().rules().trackWidth, 2.0);
    EXPECT_EQ(probe->status(), before);
    EXPECT_FALSE(window->isProjectModified());
    EXPECT_TRUE(routing().isRouting()) << "the track being drawn is left alone";
}

TEST_F(MainWindowRouting, UnchangedRulesLeaveTheDesignUnmodified)
{
    for (const bool asDefaults : {false, true}) {
        SCOPED_TRACE(asDefaults);
        AppSettings::setRoutingRules(RoutingRules{4.0, 4.0, 4.0, 4.0});
        RulesDialogDriver driver(std::nullopt, asDefaults);
        window->manageRoutingRules();
        EXPECT_EQ(driver.dialogs, 1);
        EXPECT_TRUE(driver.boxes.isEmpty());
        EXPECT_EQ(probe->status(), "Routing rules unchanged.");
        EXPECT_FALSE(window->isProjectModified());
        EXPECT_FALSE(window->windowTitle().endsWith(" *")) << window->windowTitle().toStdString();
        // The defaults are written whether or not the rules changed.
        EXPECT_EQ(AppSettings::routingRules().trackWidth, asDefaults ? 2.0 : 4.0);
    }
}

TEST_F(MainWindowRouting, ChangedRulesApplyAndKeepTheUndoHistory)
{
    routing().addRoute(RouteBuilder::solidRoute("GND", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}));
    emit probe->routingController()->routeFinalized(routing().routes().last());
    probe->undoStack()->setClean();
    ASSERT_FALSE(window->isProjectModified());

    RulesDialogDriver driver(RoutingRules{2.0, 1.0, 0.5, 0.75}, false); // pad clearance only
    window->manageRoutingRules();
    EXPECT_EQ(routing().rules().padClearance, 0.75);
    EXPECT_EQ(probe->status(), "Routing rules: 2.00 × 1.00 mm, clearance 0.50 mm — applied to the next tracks.");
    EXPECT_TRUE(window->isProjectModified());
    EXPECT_TRUE(window->windowTitle().endsWith(" *")) << window->windowTitle().toStdString();
    ASSERT_TRUE(probe->undoStack()->canUndo());
    probe->undoStack()->undo();
    EXPECT_TRUE(routing().routes().isEmpty()) << "the earlier edit is still undoable";
    EXPECT_TRUE(window->isProjectModified());
}
