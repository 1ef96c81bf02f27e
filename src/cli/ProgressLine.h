#pragma once
// The --progress line: images done (of how many, when known) and images per second,
// redrawn in place on a terminal's standard error a few times a second. Whoever
// writes other text to that terminal clears the line first; the next count redraws it.

#include <chrono>
#include <cstddef>
#include <optional>
#include <ostream>

class ProgressLine {
public:
    // Draws nothing unless `shown` (asked for, and the stream is a terminal).
    ProgressLine(std::ostream& terminal, bool shown, std::optional<std::size_t> total);

    bool Shown() const { return m_shown; }
    // One more image done.
    void Count();
    // Takes the line off the terminal until the next redraw.
    void Clear();
    // The final figures, and the line ended.
    void Finish();

private:
    void Draw();

    using Clock = std::chrono::steady_clock;
    std::ostream& m_terminal;
    bool m_shown;
    std::optional<std::size_t> m_total;
    std::size_t m_done = 0;
    Clock::time_point m_start;
    Clock::time_point m_lastDraw;
    bool m_onScreen = false;
};
