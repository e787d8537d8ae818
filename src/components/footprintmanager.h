#pragma once

// The program's KiCad footprint library: search folders, file index, name lookup and cache,
// plus the copper reader and the pad/body solid builders that turn a footprint into geometry.

#include "components/footprintdata.h"

#include <QList>
#include <QMap>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <TopoDS_Shape.hxx>

class gp_Pnt;

class FootprintManager
{
public:
    // Library: folders, index, lookup

    // Copper reader and solids
    // None of these touch the library's state; they are static so they can run without one.
    static QStringList extractBlocks(const QString& text, const QString& tag);
    static bool isCopperLayer(const QString& layerText);
    static QList<FootprintPad> parsePads(const QString& content);
    static QList<FootprintTrack> parseTracks(const QString& content);
    static QList<FootprintZone> parseZones(const QString& content);

    static TopoDS_Shape extrudePadWithUndercut(const FootprintPad& pad, double thickness, double undercut);
    static TopoDS_Shape buildBodyBox(const FootprintData& footprint, double width, double length,
                                     double height, double offsetZ);
    static void calculateFootprintBounds(const FootprintData& footprint, double& minX, double& maxX,
                                         double& minY, double& maxY);
    static QPointF footprintCenter(const FootprintData& footprint);
    static bool hasUsableGeometry(const FootprintData& footprint);
    static void bodyDimensions(const FootprintData& footprint, double& width, double& length);
    static TopoDS_Shape createFallbackBody(const gp_Pnt& position);
    // End of copper reader and solids
};
