// Operations of the window whose flows arrive with the project lifecycle, autosave, netlist,
// component, ratsnest, probe, export and panel work. They are wired where the window calls
// them; until their flows land they leave the design untouched, and the controls that start
// them are disabled so that nothing pretends to work.
#include "app/mainwindow.h"

#include <QAction>
#include <QWidget>

QAction* MainWindow::unavailable(QAction* action)
{
    action->setEnabled(false);
    m_unavailableActions.append(action);
    return action;
}

QWidget* MainWindow::unavailable(QWidget* widget)
{
    widget->setEnabled(false);
    m_unavailableWidgets.append(widget);
    return widget;
}

void MainWindow::disableUnavailableControls()
{
    for (QAction* action : std::as_const(m_unavailableActions))
        action->setEnabled(false);
    for (QWidget* widget : std::as_const(m_unavailableWidgets))
        widget->setEnabled(false);
}
