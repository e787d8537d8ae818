// One row of the main window's mode table: the tool-panel button of a mode, its two texts,
// the guard that says whether the mode may be entered, and what entering and leaving does.
#pragma once

#include "view/modecontroller.h"

#include <QString>

#include <functional>

class QAbstractButton;

struct ModeBinding
{
    ModeController::Mode mode = ModeController::Mode::View;
    QAbstractButton* button = nullptr; // owned by the tool panel
    QString idleLabel;
    QString activeLabel;
    std::function<QString()> availability; // empty text: the mode may be entered
    std::function<void()> onEnter;
    std::function<void()> onExit;
};
