// The program's single window: owner of the project model, the footprint library, the undo
// history, the 3D view, the panels and every object that needs the viewer.
#pragma once

#include "app/modebinding.h"
#include "app/ratsnest.h"
#include "app/reportdialog.h"
#include "app/trackconflictscan.h"
#include "outputs/assemblycache.h"
#include "outputs/assemblyrecords.h"
#include "outputs/partpresence.h"
#include "outputs/printplan.h"
#include "outputs/printplangenerator.h"
#include "components/footprintmanager.h"
#include "model/padid.h"
#include "project/netconnectivity.h"
#include "project/projectmanager.h"

#include <QList>
#include <QMap>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <TopoDS_Face.hxx>
#include <gp_Pnt.hxx>
#include <gp_Vec.hxx>

#include <functional>
#include <optional>

struct PartLook;
struct TrackProperties;

class QAction;
class QCloseEvent;
class QJsonObject;
class QColor;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTimer;
class QUndoStack;
class QUrl;
class Quantity_Color;
class Message_ProgressRange;

class AIS_InteractiveContext;
class AIS_Shape;
class BoardExplorerPanel;
class BurialAnalyzer;
class ComponentManager;
class OccWidget;
class PadCacheManager;
class PrintPlanDialog;
class ProgressWindow;
struct ExportOptions;
struct ThreeMfExportSummary;
class PropertiesPanel;
class ResistanceDialog;
class RoutingController;
class SelectionController;
struct FootprintData;
struct MissingFootprintInfo;
struct NetlistUpdate;
struct SavedComponent;
struct ComponentProperties;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Open-file dialog used by the import flows; replaceable so that the flows can run
    // unattended. Arguments: parent, remembered-directory kind, caption, filter, fallback folder.
    using OpenFileChooser = std::function<QString(QWidget*, int, const QString&, const QString&,
                                                  const QString&)>;
    void setOpenFileChooser(OpenFileChooser chooser);
    // Save-file dialog of the export flows, replaceable likewise. Arguments: parent,
    // remembered-directory kind, caption, filter, accepted suffixes.
    using SaveFileChooser = std::function<QString(QWidget*, int, const QString&, const QString&,
                                                  const QStringList&)>;
    void setSaveFileChooser(SaveFileChooser chooser);

    bool isViewerReady() const;
    // An export or the burial analysis is running: the design's commands wait for its end.
    bool isLongOperationRunning() const;
    bool ensureViewerReady();
    bool requirePart(const QString& message);
    void setStatusText(const QString& text);
    void updateWindowTitle();

    // The design differs from the last save or load: an undoable change is pending, or a change
    // made outside the undo history (part import, orientation, ...) has not been saved yet.
    bool isProjectModified() const;
    void setModifiedOutsideUndo(bool modified);
    // Empties the undo history; unsaved changes it held stay counted as unsaved.
    void clearUndoHistory();

    void updateActionStates();
    void resetView();
    void resetInteractionState();
    void setCurrentProjectPath(const QString& path);

    bool importStepFile(const QString& path);
    bool importStlFile(const QString& path);
    bool orientShapeToFace(const TopoDS_Face& face);

    static QString abbreviatedList(const QStringList& names);
    // Warning paragraphs of an export's problem counts; empty when there is none.
    // partOpen: the part holds no solid (surfaces that sewing could not close).
    // partInvalid: the carved part fails the validity check.
    static QString describeExportIssues(int cavitiesFailed, int groupsNotFused, int piecesCutApart,
                                        int tracksMissing = 0,
                                        int componentsOutside = 0, bool partOpen = false,
                                        const QStringList& tracksOutside = QStringList(),
                                        const QStringList& cavitiesNotCut = QStringList(),
                                        int cavitiesUnchecked = 0, bool partInvalid = false);
    // The warning paragraph of tracks whose solid fails its volume check (each "label (net): fault");
    // empty when there is none.
    static QString describeBrokenTracks(const QStringList& tracks);
    // The success report of a 3MF export: what the file holds, then every problem counted.
    static QString threeMfReport(const QString& fileName, bool projectMode, const ExportOptions& options,
                                 const PrintPlan& plan, const ThreeMfExportSummary& summary);

    // --- Project lifecycle, autosave and recovery, language, help, netlist ---
    // The desktop services the help and restart flows use; replaceable so tests start nothing.
    using UrlOpener = std::function<bool(const QUrl&)>;
    using DetachedStarter =
        std::function<bool(const QString& program, const QStringList& arguments, QString* error)>;
    void setUrlOpener(UrlOpener opener);
    void setDetachedStarter(DetachedStarter starter);

    bool saveProjectToPath(const QString& path, bool isAutoSave);
    bool loadProjectFile(const QString& path, bool untitledRecovery);
    void changeLanguage(const QString& localeName);

    static QString autoSavePathFor(const QString& projectPath);
    static void removeAutoSaveFile(const QString& projectPath);
    static QString describeComponentChanges(const NetlistUpdate& update);
    static QString describeTrackNetChanges(const NetlistUpdate& update);
    static QString aboutText();
    // The report after generation on the components whose footprint a looser name match found.
    static ReportDialog::Content looserMatchReport(const QList<LooserFootprintMatch>& matches);
    // The load report's part on what opening repaired or left out; empty when nothing was.
    static QString loadNotesSection(const QStringList& notes);
    // The user guide installed with the program; empty when it cannot be found.
    static QString userGuidePath();

