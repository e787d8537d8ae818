#pragma once

// Footprint records: one KiCad footprint as the program knows it.
// Frame: millimetres in the footprint's own frame; every Y read from a footprint file is
// negated on reading, rotations are kept as written (degrees).

#include <QList>
#include <QPointF>
#include <QString>
#include <TopoDS_Shape.hxx>

struct FootprintPad
{
    QString number;          // as written, trimmed, no quotes; never empty in a stored pad
    double posX = 0.0;       // mm
    double posY = 0.0;       // mm, negated from the file
    QString shape;           // "rect", "circle", "oval", "roundrect" or "custom"
    double width = 0.0;      // mm, X size before rotation
    double height = 0.0;     // mm, Y size before rotation (not negated)
    double rotation = 0.0;   // degrees, as written
    QString layers;          // layer list as one text, quotes removed, e.g. "F.Cu F.Paste F.Mask"
};

struct FootprintTrack
{
    QList<QPointF> points;   // line: start, end; arc: start, mid, end (Y negated)
    double width = 0.0;      // mm, 0 when the file gives none
    QString layer;           // single layer name, e.g. "F.Cu"
};

struct FootprintZone
{
    QList<QPointF> outline;  // vertices of the first outline polygon (Y negated), at least 3
    QString layer;           // one or several layer names separated by blanks
};

struct FootprintIndexEntry
{
    QString baseName;        // complete base name of the file, compared by the name lookup
    QString absolutePath;    // path as found under the search folder
};

struct FootprintData
{
    QString name;                     // cache key: file's complete base name, built-in or stored name
    QString path;                     // source file; built-in name for a built-in; not saved
    QList<FootprintPad> copperPads;   // file order
    QList<FootprintTrack> copperTracks; // every line first, then every arc
    QList<FootprintZone> zones;       // not saved in the project
    double thickness = 1.0;           // mm, pad solids reach this far below the surface
    TopoDS_Shape body;                // body box in the footprint frame; null means "rebuild before use"
    double bodyHeight = 3.0;          // mm
    double bodyMarginX = 1.0;         // mm, added on each side to the pads' X extent
    double bodyMarginY = 1.0;         // mm
    double bodyOffsetZ = 0.0;         // mm, underside of the body box
    double bodyTransparency = 0.9;    // 0..1
    double bodyUndercut = 0.4;        // mm, pad solids reach this far above the surface
    double bodyWidthOverride = 0.0;   // mm; used only when both overrides are > 0
    double bodyLengthOverride = 0.0;  // mm
    bool isBuiltin = false;
};
