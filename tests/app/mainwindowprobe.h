// Test access to the main window's widgets and state, and small helpers shared by its tests.
#pragma once

#include "app/mainwindow.h"
#include "app/propertiespanel.h"
#include "app/reportdialog.h"
#include "foundation/geometryutils.h"
#include "model/netlist.h"
#include "model/routerecords.h"
#include "project/projectmanager.h"

#include <QAction>
#include <QTest>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

#include <functional>

struct MainWindowProbe
{
    explicit MainWindowProbe(MainWindow& window) : w(window) {}

    MainWindow& w;

    QString status() const { return w.m_statusLabel->text(); }
    OccWidget* occWidget() const { return w.m_occWidget; }
    PropertiesPanel* propertiesPanel() const { return w.m_propertiesPanel; }
    ComponentManager* componentManager() const { return w.m_componentManager; }
    BurialAnalyzer* burialAnalyzer() const { return w.m_burialAnalyzer; }
    PadCacheManager* padCache() const { return w.m_padCache; }
    FootprintManager& footprints() const { return w.m_footprintManager; }
    const QString& selectedComponent() const { return w.m_dragComponentRef; }
    ModeController* modes() const { return w.m_modeController; }
    ProjectManager& project() const { return w.m_project; }
    QUndoStack* undoStack() const { return w.m_undoStack; }
    const AssemblyCache& assemblyCache() const { return w.m_assemblyCache; }
    const PartBoxCache& planPartBox() const { return w.m_planPartBox; }
    bool viewerReady() const { return w.m_viewerReady; }
    bool surfaceFollowing() const { return w.m_surfaceFollowing; }
    RoutingController* routingController() const { return w.m_routingController; }
    BoardExplorerPanel* boardExplorer() const { return w.m_boardExplorer; }
    const QList<RatsnestLink>& ratsnestLinks() const { return w.m_ratsnestLinks; }
    const QMap<QString, NetRatsnestStats>& netRatsnestStats() const { return w.m_netRatsnestStats; }
    void applyTrackProperties(int routeIndex, const TrackProperties& props) { w.onTrackPropertiesApplied(routeIndex, props); }
    void clearTracks() { w.onClearAllRoutesRequested(); }
    void refreshRoutingViews() { w.refreshRoutingViews(); }
    AssemblyInput assemblyInput() const { return w.assemblyInput(); }

    ResistanceDialog* resistanceDialog() const { return w.m_resistanceDialog; }
    const QList<PadId>& probeHighlightedPads() const { return w.m_probeHighlightedPads; }
    void clickProbePad(const PadId& pad) { w.onProbePadClicked(pad); }

    QPushButton* importButton() const { return w.m_importButton; }
    QPushButton* orientButton() const { return w.m_orientButton; }
    QPushButton* importNetlistButton() const { return w.m_importNetlistButton; }
    QPushButton* resetViewButton() const { return w.m_resetViewButton; }
    QPushButton* generateButton() const { return w.m_generateButton; }
    QPushButton* ratsnestButton() const { return w.m_ratsnestButton; }
    QPushButton* ratsnestInfoButton() const { return w.m_ratsnestInfoButton; }
    QPushButton* selectionModeButton() const { return w.m_selectionModeButton; }
    QPushButton* followSurfaceButton() const { return w.m_followSurfaceButton; }
    QPushButton* burialButton() const { return w.m_burialButton; }
    QPushButton* routingButton() const { return w.m_routingButton; }
    QPushButton* clearTracksButton() const { return w.m_clearTracksButton; }
    QPushButton* probeButton() const { return w.m_probeButton; }
    QLabel* routingStatusLabel() const { return w.m_routingStatusLabel; }

    // Component flows that the selection and the view trigger.
    bool selectComponent(const opencascade::handle<AIS_Shape>& body) { return w.selectComponent(body); }
    void deselectComponent(const QString& ref) { w.onComponentDeselected(ref); }
    void applyProperties(const QString& ref, const ComponentProperties& p) { w.onPropertiesApplied(ref, p); }
    ComponentProperties propertiesOf(const QString& ref) const { return w.componentPropertiesFor(ref); }
    void panelMove(const QString& ref, double dx, double dy, double dz) { w.onPropertiesPanelMoveComponent(ref, dx, dy, dz); }
    // One resistor of the built-in 0805 footprint, generated alone and put at the point through
    // the properties panel.
    void placeResistor(const QString& ref, const gp_Pnt& at)
    {
        Netlist netlist;
        netlist.components.insert(ref, NetlistComponent{ref, QStringLiteral("1k"), QStringLiteral("Builtin_0805"), {}});
        w.m_project.setNetlist(std::move(netlist));
        w.generateComponents();
        ComponentProperties placed = propertiesOf(ref);
        placed.posX = at.X();
        placed.posY = at.Y();
        placed.posZ = at.Z();
        applyProperties(ref, placed);
    }
    void panelRotate(const QString& ref, double delta) { w.onRotateComponent(ref, delta); }
    void armDrag(const QString& ref, const QPoint& at) { w.onComponentDragArmed(ref, at); }
    void drag(const QPoint& at) { w.onComponentDragged(at); }
    void finishDrag() { w.onComponentDragFinished(); }
    bool dragActive() const { return w.m_componentDragActive; }

