// Main window: tracks that touch or come too close to another net's conductors. Drawing and
// resizing refuse that; an undo, a redo or a component edit cannot, so it is told instead.
#include "app/mainwindow.h"

#include "foundation/jobs.h"

void MainWindow::checkTrackConflicts(bool announce, const Message_ProgressRange* progress)
{
    const QList<Route>& routes = m_project.routingManager().routes();
    // It reads the routing model and the pads, which nothing edits while a report lets events in.
    const QHash<quint64, TrackConflict> found = progress
        ? Jobs::run<QHash<quint64, TrackConflict>>(*progress, "checkTrackConflicts", Jobs::Reads::Shared,
                                                   [this](const Jobs::Stop&) {
                                                       return m_conflictScan.scan(m_project.routingManager());
                                                   })
              .take()
        : m_conflictScan.scan(m_project.routingManager());

    int fresh = 0;
    const Route* first = nullptr;
    TrackConflict firstConflict;
    for (const Route& route : routes) {
        const auto now = found.constFind(route.id);
        if (now == found.cend())
            continue;
        // New, or a closeness that became a contact.
        const auto before = m_trackConflicts.constFind(route.id);
        if (before != m_trackConflicts.cend() && (before->isShort || !now->isShort))
            continue;
        if (!first) {
            first = &route;
            firstConflict = now.value();
        }
        ++fresh;
    }
    bool changed = found.size() != m_trackConflicts.size() || fresh > 0;
    for (auto it = found.cbegin(); !changed && it != found.cend(); ++it)
        changed = m_trackConflicts.value(it.key()).isShort != it->isShort;
    m_trackConflicts = found;
    m_conflictNotice = announce && first ? trackConflictText(*first, firstConflict, fresh - 1) : QString();
    if (!m_conflictNotice.isEmpty())
        setStatusText(m_conflictNotice);
    if (changed)
        refreshBoardExplorer();
}

QHash<QString, int> MainWindow::trackConflictsPerNet() const
{
    QHash<QString, int> perNet;
    if (m_trackConflicts.isEmpty())
        return perNet;
    for (const Route& route : m_project.routingManager().routes()) {
        if (m_trackConflicts.contains(route.id))
            ++perNet[route.netName];
    }
    return perNet;
}

QString MainWindow::trackConflictText(const Route& route, const TrackConflict& conflict, int others) const
{
    QString text = conflict.isShort
                       ? tr("⚠ Track %1 (%2) now touches %3: a short between two nets")
                             .arg(route.label(), route.netName, conflict.offender)
                       : tr("⚠ Track %1 (%2) is now closer to %3 than the clearance allows")
                             .arg(route.label(), route.netName, conflict.offender);
    if (others > 0)
        text += tr(" (and %n other track(s))", "", others);
    return text;
}
