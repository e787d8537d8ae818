// The modal progress window of a long operation run on the GUI thread. The operation reports
// its progress through the OpenCASCADE range that start() gives; each report lets the
// program's windows paint and the Cancel button answer, and Cancel makes the algorithms below
// stop at their next report. The window shows after a short delay, so that a quick operation
// does not flash it; until then the reports let no user input in.
#pragma once

#include "app/busycursor.h"

#include <Message_ProgressRange.hxx>
#include <Standard_Handle.hxx>

#include <QCoreApplication>
#include <QString>

class QWidget;

class ProgressWindow
{
    Q_DECLARE_TR_FUNCTIONS(ProgressWindow)

public:
    ProgressWindow(QWidget* parent, const QString& label);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // The whole operation's range; taken once.
    Message_ProgressRange start();
    void setLabel(const QString& text);
    // Past the point where stopping would leave things half done, Cancel is greyed. A Cancel
    // pressed before, still on its way to the window while the thread was busy, is heard first:
    // false when it came, and Cancel is then not greyed.
    bool holdCancel();

    // Milliseconds from the start to the window showing; tests set 0 to reach Cancel at once.
    static void setShowDelay(int milliseconds);
    // Least milliseconds between two reports that let events in; tests set 0 to see every one.
    static void setPumpInterval(int milliseconds);

private:
    class Dialog;
    class Indicator;

    // While the window is up the user may still press Cancel: the pointer says busy, not wait.
    BusyCursor m_cursor{Qt::BusyCursor};
    Dialog* m_dialog = nullptr;
    opencascade::handle<Indicator> m_indicator;
};
