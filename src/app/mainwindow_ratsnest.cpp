// Main window: the ratsnest of what the tracks do not yet connect, its lines, the routing
// progress in the status line and the report.
#include "app/mainwindow.h"

#include "app/reportdialog.h"
#include "components/componentmanager.h"
#include "foundation/occutils.h"
#include "view/occwidget.h"
#include "foundation/uitheme.h"

#include <AIS_InteractiveContext.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <Graphic3d_ZLayerId.hxx>
#include <Prs3d_Drawer.hxx>
#include <Prs3d_LineAspect.hxx>
#include <TopoDS_Edge.hxx>

#include <QColor>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

constexpr double kZeroLength = 1e-7;

} // namespace

void MainWindow::computeRatsnestLinks(const PinTable& pins)
{
    const auto missing = [this](const PadId& pin) {
        if (!m_componentManager)
            qWarning() << "Ratsnest: no ComponentManager — pad" << pin.toString() << "unresolved";
        else if (!m_componentManager->findComponent(pin.ref))
            qWarning() << "Component not found:" << pin.ref;
        else
            qWarning() << "Pad" << pin.pad << "not found for" << pin.ref;
    };
    RatsnestResult result = computeRatsnest(m_project.netlist().connections, pins, m_netConnectivity, missing);
    m_ratsnestLinks = std::move(result.links);
    m_ratsnestTotalLinks = result.totalLinks;
    m_netRatsnestStats = std::move(result.perNet);
}

RatsnestStats MainWindow::rebuildRatsnest()
{
    RatsnestStats stats;
    clearRatsnest();
    const PinTable pins = m_componentManager ? m_componentManager->pins() : PinTable();
    m_netConnectivity.build(m_project.routingManager(), &pins);
    computeRatsnestLinks(pins);
    stats.unrouted = int(m_ratsnestLinks.size());
    stats.total = m_ratsnestTotalLinks;
    stats.detachedTracks = int(m_netConnectivity.issues().size());
    if (m_ratsnestVisible) {
        const opencascade::handle<AIS_InteractiveContext> context = m_occWidget ? m_occWidget->context() : nullptr;
        for (RatsnestLink& link : m_ratsnestLinks) {
            updateRatsnestLine(link);
            if (link.line.IsNull())
                continue;
            if (!context.IsNull())
                OccUtils::safeDisplay(context, link.line, true);
            stats.unroutedLengthMm += link.lengthMm;
        }
        OccUtils::safeUpdateViewer(context);
    }
    return stats;
}

void MainWindow::updateRatsnestLine(RatsnestLink& link)
{
    const gp_Pnt& a = link.pointA;
    const gp_Pnt& b = link.pointB;
    if (a.Distance(b) < kZeroLength)
        return;
    OccUtils::guardedCall(0, "updateRatsnestLine", [&] {
        BRepBuilderAPI_MakeEdge edge(a, b);
        if (!edge.IsDone())
            return 0;
        link.line = new AIS_Shape(edge.Edge());
        link.line->SetZLayer(Graphic3d_ZLayerId_Topmost);
        const QColor c = netColor(link.netName);
        const Quantity_Color colour(c.redF(), c.greenF(), c.blueF(), Quantity_TOC_RGB);
        link.line->SetColor(colour);
        link.line->SetWidth(1.5);
        if (link.line->Attributes().IsNull())
            link.line->SetAttributes(new Prs3d_Drawer());
        link.line->Attributes()->SetLineAspect(new Prs3d_LineAspect(colour, Aspect_TOL_DOT, 1.5));
        link.line->Attributes()->SetWireAspect(new Prs3d_LineAspect(colour, Aspect_TOL_DOT, 1.5));
        link.lengthMm = a.Distance(b);
        return 0;
    });
}

QColor MainWindow::netColor(const QString& netName) const
{
    return ratsnestNetColor(netName);
}

bool MainWindow::clearRatsnestDisplay()
{
    if (!m_occWidget || !m_viewerReady || m_occWidget->context().IsNull())
        return false;
    const opencascade::handle<AIS_InteractiveContext> context = m_occWidget->context();
    bool any = false;
    for (RatsnestLink& link : m_ratsnestLinks) {
        if (link.line.IsNull())
            continue;
        OccUtils::safeRemove(context, link.line);
        any = true;
    }
    if (any)
        OccUtils::safeUpdateViewer(context);
    return true;
}

void MainWindow::clearRatsnest()
{
    clearRatsnestDisplay();
    m_ratsnestLinks.clear();
    m_ratsnestTotalLinks = 0;
    m_netRatsnestStats.clear();
    // Its issues describe the design of the last build: kept, they would be shown beside
    // figures that no longer exist.
    m_netConnectivity.clear();
}

void MainWindow::updateRatsnestButton(bool visible)
{
    m_ratsnestVisible = visible;
    if (!visible)
        clearRatsnest();
    if (m_ratsnestButton) {
        const QSignalBlocker blocker(m_ratsnestButton);
        m_ratsnestButton->setChecked(visible);
        m_ratsnestButton->setText(visible ? tr("Hide Ratsnest") : tr("Show Ratsnest"));
    }
    if (m_ratsnestInfoButton)
        m_ratsnestInfoButton->setEnabled(visible);
}

