#include "app/routecommands.h"

#include "model/padid.h"
#include "routing/routingmanager.h"

#include <QCoreApplication>
#include <QDebug>

namespace {

QString translated(const char* text)
{
    return QCoreApplication::translate("QObject", text);
}

// The text of a track in a command name: "%1 (%2 → %3)" filled with net, start and end.
QString describe(const char* text, const Route& route)
{
    const QString start = PadId(route.startRef, route.startPad).toString();
    const QString end = route.endsOnTrack ? translated(QT_TRANSLATE_NOOP("QObject", "track junction"))
                                          : PadId(route.endRef, route.endPad).toString();
    return translated(text).arg(route.netName, start, end);
}

void callRefresh(const RefreshCallback& refresh)
{
    if (refresh)
        refresh();
}

} // namespace

AddRouteCommand::AddRouteCommand(RoutingManager* manager, const Route& route, RefreshCallback refresh,
                                 QUndoCommand* parent)
    : QUndoCommand(parent), m_manager(manager), m_route(route), m_refresh(std::move(refresh))
{
    setText(describe(QT_TRANSLATE_NOOP("QObject", "Add track %1 (%2 → %3)"), route));
}

void AddRouteCommand::undo()
{
    if (!m_manager)
        return;
    const int index = m_manager->indexOfRouteId(m_route.id);
    if (index < 0) {
        qWarning() << "AddRouteCommand::undo: route" << m_route.label() << "not found — nothing removed";
        setObsolete(true);
    } else {
        m_manager->removeRouteAt(index);
    }
    callRefresh(m_refresh);
}

void AddRouteCommand::redo()
{
    if (!m_manager)
        return;
    if (m_firstRedo)
        m_firstRedo = false;
    else
        m_manager->addRoute(m_route);
    callRefresh(m_refresh);
}

ClearAllRoutesCommand::ClearAllRoutesCommand(RoutingManager* manager, RefreshCallback refresh, QUndoCommand* parent)
    : QUndoCommand(parent), m_manager(manager), m_refresh(std::move(refresh))
{
    if (manager) {
        m_routes = manager->routes();
        m_unbuiltRoutes = manager->unbuiltRoutes();
    }
    setText(translated(QT_TRANSLATE_NOOP("QObject", "Clear all tracks (%1)"))
                .arg(m_routes.size() + m_unbuiltRoutes.size()));
}

void ClearAllRoutesCommand::redo()
{
    if (!m_manager)
        return;
    m_manager->clearRoutes();
    callRefresh(m_refresh);
}

void ClearAllRoutesCommand::undo()
{
    if (!m_manager)
        return;
    // Routes drawn since the clear stay first; the places count from there.
    const int before = int(m_manager->routes().size());
    for (const Route& route : std::as_const(m_routes))
        m_manager->addRoute(route);
    for (const UnbuiltRoute& kept : std::as_const(m_unbuiltRoutes))
        m_manager->addUnbuiltRoute(kept.route, before + kept.place);
    callRefresh(m_refresh);
}

DeleteRouteCommand::DeleteRouteCommand(RoutingManager* manager, int routeIndex, RefreshCallback refresh,
                                       QUndoCommand* parent)
    : QUndoCommand(parent), m_manager(manager), m_refresh(std::move(refresh))
{
    if (manager && routeIndex >= 0 && routeIndex < manager->routes().size()) {
        m_route = manager->routes().at(routeIndex);
        setText(describe(QT_TRANSLATE_NOOP("QObject", "Delete track %1 (%2 → %3)"), m_route));
    } else {
        setText(translated(QT_TRANSLATE_NOOP("QObject", "Delete track")));
    }
}

void DeleteRouteCommand::redo()
{
    if (!m_manager)
        return;
    if (isReal()) {
        const int index = m_manager->indexOfRouteId(m_route.id);
        if (index < 0) {
            qWarning() << "DeleteRouteCommand::redo: route" << m_route.label() << "not found — nothing deleted";
            setObsolete(true);
        } else {
            m_manager->removeRouteAt(index);
        }
    }
    callRefresh(m_refresh);
}

void DeleteRouteCommand::undo()
{
    if (!m_manager)
        return;
    if (isReal())
        m_manager->addRoute(m_route);
    callRefresh(m_refresh);
}

RouteMutationCommand::RouteMutationCommand(RoutingManager* manager, quint64 routeId, RefreshCallback refresh,
                                           const char* logPrefix, QUndoCommand* parent)
    : QUndoCommand(parent), m_manager(manager), m_routeId(routeId), m_refresh(std::move(refresh)),
      m_logPrefix(logPrefix)
{
}

int RouteMutationCommand::routeIndex() const
{
    if (!m_manager)
        return -1;
    const int index = m_manager->indexOfRouteId(m_routeId);
    if (index < 0)
        qWarning().noquote() << m_logPrefix << "route" << QStringLiteral("\"#%1\"").arg(m_routeId)
                             << "not found (deleted since?)";
    return index;
}

void RouteMutationCommand::applyOrDrop(bool after)
{
    const int index = routeIndex();
    if (index < 0 || !applyAt(index, after))
        setObsolete(true);
    callRefresh(m_refresh);
}

