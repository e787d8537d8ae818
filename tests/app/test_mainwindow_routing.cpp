// The window's side of routing under a real view: finished tracks, clearing and resizing
// become undo steps, and a refused resize is not one.
#include "../project/routebuilder.h"
#include "mainwindowprobe.h"

#include "interaction/routingcontroller.h"
#include "foundation/appsettings.h"
#include "routing/routingmanager.h"
#include "routing/routingrulesdialog.h"
#include "view/modecontroller.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFontMetrics>
#include <QLabel>
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