void MainWindow::toggleRatsnestDisplay()
{
    if (m_ratsnestButton && m_ratsnestButton->isChecked()) {
        if (!m_project.netlist().components.isEmpty()) {
            updateRatsnestButton(true);
            refreshRatsnestStatus();
        } else {
            updateRatsnestButton(false);
            setStatusText(tr("Import a netlist first"));
        }
        return;
    }
    updateRatsnestButton(false);
    setStatusText(tr("Ratsnest hidden"));
    refreshRatsnest();
}

void MainWindow::refreshRatsnest()
{
    if (m_project.netlist().components.isEmpty())
        return;
    if (!m_ratsnestVisible) {
        // Hidden: computed only for a visible explorer's net figures, and not during a drag.
        if (!isBoardExplorerShown() || m_componentDragActive)
            return;
    }
    const RatsnestStats stats = rebuildRatsnest();
    if (m_ratsnestVisible)
        setStatusText(ratsnestStatusText(stats));
    refreshBoardExplorer();
}

void MainWindow::refreshRatsnestStatus()
{
    if (m_project.netlist().components.isEmpty())
        return;
    setStatusText(ratsnestStatusText(rebuildRatsnest()));
    refreshBoardExplorer();
}

QString MainWindow::ratsnestStatusText(const RatsnestStats& stats) const
{
    const QString suffix =
        stats.detachedTracks >= 1 ? tr(" — %n track(s) detached from their pad", "", stats.detachedTracks) : QString();
    if (stats.total == 0)
        return tr("Ratsnest: no link to route") + suffix;
    if (stats.unrouted == 0)
        return tr("Ratsnest: every link routed (%1/%1)").arg(stats.total) + suffix;
    return tr("Ratsnest: %1/%2 links routed, %3 left — length %4 mm")
               .arg(stats.total - stats.unrouted)
               .arg(stats.total)
               .arg(stats.unrouted)
               .arg(UiTheme::decimal(stats.unroutedLengthMm, 1))
        + suffix;
}

QString MainWindow::describeDetachedTracks() const
{
    const QList<NetConnectivity::EndIssue>& issues = m_netConnectivity.issues();
    if (issues.isEmpty())
        return QString();
    QString text = tr("\n\nTracks detached from their pad: %1\n").arg(issues.size());
    text += tr("(the track is still drawn; its link is counted as unrouted)\n");
    for (const NetConnectivity::EndIssue& issue : issues) {
        const QString end = issue.atStart ? tr("start") : tr("end");
        if (issue.kind == NetConnectivity::PadNotFound)
            text += tr("• %1 — %2 of the track: pad %3 no longer exists\n")
                        .arg(issue.netName, end, issue.pad.toString());
        else
            text += tr("• %1 — %2 of the track: pad %3 moved %4 mm away\n")
                        .arg(issue.netName, end, issue.pad.toString())
                        .arg(UiTheme::decimal(issue.endPoint.Distance(issue.padPoint), 2));
    }
    return text;
}

void MainWindow::showRatsnestInfo()
{
    const QString detached = describeDetachedTracks().trimmed();
    if (m_ratsnestLinks.isEmpty()) {
        const QString text = m_ratsnestTotalLinks < 1 ? tr("No ratsnest link displayed")
                                                      : tr("Every link is routed: %1/%1.").arg(m_ratsnestTotalLinks);
        ReportDialog::inform(this, QMessageBox::Information, tr("Ratsnest Info"), {text, {detached}, QString()});
        return;
    }
    QMap<QString, QPair<int, double>> perNet;
    for (const RatsnestLink& link : std::as_const(m_ratsnestLinks)) {
        auto& entry = perNet[link.netName];
        ++entry.first;
        entry.second += link.lengthMm;
    }
    QStringList lines{tr("Nets still to route:")};
    double remaining = 0.0;
    for (auto it = perNet.cbegin(); it != perNet.cend(); ++it) {
        lines.append(tr("• %1: %n link(s), %2 mm", nullptr, it.value().first)
                         .arg(it.key(), UiTheme::decimal(it.value().second, 1)));
        remaining += it.value().second;
    }
    if (!detached.isEmpty())
        lines << QString() << detached;
    // The totals stay in view above the list, however many nets it holds.
    const QString summary = tr("=== Ratsnest Information ===\n\n")
        + tr("Routing progress: %1/%2 links routed\n")
              .arg(m_ratsnestTotalLinks - m_ratsnestLinks.size())
              .arg(m_ratsnestTotalLinks)
        + tr("Remaining links: %1\n").arg(m_ratsnestLinks.size())
        + tr("Remaining length: %1 mm").arg(UiTheme::decimal(remaining, 1));
    ReportDialog::inform(this, QMessageBox::Information, tr("Ratsnest Information"), {summary, lines, QString()});
}
