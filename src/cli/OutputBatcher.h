#pragma once
// Standard output of a run, gathered into large writes: with thousands of records a
// second, one write per record costs more than making it. Nothing waits long in
// the batch: a flusher thread writes out what has waited longer than a moment, so
// records still appear as they are done when images come slowly.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

class OutputBatcher {
public:
    explicit OutputBatcher(std::ostream& out);
    ~OutputBatcher();  // writes out the rest
    OutputBatcher(const OutputBatcher&) = delete;
    OutputBatcher& operator=(const OutputBatcher&) = delete;

    void Append(const std::string& text);
    // Writes out everything gathered, and flushes the stream.
    void Flush();

private:
    void FlushLocked();
    void FlushWhenIdle(std::stop_token stop);

    std::ostream& m_out;
    std::mutex m_mutex;
    std::condition_variable_any m_wake;  // only ever woken to stop
    std::string m_batch;
    std::uint64_t m_flushes = 0;
    std::jthread m_flusher;  // last: it starts once the rest is in place
};
