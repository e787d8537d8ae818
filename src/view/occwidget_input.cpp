// OccWidget: interaction modes, what can be picked in each, and mouse, wheel and key input.
#include "view/occwidget.h"

#include "foundation/occutils.h"
#include "view/modecontroller.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_ListOfInteractive.hxx>
#include <AIS_ViewCube.hxx>
#include <V3d_View.hxx>

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>

namespace {

constexpr int kModeView = static_cast<int>(ModeController::Mode::View);
constexpr int kModeOrientation = static_cast<int>(ModeController::Mode::Orientation);
constexpr int kModeRouting = static_cast<int>(ModeController::Mode::Routing);
constexpr int kModeProbe = static_cast<int>(ModeController::Mode::ResistanceProbe);
constexpr int kModeSelect = static_cast<int>(ModeController::Mode::Select);

constexpr int kFaceSelectionMode = 4; // AIS_Shape::SelectionMode(TopAbs_FACE)
constexpr int kWheelStep = 120;
constexpr double kZoomStep = 1.1;

// Signals carry logical positions: the event position rounded, halves away from zero.
QPoint logicalPos(const QMouseEvent* event)
{
    const QPointF p = event->position();
    return QPoint(static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y())));
}

} // namespace

void OccWidget::setInteractionMode(int mode)
{
    m_interactionMode = mode;
    if (mode != kModeOrientation && m_selectionActive)
        setSelectionActive(false);
    setupSelectionMode();
}

void OccWidget::setSelectionActive(bool on)
{
    m_selectionActive = on;
    if (on) {
        m_interactionMode = kModeOrientation;
        setupSelectionMode();
    } else {
        if (m_interactionMode == kModeOrientation)
            m_interactionMode = kModeView;
        clearHighlight();
        if (!m_context.IsNull()) {
            OccUtils::guardedCall(false, "setSelectionActive", [this] {
                m_context->ClearSelected(false);
                m_context->Deactivate();
                return true;
            });
            ensureViewCubeActive();
            OccUtils::safeUpdateViewer(m_context);
        }
    }
    emit selectionModeChanged(on);
}

void OccWidget::setupSelectionMode()
{
    if (!m_initialized || m_context.IsNull())
        return;
    OccUtils::guardedCall(false, "setupSelectionMode", [this] {
        m_context->Deactivate();
        m_context->ClearSelected(false);
        // The last click's hover highlight would outlive the mode that picked it.
        m_context->ClearDetected(false);

        if (m_selectionActive) {
            AIS_ListOfInteractive displayed;
            m_context->DisplayedObjects(displayed);
            for (const opencascade::handle<AIS_InteractiveObject>& object : displayed) {
                const opencascade::handle<AIS_Shape> shape = opencascade::handle<AIS_Shape>::DownCast(object);
                if (shape.IsNull() || shape->Shape().IsNull() || isBaseElement(shape))
                    continue;
                m_context->SetSelectionModeActive(shape, kFaceSelectionMode, true,
                                                  AIS_SelectionModesConcurrency_GlobalOrLocal, true);
            }
        }

        if ((m_interactionMode == kModeRouting || m_interactionMode == kModeProbe) && m_padReactivation)
            m_padReactivation();

        ensureViewCubeActive();
        m_context->UpdateCurrentViewer();
        return true;
    });
}

void OccWidget::mousePressEvent(QMouseEvent* event)
{
    if (!m_initialized)
        return;
    OccUtils::guardedCall(false, "mousePressEvent", [&] {
        const QPoint device = mouseDevicePos(event);
        const QPoint logical = logicalPos(event);
        m_lastMousePos = device;
        m_pressedButton = event->button();

        if (event->button() == Qt::LeftButton) {
            if (handleViewCubeClick(device))
                return true;
            switch (m_interactionMode) {
            case kModeOrientation:
                pickOrientationFace(device);
                break;
            case kModeRouting:
                handleRoutingClick(device, logical);
                break;
            case kModeProbe:
                handleProbeClick(device, logical);
                break;
            case kModeSelect:
                handleSelectClick(device, logical);
                break;
            default:
                break;
            }
        } else if (event->button() == Qt::RightButton && !m_view.IsNull()) {
            m_view->StartRotation(device.x(), device.y(), 0.0);
        }
        return true;
    });
}

bool OccWidget::handleViewCubeClick(const QPoint& device)
{
    if (m_viewCube.IsNull() || m_context.IsNull() || m_view.IsNull())
        return false;
    if (detectAt(device) != m_viewCube)
        return false;
    const opencascade::handle<AIS_ViewCubeOwner> owner =
        opencascade::handle<AIS_ViewCubeOwner>::DownCast(m_context->DetectedOwner());
    if (owner.IsNull())
        return false;
    m_viewCube->HandleClick(owner);
    update();
    return true;
}

