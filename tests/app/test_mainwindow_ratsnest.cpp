// The ratsnest and the board explorer in the window under a real view: what the toggle
// shows, how edits and moves refresh it, and where a click on an explorer row takes the user.
#include "../project/routebuilder.h"
#include "mainwindowprobe.h"
#include "testsupport.h"

#include "app/boardexplorerpanel.h"
#include "app/translationloader.h"
#include "components/componentmanager.h"
#include "interaction/routingcontroller.h"
#include "model/placedcomponentdata.h"
#include "routing/routingmanager.h"
#include "view/modecontroller.h"
#include "view/occwidget.h"

#include <AIS_InteractiveContext.hxx>
#include <Graphic3d_Camera.hxx>
#include <V3d_View.hxx>

#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <gp_Vec.hxx>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Three 0805 parts (pads 1 and 2 at x ∓ 0.9): R1 at (0, 0), R2 at (10, 0), R3 at (0, 20).
// GND joins R1/1, R2/1 and R3/1 (links of 10 and 20 mm), SIG R1/2 and R2/2 (10 mm), LONE only
// R3/2; NOWHERE names a part that is not on the board.
class MainWindowRatsnest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The English catalogue gives the plural forms a user reads ("1 pad", "1 link").
        ASSERT_FALSE(TranslationLoader::loadFirstAvailable(english, {QStringLiteral("en_US")}).isEmpty());
        QCoreApplication::installTranslator(&english);
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
        window->show();
        ASSERT_TRUE(waitFor([this] { return probe->viewerReady(); }));

        Netlist netlist;
        for (const char* ref : {"R1", "R2", "R3"}) {
            NetlistComponent component;
            component.ref = ref;
            component.footprint = QStringLiteral("Builtin_0805");
            netlist.components.insert(component.ref, component);
        }
        netlist.connections = {
            {"GND", {PadId("R1", "1"), PadId("R2", "1"), PadId("R3", "1")}},
            {"SIG", {PadId("R1", "2"), PadId("R2", "2")}},
            {"LONE", {PadId("R3", "2")}},
            {"NOWHERE", {PadId("X9", "1"), PadId("X9", "2")}},
        };
        probe->project().setNetlist(std::move(netlist));
        window->generateComponents();
        ComponentManager* components = probe->componentManager();
        ASSERT_EQ(components->components().size(), 3);
        ASSERT_TRUE(components->moveComponent("R1", gp_Pnt(0, 0, 0), true));
        ASSERT_TRUE(components->moveComponent("R2", gp_Pnt(10, 0, 0), true));
        ASSERT_TRUE(components->moveComponent("R3", gp_Pnt(0, 20, 0), true));
        ASSERT_TRUE(probe->ratsnestButton()->isEnabled());
    }

    gp_Pnt padBase(const QString& ref, const QString& pad) const
    {
        const QList<PinPad> pads = probe->componentManager()->pin(PadId(ref, pad)).pads();
        return pads.isEmpty() ? gp_Pnt() : pads.first().basePoint;
    }

    // SIG routed from R1/2 to R2/2, through the window's own finished-track path: a narrow
    // track round R2/1 (GND), which a straight one would short.
    void routeSig()
    {
        RoutingManager& routing = probe->project().routingManager();
        const gp_Pnt from = padBase("R1", "2");
        const gp_Pnt to = padBase("R2", "2");
        Route sig = RouteBuilder::route("SIG", "R1", "2", "R2", "2",
                                        {from, from.Translated(gp_Vec(0, -4, 0)),
                                         to.Translated(gp_Vec(0, -4, 0)), to});
        for (RouteSegment& segment : sig.segments)
            segment.width = 0.4;
        routing.addRoute(RouteBuilder::withSolids(sig));
        emit probe->routingController()->routeFinalized(routing.routes().last());
    }

    int displayedLines() const
    {
        int count = 0;
        for (const RatsnestLink& link : probe->ratsnestLinks())
            count += !link.line.IsNull() && probe->occWidget()->context()->IsDisplayed(link.line);
        return count;
    }

    // A click on the explorer's row of that key, as the table reports it.
    void activateRow(bool component, const QString& key)
    {
        BoardExplorerPanel* panel = probe->boardExplorer();
        QTableWidget* table = component ? panel->componentTable() : panel->netTable();
        panel->tabs()->setCurrentWidget(table);
        panel->tabs()->setCurrentIndex(component ? 0 : 1);
        for (int r = 0; r < table->rowCount(); ++r) {
            if (table->item(r, 0)->text() == key) {
                emit table->itemActivated(table->item(r, 0));
                return;
            }
        }
        ADD_FAILURE() << "no row " << key.toStdString();
    }

    gp_Pnt viewCentre() const
    {
        double x, y, z;
        probe->occWidget()->view()->At(x, y, z);
        return gp_Pnt(x, y, z);
    }

    gp_Dir viewDirection() const { return probe->occWidget()->view()->Camera()->Direction(); }

    void TearDown() override
    {
        probe.reset();
        window.reset();
        QCoreApplication::removeTranslator(&english);
    }

    TestSupport::IsolatedSettings settings;
    QTranslator english;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
};

} // namespace

