// Netlist section of the project file.
#include "project/projectfile.h"
#include "project/projectjson.h"
#include "project/projectmanager.h"

using ProjectJson::arrayOf;
using ProjectJson::forEachObject;
using ProjectJson::text;

QJsonObject netlistPinToJson(const NetlistPin& pin)
{
    return QJsonObject{{QStringLiteral("number"), pin.number}, {QStringLiteral("name"), pin.name}};
}

NetlistPin netlistPinFromJson(const QJsonObject& object)
{
    return NetlistPin{text(object, "number"), text(object, "name")};
}

QJsonObject netlistComponentToJson(const NetlistComponent& component)
{
    QJsonObject object;
    object.insert(QStringLiteral("ref"), component.ref);
    object.insert(QStringLiteral("value"), component.value);
    object.insert(QStringLiteral("footprint"), component.footprint);
    object.insert(QStringLiteral("pins"), arrayOf(component.pins, netlistPinToJson));
    return object;
}

NetlistComponent netlistComponentFromJson(const QJsonObject& object)
{
    NetlistComponent component;
    component.ref = text(object, "ref");
    component.value = text(object, "value");
    component.footprint = text(object, "footprint");
    forEachObject(object, "pins", [&](const QJsonObject& entry) {
        const NetlistPin pin = netlistPinFromJson(entry);
        if (!pin.number.isEmpty())
            component.pins.insert(pin.number, pin);
    });
    return component;
}

QJsonObject netlistNetToJson(const NetlistNet& net)
{
    const auto padToJson = [](const PadId& pad) {
        return QJsonObject{{QStringLiteral("ref"), pad.ref}, {QStringLiteral("pin"), pad.pad}};
    };
    return QJsonObject{{QStringLiteral("netName"), net.netName},
                       {QStringLiteral("connectedPins"), arrayOf(net.connectedPins, padToJson)}};
}

NetlistNet netlistNetFromJson(const QJsonObject& object)
{
    NetlistNet net;
    net.netName = text(object, "netName");
    forEachObject(object, "connectedPins", [&](const QJsonObject& entry) {
        const PadId pad(text(entry, "ref"), text(entry, "pin"));
        if (pad.isValid())
            net.connectedPins.append(pad);
    });
    return net;
}

void ProjectManager::writeNetlist(QJsonObject& root) const
{
    root.insert(QStringLiteral("netlist"),
                QJsonObject{{QStringLiteral("components"), arrayOf(m_netlist.components, netlistComponentToJson)},
                            {QStringLiteral("connections"), arrayOf(m_netlist.connections, netlistNetToJson)}});
}

bool ProjectManager::readNetlist(const QJsonObject& root)
{
    if (!root.contains(QStringLiteral("netlist")))
        return false;
    const QJsonObject netlist = root.value(QStringLiteral("netlist")).toObject();
    forEachObject(netlist, "components", [&](const QJsonObject& entry) {
        const NetlistComponent component = netlistComponentFromJson(entry);
        if (!component.ref.isEmpty())
            m_netlist.components.insert(component.ref, component);
    });
    forEachObject(netlist, "connections", [&](const QJsonObject& entry) {
        const NetlistNet net = netlistNetFromJson(entry);
        if (!net.netName.isEmpty() && !net.connectedPins.isEmpty())
            m_netlist.connections.append(net);
    });
    return !m_netlist.components.isEmpty();
}
