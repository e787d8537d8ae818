// The main window on screen at the size the program is tried at, once its 3D viewer is up.
#pragma once

#include "view/occwidget.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>

// False when the viewer did not come up within 30 s.
inline bool showWithViewer(QWidget& window)
{
    bool ready = false;
    const QMetaObject::Connection up =
        QObject::connect(window.findChild<OccWidget*>(), &OccWidget::viewerInitialized, [&ready] { ready = true; });
    window.resize(1280, 800);
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (!ready && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QObject::disconnect(up);
    return ready;
}
