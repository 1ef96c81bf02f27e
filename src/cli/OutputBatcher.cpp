#include "cli/OutputBatcher.h"

#include <chrono>

namespace {
constexpr std::size_t kBatchSize = 64 * 1024;
constexpr auto kLongestWait = std::chrono::milliseconds(10);
}  // namespace

OutputBatcher::OutputBatcher(std::ostream& out)
    : m_out(out), m_flusher([this](std::stop_token stop) { FlushWhenIdle(stop); }) {
    m_batch.reserve(kBatchSize);
}

OutputBatcher::~OutputBatcher() {
    m_flusher.request_stop();
    m_flusher.join();
    Flush();
}

void OutputBatcher::Append(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_batch += text;
    if (m_batch.size() >= kBatchSize)
        FlushLocked();
}

void OutputBatcher::Flush() {
    std::lock_guard lock(m_mutex);
    FlushLocked();
}

void OutputBatcher::FlushLocked() {
    if (!m_batch.empty()) {
        m_out.write(m_batch.data(), static_cast<std::streamsize>(m_batch.size()));
        m_batch.clear();
    }
    ++m_flushes;
    m_out.flush();
}

// Whatever has been gathered is written out at the latest two moments later. Looking
// in now and then costs less than being woken for every batch.
void OutputBatcher::FlushWhenIdle(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    std::uint64_t flushesSeen = m_flushes;
    while (!m_wake.wait_for(lock, stop, kLongestWait, [] { return false; }) &&
           !stop.stop_requested()) {
        // While output flows, full batches are written anyway.
        if (m_flushes == flushesSeen && !m_batch.empty())
            FlushLocked();
        flushesSeen = m_flushes;
    }
}
