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
    FootprintManager();

    // Trimmed; of "Lib:Name" only the text after the last ":" (trimmed again).
    static QString normalizeFootprintName(const QString& name);

    void addSearchPath(const QString& folder);
    // Forgets the folders, the index and every footprint read from files or built in;
    // footprints restored from a project stay, so that a later save still carries them.
    void clearSearchPaths();
    QStringList searchPaths() const { return m_searchPaths; }

    void buildFootprintIndex();
    QString findFootprintFile(const QString& name);

    bool loadFootprint(const QString& name);
    bool hasFootprint(const QString& name) const;
    FootprintData getFootprint(const QString& name) const;
    bool loadKicadFile(const QString& filePath);
    bool loadFootprintFromFile(const QString& filePath);
    static TopoDS_Shape buildFootprintBody(const FootprintData& footprint);
    void registerEmbeddedFootprint(const FootprintData& footprint);
    bool generateBuiltinFootprint(const QString& name);

private:
    QStringList m_searchPaths;               // in the order added, no duplicates
    QMap<QString, FootprintData> m_cache;    // by footprint name
    QList<FootprintIndexEntry> m_index;
    QStringList m_foldedNames;               // m_index's base names, case-folded, for the lookup
    bool m_indexValid = false;
    QStringList m_embeddedNames;             // names restored from a project: kept by clearSearchPaths

public:

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
