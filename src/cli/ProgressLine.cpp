#include "cli/ProgressLine.h"

namespace {
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr const char* kEraseLine = "\r\x1B[K";
}  // namespace

ProgressLine::ProgressLine(std::ostream& terminal, bool shown, std::optional<std::size_t> total)
    : m_terminal(terminal), m_shown(shown), m_total(total), m_start(Clock::now()) {
    m_lastDraw = m_start - kRedrawEvery;
}

void ProgressLine::Count() {
    ++m_done;
    if (m_shown && (!m_onScreen || Clock::now() - m_lastDraw >= kRedrawEvery))
        Draw();
}

void ProgressLine::Clear() {
    if (!m_onScreen)
        return;
    m_terminal << kEraseLine << std::flush;
    m_onScreen = false;
}

void ProgressLine::Finish() {
    if (!m_shown)
        return;
    Draw();
    m_terminal << "\n" << std::flush;
    m_onScreen = false;
}

void ProgressLine::Draw() {
    m_lastDraw = Clock::now();
    const double seconds = std::chrono::duration<double>(m_lastDraw - m_start).count();
    m_terminal << kEraseLine << m_done;
    if (m_total)
        m_terminal << '/' << *m_total;
    m_terminal << (m_done == 1 && !m_total ? " image" : " images");
    if (seconds > 0)
        m_terminal << ", " << static_cast<long long>(m_done / seconds + 0.5) << "/s";
    m_terminal << std::flush;
    m_onScreen = true;
}