signals:
    // The design changed: its part, netlist, components, tracks or undo position. What the
    // window offers is derived from the design here, once, for every change.
    void designStateChanged();

public slots:
    void newProject();
    void importGeometryFile();
    void importNetlist();
    void saveProject();
    void saveProjectAs();
    void loadProject();
    void updateFromNetlist();
    void manageAutoSaveSettings();
    void onAutoSaveTimeout();
    void onFaceSelected(TopoDS_Face face);
    void onSelectionModeChanged(bool active);
    void manageFootprintFolders();
    void manageRoutingRules();
    void generateComponents();
    void toggleRatsnestDisplay();
    void setSurfaceFollowingMode(bool enabled);
    void showRatsnestInfo();
    void exportStepFile();
    void export3mfPart();
    void export3mfProject();
    void export3mf(bool projectMode);
    void showPrintPlan();
    PrintPlan buildPrintPlan(double layerHeightMm);
    // A plan window on show is made again from the design, once for all the signals one change
    // sends, after the change has ended (a drag: at its end).
    void followPrintPlan();
    void onBurialAnalysisToggled(bool checked);
    void onViewerReady();
    void onOccWidgetDestroyed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend struct MainWindowProbe; // test access

    // Construction
    void setupUi();
    void createFileMenu();
    void createEditMenu();
    void createViewMenu();
    void createHelpMenu();
    QWidget* createToolPanel();
    static void loadFootprintFolders(FootprintManager& library);
    void connectOccWidget();
    void forceViewerRepaint();
    void releaseViewerObjects();

    // Modes
    void setupModeController();
    const ModeBinding* findModeBinding(ModeController::Mode mode) const;
    void onModeTransitionDenied(ModeController::Mode requested, const QString& reason);
    void updateModeButtonLabels(ModeController::Mode entered);
    void enterFaceSelectionMode();
    void exitFaceSelectionMode();
    void enterSelectionMode();
    void exitSelectionMode();
    void enterRoutingLabelStyle();
    void exitRoutingLabelStyle();

    bool hasPlacedComponents() const;
    bool hasFootprintedComponents() const;
    void onDesignStateChanged();
    // The design's models and the undo history tell each change here, and the window tells it
    // on as designStateChanged: once, after the last step, for steps run in withOneDesignSignal.
    void onDesignModelChanged();
    void withOneDesignSignal(const std::function<void()>& steps);
    int m_designSignalHeld = 0;
    bool m_designSignalWanted = false;

    // Runs work under the modal progress window, with the status text and every later one as
    // its label, and the design's commands held. Nothing runs while another one does. False when
    // it did not run, or when work ran out of memory or threw: the user has then been told, and
    // the caller leaves whatever work had filled in.
    bool runLongOperation(const QString& status, const std::function<void(const Message_ProgressRange&)>& work);
    ProgressWindow* m_progressWindow = nullptr;

    // Outputs
    const QMap<QString, PlacedComponentData>& placedComponentMap() const;
    AssemblyInput assemblyInput() const;
    QString chooseSaveFile(int kind, const QString& caption, const QString& filter, const QStringList& suffixes);
    PrintPlanDialog* m_printPlanDialog = nullptr;
    bool m_printPlanFollowQueued = false;
    SaveFileChooser m_saveFileChooser;
    // The last export's carved assembly; any change of what is carved carves anew.
    AssemblyCache m_assemblyCache;
    // Which components and tracks stand in the part, shared by the print plan and the exports'
    // counts: measured by the window before either, per volume, and let go with the part.
    PartPresence m_partPresence;
    // The plan's part box, let go with the part as well.
    PartBoxCache m_planPartBox;
    // The shapes of the design the window's state was last derived for: another main part is
    // another design. Held until then, so that they are freed beside the window's thread.
    QList<TopoDS_Shape> m_designShapes;
    // The plan with what stands in the part measured first, through progress; failed when
    // broken off.
    PrintPlan planWithin(double layerHeightMm, const QList<VolumeSource>& volumes, const Message_ProgressRange& progress);

    // Part import
    bool confirmPartReplacement();
    bool designAtStake() const;
    // looks: made beside the window's thread (prepareLooks), at the shapes' indices.
    bool finishPartImport(const QList<TopoDS_Shape>& shapes, const QString& baseName,
                          int ignoredCount, const QList<PartLook>& looks);
    // The parts' looks, made beside the window's thread, so that showing them neither meshes
    // nor walks a face there; empty without a viewer. False on Cancel.
    bool prepareLooks(const QList<TopoDS_Shape>& shapes, const Message_ProgressRange& progress,
                      QList<PartLook>& looks) const;

    // Operations whose flows live with the project, autosave, ratsnest, probe and panels.
    void rebuildRecentProjectsMenu();
    void createLanguageMenu(QMenu* parent);
    void clearHistory();
    void openOnlineHelp();
    void showAbout();
    void applyAutoSaveSettings();
    void offerOrphanAutoSaveRecovery();
    void refreshBoardExplorer();
    // Runs steps that each refresh the board explorer, and refreshes it once, after the last.
    void withOneExplorerRefresh(const std::function<void()>& steps);
    bool isBoardExplorerShown() const;
    // Board explorer (mainwindow_boardexplorer.cpp)
    void createBoardExplorer(QMenu* viewMenu);
    bool boardActivationAllowed();
    void onBoardComponentActivated(const QString& ref);
    void onBoardNetActivated(const QString& netName);
    void updateRatsnestButton(bool visible);
    void clearRatsnest();
    void setComponentsSelectable(bool selectable);
    void enterResistanceProbeMode();
    void exitResistanceProbeMode();

    // Project lifecycle and autosave
    bool projectAtStake() const;
    bool confirmProjectReset(const QString& title, const QString& question);
    bool openProjectPath(const QString& path, bool untitledRecovery);
    bool openProjectFile(const QString& path, const QString& fileToRead, bool recovery,
                         bool untitledRecovery, const QString& recoveredSideFile = QString());
    void collectPlacedComponents(QList<SavedComponent>& placed,
                                 QList<FootprintData>& footprints) const;
    void markSaved();
    void reportSaveFailure();
    void displayRestoredTracks();
    void verifyRestoredPadIndex();
    QString restoredRouteIssues() const;
    // The side file to open the project from (the project itself when none is taken). A newer
    // one the user declines is left as it is, for the next opening to offer again.
    QString chooseRecoveryFile(const QString& projectPath);
    // Removes this copy's side file of the project and lets the project go.
    static void leaveAutoSave(const QString& projectPath);
    // Lets the project go and leaves its side file where it is.
    static void leaveAutoSaveClaim(const QString& projectPath);
    // The side file this copy writes for the design it has open; empty when there is none.
    QString ownAutoSavePath();
    // False when the project is open in another running copy and the user does not go on.
    bool confirmOpenElsewhere(const QString& projectPath);
    // False when no side file can be held beside the project (a read-only folder, a full disk).
    bool claimAutoSave(const QString& projectPath, const QString& preferred);

    // Netlist update: what the placed components say, and the change applied to them.
    struct NetlistApplyCounts
    {
        int addedWithFootprint = 0;
        int addedAsFallback = 0;
        int removed = 0;
        int replaced = 0;
        QStringList failedFootprints;
        bool outOfMemory = false;
    };
    QMap<QString, QString> placedFootprintAssignments() const;
    NetlistApplyCounts applyNetlistToComponents(const Netlist& netlist, const NetlistUpdate& update);
    void reportNetlistContentChanges(const QString& fileName, Netlist&& netlist);
    void performAutoSave();
    bool confirmClose();
    void restartApplication();
    // Routing: controllers, track undo steps, picking switches (mainwindow_routing.cpp)
    void connectRoutingController();
    template <typename Command, typename Payload>
    void pushRouteCommand(const Payload& payload);
    void refreshRoutingViews();
    void refreshRatsnest();
    // Conductors of two nets in contact or under the clearance (mainwindow_conflicts.cpp)
    using TrackConflict = TrackConflictScan::Conflict;
    // With a progress range, the scan runs beside the window's thread, which reports on it.
    void checkTrackConflicts(bool announce, const Message_ProgressRange* progress = nullptr);
    QString trackConflictText(const Route& route, const TrackConflict& conflict, int others) const;
    QHash<QString, int> trackConflictsPerNet() const;
    // Ratsnest (mainwindow_ratsnest.cpp)
    void refreshRatsnestStatus();
    RatsnestStats rebuildRatsnest();
    void computeRatsnestLinks(const PinTable& pins);
    void updateRatsnestLine(RatsnestLink& link);
    QColor netColor(const QString& netName) const;
    bool clearRatsnestDisplay();
    QString ratsnestStatusText(const RatsnestStats& stats) const;
    QString describeDetachedTracks() const;
    void onClearAllRoutesRequested();
    void onDeleteRouteRequested(int routeIndex);
    void onTrackPropertiesApplied(int routeIndex, const TrackProperties& props);
    void showTrackProperties(int routeIndex);
    void activatePadsForRouting(bool activate);

    // Resistance probe (mainwindow_resistance.cpp)
    void onProbePadClicked(const PadId& pad);
    void resetResistanceProbe();
    void showResistanceResult();
    void clearProbeHighlights();
    void highlightProbePad(const PadId& pad, const Quantity_Color& colour);

    // Components: viewer-ready objects, generation, burial (mainwindow_components.cpp)
    void createComponentManager(const opencascade::handle<AIS_InteractiveContext>& context);
    void createBurialAnalyzer(const opencascade::handle<AIS_InteractiveContext>& context);
    void reportMissingFootprints(const QList<MissingFootprintInfo>& missing);
    void createInteractionControllers();
    void onComponentChanged(const QString& ref);
    void onPopulationChanged(int successCount, int failedCount);

    // Component editing, selection and drag (mainwindow_editing.cpp)
    void connectPropertiesPanel();
    void connectComponentView();
    ComponentProperties componentPropertiesFor(const QString& ref) const;
    void showComponentProperties(const QString& ref);
    void clearComponentSelection();
    bool selectComponent(const opencascade::handle<AIS_Shape>& body);
    void onComponentSelected(const QString& ref);
    void onComponentDeselected(const QString& ref);
    void onPropertiesApplied(const QString& ref, const ComponentProperties& props);
    void onPropertiesPanelMoveComponent(const QString& ref, double deltaX, double deltaY, double deltaZ);
    void onRotateComponent(const QString& ref, double deltaAngle);
    void onBrowseFootprintForComponent(const QString& ref);
    void onComponentDragArmed(const QString& ref, const QPoint& startPos);
    void onComponentDragged(const QPoint& pos);
    void onComponentDragFinished();

    QList<ModeBinding> m_modeBindings;
    Ui::MainWindow* m_ui = nullptr;
    ProjectManager m_project;
    OccWidget* m_occWidget = nullptr;
    QLabel* m_statusLabel = nullptr;
    QPushButton* m_importButton = nullptr;
    QSplitter* m_splitter = nullptr;
    QMenu* m_recentProjectsMenu = nullptr;
    QAction* m_updateFromNetlistAction = nullptr;
    QString m_currentProjectPath;
    QTimer* m_autoSaveTimer = nullptr;
    bool m_autoSaveInProgress = false;
    QPushButton* m_importNetlistButton = nullptr;
    QPushButton* m_orientButton = nullptr;
    QPushButton* m_resetViewButton = nullptr;
    PropertiesPanel* m_propertiesPanel = nullptr;
    ModeController* m_modeController = nullptr;
    FootprintManager m_footprintManager;
    QPushButton* m_generateButton = nullptr;
    QPushButton* m_ratsnestButton = nullptr;
    QPushButton* m_ratsnestInfoButton = nullptr;
    QPushButton* m_followSurfaceButton = nullptr;
    QPushButton* m_selectionModeButton = nullptr;
    SelectionController* m_selectionController = nullptr;
    bool m_ratsnestVisible = false;
    QList<RatsnestLink> m_ratsnestLinks;
    int m_ratsnestTotalLinks = 0;
    QMap<QString, NetRatsnestStats> m_netRatsnestStats;
    NetConnectivity m_netConnectivity;
    TrackConflictScan m_conflictScan;
    QHash<quint64, TrackConflict> m_trackConflicts; // by route id, from the last check
    QString m_conflictNotice;                       // what the last check announced, if anything
    bool m_surfaceFollowing = false;
    QString m_dragComponentRef;
    ComponentManager* m_componentManager = nullptr;
    PadCacheManager* m_padCache = nullptr;
    BurialAnalyzer* m_burialAnalyzer = nullptr;
    RoutingController* m_routingController = nullptr;
    BoardExplorerPanel* m_boardExplorer = nullptr;
    int m_explorerRefreshHeld = 0;        // inside withOneExplorerRefresh
    bool m_explorerRefreshWanted = false; // asked for while held
    QPushButton* m_routingButton = nullptr;
    QPushButton* m_clearTracksButton = nullptr;
    QLabel* m_routingStatusLabel = nullptr;
    bool m_componentDragActive = false;
    gp_Pnt m_dragStartPosition;
    gp_Vec m_dragGrabOffset;
    QAction* m_exportStepAction = nullptr;
    QAction* m_export3mfPartAction = nullptr;
    QAction* m_export3mfProjectAction = nullptr;
    QAction* m_printPlanAction = nullptr;
    QPushButton* m_burialButton = nullptr;
    bool m_viewerReady = false;
    QUndoStack* m_undoStack = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    QPushButton* m_probeButton = nullptr;
    double m_probeResistivity = 2.59;
    ResistanceDialog* m_resistanceDialog = nullptr;
    std::optional<PadId> m_probePadA;
    std::optional<PadId> m_probePadB; // set only while a measurement is shown
    QList<PadId> m_probeHighlightedPads;

    bool m_modifiedOutsideUndo = false;
    OpenFileChooser m_openFileChooser;
    UrlOpener m_urlOpener;
    DetachedStarter m_detachedStarter;
    bool m_closeConfirmed = false; // the closing prompt was already answered (restart)
};
