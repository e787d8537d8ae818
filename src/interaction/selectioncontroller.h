// What a click in the Select mode means: selecting a component, arming its drag, handing a
// track click to track editing, or clearing the selection.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <AIS_Shape.hxx>
#include <Standard_Handle.hxx>

class ComponentManager;
class OccWidget;
class RoutingController;

class SelectionController : public QObject
{
    Q_OBJECT

public:
    SelectionController(OccWidget* occWidget, ComponentManager* componentManager,
                        RoutingController* routingController, QObject* parent = nullptr);

    void setComponentManager(ComponentManager* manager) { m_componentManager = manager; }
    void setRoutingController(RoutingController* controller) { m_routingController = controller; }

    const QString& selectedComponent() const { return m_selectedRef; }
    bool selectComponent(const QString& ref);
    void clearSelection();
    void deselectComponent();
    QString componentRefForShape(const opencascade::handle<AIS_Shape>& shape) const;
    void setSelectedComponent(const QString& ref);

public slots:
    void onShapePicked(opencascade::handle<AIS_Shape> shape, QPoint screenPos);
    void onEmptyClicked();

signals:
    void componentSelected(QString ref);
    void componentDeselected(QString ref);
    void componentDragArmed(QString ref, QPoint startPos);

private:
    bool dragInProgress() const;

    OccWidget* m_occWidget = nullptr;
    ComponentManager* m_componentManager = nullptr;
    RoutingController* m_routingController = nullptr;
    QString m_selectedRef;
};
