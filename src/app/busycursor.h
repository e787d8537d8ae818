// The wait cursor over the whole program while a long operation holds the GUI thread, put
// back however the operation ends.
#pragma once

#include <Qt>

class BusyCursor
{
public:
    // Also paints what is waiting to be painted (the status line written just before), and
    // nothing else: no timer, queued call or user input runs, since the operation may be
    // inside an edit of the design (an undo step) that nothing may interleave with.
    explicit BusyCursor(Qt::CursorShape shape = Qt::WaitCursor);
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    // A question asked in the middle of a long operation gets the usual pointer for its time.
    class Pause
    {
    public:
        Pause();
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        bool m_paused = false;
    };
};
