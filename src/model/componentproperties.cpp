#include "model/componentproperties.h"

#include "model/placedcomponentdata.h"

ComponentProperties componentPropertiesOf(const PlacedComponentData& c)
{
    ComponentProperties p;
    p.footprintName = c.assignedFootprint.isEmpty() ? c.footprintName : c.assignedFootprint;
    p.posX = c.position.X();
    p.posY = c.position.Y();
    p.posZ = c.position.Z();
    p.rotation = c.rotation;
    p.footprintThickness = c.footprintThickness;
    p.bodyUndercut = c.bodyUndercut;
    p.padXYScale = c.padXYScale;
    p.bodyEnabled = c.bodyEnabled;
    p.bodyWidth = c.bodyWidth;
    p.bodyLength = c.bodyLength;
    p.bodyHeight = c.bodyHeight;
    p.bodyOffsetZ = c.bodyOffsetZ;
    p.bodyMarginX = c.bodyMarginX;
    p.bodyMarginY = c.bodyMarginY;
    return p;
}
