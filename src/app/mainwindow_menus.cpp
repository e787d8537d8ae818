#include "app/mainwindow.h"

#include <QAction>
#include <QDockWidget>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>

void MainWindow::createFileMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&File"));

    auto* newAction = new QAction(tr("New project"), this);
    newAction->setShortcut(QKeySequence::New);
    connect(newAction, &QAction::triggered, this, &MainWindow::newProject);
    unavailable(newAction);
    menu->addAction(newAction);

    menu->addSeparator();

    auto* importGeometry = new QAction(tr("Import geometry (STEP/STL)..."), this);
    connect(importGeometry, &QAction::triggered, this, &MainWindow::importGeometryFile);
    menu->addAction(importGeometry);

    auto* importNetlistAction = new QAction(tr("Import Netlist..."), this);
    connect(importNetlistAction, &QAction::triggered, this, &MainWindow::importNetlist);
    unavailable(importNetlistAction);
    menu->addAction(importNetlistAction);

    m_updateFromNetlistAction = new QAction(tr("Update from netlist..."), this);
    m_updateFromNetlistAction->setToolTip(
        tr("Applies a modified netlist while keeping the placement:\n"
           "components that remain keep their position, rotation and dimensions."));
    m_updateFromNetlistAction->setEnabled(false);
    connect(m_updateFromNetlistAction, &QAction::triggered, this, &MainWindow::updateFromNetlist);
    unavailable(m_updateFromNetlistAction);
    menu->addAction(m_updateFromNetlistAction);

    menu->addSeparator();

    auto* saveAction = new QAction(tr("&Save project"), this);
    saveAction->setShortcut(QKeySequence::Save);
    connect(saveAction, &QAction::triggered, this, &MainWindow::saveProject);
    unavailable(saveAction);
    menu->addAction(saveAction);

    auto* saveAsAction = new QAction(tr("Save project &as..."), this);
    saveAsAction->setShortcut(QKeySequence::SaveAs);
    connect(saveAsAction, &QAction::triggered, this, &MainWindow::saveProjectAs);
    unavailable(saveAsAction);
    menu->addAction(saveAsAction);

    auto* openAction = new QAction(tr("&Open a project..."), this);
    openAction->setShortcut(QKeySequence::Open);
    connect(openAction, &QAction::triggered, this, &MainWindow::loadProject);
    unavailable(openAction);
    menu->addAction(openAction);

    m_recentProjectsMenu = menu->addMenu(tr("Recent projects"));
    m_recentProjectsMenu->setToolTipsVisible(true);
    rebuildRecentProjectsMenu();
    unavailable(m_recentProjectsMenu);

    menu->addSeparator();

    QMenu* exportMenu = menu->addMenu(tr("3D Export"));

    m_exportStepAction = new QAction(tr("Export STEP..."), this);
    m_exportStepAction->setEnabled(false);
    connect(m_exportStepAction, &QAction::triggered, this, &MainWindow::exportStepFile);
    unavailable(m_exportStepAction);
    exportMenu->addAction(m_exportStepAction);

    m_export3mfPartAction = new QAction(tr("Export 3MF part..."), this);
    m_export3mfPartAction->setToolTip(
        tr("Meshed 3MF export (part + conductors) with per-volume PrusaSlicer settings; the pause "
           "plan only travels as readable notes (.txt / .csv, chosen in the export dialog)."));
    m_export3mfPartAction->setEnabled(false);
    connect(m_export3mfPartAction, &QAction::triggered, this, &MainWindow::export3mfPart);
    unavailable(m_export3mfPartAction);
    exportMenu->addAction(m_export3mfPartAction);

    m_export3mfProjectAction = new QAction(tr("Export 3MF project..."), this);
    m_export3mfProjectAction->setToolTip(
        tr("Like the part export, plus the native insertion pauses (M601) loaded by PrusaSlicer "
           "when the file is opened as a project."));
    m_export3mfProjectAction->setEnabled(false);
    connect(m_export3mfProjectAction, &QAction::triggered, this, &MainWindow::export3mfProject);
    unavailable(m_export3mfProjectAction);
    exportMenu->addAction(m_export3mfProjectAction);

    m_printPlanAction = new QAction(tr("Print layout..."), this);
    m_printPlanAction->setToolTip(tr("Print pause report: at which layer to pause\n"
                                     "and which components to insert, sorted by height."));
    m_printPlanAction->setEnabled(false);
    connect(m_printPlanAction, &QAction::triggered, this, &MainWindow::showPrintPlan);
    unavailable(m_printPlanAction);
    menu->addAction(m_printPlanAction);

    menu->addSeparator();

    auto* quitAction = new QAction(tr("Quit"), this);
    connect(quitAction, &QAction::triggered, this, &QWidget::close);
    menu->addAction(quitAction);
}

void MainWindow::createEditMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&Edit"));

    m_undoAction = m_undoStack->createUndoAction(this, tr("&Undo"));
    m_undoAction->setShortcut(QKeySequence::Undo);
    menu->addAction(m_undoAction);

    m_redoAction = m_undoStack->createRedoAction(this, tr("&Redo"));
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

    auto* clearHistoryAction = new QAction(tr("Clear history"), this);
    connect(clearHistoryAction, &QAction::triggered, this, &MainWindow::clearHistory);
    unavailable(clearHistoryAction);
    menu->addAction(clearHistoryAction);

    menu->addSeparator();

    auto* foldersAction = new QAction(tr("Footprint folders…"), this);
    connect(foldersAction, &QAction::triggered, this, &MainWindow::manageFootprintFolders);
    unavailable(foldersAction);
    menu->addAction(foldersAction);

    auto* rulesAction = new QAction(tr("Routing rules…"), this);
    connect(rulesAction, &QAction::triggered, this, &MainWindow::manageRoutingRules);
    unavailable(rulesAction);
    menu->addAction(rulesAction);

    auto* autoSaveAction = new QAction(tr("Automatic save…"), this);
    connect(autoSaveAction, &QAction::triggered, this, &MainWindow::manageAutoSaveSettings);
    unavailable(autoSaveAction);
    menu->addAction(autoSaveAction);
}

void MainWindow::createViewMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&View"));
    // The board explorer dock and its toggle join this menu once the panel exists.
    if (!m_boardExplorer)
        menu->setEnabled(false);
}

void MainWindow::createHelpMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&Help"));

    auto* helpAction = new QAction(tr("Online Help"), this);
    connect(helpAction, &QAction::triggered, this, &MainWindow::openOnlineHelp);
    unavailable(helpAction);
    menu->addAction(helpAction);

    menu->addSeparator();
    createLanguageMenu(menu);
    menu->addSeparator();

    auto* aboutAction = new QAction(tr("About"), this);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::showAbout);
    unavailable(aboutAction);
    menu->addAction(aboutAction);
}
