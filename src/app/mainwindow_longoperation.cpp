// Long operations of the window (exports, burial analysis): run on the GUI thread under a
// modal progress window, with every command that could change the design or start another
// long operation held until they end. Parts of them run on helper threads that read the very
// shapes on show, so the events their reports let through may paint but never mesh, heal or
// edit a shape: input is held (the modal window, the rest disabled) and the automatic save waits.
#include "app/mainwindow.h"

#include "app/progresswindow.h"
#include "foundation/scopeguard.h"

#include <Standard_Failure.hxx>
#include <Standard_OutOfMemory.hxx>

#include <QApplication>
#include <QDebug>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <exception>
#include <new>

bool MainWindow::isLongOperationRunning() const
{
    return m_progressWindow != nullptr;
}

bool MainWindow::runLongOperation(const QString& status,
                                  const std::function<void(const Message_ProgressRange&)>& work)
{
    if (m_progressWindow)
        return false;
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

    // What escapes the work must not end the program: it ends the operation, whose callers
    // change nothing before it has run to its end.
    bool outOfMemory = false;
    QString failure;
    {
        ProgressWindow progress(this, status);
        m_progressWindow = &progress;
        const ScopeGuard forget([this] { m_progressWindow = nullptr; });
        try {
            work(progress.start());
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        } catch (const Standard_OutOfMemory&) {
            outOfMemory = true;
        } catch (const Standard_Failure& failed) {
            failure = QString::fromUtf8(failed.GetMessageString());
            if (failure.isEmpty())
                failure = QString::fromUtf8(failed.DynamicType()->Name());
        } catch (const std::exception& failed) {
            failure = QString::fromUtf8(failed.what());
        }
    }
    if (!outOfMemory && failure.isNull())
        return true;
    // Told once the progress window is gone and what the work held is freed.
    QString operation = status.trimmed();
    while (operation.endsWith(QLatin1Char('.')) || operation.endsWith(QChar(0x2026)))
        operation.chop(1);
    if (outOfMemory) {
        qWarning() << "Long operation out of memory:" << operation;
        setStatusText(tr("Stopped: not enough memory"));
        QMessageBox::warning(this, tr("Not enough memory"),
                             tr("❌ Not enough memory: “%1” was stopped.\n\nThe design and the files on disk are as "
                                "they were, and the program goes on. Closing other programs or designs may leave room "
                                "to try again.")
                                 .arg(operation));
    } else {
        qWarning() << "Long operation failed:" << operation << failure;
        setStatusText(tr("Stopped: an error occurred"));
        QMessageBox::warning(this, tr("Error"),
                             tr("❌ “%1” failed and was stopped: %2\n\nThe design and the files on disk are as they "
                                "were.")
                                 .arg(operation, failure));
    }
    return false;
}
