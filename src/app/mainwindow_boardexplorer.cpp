// Main window: the board explorer dock, its rows, and going to a component or a net from it.
#include "app/mainwindow.h"

#include "app/boardexplorerpanel.h"
#include "components/componentmanager.h"
#include "interaction/selectioncontroller.h"
#include "view/modecontroller.h"
#include "view/occwidget.h"
#include "foundation/uitheme.h"

#include <Bnd_Box.hxx>

#include <QLabel>
#include <QMenu>
#include <QSet>

#include <utility>

void MainWindow::createBoardExplorer(QMenu* viewMenu)
{
    m_boardExplorer = new BoardExplorerPanel(this);
    addDockWidget(Qt::RightDockWidgetArea, m_boardExplorer);
    m_boardExplorer->show();
    resizeDocks({m_boardExplorer}, {300}, Qt::Horizontal);
    viewMenu->addAction(m_boardExplorer->toggleViewAction());
    connect(m_boardExplorer, &BoardExplorerPanel::componentActivated, this, &MainWindow::onBoardComponentActivated);
    connect(m_boardExplorer, &BoardExplorerPanel::netActivated, this, &MainWindow::onBoardNetActivated);
    connect(m_boardExplorer, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (!visible)
            return;
        refreshRatsnest();
        refreshBoardExplorer();
    });
}

bool MainWindow::isBoardExplorerShown() const
{
    return m_boardExplorer && m_boardExplorer->isVisible();
}

void MainWindow::withOneExplorerRefresh(const std::function<void()>& steps)
{
    ++m_explorerRefreshHeld;
    steps();
    if (--m_explorerRefreshHeld == 0 && std::exchange(m_explorerRefreshWanted, false))
        refreshBoardExplorer();
}

void MainWindow::refreshBoardExplorer()
{
    if (m_explorerRefreshHeld > 0) {
        m_explorerRefreshWanted = true;
        return;
    }
    if (!isBoardExplorerShown() || m_componentDragActive)
        return;
    const QMap<QString, PlacedComponentData> noComponents;
    const auto& placed = m_componentManager ? m_componentManager->components() : noComponents;
    const Netlist& netlist = m_project.netlist();
    QList<BoardExplorerPanel::NetRow> nets = BoardExplorerPanel::buildNetRows(
        netlist.connections, m_netRatsnestStats, m_netConnectivity.issues(), m_netConnectivity.unresolvedJunctions());
    const QHash<QString, int> conflicts = trackConflictsPerNet();
    for (BoardExplorerPanel::NetRow& row : nets)
        row.conflictTracks = conflicts.value(row.name);
    m_boardExplorer->setRows(BoardExplorerPanel::buildComponentRows(netlist.components, placed, netlist.connections),
                             nets);
    m_boardExplorer->selectComponent(m_dragComponentRef);
}

// Shared by both rows: nothing while the viewer is not ready, a track is drawn or a
// component is dragged.
bool MainWindow::boardActivationAllowed()
{
    if (!isViewerReady())
        return false;
    if (m_project.routingManager().isRouting()) {
        setStatusText(tr("A track is being drawn — finish it, or press Escape, before selecting from the list"));
        return false;
    }
    return !m_componentDragActive;
}

void MainWindow::onBoardComponentActivated(const QString& ref)
{
    if (!boardActivationAllowed())
        return;
    const PlacedComponentData* component = m_componentManager->findComponent(ref);
    if (!component) {
        setStatusText(tr("%1 is named by the netlist but not placed on the board").arg(ref));
        return;
    }
    const gp_Pnt position = component->position;
    if (m_modeController && !m_modeController->requestTransition(ModeController::Mode::Select).accepted)
        return;
    if (m_selectionController && !m_selectionController->selectComponent(ref))
        return;
    m_occWidget->centerOn(position);
}

void MainWindow::onBoardNetActivated(const QString& netName)
{
    if (netName.isEmpty() || !boardActivationAllowed())
        return;
    const PinTable pins = m_componentManager->pins();
    QSet<PadId> seen;
    Bnd_Box box;
    for (const NetlistNet& net : m_project.netlist().connections) {
        if (net.netName != netName)
            continue;
        for (const PadId& id : net.connectedPins) {
            const auto pin = pins.constFind(id);
            if (pin == pins.cend() || seen.contains(id))
                continue;
            seen.insert(id);
            for (const PinPad& pad : pin->pads())
                box.Add(pad.position);
        }
    }
    if (seen.isEmpty()) {
        setStatusText(tr("Net %1: none of its pads is on the board").arg(netName));
        return;
    }
    m_occWidget->fitTo(box);
    const NetRatsnestStats stats = m_netRatsnestStats.value(netName);
    const QString missing = stats.missingPins > 0
        ? tr(" — %n pin(s) missing from the board (component without footprint or not placed)", "",
             stats.missingPins)
        : QString();
    if (stats.totalLinks == 0 && stats.missingPins > 0)
        setStatusText(tr("Net %1 — %n pad(s) on the board", "", int(seen.size())).arg(netName) + missing);
    else if (stats.totalLinks == 0)
        setStatusText(tr("Net %1 — %n pad(s), nothing to route", "", int(seen.size())).arg(netName));
    else if (stats.unroutedLinks == 0)
        setStatusText(tr("Net %1 — every link routed (%2/%2)").arg(netName).arg(stats.totalLinks) + missing);
    else
        setStatusText(tr("Net %1 — %2/%3 links routed, %4 mm left")
                          .arg(netName)
                          .arg(stats.totalLinks - stats.unroutedLinks)
                          .arg(stats.totalLinks)
                          .arg(UiTheme::decimal(stats.unroutedLengthMm, 1))
                      + missing);
}
