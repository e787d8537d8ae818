#include "project/projectmanager.h"

#include "foundation/logging.h"

#include <QDebug>

ProjectManager::ProjectManager() = default;

void ProjectManager::setChangeObserver(std::function<void()> observer)
{
    m_changeObserver = std::move(observer);
}

void ProjectManager::changed() const
{
    if (m_changeObserver)
        m_changeObserver();
}

void ProjectManager::addShape(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return;
    m_shapes.append(shape);
    changed();
}

void ProjectManager::clearShapes()
{
    m_shapes.clear();
    m_mainShapeIndex = -1;
    changed();
}

void ProjectManager::setMainShapeIndex(int index)
{
    m_mainShapeIndex = (index >= 0 && index < m_shapes.size()) ? index : -1;
    changed();
}

TopoDS_Shape ProjectManager::mainShape() const
{
    if (m_mainShapeIndex >= 0 && m_mainShapeIndex < m_shapes.size())
        return m_shapes.at(m_mainShapeIndex);
    return TopoDS_Shape();
}

bool ProjectManager::replaceShape(int index, const TopoDS_Shape& shape)
{
    if (index < 0 || index >= m_shapes.size()) {
        qWarning() << "ProjectManager::replaceShape: invalid index:" << index;
        return false;
    }
    if (shape.IsNull()) {
        qWarning() << "ProjectManager::replaceShape: null shape refused";
        return false;
    }
    m_shapes[index] = shape;
    changed();
    return true;
}

bool ProjectManager::importNetlist(const QString& path, QString* error)
{
    Netlist loaded;
    QString readerError;
    if (!loadNetlist(path, loaded, readerError)) {
        if (error)
            *error = readerError;
        return false;
    }
    setNetlist(std::move(loaded));
    if (error)
        error->clear();
    return true;
}

void ProjectManager::setNetlist(Netlist&& netlist)
{
    m_netlist = std::move(netlist);
    syncRoutingNetlist();
    changed();
}

void ProjectManager::clearNetlist()
{
    m_netlist.clear();
    m_routingManager.clearNetPads();
    changed();
}

void ProjectManager::syncRoutingNetlist()
{
    QMap<QString, QList<PadId>> netPads;
    for (const NetlistNet& net : std::as_const(m_netlist.connections))
        netPads.insert(net.netName, net.connectedPins); // a later net of the same name wins
    m_routingManager.setNetPads(netPads);
    qCDebug(lcProject) << "syncRoutingNetlist:" << netPads.size() << "nets";
}

void ProjectManager::clear()
{
    clearShapes();
    clearNetlist();
    m_lastError.clear();
    m_loadNotes.clear();
    m_routingManager.clearRoutes();
    m_routingManager.setRoutingRules(RoutingRules());
    changed();
}

void ProjectManager::clearRoutes()
{
    m_routingManager.clearRoutes();
    changed();
}

void ProjectManager::addLoadNote(const QString& note)
{
    qWarning().noquote() << "Project load:" << note;
    m_loadNotes.append(note);
}