TEST_F(MainWindowRatsnest, ToggleDrawsTheUnroutedLinksAndEditsRefreshThem)
{
    probe->ratsnestButton()->click();
    EXPECT_EQ(probe->ratsnestButton()->text(), "Hide Ratsnest");
    EXPECT_TRUE(probe->ratsnestInfoButton()->isEnabled());
    EXPECT_EQ(probe->status(), "Ratsnest: 0/3 links routed, 3 left — length 40.0 mm");
    EXPECT_EQ(displayedLines(), 3);

    routeSig();
    EXPECT_EQ(probe->status(), "Ratsnest: 1/3 links routed, 2 left — length 30.0 mm");
    EXPECT_EQ(displayedLines(), 2);
    EXPECT_EQ(probe->netRatsnestStats().value("SIG").unroutedLinks, 0);

    // A moved part takes its links along.
    ASSERT_TRUE(probe->componentManager()->moveComponent("R3", gp_Pnt(0, 30, 0)));
    EXPECT_EQ(probe->status(), "Ratsnest: 1/3 links routed, 2 left — length 40.0 mm");

    probe->undoStack()->undo(); // the track goes
    EXPECT_EQ(probe->status(), "Ratsnest: 0/3 links routed, 3 left — length 50.0 mm");
    EXPECT_EQ(displayedLines(), 3);

    {
        MessageBoxAnswerer answerer;
        window->showRatsnestInfo();
        ASSERT_EQ(answerer.seen.size(), 1);
        const QString report = answerer.seen.first();
        EXPECT_TRUE(report.startsWith("Ratsnest Information|=== Ratsnest Information ===")) << report.toStdString();
        EXPECT_TRUE(report.contains("Routing progress: 0/3 links routed\n")) << report.toStdString();
        EXPECT_TRUE(report.contains("Remaining links: 3\nRemaining length: 50.0 mm\n\nNets still to route:\n"))
            << report.toStdString();
        // The count is named as in the status line; the catalogue may not hold its plural forms yet.
        static const QRegularExpression perNet(
            QStringLiteral("• GND: 2 link(s|\\(s\\)), 40\\.0 mm\n• SIG: 1 link(\\(s\\))?, 10\\.0 mm"));
        EXPECT_TRUE(report.contains(perNet)) << report.toStdString();
    }

    // Hidden with the explorer shown: no line, the status says so, the net figures stay current.
    const QList<RatsnestLink> shown = probe->ratsnestLinks();
    probe->ratsnestButton()->click();
    EXPECT_EQ(probe->ratsnestButton()->text(), "Show Ratsnest");
    EXPECT_FALSE(probe->ratsnestInfoButton()->isEnabled());
    EXPECT_EQ(probe->status(), "Ratsnest hidden");
    for (const RatsnestLink& link : shown)
        EXPECT_FALSE(probe->occWidget()->context()->IsDisplayed(link.line));
    EXPECT_EQ(displayedLines(), 0);
    EXPECT_EQ(probe->netRatsnestStats().value("GND").unroutedLinks, 2);
    routeSig();
    EXPECT_EQ(probe->netRatsnestStats().value("SIG").unroutedLinks, 0);
    EXPECT_EQ(probe->status(), "Ratsnest hidden") << "a hidden ratsnest leaves the status alone";
}

TEST_F(MainWindowRatsnest, ToggleWithoutNetlistComponentsIsRefused)
{
    probe->project().setNetlist(Netlist());
    probe->ratsnestButton()->setEnabled(true);
    probe->ratsnestButton()->click();
    EXPECT_FALSE(probe->ratsnestButton()->isChecked());
    EXPECT_EQ(probe->ratsnestButton()->text(), "Show Ratsnest");
    EXPECT_EQ(probe->status(), "Import a netlist first");
}

