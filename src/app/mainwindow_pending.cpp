// Operations of the window whose flows arrive with the project lifecycle, autosave, netlist,
// component, ratsnest, probe, export and panel work. They are wired where the window calls
// them; until their flows land they leave the design untouched, and the action states keep
// the buttons that depend on components or tracks disabled.
#include "app/mainwindow.h"

class QMenu;

void MainWindow::newProject() {}
void MainWindow::importNetlist() {}
void MainWindow::saveProject() {}
void MainWindow::saveProjectAs() {}
void MainWindow::loadProject() {}
void MainWindow::updateFromNetlist() {}
void MainWindow::manageAutoSaveSettings() {}
void MainWindow::manageFootprintFolders() {}
void MainWindow::manageRoutingRules() {}
void MainWindow::generateComponents() {}
void MainWindow::toggleRatsnestDisplay() {}
void MainWindow::showRatsnestInfo() {}
void MainWindow::exportStepFile() {}
void MainWindow::export3mfPart() {}
void MainWindow::export3mfProject() {}
void MainWindow::showPrintPlan() {}
void MainWindow::onBurialAnalysisToggled(bool) {}

void MainWindow::rebuildRecentProjectsMenu() {}
void MainWindow::createLanguageMenu(QMenu*) {}
void MainWindow::clearHistory() {}
void MainWindow::openOnlineHelp() {}
void MainWindow::showAbout() {}
void MainWindow::applyAutoSaveSettings() {}
void MainWindow::offerOrphanAutoSaveRecovery() {}
void MainWindow::refreshBoardExplorer() {}
void MainWindow::updateRatsnestButton(bool) {}
void MainWindow::clearRatsnest() {}
void MainWindow::setComponentsSelectable(bool) {}
void MainWindow::enterResistanceProbeMode() {}
void MainWindow::exitResistanceProbeMode() {}

// No component manager exists before placement is wired, so nothing is placed.
bool MainWindow::hasPlacedComponents() const { return false; }
bool MainWindow::hasFootprintedComponents() const { return false; }
