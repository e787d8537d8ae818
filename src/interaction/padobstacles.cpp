#include "interaction/padobstacles.h"

#include "components/componentmanager.h"
#include "model/netlist.h"

QList<RoutingManager::PadObstacle> buildPadObstacles(const ComponentManager* components,
                                                     const QList<NetlistNet>& nets)
{
    QList<RoutingManager::PadObstacle> obstacles;
    if (!components)
        return obstacles;
    const PinNetIndex pinNets(nets);
    for (const PlacedComponentData& component : components->components()) {
        for (const PlacedPadData& pad : component.pads) {
            if (pad.placedShape.IsNull())
                continue;
            const PadId id(component.ref, pad.number);
            obstacles.append({pinNets.netOf(id), id.toString(), pad.placedShape, Bnd_Box()});
        }
    }
    return obstacles;
}