void RouteMutationCommand::undo()
{
    applyOrDrop(false);
}

void RouteMutationCommand::redo()
{
    if (m_firstRedo) {
        m_firstRedo = false;
        callRefresh(m_refresh);
        return;
    }
    applyOrDrop(true);
}

MoveSegmentCommand::MoveSegmentCommand(RoutingManager* manager, const SegmentDragCommit& commit,
                                       RefreshCallback refresh, QUndoCommand* parent)
    : RouteMutationCommand(manager, commit.routeId, std::move(refresh), "MoveSegmentCommand:", parent),
      m_commit(commit)
{
    setText(translated(QT_TRANSLATE_NOOP("QObject", "Move segment %1")).arg(commit.segmentIndex + 1));
}

bool MoveSegmentCommand::applyAt(int routeIndex, bool after)
{
    const auto& pairs = after ? m_commit.after : m_commit.before;
    if (routeIndex >= m_manager->routes().size())
        return false;
    const int k = m_commit.segmentIndex;
    const int n = m_manager->routes().at(routeIndex).segments.size();
    if (k <= 0 || k >= n - 1) {
        qWarning() << "MoveSegmentCommand::applyAt: segIdx" << k << "is not central (nSegs=" << n << ")";
        return false;
    }
    QList<SegmentEndpoints> changes;
    for (int i = 0; i < 3; ++i)
        changes.append({k - 1 + i, pairs[i].start, pairs[i].end});
    return m_manager->setSegmentEndpointsAtomic(routeIndex, changes);
}

MoveVertexCommand::MoveVertexCommand(RoutingManager* manager, const VertexDragCommit& commit,
                                     RefreshCallback refresh, QUndoCommand* parent)
    : RouteMutationCommand(manager, commit.routeId, std::move(refresh), "MoveVertexCommand:", parent),
      m_commit(commit)
{
    setText(translated(QT_TRANSLATE_NOOP("QObject", "Move vertex %1")).arg(commit.vertexIndex));
}

bool MoveVertexCommand::applyAt(int routeIndex, bool after)
{
    QList<SegmentEndpoints> changes;
    for (const DragSlot& slot : m_commit.dragSlots) {
        if (slot.segmentIndex < 0)
            continue;
        changes.append({slot.segmentIndex, after ? slot.afterStart : slot.beforeStart,
                        after ? slot.afterEnd : slot.beforeEnd});
    }
    return m_manager->setSegmentEndpointsAtomic(routeIndex, changes);
}

ResizeRouteCommand::ResizeRouteCommand(RoutingManager* manager, quint64 routeId, const QList<SegmentResize>& entries,
                                       const QList<JunctionEnd>& junctionsBefore, RefreshCallback refresh,
                                       QUndoCommand* parent)
    : RouteMutationCommand(manager, routeId, std::move(refresh), "ResizeRouteCommand:", parent), m_entries(entries)
{
    const Route* route = manager ? manager->routeById(routeId) : nullptr;
    setText(route ? translated(QT_TRANSLATE_NOOP("QObject", "Resize track %1")).arg(route->netName)
                  : translated(QT_TRANSLATE_NOOP("QObject", "Resize track")));
    if (!manager)
        return;
    const QList<JunctionEnd> after = junctionEnds(*manager, routeId);
    for (const JunctionEnd& was : junctionsBefore) {
        for (const JunctionEnd& now : after) {
            if (now.routeId != was.routeId)
                continue;
            const bool moved = was.point.X() != now.point.X() || was.point.Y() != now.point.Y()
                || was.point.Z() != now.point.Z();
            if (moved || was.onHost || now.onHost)
                m_junctions.append({was.routeId, was.point, now.point});
        }
    }
}

QList<JunctionEnd> ResizeRouteCommand::junctionEnds(const RoutingManager& manager, quint64 routeId)
{
    QList<JunctionEnd> ends;
    const QList<Route>& routes = manager.routes();
    const int hostIndex = manager.indexOfRouteId(routeId);
    for (int r = 0; r < routes.size(); ++r) {
        if (!routes.at(r).endsOnTrack || routes.at(r).id == 0)
            continue;
        JunctionHost host;
        const bool onHost = hostIndex >= 0 && RoutingManager::hostOfJunction(routes, r, host)
            && host.routeIndex == hostIndex;
        ends.append({routes.at(r).id, routes.at(r).endJunction, onHost});
    }
    return ends;
}

bool ResizeRouteCommand::applyAt(int routeIndex, bool after)
{
    // Every entry is tried, so that one unbuildable segment does not hold the others back.
    bool all = true;
    for (const SegmentResize& entry : std::as_const(m_entries)) {
        all = m_manager->setSegmentDimensions(routeIndex, entry.segmentIndex, after ? entry.newWidth : entry.oldWidth,
                                              after ? entry.newHeight : entry.oldHeight)
            && all;
    }
    for (const JunctionMove& move : std::as_const(m_junctions)) {
        if (Route* tee = m_manager->routeById(move.routeId))
            tee->endJunction = after ? move.after : move.before;
    }
    return all;
}
