// Interactive routing and track editing: turns the 3D view's input into edits of the
// routing model and shows tracks, previews and highlights.
#pragma once

#include "interaction/trackdrag.h"
#include "model/dragcommits.h"
#include "model/padid.h"
#include "model/routerecords.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPoint>

#include <AIS_Shape.hxx>
#include <Standard_Handle.hxx>
#include <gp_Pnt.hxx>

#include <array>
#include <functional>
#include <memory>

class AIS_InteractiveContext;
class ComponentManager;
class OccWidget;
class PadCacheManager;
class ProjectManager;
class RoutingManager;
class RoutingViewPort;

class RoutingController : public QObject
{
    Q_OBJECT

public:
    // A pin of the net to take the height of, at its pad nearest the cursor.
    struct SnapCandidate
    {
        PadId pad;
        gp_Pnt base;
        double distance = 0.0; // in plan: the pins lie at other heights than the cursor
    };

    // Milliseconds of a monotonic clock; replaceable so that the time rules can be tested.
    using Clock = std::function<qint64()>;

    RoutingController(ProjectManager* project, ComponentManager* components, OccWidget* viewer,
                      PadCacheManager* padCache, QObject* parent = nullptr);
    RoutingController(ProjectManager* project, ComponentManager* components,
                      std::unique_ptr<RoutingViewPort> view, PadCacheManager* padCache,
                      QObject* parent = nullptr);
    ~RoutingController() override;

    void setComponentManager(ComponentManager* components) { m_components = components; }
    void setPadCache(PadCacheManager* padCache) { m_padCache = padCache; }
    void setClock(Clock clock);

    void setRoutingActive(bool active);
    bool isRoutingActive() const { return m_routingActive; }
    void setRouteEditActive(bool active);
    bool isRouteEditActive() const { return m_routeEditActive; }
    bool isRouteShape(const opencascade::handle<AIS_Shape>& shape) const;
    bool isDragging() const { return m_dragging; }
    bool isDragInProgress() const { return m_dragging; }
    void clearSegmentSelection();
    void displayRoutedTracks();

    // Read access for the window and the tests.
    int selectedRoute() const { return m_selectedRoute; }
    int selectedSegment() const { return m_selectedSegment; }
    int hoveredVertex() const { return m_hoveredVertex; }
    int hoveredVertexRoute() const { return m_hoveredVertexRoute; }
    const PadId& hoveredPad() const { return m_hoveredPad; }
    const gp_Pnt& lastTarget() const { return m_lastTarget; }
    bool isSnapActive() const { return m_snapActive; }
    double snapZ() const { return m_snapZ; }
    const QList<opencascade::handle<AIS_Shape>>& routeShapes() const { return m_routeShapes; }
    const TrackDrag::Slots& dragSlots() const { return m_dragSlots; }
    bool dragCollides() const { return m_dragCollision; }
    bool hasSegmentPreview() const { return !m_segmentPreview.IsNull(); }
    const opencascade::handle<AIS_Shape>& segmentPreview() const { return m_segmentPreview; }
    bool hasPadGuide() const { return !m_padGuide.IsNull(); }

public slots:
    void onPadClicked(PadId pad, gp_Pnt position);
    void onMouseMove(QPoint screenPos);
    void onKeyPress(int key, QPoint mousePos);
    void onIntermediatePointClicked(gp_Pnt approximatePos);
    void onRouteSegmentClicked(opencascade::handle<AIS_Shape> routeShape, QPoint logicalPos);
    void onRouteEditEmptyClick();
    void onRouteEditKeyPress(int key);
    void onRouteEditMouseMoved(QPoint logicalPos);

signals:
    void statusChanged(QString message);
    void routingLabelChanged(QString text);
    void clearRouteBtnEnabled(bool enabled);
    void padsActivationRequested(bool activate);
    void padHighlightRequested(PadId pad);
    void padUnhighlightRequested(PadId pad);
    void selectionToleranceChangeRequested(int pixels);
    void routeFinalized(Route route);
    void segmentSelected(int routeIndex, int segmentIndex, bool isCentral);
    void segmentDeselected();
    void deleteRouteRequested(int routeIndex);
    void segmentDragCommitted(SegmentDragCommit info);
    void vertexDragCommitted(VertexDragCommit info);

private:
    RoutingManager& model() const;
    opencascade::handle<AIS_InteractiveContext> context() const;
    // The base point of the pin's pad nearest to near (a clicked pad is nearest to its own
    // position); (0, 0, 0) for a pin not on the board.
    gp_Pnt padBase(const PadId& pad, const gp_Pnt& near) const;
    qint64 now() const { return m_clock(); }
    void updateViewer();
    void status(const QString& text) { emit statusChanged(text); }

