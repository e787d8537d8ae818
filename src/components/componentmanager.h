// The placed components of the design and how the viewer shows them.
#pragma once

#include <QObject>
#include <Standard_Handle.hxx>

class AIS_Shape;
class gp_Pnt;
struct PlacedComponentData;
struct PlacedPadData;

class ComponentManager : public QObject
{
    Q_OBJECT

public:
    // Display styles and pad queries
    // Body look by style code (0 normal, 1 missing footprint, 2 selected, 3 not selectable,
    // 4 body disabled; other codes look like 0). No redisplay: the caller redisplays.
    static void applyComponentStyle(const opencascade::handle<AIS_Shape>& body, int styleCode);
    // The normal copper look of a pad; also takes a highlight away. No redisplay.
    static void applyPadBaseStyle(const opencascade::handle<AIS_Shape>& pad);
    // 1 for a substitute body, else 0 when the body is enabled, else 4.
    static int baseStyleFor(const PlacedComponentData& component);
    // Where tracks start and end: the pad's world position lowered to the pads' underside.
    static gp_Pnt padBasePoint(const PlacedComponentData& component, const PlacedPadData& pad);
};
