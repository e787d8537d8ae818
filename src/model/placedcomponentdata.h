#pragma once

// Placed component records: one netlist component laid on the part, with its body and pad
// solids and their displayed objects. Shapes and displayed objects are shared handles, so a
// copied record refers to the same solids and viewer objects as its source.

#include <AIS_Shape.hxx>
#include <Bnd_Box.hxx>
#include <QList>
#include <QPointF>
#include <QString>
#include <TopoDS_Shape.hxx>
#include <gp_Pnt.hxx>

struct PlacedPadData
{
    QString number;
    QString shape;
    QPointF rotatedOffset;            // localOffset turned by the component's rotation (mm)
    QPointF localOffset;              // pad centre in the footprint frame; never changes
    gp_Pnt worldPosition;             // centre of the pad's top face in model coordinates
    TopoDS_Shape placedShape;         // pad solid in model coordinates
    TopoDS_Shape localShape;          // pad solid in pad-local coordinates, own rotation applied
    Bnd_Box localBox;                 // of localShape, measured once per shared solid; may be void
    Handle(AIS_Shape) aisShape;       // displayed object of placedShape
    double scaledWidth = 0.0;         // mm
    double scaledHeight = 0.0;        // mm
};

struct PlacedComponentData
{
    QString ref;
    gp_Pnt position;                  // footprint origin on the part; Z is the placement surface
    double rotation = 0.0;            // degrees about the vertical axis through position
    Handle(AIS_Shape) compositeShape; // displayed body
    TopoDS_Shape bodyShapeLocal;      // body before translation and turn
    QList<PlacedPadData> pads;        // footprint pad order; empty for a fallback component
    double footprintThickness = 1.0;  // mm below the surface
    double bodyUndercut = 0.4;        // mm above the surface
    double padXYScale = 100.0;        // percent; <= 0 or non-finite counts as 100
    double bodyOffsetZ = 0.0;         // mm
    double bodyWidth = 4.0;           // mm, X
    double bodyLength = 4.0;          // mm, Y
    double bodyHeight = 3.0;          // mm, Z
    double bodyMarginX = 1.0;         // mm
    double bodyMarginY = 1.0;         // mm
    bool bodyEnabled = true;
    bool hasMissingFootprint = false; // fallback component
    int styleCode = 0;                // 0 normal, 1 missing footprint, 2 selected, 4 body disabled
    QString requestedFootprint;       // name asked for, for a fallback component
    QString footprintName;            // library cache key of the carried footprint
    QString assignedFootprint;        // name exactly as passed to creation
};