    QAction* updateFromNetlistAction() const { return w.m_updateFromNetlistAction; }
    QAction* exportStepAction() const { return w.m_exportStepAction; }
    QAction* export3mfPartAction() const { return w.m_export3mfPartAction; }
    QAction* export3mfProjectAction() const { return w.m_export3mfProjectAction; }
    QAction* printPlanAction() const { return w.m_printPlanAction; }
    QAction* undoAction() const { return w.m_undoAction; }
    QAction* redoAction() const { return w.m_redoAction; }

    // Project lifecycle, autosave, language
    QString currentPath() const { return w.m_currentProjectPath; }
    QMenu* recentMenu() const { return w.m_recentProjectsMenu; }
    QTimer* autoSaveTimer() const { return w.m_autoSaveTimer; }
    bool openProjectPath(const QString& path, bool untitled) { return w.openProjectPath(path, untitled); }
    bool saveProjectTo(const QString& path) { return w.saveProjectToPath(path, false); }
    void browseFootprint(const QString& ref) { w.onBrowseFootprintForComponent(ref); }
    QString chooseRecoveryFile(const QString& path) { return w.chooseRecoveryFile(path); }
    void close(QCloseEvent* event) { w.closeEvent(event); }
    void clearHistory() { w.clearHistory(); }
    void openOnlineHelp() { w.openOnlineHelp(); }
    void offerOrphanAutoSaveRecovery() { w.offerOrphanAutoSaveRecovery(); }
    void autoSaveNow() { w.performAutoSave(); }
    // The side file that the next automatic save writes.
    QString autoSaveTarget() { return w.ownAutoSavePath(); }
    void installChangedNetlist(const QString& fileName, Netlist netlist)
    {
        w.reportNetlistContentChanges(fileName, std::move(netlist));
    }
    void setComponentDragActive(bool active) { w.m_componentDragActive = active; }
    const NetConnectivity& netConnectivity() const { return w.m_netConnectivity; }
    // Route id → whether the window holds it as touching (true) or too close to another net.
    QHash<quint64, bool> trackConflicts() const
    {
        QHash<quint64, bool> conflicts;
        for (auto it = w.m_trackConflicts.cbegin(); it != w.m_trackConflicts.cend(); ++it)
            conflicts.insert(it.key(), it->isShort);
        return conflicts;
    }
};

// The dialog asking the user something now, leaving out the progress window: on a slow machine
// it shows while the work runs, and is no question.
inline QDialog* activeQuestion()
{
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    return dialog && dialog->objectName() != QLatin1String("progressWindow") ? dialog : nullptr;
}

// Lets events run until the condition holds. No deadline: a slow machine must not fail a test,
// and a hang is CTest's to end. True, so that callers can assert on it.
inline bool waitFor(const std::function<bool()>& condition)
{
    while (!condition())
        QTest::qWait(10);
    return true;
}

// A straight track buried in the part: along x, 5 mm in from either end, across the middle
// in y, 3 mm above its bottom.
inline Route trackAcross(const TopoDS_Shape& part)
{
    double x0, y0, z0, x1, y1, z1;
    GeometryUtils::getTightBoundingBox(part).Get(x0, y0, z0, x1, y1, z1);
    Route route;
    route.netName = QStringLiteral("GND");
    RouteSegment segment;
    segment.start = gp_Pnt(x0 + 5, (y0 + y1) / 2, z0 + 3);
    segment.end = gp_Pnt(x1 - 5, (y0 + y1) / 2, z0 + 3);
    route.segments.append(segment);
    return route;
}

// Lock files that cannot be created, as in a read-only folder or on a full disk, even for root:
// a folder in the place of each.
inline bool blockLockFiles(const QStringList& sideFiles)
{
    for (const QString& side : sideFiles)
        if (!QDir().mkpath(side + QStringLiteral(".lock")))
            return false;
    return true;
}

// Answers every message box and report that opens while it lives: with the scripted buttons in
// turn, then with the given button (when the box has it, else the default one), recording
// "title|text" of each box. Other modal dialogs are accepted when asked for, and recorded by their title.
class MessageBoxAnswerer : public QObject
{
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok,
                                bool acceptDialogs = false)
        : m_answer(answer)
        , m_acceptDialogs(acceptDialogs)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    explicit MessageBoxAnswerer(QList<QMessageBox::StandardButton> script)
        : MessageBoxAnswerer(QMessageBox::Ok)
    {
        m_script = std::move(script);
    }

    QStringList seen;

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        // A long operation's progress window answers nobody: it closes when the operation ends.
        if (!modal || !modal->isVisible() || modal->objectName() == QLatin1String("progressWindow"))
            return;
        if (auto* report = qobject_cast<ReportDialog*>(modal)) {
            seen << report->windowTitle() + QLatin1Char('|') + report->text();
            QAbstractButton* button = report->button(m_script.isEmpty() ? m_answer : m_script.takeFirst());
            for (QPushButton* candidate : report->findChildren<QPushButton*>())
                if (!button && candidate->isDefault())
                    button = candidate;
            if (button)
                button->click();
            else
                report->reject();
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
            auto* dialog = qobject_cast<QDialog*>(modal);
            if (dialog && m_acceptDialogs) {
                seen << dialog->windowTitle();
                dialog->accept();
            }
            return;
        }
        seen << box->windowTitle() + QLatin1Char('|') + box->text();
        QAbstractButton* button = box->button(m_script.isEmpty() ? m_answer : m_script.takeFirst());
        if (!button)
            button = box->defaultButton();
        if (button)
            button->click();
        else
            box->reject();
    }

    QMessageBox::StandardButton m_answer;
    bool m_acceptDialogs = false;
    QList<QMessageBox::StandardButton> m_script;
    QTimer m_timer;
};
