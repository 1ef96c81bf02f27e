#pragma once
// The busy cursor over the whole program while it lives (a picture opening). A
// dialog shown in the meantime is shown under a Pause, with the normal cursor: the
// user is asked something, not told to wait.

class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    // True while some busy cursor lives, paused or not.
    static bool IsBusy();

    // The normal cursor while it lives, the busy one again afterwards (if any was on).
    class Pause {
    public:
        Pause();
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        int m_paused = 0;
    };
};
