// The wait cursor over the whole program while a long operation holds the GUI thread, put
// back however the operation ends.
#pragma once

class BusyCursor
{
public:
    // Also lets the pending paints run once, so that the cursor and the status line written
    // just before show while the work runs; user input waits.
    BusyCursor();
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