TEST_F(MainWindowRatsnest, NetRowFramesItsPadsAndGivesItsFigures)
{
    routeSig();
    struct Case
    {
        const char* net;
        const char* status;
    };
    const Case cases[] = {
        {"GND", "Net GND — 0/2 links routed, 30.0 mm left"},
        {"SIG", "Net SIG — every link routed (1/1)"},
        {"LONE", "Net LONE — 1 pad, nothing to route"},
        {"NOWHERE", "Net NOWHERE: none of its pads is on the board"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.net);
        probe->occWidget()->centerOn(gp_Pnt(500, 500, 0));
        activateRow(false, c.net);
        EXPECT_EQ(probe->status(), c.status);
        EXPECT_EQ(probe->modes()->currentMode(), ModeController::Mode::View) << "a net selects nothing";
    }
    // GND's pads (x -0.9 to 9.1, y 0 to 20) are framed; LONE's single pad is centred on.
    activateRow(false, "GND");
    EXPECT_NEAR(viewCentre().X(), 4.1, 1e-3);
    EXPECT_NEAR(viewCentre().Y(), 10.0, 1e-3);
    const gp_Pnt lone = padBase("R3", "2");
    activateRow(false, "LONE");
    EXPECT_NEAR(viewCentre().X(), lone.X(), 1e-6);
    EXPECT_NEAR(viewCentre().Y(), lone.Y(), 1e-6);
}

// A net with pins on a part that left the board is not shown as finished, in the list or the
// status line.
TEST_F(MainWindowRatsnest, NetWithPinsOffTheBoardSaysThatTheyAreMissing)
{
    routeSig();
    ASSERT_TRUE(probe->componentManager()->removeComponent("R3"));
    probe->refreshRoutingViews();
    QTableWidget* nets = probe->boardExplorer()->netTable();
    probe->boardExplorer()->tabs()->setCurrentWidget(nets);
    const auto state = [nets](const QString& net) {
        for (int r = 0; r < nets->rowCount(); ++r)
            if (nets->item(r, 0)->text() == net)
                return nets->item(r, 3)->text();
        return QString();
    };
    EXPECT_TRUE(state("GND").startsWith("To route · 1 pin")) << state("GND").toStdString();
    EXPECT_TRUE(state("NOWHERE").startsWith("2 pin")) << state("NOWHERE").toStdString();
    EXPECT_EQ(state("SIG"), "Routed");
    activateRow(false, "GND");
    EXPECT_TRUE(probe->status().startsWith("Net GND — 0/1 links routed, 10.0 mm left — 1 pin"))
        << probe->status().toStdString();
    EXPECT_TRUE(probe->status().endsWith("missing from the board (component without footprint or not placed)"));
}

TEST_F(MainWindowRatsnest, ComponentRowSelectsAndCentres)
{
    const gp_Dir direction = viewDirection();
    const double scale = probe->occWidget()->view()->Camera()->Scale();
    activateRow(true, "R2");
    EXPECT_EQ(probe->modes()->currentMode(), ModeController::Mode::Select);
    EXPECT_EQ(probe->selectedComponent(), "R2");
    EXPECT_NEAR(viewCentre().X(), 10.0, 1e-6);
    EXPECT_NEAR(viewCentre().Y(), 0.0, 1e-6);
    // Going to a component moves the view; it does not turn it.
    for (const char* ref : {"R1", "R3", "R2"}) {
        SCOPED_TRACE(ref);
        activateRow(true, ref);
        EXPECT_TRUE(viewDirection().IsEqual(direction, 1e-9))
            << viewDirection().X() << " " << viewDirection().Y() << " " << viewDirection().Z();
        EXPECT_NEAR(probe->occWidget()->view()->Camera()->Scale(), scale, 1e-9 * scale);
    }

    // Already selected, already in Select mode: still centred.
    probe->occWidget()->centerOn(gp_Pnt(500, 500, 0));
    activateRow(true, "R2");
    EXPECT_NEAR(viewCentre().X(), 10.0, 1e-6);
    EXPECT_EQ(probe->selectedComponent(), "R2");

    activateRow(true, "R3");
    EXPECT_EQ(probe->selectedComponent(), "R3");
    EXPECT_NEAR(viewCentre().Y(), 20.0, 1e-6);
}

TEST_F(MainWindowRatsnest, ActivationWaitsForTheTrackAndTheDrag)
{
    const gp_Pnt before = viewCentre();
    probe->setComponentDragActive(true);
    window->setStatusText("dragging");
    activateRow(true, "R2");
    activateRow(false, "GND");
    EXPECT_EQ(probe->status(), "dragging");
    EXPECT_EQ(probe->modes()->currentMode(), ModeController::Mode::View);
    EXPECT_TRUE(viewCentre().IsEqual(before, 1e-9));
    probe->setComponentDragActive(false);

    RoutingManager& routing = probe->project().routingManager();
    ASSERT_TRUE(routing.startRouting("GND", PadId("R1", "1"), padBase("R1", "1")));
    for (const bool component : {true, false}) {
        window->setStatusText(QString());
        activateRow(component, component ? "R2" : "GND");
        EXPECT_EQ(probe->status(),
                  "A track is being drawn — finish it, or press Escape, before selecting from the list");
        EXPECT_TRUE(routing.isRouting());
        EXPECT_EQ(probe->modes()->currentMode(), ModeController::Mode::View);
    }
}
