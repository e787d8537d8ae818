#include "app/busycursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>

BusyCursor::BusyCursor(Qt::CursorShape shape)
{
    QGuiApplication::setOverrideCursor(shape);
    // Layouts first, so that a longer status text is painted at its new width.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
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
