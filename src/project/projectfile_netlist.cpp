// Netlist section of the project file.
#include "project/projectfile.h"
#include "project/jsonread.h"
#include "project/projectmanager.h"

#include <QJsonArray>
#include <QJsonObject>

using JsonRead::text;

QJsonObject netlistPinToJson(const NetlistPin& pin)
{
    QJsonObject object;
    object.insert(QStringLiteral("number"), pin.number);
    object.insert(QStringLiteral("name"), pin.name);
    return object;
}

NetlistPin netlistPinFromJson(const QJsonObject& object)
{
    NetlistPin pin;
    pin.number = text(object, "number");
    pin.name = text(object, "name");
    return pin;
}

QJsonObject netlistComponentToJson(const NetlistComponent& component)
{
    QJsonArray pins;
    for (const NetlistPin& pin : component.pins)
        pins.append(netlistPinToJson(pin));
    QJsonObject object;
    object.insert(QStringLiteral("ref"), component.ref);
    object.insert(QStringLiteral("value"), component.value);
    object.insert(QStringLiteral("footprint"), component.footprint);
    object.insert(QStringLiteral("pins"), pins);
    return object;
}

NetlistComponent netlistComponentFromJson(const QJsonObject& object)
{
    NetlistComponent component;
    component.ref = text(object, "ref");
    component.value = text(object, "value");
    component.footprint = text(object, "footprint");
    const QJsonArray pins = object.value(QStringLiteral("pins")).toArray();
    for (const QJsonValue& entry : pins) {
        const NetlistPin pin = netlistPinFromJson(entry.toObject());
        if (!pin.number.isEmpty())
            component.pins.insert(pin.number, pin);
    }
    return component;
}

QJsonObject netlistNetToJson(const NetlistNet& net)
{
    QJsonArray pads;
    for (const PadId& pad : net.connectedPins) {
        QJsonObject entry;
        entry.insert(QStringLiteral("ref"), pad.ref);
        entry.insert(QStringLiteral("pin"), pad.pad);
        pads.append(entry);
    }
    QJsonObject object;
    object.insert(QStringLiteral("netName"), net.netName);
    object.insert(QStringLiteral("connectedPins"), pads);
    return object;
}

NetlistNet netlistNetFromJson(const QJsonObject& object)
{
    NetlistNet net;
    net.netName = text(object, "netName");
    const QJsonArray pads = object.value(QStringLiteral("connectedPins")).toArray();
    for (const QJsonValue& entry : pads) {
        const QJsonObject pad = entry.toObject();
        const PadId id(text(pad, "ref"), text(pad, "pin"));
        if (id.isValid())
            net.connectedPins.append(id);
    }
    return net;
}

void ProjectManager::writeNetlist(QJsonObject& root) const
{
    QJsonArray components;
    for (const NetlistComponent& component : m_netlist.components)
        components.append(netlistComponentToJson(component));
    QJsonArray connections;
    for (const NetlistNet& net : m_netlist.connections)
        connections.append(netlistNetToJson(net));
    QJsonObject netlist;
    netlist.insert(QStringLiteral("components"), components);
    netlist.insert(QStringLiteral("connections"), connections);
    root.insert(QStringLiteral("netlist"), netlist);
}

bool ProjectManager::readNetlist(const QJsonObject& root)
{
    if (!root.contains(QStringLiteral("netlist")))
        return false;
    const QJsonObject netlist = root.value(QStringLiteral("netlist")).toObject();

    const QJsonArray components = netlist.value(QStringLiteral("components")).toArray();
    for (const QJsonValue& entry : components) {
        NetlistComponent component = netlistComponentFromJson(entry.toObject());
        if (!component.ref.isEmpty())
            m_netlist.components.insert(component.ref, component);
    }
    const QJsonArray connections = netlist.value(QStringLiteral("connections")).toArray();
    for (const QJsonValue& entry : connections) {
        NetlistNet net = netlistNetFromJson(entry.toObject());
        if (!net.netName.isEmpty() && !net.connectedPins.isEmpty())
            m_netlist.connections.append(net);
    }
    return !m_netlist.components.isEmpty();
}
