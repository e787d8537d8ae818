#include "interaction/selectioncontroller.h"

#include "components/componentmanager.h"
#include "interaction/routingcontroller.h"

SelectionController::SelectionController(OccWidget* occWidget, ComponentManager* componentManager,
                                         RoutingController* routingController, QObject* parent)
    : QObject(parent)
    , m_occWidget(occWidget)
    , m_componentManager(componentManager)
    , m_routingController(routingController)
{
}

bool SelectionController::dragInProgress() const
{
    return m_routingController && m_routingController->isDragInProgress();
}

void SelectionController::onShapePicked(opencascade::handle<AIS_Shape> shape, QPoint screenPos)
{
    if (shape.IsNull()) {
        onEmptyClicked();
        return;
    }
    // A running track drag takes every click, whatever lies under it.
    if (dragInProgress()) {
        m_routingController->onRouteSegmentClicked(shape, screenPos);
        return;
    }
    if (m_componentManager && m_componentManager->isSelectableShape(shape)) {
        const QString ref = m_componentManager->referenceForShape(shape);
        if (ref.isEmpty())
            return;
        if (m_routingController)
            m_routingController->clearSegmentSelection();
        if (ref == m_selectedRef) {
            emit componentDragArmed(ref, screenPos);
            return;
        }
        m_selectedRef = ref;
        emit componentSelected(ref);
        return;
    }
    if (m_routingController && m_routingController->isRouteShape(shape)) {
        deselectComponent();
        m_routingController->onRouteSegmentClicked(shape, screenPos);
        return;
    }
    onEmptyClicked();
}

void SelectionController::onEmptyClicked()
{
    if (dragInProgress()) {
        m_routingController->onRouteEditEmptyClick();
        return;
    }
    deselectComponent();
    if (m_routingController)
        m_routingController->onRouteEditEmptyClick();
}

void SelectionController::deselectComponent()
{
    if (m_selectedRef.isEmpty())
        return;
    const QString ref = m_selectedRef;
    m_selectedRef.clear();
    emit componentDeselected(ref);
}

void SelectionController::clearSelection()
{
    deselectComponent();
    if (m_routingController)
        m_routingController->clearSegmentSelection();
    m_selectedRef.clear();
}

bool SelectionController::selectComponent(const QString& ref)
{
    if (ref.isEmpty() || !m_componentManager || !m_componentManager->findComponent(ref))
        return false;
    if (ref == m_selectedRef)
        return true;
    if (m_routingController)
        m_routingController->clearSegmentSelection();
    m_selectedRef = ref;
    emit componentSelected(ref);
    return true;
}

QString SelectionController::componentRefForShape(const opencascade::handle<AIS_Shape>& shape) const
{
    if (!m_componentManager || shape.IsNull())
        return QString();
    return m_componentManager->referenceForShape(shape);
}

void SelectionController::setSelectedComponent(const QString& ref)
{
    m_selectedRef = ref;
    emit componentSelected(ref);
}
