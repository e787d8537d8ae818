#pragma once

// The program's KiCad footprint library: search folders, file index, name lookup and cache,
// plus the copper reader and the pad/body solid builders that turn a footprint into geometry.

#include "model/footprintdata.h"
#include "model/missingfootprintinfo.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <TopoDS_Shape.hxx>

#include <functional>
#include <optional>

class AIS_InteractiveContext;
class AIS_Shape;
class gp_Pnt;
class gp_Trsf;
struct PadId;
struct PlacedComponentData;
struct PlacedPadData;

struct ComponentProperties;

class FootprintManager
{
public:
    // Library: folders, index, lookup
    FootprintManager();

    // Trimmed; of "Lib:Name" only the text after the last ":" (trimmed again).
    static QString normalizeFootprintName(const QString& name);

    void addSearchPath(const QString& folder);
    // Forgets the folders, the index and every cached footprint, embedded ones included.
    void clearSearchPaths();
    QStringList searchPaths() const { return m_searchPaths; }

    void buildFootprintIndex();
    QString findFootprintFile(const QString& name);

    // Set while the footprint cached under name is one that a looser lookup than its name (a
    // sub-word or a part of a file's name) found; the reference is left empty.
    std::optional<LooserFootprintMatch> looserMatch(const QString& name) const;

    bool loadFootprint(const QString& name);
    bool hasFootprint(const QString& name) const;
    FootprintData getFootprint(const QString& name) const;
    // Refuses a file holding a value that cannot be built (named by problemWith) and turns
    // running out of memory into a refusal.
    bool loadKicadFile(const QString& filePath);
    bool loadFootprintFromFile(const QString& filePath);
    static TopoDS_Shape buildFootprintBody(const FootprintData& footprint);
    // Kept as read even when a value cannot be built, so that a save writes it back; such a
    // footprint is not placed (problemWith says why).
    void registerEmbeddedFootprint(const FootprintData& footprint);
    // Why the footprint of that name could not be read or placed the last time; empty when it
    // was, or when it was simply not found.
    QString problemWith(const QString& name) const { return m_problems.value(name); }
    // The first value of the footprint that cannot be built (not finite, beyond
    // DesignLimits), described for the user; empty when every value is usable.
    static QString unusableValue(const FootprintData& footprint);
    bool generateBuiltinFootprint(const QString& name);

    // Copper reader and solids
    // None of these touch the library's state; they are static so they can run without one.
    // starts, when given, receives where each block begins in text.
    static QStringList extractBlocks(const QString& text, const QString& tag,
                                     QList<qsizetype>* starts = nullptr);
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

    // Placement and visual transactions
    // Every operation builds the new solids and displayed objects aside and changes the record
    // and the view only once all of them exist; a failure leaves both as they were.
    using PadCacheCallback = std::function<void(const opencascade::handle<AIS_Shape>&, const PadId&)>;

    // Never fails: a footprint that is missing or cannot be built gives a substitute component.
    PlacedComponentData createPlacedComponent(const QString& ref, const QString& footprint,
                                              const gp_Pnt& position,
                                              const opencascade::handle<AIS_InteractiveContext>& context);
    static PlacedComponentData createFallbackComponent(const QString& ref, const QString& requestedFootprint,
                                                       const gp_Pnt& position,
                                                       const opencascade::handle<AIS_InteractiveContext>& context);
    // All pads built and displayed, or none (pads left empty).
    static bool createIndividualPads(const FootprintData& footprint, const gp_Pnt& position, double padXYScale,
                                     const opencascade::handle<AIS_InteractiveContext>& context,
                                     QList<PlacedPadData>& pads);
    static opencascade::handle<AIS_Shape> createStyledBody(const TopoDS_Shape& bodyShape, bool missingFootprint);

    // values: the component's own body and pad values to keep instead of the footprint's
    // defaults (undo and redo of a footprint change); null applies the defaults.
    bool replaceFootprint(PlacedComponentData& component, const QString& footprintName,
                          const opencascade::handle<AIS_InteractiveContext>& context,
                          const ComponentProperties* values = nullptr);
    static void applyFootprintDefaults(PlacedComponentData& component, const FootprintData& footprint);
    static bool rebuildComponentVisual(PlacedComponentData& component, const FootprintData& footprint,
                                       const opencascade::handle<AIS_InteractiveContext>& context);
    bool recreateComponentBody(PlacedComponentData& component, double bodyWidth, double bodyLength,
                               double bodyHeight, double bodyOffsetZ, double footprintThickness,
                               double bodyUndercut, double padXYScale,
                               const opencascade::handle<AIS_InteractiveContext>& context);

    static bool moveComponentVisual(PlacedComponentData& component, const gp_Pnt& newPosition,
                                    const opencascade::handle<AIS_InteractiveContext>& context,
                                    const PadCacheCallback& padCacheCallback);
    // A negative referenceAngle measures the turn from the record's current rotation.
    static bool rotateComponentVisual(PlacedComponentData& component, double angle,
                                      const opencascade::handle<AIS_InteractiveContext>& context,
                                      double referenceAngle, const PadCacheCallback& padCacheCallback);
    // Places body and pads at (position, angle) from their local solids; stores the angle as given.
    static bool applyPlacement(PlacedComponentData& component, const gp_Pnt& position, double angle,
                               const opencascade::handle<AIS_InteractiveContext>& context,
                               const PadCacheCallback& padCacheCallback);

private:
    bool readKicadFile(const QString& filePath);
    // False, the reason kept for problemWith, when a value cannot be built; rotations are
    // brought into [0, 360).
    bool acceptValues(const QString& filePath, FootprintData& footprint);
    PlacedComponentData buildPlacedComponent(const QString& ref, const QString& footprint, const gp_Pnt& position,
                                             const opencascade::handle<AIS_InteractiveContext>& context);
    // Null when the transformation is not done or raises (logged under operation).
    static TopoDS_Shape transformShape(const TopoDS_Shape& shape, const gp_Trsf& transform, bool copy,
                                       const char* operation);
    static bool placeComponent(PlacedComponentData& component, const gp_Pnt& position, double angle,
                               const opencascade::handle<AIS_InteractiveContext>& context,
                               const PadCacheCallback& padCacheCallback, bool updateViewer);

    QStringList m_searchPaths;               // in the order added, no duplicates
    QMap<QString, FootprintData> m_cache;    // by footprint name
    // Answers of findFootprintFile by name, empty for a name found nowhere; they hold as long
    // as the index does.
    struct Lookup
    {
        QString path;       // empty when nothing matched
        int candidates = 0; // at the level that decided
        bool looser = false;
    };
    Lookup lookUpFile(const QString& name);
    void forgetIndex();
    // Every footprint enters the cache here; looser says how it was found.
    void cacheFootprint(const QString& name, const FootprintData& footprint,
                        const std::optional<LooserFootprintMatch>& looser = std::nullopt);

    QList<FootprintIndexEntry> m_index;
    QHash<QString, QList<int>> m_exactNames; // case-folded base name -> entries, in index order
    QString m_foldedNames;                   // every case-folded base name, each followed by a NUL
    QList<int> m_nameStarts;                 // where each entry's name starts in m_foldedNames
    QHash<QString, Lookup> m_lookups;        // by name asked for
    QHash<QString, LooserFootprintMatch> m_looserMatches; // by cache name, for the entries a looser lookup found
    bool m_indexValid = false;
    QHash<QString, QString> m_problems;      // by footprint name: why it was refused or became a substitute
    QHash<QString, QString> m_unusable;      // embedded footprints kept but not placed, with the reason
};
