// Long operations of the window (exports, burial analysis): run on the GUI thread under a
// modal progress window, with every command that could change the design or start another
// long operation held until they end. Parts of them run on helper threads that read the very
// shapes on show, so the events their reports let through may paint but never mesh, heal or
// edit a shape: input is held (the modal window, the rest disabled) and the automatic save waits.
#include "app/mainwindow.h"

#include "app/progresswindow.h"
#include "foundation/scopeguard.h"

#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>

bool MainWindow::isLongOperationRunning() const
{
    return m_progressWindow != nullptr;
}

void MainWindow::runLongOperation(const QString& status,
                                  const std::function<void(const Message_ProgressRange&)>& work)
{
    if (m_progressWindow)
        return;
    // The status line says what runs only while it does: one left unchanged goes back to
    // what it said before.
    const QString previousStatus = m_statusLabel ? m_statusLabel->text() : QString();
    setStatusText(status);
    const ScopeGuard restoreStatus([&] {
        if (m_statusLabel && m_statusLabel->text() == status)
            setStatusText(previousStatus);
    });

    // The modal window takes the user's input while it shows; disabled menus, panels and view
    // also refuse what reaches them otherwise (a shortcut, a click before it shows). Each
    // comes back as it was.
    QList<QPointer<QWidget>> held{menuBar(), centralWidget()};
    for (QDockWidget* dock : findChildren<QDockWidget*>())
        held.append(dock);
    QList<QPointer<QWidget>> disabled;
    for (const QPointer<QWidget>& widget : std::as_const(held)) {
        if (widget && widget->isEnabled()) {
            widget->setEnabled(false);
            disabled.append(widget);
        }
    }
    const QPointer<QWidget> focus = QApplication::focusWidget();
    // An automatic save in the middle would write a design the operation is reading.
    const bool autoSaving = m_autoSaveTimer && m_autoSaveTimer->isActive();
    if (autoSaving)
        m_autoSaveTimer->stop();
    const ScopeGuard release([&] {
        for (const QPointer<QWidget>& widget : std::as_const(disabled))
            if (widget)
                widget->setEnabled(true);
        if (focus && focus->isEnabled())
            focus->setFocus();
        if (autoSaving && m_autoSaveTimer && !m_autoSaveTimer->isActive())
            m_autoSaveTimer->start();
    });

    ProgressWindow progress(this, status);
    m_progressWindow = &progress;
    const ScopeGuard forget([this] { m_progressWindow = nullptr; });
    work(progress.start());
}
