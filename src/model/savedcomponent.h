// One placed component as handed to the project writer, with the footprint name it is stored under.
#pragma once

#include "model/placedcomponentdata.h"

#include <QString>

struct SavedComponent
{
    PlacedComponentData data;
    QString effectiveFootprintName; // written as "footprintName"; not normalised
};
