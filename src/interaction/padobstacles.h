// The placed pads as obstacles of the routing model's collision test.
#pragma once

#include "routing/routingmanager.h"

#include <QList>

class ComponentManager;
struct NetlistNet;

// Every placed pad with a solid, in reference and pad order, with its net from the nets
// (a pin listed in several nets takes the first, as a track started on it does; a pad on no
// net gets an empty net).
QList<RoutingManager::PadObstacle> buildPadObstacles(const ComponentManager* components,
                                                     const QList<NetlistNet>& nets);
