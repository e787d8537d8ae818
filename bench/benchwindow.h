// The main window on screen at the size the program is tried at, once its 3D viewer is up.
#pragma once

#include "view/occwidget.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <ctime>

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

// The longest time the window's thread goes without letting events through, between begin()
// and end(), in wall time and in the thread's own CPU time (what a loaded machine does not
// stretch): a tick of a millisecond runs only when events do. Kept over every begin().
class StretchClock
{
public:
    StretchClock()
    {
        m_tick.setInterval(1);
        QObject::connect(&m_tick, &QTimer::timeout, [this] { note(); });
        m_tick.start();
        m_clock.start();
    }
    void begin()
    {
        m_lastWall = m_clock.nsecsElapsed();
        m_lastCpu = threadCpuMs();
        m_measuring = true;
    }
    void end()
    {
        note();
        m_measuring = false;
    }
    double longestMs() const { return m_longestMs; }
    double longestCpuMs() const { return m_longestCpuMs; }

    static double threadCpuMs()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) * 1e3 + double(now.tv_nsec) * 1e-6;
    }

private:
    void note()
    {
        if (!m_measuring)
            return;
        const qint64 wall = m_clock.nsecsElapsed();
        const double cpu = threadCpuMs();
        m_longestMs = std::max(m_longestMs, double(wall - m_lastWall) * 1e-6);
        m_longestCpuMs = std::max(m_longestCpuMs, cpu - m_lastCpu);
        m_lastWall = wall;
        m_lastCpu = cpu;
    }

    QTimer m_tick;
    QElapsedTimer m_clock;
    bool m_measuring = false;
    qint64 m_lastWall = 0;
    double m_lastCpu = 0.0;
    double m_longestMs = 0.0;
    double m_longestCpuMs = 0.0;
};
