#include "app/mainwindow.h"

#include <QAction>
#include <QDockWidget>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>

namespace {

// An action in the menu that triggers the window's slot.
QAction* addSlotAction(QMenu* menu, const QString& text, MainWindow* window, void (MainWindow::*slot)())
{
    auto* action = new QAction(text, window);
    QObject::connect(action, &QAction::triggered, window, slot);
    menu->addAction(action);
    return action;
}

} // namespace

void MainWindow::createFileMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&File"));

    addSlotAction(menu, tr("New project"), this, &MainWindow::newProject)->setShortcut(QKeySequence::New);

    menu->addSeparator();

    addSlotAction(menu, tr("Import geometry (STEP/STL)..."), this, &MainWindow::importGeometryFile);
    addSlotAction(menu, tr("Import Netlist..."), this, &MainWindow::importNetlist);

    m_updateFromNetlistAction =
        addSlotAction(menu, tr("Update from netlist..."), this, &MainWindow::updateFromNetlist);
    m_updateFromNetlistAction->setEnabled(false); // until components are placed
    m_updateFromNetlistAction->setToolTip(
        tr("Applies a modified netlist while keeping the placement:\n"
           "components that remain keep their position, rotation and dimensions."));

    menu->addSeparator();

    addSlotAction(menu, tr("&Save project"), this, &MainWindow::saveProject)->setShortcut(QKeySequence::Save);
    addSlotAction(menu, tr("Save project &as..."), this, &MainWindow::saveProjectAs)->setShortcut(QKeySequence::SaveAs);
    addSlotAction(menu, tr("&Open a project..."), this, &MainWindow::loadProject)->setShortcut(QKeySequence::Open);

    m_recentProjectsMenu = menu->addMenu(tr("Recent projects"));
    m_recentProjectsMenu->setToolTipsVisible(true);
    rebuildRecentProjectsMenu();

    menu->addSeparator();

    QMenu* exportMenu = menu->addMenu(tr("3D Export"));

    // The exports and the print plan follow the part (updateActionStates).
    m_exportStepAction = addSlotAction(exportMenu, tr("Export STEP..."), this, &MainWindow::exportStepFile);
    m_exportStepAction->setEnabled(false);

    m_export3mfPartAction = addSlotAction(exportMenu, tr("Export 3MF part..."), this, &MainWindow::export3mfPart);
    m_export3mfPartAction->setEnabled(false);
    m_export3mfPartAction->setToolTip(
        tr("Meshed 3MF export (part + conductors) with per-volume PrusaSlicer settings; the print "
           "plan only travels as readable notes (.txt / .csv, chosen in the export dialog)."));

    m_export3mfProjectAction =
        addSlotAction(exportMenu, tr("Export 3MF project..."), this, &MainWindow::export3mfProject);
    m_export3mfProjectAction->setEnabled(false);
    m_export3mfProjectAction->setToolTip(
        tr("Like the part export, plus the native insertion pauses (M601) loaded by PrusaSlicer "
           "when the file is opened as a project."));

    m_printPlanAction = addSlotAction(menu, tr("Print plan..."), this, &MainWindow::showPrintPlan);
    m_printPlanAction->setEnabled(false);
    m_printPlanAction->setToolTip(tr("Print pause report: at which layer to pause\n"
                                     "and which components to insert, sorted by height."));

    menu->addSeparator();

    auto* quitAction = new QAction(tr("Quit"), this);
    // Windows names no standard Quit key: Ctrl+Q there too.
    const QKeySequence quitKey(QKeySequence::Quit);
    quitAction->setShortcut(quitKey.isEmpty() ? QKeySequence(Qt::CTRL | Qt::Key_Q) : quitKey);
    quitAction->setMenuRole(QAction::QuitRole);
    connect(quitAction, &QAction::triggered, this, &QWidget::close);
    menu->addAction(quitAction);
}

void MainWindow::createEditMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&Edit"));

    // The status line says what was undone or redone: what it said of the edit no longer holds.
    // A conflict between nets that the step brought back is the news that stays in view.
    const auto tell = [this](const QString& text) {
        if (m_conflictNotice.isEmpty() || !m_statusLabel || m_statusLabel->text() != m_conflictNotice)
            setStatusText(text);
    };
    m_undoAction = m_undoStack->createUndoAction(this, tr("&Undo"));
    m_undoAction->setShortcut(QKeySequence::Undo);
    disconnect(m_undoAction, &QAction::triggered, m_undoStack, &QUndoStack::undo);
    connect(m_undoAction, &QAction::triggered, this, [this, tell] {
        const QString text = m_undoStack->undoText();
        m_undoStack->undo();
        tell(tr("Undone: %1").arg(text));
    });
    menu->addAction(m_undoAction);

    m_redoAction = m_undoStack->createRedoAction(this, tr("&Redo"));
    disconnect(m_redoAction, &QAction::triggered, m_undoStack, &QUndoStack::redo);
    connect(m_redoAction, &QAction::triggered, this, [this, tell] {
        const QString text = m_undoStack->redoText();
        m_undoStack->redo();
        tell(tr("Redone: %1").arg(text));
    });
    // Ctrl+Shift+Z redoes on every platform, whatever its standard redo key. Where it already is
    // the standard key it is given once: the same key twice on one action is an ambiguous
    // shortcut, and Qt then triggers nothing.
    const QKeySequence standardRedo(QKeySequence::Redo);
    const QKeySequence ctrlShiftZ(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    QList<QKeySequence> redoKeys{standardRedo};
    if (ctrlShiftZ != standardRedo)
        redoKeys << ctrlShiftZ;
    m_redoAction->setShortcuts(redoKeys);
    menu->addAction(m_redoAction);

    menu->addSeparator();

    addSlotAction(menu, tr("Clear history"), this, &MainWindow::clearHistory);

    menu->addSeparator();

    addSlotAction(menu, tr("Footprint folders…"), this, &MainWindow::manageFootprintFolders);
    addSlotAction(menu, tr("Routing rules…"), this, &MainWindow::manageRoutingRules);
    addSlotAction(menu, tr("Automatic save…"), this, &MainWindow::manageAutoSaveSettings);
}

void MainWindow::createViewMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&View"));
    createBoardExplorer(menu);
}

void MainWindow::createHelpMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&Help"));

    addSlotAction(menu, tr("Online Help"), this, &MainWindow::openOnlineHelp);

    menu->addSeparator();
    createLanguageMenu(menu);
    menu->addSeparator();

    addSlotAction(menu, tr("About"), this, &MainWindow::showAbout);
}