void OccWidget::pickOrientationFace(const QPoint& device)
{
    m_context->MoveTo(device.x(), device.y(), m_view, true);
    const TopoDS_Face face = detectedFace();
    if (isDetectedMainShapeFace(face))
        emit faceSelected(face);
}

void OccWidget::handleRoutingClick(const QPoint& device, const QPoint& logical)
{
    const PadPick pick = pickPadAt(device, logical);
    if (pick.kind == 0)
        emit padClicked(pick.hit.pad, pick.hit.position);
    else if (pick.kind == 1)
        emit routingIntermediatePointClicked(projectScreenToPlane(logical, kPickPlaneZ));
}

void OccWidget::handleProbeClick(const QPoint& device, const QPoint& logical)
{
    const PadPick pick = pickPadAt(device, logical);
    // The probe colours its pads itself: the hover highlight of the pick would hide that colour.
    m_context->ClearDetected(false);
    OccUtils::safeUpdateViewer(m_context);
    if (pick.kind == 0)
        emit probePadClicked(pick.hit.pad);
}

void OccWidget::handleSelectClick(const QPoint& device, const QPoint& logical)
{
    const opencascade::handle<AIS_Shape> shape = opencascade::handle<AIS_Shape>::DownCast(detectAt(device));
    if (!shape.IsNull() && !isBaseElement(shape))
        emit shapePicked(shape, logical);
    else
        emit selectionEmptyClicked();
    m_context->ClearDetected(false);
    OccUtils::safeUpdateViewer(m_context);
    update();
}

void OccWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_initialized)
        return;
    OccUtils::guardedCall(false, "mouseMoveEvent", [&] {
        const QPoint device = mouseDevicePos(event);
        const QPoint logical = logicalPos(event);
        const bool noButton = m_pressedButton == Qt::NoButton;

        if (noButton && m_interactionMode == kModeRouting)
            emit routingMouseMove(logical);
        if (m_interactionMode == kModeSelect) {
            if (noButton) {
                emit routeEditMouseMoved(logical);
            } else if (m_pressedButton == Qt::LeftButton) {
                if (!m_context.IsNull())
                    m_context->ClearDetected(false);
                emit componentDragged(logical);
            }
        }

        switch (m_pressedButton) {
        case Qt::MiddleButton:
            m_view->Pan(device.x() - m_lastMousePos.x(), m_lastMousePos.y() - device.y(), 1.0, true);
            m_lastMousePos = device;
            update();
            break;
        case Qt::RightButton:
            m_view->Rotation(device.x(), device.y());
            update();
            break;
        case Qt::NoButton:
            m_lastMousePos = device;
            if (m_interactionMode == kModeOrientation)
                performHighlighting(device);
            break;
        default:
            break;
        }
        return true;
    });
}

void OccWidget::mouseReleaseEvent(QMouseEvent* event)
{
    // A receiver's failure must not leave the button marked as held.
    if (event->button() == Qt::LeftButton && m_interactionMode == kModeSelect) {
        OccUtils::guardedCall(false, "mouseReleaseEvent", [this] {
            emit componentDragFinished();
            return true;
        });
    }
    m_pressedButton = Qt::NoButton;
}

void OccWidget::wheelEvent(QWheelEvent* event)
{
    if (!m_initialized)
        return;
    OccUtils::guardedCall(false, "wheelEvent", [&] {
        // Touchpads send small deltas: they add up until they make whole steps.
        m_wheelAccumulator += event->angleDelta().y();
        while (m_wheelAccumulator >= kWheelStep) {
            m_view->SetZoom(kZoomStep, true);
            m_wheelAccumulator -= kWheelStep;
        }
        while (m_wheelAccumulator <= -kWheelStep) {
            m_view->SetZoom(1.0 / kZoomStep, true);
            m_wheelAccumulator += kWheelStep;
        }
        update();
        return true;
    });
}

void OccWidget::keyPressEvent(QKeyEvent* event)
{
    OccUtils::guardedCall(false, "keyPressEvent", [&] {
        if (m_interactionMode == kModeRouting)
            emit routingKeyPressed(event->key(), mapFromGlobal(QCursor::pos()));
        else if (m_interactionMode == kModeSelect)
            emit routeEditKeyPressed(event->key());
        return true;
    });
    // Leaves the key to the parents so that menu shortcuts keep working.
    QWidget::keyPressEvent(event);
}
