#include "interaction/padobstacles.h"

#include "components/componentmanager.h"
#include "model/netlist.h"

#include <QHash>

QList<RoutingManager::PadObstacle> buildPadObstacles(const ComponentManager* components,
                                                     const QList<NetlistNet>& nets)
{
    QList<RoutingManager::PadObstacle> obstacles;
    if (!components)
        return obstacles;
    QHash<PadId, QString> netOf;
    for (const NetlistNet& net : nets)
        for (const PadId& pin : net.connectedPins)
            netOf.insert(pin, net.netName);
    for (const PlacedComponentData& component : components->components()) {
        for (const PlacedPadData& pad : component.pads) {
            if (pad.placedShape.IsNull())
                continue;
            const PadId id(component.ref, pad.number);
            obstacles.append({netOf.value(id), id.toString(), pad.placedShape, Bnd_Box()});
        }
    }
    return obstacles;
}
