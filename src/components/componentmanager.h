// The placed components of the design and how the viewer shows them: creation from the
// netlist, removal, edits with rollback, display styles, pad queries, save and load.
#pragma once

#include "model/componentproperties.h"
#include "model/missingfootprintinfo.h"
#include "model/padid.h"
#include "model/placedcomponentdata.h"
#include "model/placedpin.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <Message_ProgressRange.hxx>
#include <Standard_Handle.hxx>

#include <functional>

class AIS_InteractiveContext;
class AIS_Shape;
class FootprintManager;
class ProjectManager;
class QFileInfo;
class QJsonObject;
class Quantity_Color;
class gp_Pnt;
struct FootprintData;
struct NetlistComponent;
struct NetlistUpdate;
struct SavedComponent;

class ComponentManager : public QObject
{
    Q_OBJECT

public:
    struct GenerateResult
    {
        int loaded = 0;
        int missing = 0;
        QList<MissingFootprintInfo> missingFootprints;
        QList<LooserFootprintMatch> looserMatches; // generation only, in reference order
        // Entries of a project file that were left out, one line each for the load report.
        QStringList skipped;
        bool outOfMemory = false; // stopped: every component of this run was taken away again
        bool cancelled = false;   // broken off through progress (a project keeps what it built so far)
    };

    struct NetlistApplyResult
    {
        int created = 0;
        int missing = 0;
        QList<MissingFootprintInfo> missingFootprints;
        QList<QString> removed;
        QList<QString> replaced;
        QList<QString> replaceFailed;
        int keptCount = 0;
        bool outOfMemory = false; // refused: the board was left as it was
    };

    using ComponentMap = QMap<QString, PlacedComponentData>;

    ComponentManager(FootprintManager& footprints, const opencascade::handle<AIS_InteractiveContext>& context,
                     ProjectManager& project, QObject* parent = nullptr);
    ~ComponentManager() override;

    // Population
    const ComponentMap& components() const { return m_components; }
    PlacedComponentData* findComponent(const QString& ref);
    const PlacedComponentData* findComponent(const QString& ref) const;
    int countWithFootprint() const;
    // Bumped whenever the whole population is replaced or emptied, so that edits recorded
    // against the old components can tell they no longer apply.
    quint64 populationGeneration() const { return m_generation; }

    // Reports one step per component through progress, and onEntry(position, count) before
    // each; broken off, it stops between components and places none.
    GenerateResult generateComponents(const QMap<QString, NetlistComponent>& netlistComponents,
                                      const Message_ProgressRange& progress = Message_ProgressRange(),
                                      const std::function<void(int, int)>& onEntry = {});
    // redraw: the view is redrawn once they are gone (not when what replaces them follows).
    void clearAll(bool removeBodies, bool redraw = true);
    bool removeComponent(const QString& ref);
    NetlistApplyResult applyNetlistUpdate(const QMap<QString, NetlistComponent>& newComponents,
                                          const NetlistUpdate& update);

    // Edits; each is all-or-nothing for the step that fails.
    // values: body and pad values to keep (see FootprintManager::replaceFootprint).
    bool replaceFootprint(const QString& ref, const QString& footprint,
                          const ComponentProperties* values = nullptr);
    // Back to the substitute box of a component whose footprint was missing (undo of a footprint
    // chosen for it), keeping its place, turn and values.
    bool restoreSubstitute(const QString& ref, const QString& requestedFootprint, const ComponentProperties& values);
    bool applyProperties(const QString& ref, const ComponentProperties& properties);
    // quiet: no componentChanged (the caller refreshes itself).
    bool moveComponent(const QString& ref, const gp_Pnt& position, bool quiet = false);
    bool rotateComponent(const QString& ref, double angleDegrees);

    static QString effectiveFootprintName(const PlacedComponentData& component,
                                          const QMap<QString, NetlistComponent>& netlistComponents);
    QMap<QString, QString> footprintAssignments() const;

    // Display styles (codes: 0 normal, 1 missing footprint, 2 selected, 3 not selectable,
    // 4 body disabled; other codes look like 0 and are not selectable). No redisplay.
    static void applyComponentStyle(const opencascade::handle<AIS_Shape>& body, int styleCode);
    // The normal copper look of a pad; also takes a highlight away. No redisplay.
    static void applyPadBaseStyle(const opencascade::handle<AIS_Shape>& pad);
    static int baseStyleFor(const PlacedComponentData& component);
    void setComponentStyle(const QString& ref, int styleCode, bool updateViewer);
    bool isSelectableShape(const opencascade::handle<AIS_Shape>& shape) const;

