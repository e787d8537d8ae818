// The in-memory project: part shapes, netlist, routing model and the last save/load failure.
#pragma once

#include "model/netlist.h"
#include "routing/routingmanager.h"

#include <Message_ProgressRange.hxx>
#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <TopoDS_Shape.hxx>

#include <functional>

class QJsonObject;
struct FootprintData;
struct SavedComponent;

class ProjectManager
{
    Q_DECLARE_TR_FUNCTIONS(ProjectManager)

public:
    ProjectManager();

    // Told after each change of the shapes, the netlist or the whole design. A track's edits are
    // told by the undo history that makes them, the components' by their own model.
    void setChangeObserver(std::function<void()> observer);

    // Shapes
    const QList<TopoDS_Shape>& shapes() const { return m_shapes; }
    int mainShapeIndex() const { return m_mainShapeIndex; }
    void addShape(const TopoDS_Shape& shape);
    void clearShapes();
    void setMainShapeIndex(int index);
    TopoDS_Shape mainShape() const;
    bool replaceShape(int index, const TopoDS_Shape& shape);

    // Netlist
    const Netlist& netlist() const { return m_netlist; }
    bool importNetlist(const QString& path, QString* error);
    void setNetlist(Netlist&& netlist);
    void clearNetlist();
    void syncRoutingNetlist();
    // KiCad S-expression netlist reader; touches no project state. Refuses a netlist beyond
    // DesignLimits, and turns running out of memory into a refusal.
    static bool loadNetlist(const QString& path, Netlist& out, QString& error);

    // Routing model, used in place by the routing controller, track commands and exporters.
    RoutingManager& routingManager() { return m_routingManager; }
    const RoutingManager& routingManager() const { return m_routingManager; }

    // Whole project
    void clear();
    // Every track goes, outside the undo history.
    void clearRoutes();
    const QString& lastError() const { return m_lastError; }

    bool saveProject(const QString& path, const QList<SavedComponent>& placed,
                     const QList<FootprintData>& footprints, bool keepPreviousVersion);
    QJsonObject buildProjectJson(const QList<SavedComponent>& placed,
                                 const QList<FootprintData>& footprints, QString& error) const;
    static QString backupPathFor(const QString& path);

    // On failure the model, the last error aside, is left exactly as it was; running out of
    // memory or a design beyond DesignLimits is such a failure.
    // Broken off through progress while the part is read, it fails the same way.
    bool loadProject(const QString& path, QList<QJsonObject>& placedOut, QList<FootprintData>& footprintsOut,
                     const Message_ProgressRange& progress = Message_ProgressRange());
    bool readJsonFile(const QString& path, QJsonObject& out);
    // What the last load repaired or left out, one line per item for the load report (the file
    // is named there); every section reader adds its own.
    const QStringList& loadNotes() const { return m_loadNotes; }
    void addLoadNote(const QString& note);
    // Takes over what another model loaded (shapes, netlist, rules, routes under new
    // identities), so that a caller can read a file aside and install it only once it loaded.
    void adoptLoaded(ProjectManager& loaded);

    // Section writers and readers of the project file.
    bool writeShapes(QJsonObject& root, QString& error) const;
    bool readShapes(const QJsonObject& root, const Message_ProgressRange& progress = Message_ProgressRange());
    void writeNetlist(QJsonObject& root) const;
    bool readNetlist(const QJsonObject& root);
    static void writeFootprints(QJsonObject& root, const QList<FootprintData>& footprints);
    // Adds a load note for each zone vertex or zone it drops.
    bool readFootprints(const QJsonObject& root, QList<FootprintData>& out);
    static void writePlacedComponents(QJsonObject& root, const QList<SavedComponent>& placed);
    static bool readPlacedComponents(const QJsonObject& root, QList<QJsonObject>& out);
    void writeRoutingRules(QJsonObject& root) const;
    bool readRoutingRules(const QJsonObject& root);
    void writeRoutes(QJsonObject& root) const;
    bool readRoutes(const QJsonObject& root);

private:
    static bool keepBackupOf(const QString& path, QString& error);
    static bool readNetlistFile(const QString& path, Netlist& out, QString& error);
    bool readProject(const QString& path, QList<QJsonObject>& placedOut, QList<FootprintData>& footprintsOut,
                     const Message_ProgressRange& progress);
    bool withinComponentLimit(const QJsonObject& root);
    bool checkProjectRoot(const QJsonObject& root);

    void changed() const;

    std::function<void()> m_changeObserver;
    QList<TopoDS_Shape> m_shapes;
    int m_mainShapeIndex = -1;
    Netlist m_netlist;
    RoutingManager m_routingManager;
    QString m_lastError;
    QStringList m_loadNotes;
};
