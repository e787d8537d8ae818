// The OpenCASCADE 3D view inside a Qt widget: viewer set-up, build plate and view cube,
// display and framing, picking, cursor projection and the input of the interaction modes.
#pragma once

#include <QPoint>
#include <QWidget>

#include <functional>
#include <optional>

#include <AIS_Shape.hxx>
#include <Standard_Handle.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Pnt.hxx>

#include "model/padid.h"

class AIS_InteractiveContext;
class AIS_InteractiveObject;
class AIS_ViewCube;
class Bnd_Box;
class V3d_View;
class V3d_Viewer;
class QMouseEvent;
struct PartLook;

class OccWidget : public QWidget
{
    Q_OBJECT

public:
    // A copper pad under the cursor, as the installed pad resolver names it.
    struct PadHit
    {
        PadId pad;
        gp_Pnt position; // the pad's world position, mm
    };

    // Result of pickPadAt: kind 0 pad found, 1 nothing usable, 2 view cube.
    struct PadPick
    {
        int kind = 1;
        PadHit hit;
    };

    using PadResolver = std::function<std::optional<PadHit>(const opencascade::handle<AIS_Shape>&,
                                                            const gp_Pnt&)>;

    // Height of the plane on which pad picks and free routing points are projected.
    static constexpr double kPickPlaneZ = 5.1;

    explicit OccWidget(QWidget* parent = nullptr);
    ~OccWidget() override;

    opencascade::handle<AIS_InteractiveContext> context() const;
    opencascade::handle<V3d_View> view() const;
    // Removes everything displayed and frees the view and its GL resources while the native
    // window still exists; the widget shows nothing afterwards. Whoever holds viewer objects
    // releases them first. The destructor calls it too.
    void releaseViewer();

    void setPadResolver(PadResolver resolver);
    void setPadReactivation(std::function<void()> reactivation);
    void setMainShapeProvider(std::function<TopoDS_Shape()> provider);

    // Display and framing; all are no-ops until the viewer exists.
    void displayShape(const TopoDS_Shape& shape);
    // With the look made for that shape beforehand (preparePartLook), showing it walks no face.
    void displayShape(const TopoDS_Shape& shape, const PartLook& look);
    void displayShapeDeferred(const TopoDS_Shape& shape);
    void displayShapeDeferred(const TopoDS_Shape& shape, const PartLook& look);
    bool isBaseElement(const opencascade::handle<AIS_InteractiveObject>& object) const;
    void clearAll();
    void ensureViewCubeActive();
    // Frames everything; redrawNow false leaves the drawing to the next paint, so that a caller
    // that changed much of the scene draws it once.
    void fitAll(bool redrawNow = true);
    // Brings the point to the middle of the view; the view direction and the zoom stay.
    void centerOn(const gp_Pnt& point);
    void fitTo(const Bnd_Box& box);

    // Interaction modes (ModeController::Mode values).
    void setInteractionMode(int mode);
    int interactionMode() const { return m_interactionMode; }
    void setSelectionActive(bool on);
    bool isSelectionActive() const { return m_selectionActive; }

    // Cursor queries and face highlight.
    QPoint toDevicePixels(const QPoint& logical) const;
    static QPoint toDevicePixels(const QPoint& logical, qreal devicePixelRatio);
    QPoint mouseDevicePos(const QMouseEvent* event) const;
    gp_Pnt projectScreenToPlane(const QPoint& logical, double planeZ) const;
    // The point under the cursor on the plane z = planeZ; nothing when the ray misses it.
    std::optional<gp_Pnt> intersectScreenWithPlane(const QPoint& logical, double planeZ) const;
    PadPick pickPadAt(const QPoint& device, const QPoint& logical);
    bool isMainShapeFace(const TopoDS_Face& face) const;
    void performHighlighting(const QPoint& device);
    void highlightFace(const TopoDS_Face& face);
    void clearHighlight();

    QPaintEngine* paintEngine() const override;

signals:
    void viewerInitialized();
    void faceSelected(TopoDS_Face face);
    void selectionModeChanged(bool active);
    void componentDragged(QPoint currentPos);
    void componentDragFinished();
    void padClicked(PadId pad, gp_Pnt position);
    void routingIntermediatePointClicked(gp_Pnt position);
    void routingMouseMove(QPoint pos);
    void routingKeyPressed(int key, QPoint mousePos);
    void shapePicked(opencascade::handle<AIS_Shape> shape, QPoint screenPos);
    void selectionEmptyClicked();
    void routeEditKeyPressed(int key);
    void probePadClicked(PadId pad);
    void routeEditMouseMoved(QPoint logicalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void initializeViewer();
    void createBaseElements();
    void configurePlateau();
    void configureViewCube();

    void setupSelectionMode();
    // Moves the detection to the device point; the object under it, null when none.
    opencascade::handle<AIS_InteractiveObject> detectAt(const QPoint& device);
    // The face of the last detection; null when none was detected.
    TopoDS_Face detectedFace() const;
    // isMainShapeFace for the face of the last detection, without scanning the part's faces
    // when the detected object is the part itself or the build plate.
    bool isDetectedMainShapeFace(const TopoDS_Face& face) const;
    bool handleViewCubeClick(const QPoint& device);
    void pickOrientationFace(const QPoint& device);
    void handleRoutingClick(const QPoint& device, const QPoint& logical);
    void handleProbeClick(const QPoint& device, const QPoint& logical);
    void handleSelectClick(const QPoint& device, const QPoint& logical);

    opencascade::handle<V3d_Viewer> m_viewer;
    opencascade::handle<V3d_View> m_view;
    opencascade::handle<AIS_InteractiveContext> m_context;
    opencascade::handle<AIS_ViewCube> m_viewCube;
    opencascade::handle<AIS_Shape> m_plateau;
    QPoint m_lastMousePos;
    Qt::MouseButton m_pressedButton = Qt::NoButton;
    int m_wheelAccumulator = 0;
    bool m_selectionActive = false;
    bool m_initialized = false;
    int m_interactionMode = 0;
    opencascade::handle<AIS_Shape> m_highlightShape;
    TopoDS_Face m_highlightedFace;
    PadResolver m_padResolver;
    std::function<void()> m_padReactivation;
    std::function<TopoDS_Shape()> m_mainShapeProvider;
};