    // Records and the viewer
    void insertComponent(const QString& ref, const PlacedComponentData& component, bool applyStyle);
    void removeComponentDisplay(const PlacedComponentData& component, const QString& ref);
    const PlacedComponentData* findComponentByShape(const opencascade::handle<AIS_Shape>& shape) const;
    // Same, and forgets an index entry whose component is gone.
    PlacedComponentData* findComponentByShape(const opencascade::handle<AIS_Shape>& shape);
    QString referenceForShape(const opencascade::handle<AIS_Shape>& shape) const;

    // Pad queries
    // Every placed pin with all its pads. Kept in step with the components: what a change
    // touched is rebuilt at the next read, nothing on a read without change.
    PinTable pins() const;
    // Not placed: a pin without pads.
    PlacedPin pin(const PadId& pad) const;
    bool highlightPad(const PadId& pad, const Quantity_Color& colour, bool updateViewer);
    bool clearPadHighlight(const PadId& pad, bool updateViewer);
    void refreshPadCache(const QString& ref);

    // Saving and loading
    QList<SavedComponent> componentsForSave() const;
    QList<FootprintData> usedFootprints() const;
    // Reports one step per entry through progress, and onEntry(position, count) before each;
    // broken off, it stops between entries. A project is built in a manager of its own, on a
    // context no view shows, so that the open design stays whole until adoptComponents.
    GenerateResult loadFromJson(const QList<QJsonObject>& objects,
                                const Message_ProgressRange& progress = Message_ProgressRange(),
                                const std::function<void(int, int)>& onEntry = {});
    // Takes over every component of built, replacing this manager's own: their objects move from
    // built's context to this one's (unless it is the same), one report through progress each.
    // Not broken off.
    void adoptComponents(ComponentManager& built, const Message_ProgressRange& progress = Message_ProgressRange());
    static void readComponentJson(PlacedComponentData& component, const QJsonObject& object);

    static gp_Pnt placementPosition(int index, int count);

signals:
    void componentChanged(QString ref);
    void padCacheUpdateNeeded(opencascade::handle<AIS_Shape> aisShape, PadId pad);
    void padCacheClearComponentNeeded(QString ref);
    void populationChanged(int successCount, int failedCount);
    void missingFootprintsDetected(QList<MissingFootprintInfo> missing);
    void statusMessage(QString message);

private:
    void redisplayShape(const opencascade::handle<AIS_Shape>& shape, bool updateViewer);
    void indexBodyShape(const opencascade::handle<AIS_Shape>& body, const QString& ref);
    void unindexBodyShape(const opencascade::handle<AIS_Shape>& body);
    // Builds one netlist component at a spiral slot and inserts it; false when it is a substitute.
    // looser, when given, receives the component when its footprint only resembles the name.
    bool placeNetlistComponent(const NetlistComponent& component, int index, int count,
                               QList<MissingFootprintInfo>& missing, QList<LooserFootprintMatch>* looser = nullptr);
    bool rebuildWith(PlacedComponentData& component, const ComponentProperties& properties);
    GenerateResult restoreFromJson(const QList<QJsonObject>& objects, const Message_ProgressRange& progress,
                                   const std::function<void(int, int)>& onEntry);
    // A placed component other than ref whose footprint is the cached one of that name, when
    // the file is not where that footprint came from; empty when there is none.
    QString otherUserOfFootprint(const QString& name, const QFileInfo& file, const QString& ref) const;
    void restyleBody(PlacedComponentData& component);
    // The pins of ref are read again at the next pins(); an empty ref: every pin.
    void pinsChanged(const QString& ref);

    std::function<void(const opencascade::handle<AIS_Shape>&, const PadId&)> m_padCacheCallback;
    FootprintManager& m_footprintManager;
    opencascade::handle<AIS_InteractiveContext> m_context;
    ProjectManager& m_project;
    ComponentMap m_components;
    QMap<const AIS_Shape*, QString> m_bodyIndex;
    mutable PinTable m_pins;
    mutable QHash<QString, QStringList> m_pinNumbers; // the numbers of each component in m_pins
    mutable QSet<QString> m_changedPins;              // components whose pins are to be read again
    quint64 m_generation = 0;
};
