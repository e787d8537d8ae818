#include "foundation/busycursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>

BusyCursor::BusyCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

BusyCursor::~BusyCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

BusyCursor::Pause::Pause()
    : m_paused(QGuiApplication::overrideCursor() != nullptr)
{
    if (m_paused)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
}

BusyCursor::Pause::~Pause()
{
    if (m_paused)
        QGuiApplication::restoreOverrideCursor();
}
