// The editable parameters of one placed component, exchanged between the properties panel,
// the component manager and the undo commands.
#pragma once

#include <QMetaType>
#include <QString>

struct ComponentProperties
{
    QString footprintName;        // shown only; the footprint changes through a replacement
    QString footprintPath;        // shown only
    double posX = 0.0;            // mm
    double posY = 0.0;            // mm
    double posZ = 0.0;            // mm
    double rotation = 0.0;        // degrees
    double footprintThickness = 1.0;
    double bodyUndercut = 0.4;
    double padXYScale = 100.0;    // percent
    bool bodyEnabled = true;
    double bodyWidth = 4.0;
    double bodyLength = 4.0;
    double bodyHeight = 3.0;
    double bodyOffsetZ = 0.0;
    double bodyMarginX = 1.0;     // mm; what a footprint change resets with the body size
    double bodyMarginY = 1.0;     // mm
};

struct PlacedComponentData;

// What the properties panel shows of a placed component: its footprint (the one assigned by a
// replacement, else its own), placement and body parameters.
ComponentProperties componentPropertiesOf(const PlacedComponentData& component);

Q_DECLARE_METATYPE(ComponentProperties)
