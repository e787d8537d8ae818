// Helpers for the tests that host a real OpenCASCADE view (they need an X server).
#pragma once

#include "view/occwidget.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_ListOfInteractive.hxx>
#include <V3d_View.hxx>

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace ViewTest {

// A shown view that has built its viewer.
inline std::unique_ptr<OccWidget> makeReadyWidget(QSignalSpy** initSpy = nullptr)
{
    auto widget = std::make_unique<OccWidget>();
    auto* spy = new QSignalSpy(widget.get(), &OccWidget::viewerInitialized);
    spy->setParent(widget.get());
    widget->resize(800, 600);
    widget->show();
    (void)QTest::qWaitForWindowExposed(widget.get());
    QCoreApplication::processEvents();
    if (initSpy)
        *initSpy = spy;
    return widget;
}

inline int displayedCount(const OccWidget& widget)
{
    AIS_ListOfInteractive list;
    widget.context()->DisplayedObjects(list);
    return list.Size();
}

// Logical widget position where the world point appears.
inline QPoint screenOf(const OccWidget& widget, const gp_Pnt& p)
{
    int xp = 0, yp = 0;
    widget.view()->Convert(p.X(), p.Y(), p.Z(), xp, yp);
    const qreal ratio = std::max<qreal>(widget.devicePixelRatio(), 1.0);
    return QPoint(qRound(xp / ratio), qRound(yp / ratio));
}

inline void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
                      Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

inline void moveTo(QWidget* widget, const QPoint& pos)
{
    sendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton);
}

inline void press(QWidget* widget, const QPoint& pos, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(widget, QEvent::MouseButtonPress, pos, button, button);
}

inline void release(QWidget* widget, const QPoint& pos, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(widget, QEvent::MouseButtonRelease, pos, button, Qt::NoButton);
}

} // namespace ViewTest