    // Drawing (routingcontroller.cpp)
    void cancelRoute();
    void returnToIdle(const QString& message);
    void takeBackEndPoint(const QString& message);
    QString refusalText(const QString& fallback) const;
    bool tryEndOnTrack();
    void clearSnap();
    void collectSnap(const QPoint& mousePos);
    void applySnap();
    void releaseHoveredPad();
    void hoverPad(const PadId& pad, bool withStatus);

    // Display (routingcontroller_display.cpp)
    void updatePadHover(const QPoint& logical);
    gp_Pnt verticalRubberBand(const QPoint& logical, const gp_Pnt& current) const;
    void updateSegmentPreview(const gp_Pnt& target);
    bool previewCollides(const RouteSegment& preview) const;
    void updatePadGuide(const gp_Pnt& target);
    void refreshCommittedPreview();
    void removePreviews();
    void removeShape(opencascade::handle<AIS_Shape>& shape);
    opencascade::handle<AIS_Shape> showSolid(const TopoDS_Shape& solid, const Quantity_Color& colour,
                                             double transparency, bool selectable);
    void activateRouteShapes(bool on);
    void updateRouteEditHover(const QPoint& logical);
    int segmentUnderCursor(int routeIndex, const QPoint& logical) const;
    int routeIndexOfShape(const opencascade::handle<AIS_InteractiveObject>& object) const;
    void showSegmentOverlay(opencascade::handle<AIS_Shape>& overlay, int routeIndex, int segmentIndex,
                            const Quantity_Color& colour, double transparency);
    void buildVertexCube();
    void clearEditOverlays();

    // Editing (routingcontroller_drag.cpp)
    void dropSelection(bool notify);
    void startDrag(int routeIndex, int k, const QPoint& logical);
    void startVertexDrag(int routeIndex, int k);
    void enterDrag(int routeIndex, const QString& message);
    void updateDrag(const QPoint& logical);
    bool detectDragCollision() const;
    void redrawGhosts();
    void commitDrag();
    void cancelDrag();
    void resetDragState();

    ProjectManager* m_project = nullptr;
    ComponentManager* m_components = nullptr;
    std::unique_ptr<RoutingViewPort> m_view;
    PadCacheManager* m_padCache = nullptr;
    Clock m_clock;

    bool m_routingActive = false;
    opencascade::handle<AIS_Shape> m_segmentPreview;
    bool m_previewCollision = false;
    qint64 m_lastPreviewTest = -1;
    opencascade::handle<AIS_Shape> m_padGuide;
    QList<opencascade::handle<AIS_Shape>> m_committedPreview;
    QList<opencascade::handle<AIS_Shape>> m_routeShapes;
    PadId m_hoveredPad;
    gp_Pnt m_lastTarget;
    bool m_snapActive = false;
    double m_snapZ = 0.0;
    qint64 m_snapStarted = -1;
    int m_snapIndex = 0;
    QList<SnapCandidate> m_snapCandidates;

    bool m_routeEditActive = false;
    int m_selectedRoute = -1;
    int m_selectedSegment = -1;
    opencascade::handle<AIS_Shape> m_selectionHighlight;
    QMap<const AIS_InteractiveObject*, int> m_shapeToRoute;
    qint64 m_lastHover = -1;
    opencascade::handle<AIS_Shape> m_hoverHighlight;
    int m_hoveredRoute = -1;
    int m_hoveredSegment = -1;

    bool m_dragging = false;
    bool m_refreshSkipped = false; // a track refresh came during the drag
    int m_dragMode = 0; // 1 segment, 2 corner
    int m_dragRouteIndex = -1;
    quint64 m_dragRouteId = 0;
    gp_Pnt m_dragAnchor;
    double m_dragPlaneZ = 0.0;
    bool m_dragCollision = false;
    qint64 m_lastCollisionTest = -1;
    TrackDrag::Slots m_dragSlots;
    std::array<opencascade::handle<AIS_Shape>, 4> m_dragGhosts;
    int m_dragSegment = -1;
    double m_dragDirX = 0.0;
    double m_dragDirY = 0.0;
    int m_dragVertex = -1;
    int m_dragVertexKind = TrackDrag::NotDraggable;

    int m_hoveredVertexRoute = -1;
    int m_hoveredVertex = -1;
    opencascade::handle<AIS_Shape> m_vertexCube;
};
