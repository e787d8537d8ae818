// Undo commands of track edits. They find their track by identity, never by index. Adding a
// track, moving a segment or a corner and resizing are applied before the push (their first
// redo only refreshes); clearing and deleting are done by the push. A step that can no longer
// apply (its track gone, or the model refusing the stored geometry) marks itself obsolete, so
// the stack drops it instead of pretending it ran.
#pragma once

#include "model/dragcommits.h"
#include "model/routerecords.h"

#include <QList>
#include <QUndoCommand>

#include <functional>

class RoutingManager;

using RefreshCallback = std::function<void()>;

struct SegmentResize
{
    int segmentIndex = -1;
    double oldWidth = 0.0;
    double oldHeight = 0.0;
    double newWidth = 0.0;
    double newHeight = 0.0;
};

class AddRouteCommand : public QUndoCommand
{
public:
    AddRouteCommand(RoutingManager* manager, const Route& route, RefreshCallback refresh,
                    QUndoCommand* parent = nullptr);
    void undo() override;
    void redo() override;
    int id() const override { return 5; }

private:
    RoutingManager* m_manager;
    Route m_route;
    RefreshCallback m_refresh;
    bool m_firstRedo = true;
};

class ClearAllRoutesCommand : public QUndoCommand
{
public:
    ClearAllRoutesCommand(RoutingManager* manager, RefreshCallback refresh, QUndoCommand* parent = nullptr);
    void undo() override;
    void redo() override;
    int id() const override { return 6; }

private:
    RoutingManager* m_manager;
    QList<Route> m_routes;
    QList<UnbuiltRoute> m_unbuiltRoutes;
    RefreshCallback m_refresh;
};

class DeleteRouteCommand : public QUndoCommand
{
public:
    DeleteRouteCommand(RoutingManager* manager, int routeIndex, RefreshCallback refresh,
                       QUndoCommand* parent = nullptr);
    void undo() override;
    void redo() override;
    int id() const override { return 7; }

private:
    bool isReal() const { return !m_route.netName.isEmpty() && !m_route.segments.isEmpty(); }

    RoutingManager* m_manager;
    Route m_route;
    RefreshCallback m_refresh;
};

class RouteMutationCommand : public QUndoCommand
{
public:
    void undo() override;
    void redo() override;

protected:
    RouteMutationCommand(RoutingManager* manager, quint64 routeId, RefreshCallback refresh, const char* logPrefix,
                         QUndoCommand* parent);
    // False when the model refused the stored state.
    virtual bool applyAt(int routeIndex, bool after) = 0;

    RoutingManager* m_manager;
    quint64 m_routeId;
    RefreshCallback m_refresh;
    const char* m_logPrefix;
    bool m_firstRedo = true;

private:
    int routeIndex() const;
    void applyOrDrop(bool after);
};

class MoveSegmentCommand : public RouteMutationCommand
{
public:
    MoveSegmentCommand(RoutingManager* manager, const SegmentDragCommit& commit, RefreshCallback refresh,
                       QUndoCommand* parent = nullptr);
    int id() const override { return 8; }

protected:
    bool applyAt(int routeIndex, bool after) override;

private:
    SegmentDragCommit m_commit;
};

class MoveVertexCommand : public RouteMutationCommand
{
public:
    MoveVertexCommand(RoutingManager* manager, const VertexDragCommit& commit, RefreshCallback refresh,
                      QUndoCommand* parent = nullptr);
    int id() const override { return 9; }

protected:
    bool applyAt(int routeIndex, bool after) override;

private:
    VertexDragCommit m_commit;
};

// Where a track ending on another track meets it, by the tee's identity.
struct JunctionEnd
{
    quint64 routeId = 0;
    gp_Pnt point;
    bool onHost = false; // hosted by the track being resized
};

class ResizeRouteCommand : public RouteMutationCommand
{
public:
    // junctionsBefore: junctionEnds of the track before the resize was applied; the command
    // reads the state after it, so that undo and redo put each tee's end back exactly.
    ResizeRouteCommand(RoutingManager* manager, quint64 routeId, const QList<SegmentResize>& entries,
                       const QList<JunctionEnd>& junctionsBefore, RefreshCallback refresh,
                       QUndoCommand* parent = nullptr);
    int id() const override { return 10; }

    // Every T junction of the model, each marked when routeId's track hosts it.
    static QList<JunctionEnd> junctionEnds(const RoutingManager& manager, quint64 routeId);

protected:
    bool applyAt(int routeIndex, bool after) override;

private:
    struct JunctionMove
    {
        quint64 routeId;
        gp_Pnt before;
        gp_Pnt after;
    };

    QList<SegmentResize> m_entries;
    // A host's section moves the junctions on it only while they still meet it, a test that
    // does not read the same both ways: what the resize did to them is replayed, not redone.
    QList<JunctionMove> m_junctions;
};
