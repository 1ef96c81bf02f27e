#include "cli/OrderedWorkers.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "cli/ImageSource.h"

namespace {

// Images in flight per worker: enough that a slow image does not stall the others.
constexpr std::size_t kWindowPerWorker = 4;

class OrderedRun {
public:
    OrderedRun(int workers, ImageSource& source)
        : m_source(source), m_capacity(kWindowPerWorker * static_cast<std::size_t>(workers)) {}

    // The source's thread.
    void Produce() {
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                m_spaceFree.wait(lock, [&] { return m_window.size() < m_capacity; });
            }
            std::optional<ImageItem> item = m_source.Next();
            std::lock_guard lock(m_mutex);
            if (!item) {
                m_ended = true;
                m_workReady.notify_all();
                m_headDone.notify_one();
                return;
            }
            m_window.push_back(Slot{std::move(*item), {}, false});
            m_workReady.notify_one();
        }
    }

    // A worker's thread.
    void Work(ImageWorker& worker) {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_workReady.wait(lock, [&] { return m_nextToStart < End() || m_ended; });
            if (m_nextToStart == End())
                return;  // ended, and nothing left to start
            const std::uint64_t number = m_nextToStart++;
            Slot& slot = m_window[number - m_front];  // stays put while the deque grows
            lock.unlock();
            DumpOutcome outcome = worker.Dump(slot.item);
            lock.lock();
            slot.outcome = std::move(outcome);
            slot.done = true;
            if (number == m_front)
                m_headDone.notify_one();
        }
    }

    // The calling thread: writes outcomes in order until the last.
    void WriteAll(const OutcomeSink& write) {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_headDone.wait(lock, [&] {
                return (!m_window.empty() && m_window.front().done) ||
                       (m_ended && m_window.empty());
            });
            if (m_window.empty())
                return;
            DumpOutcome outcome = std::move(m_window.front().outcome);
            m_window.pop_front();
            ++m_front;
            m_spaceFree.notify_one();
            lock.unlock();
            write(outcome);
            lock.lock();
        }
    }

private:
    struct Slot {
        ImageItem item;
        DumpOutcome outcome;
        bool done;
    };

    std::uint64_t End() const { return m_front + m_window.size(); }

    ImageSource& m_source;
    const std::size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_spaceFree;  // the producer waits for room
    std::condition_variable m_workReady;  // workers wait for an image
    std::condition_variable m_headDone;   // the writer waits for the first image
    std::deque<Slot> m_window;            // images m_front, m_front + 1, ...
    std::uint64_t m_front = 0;
    std::uint64_t m_nextToStart = 0;
    bool m_ended = false;
};

}  // namespace

void RunInOrder(int workers, ImageSource& source, const ImageWorkerFactory& makeWorker,
                const OutcomeSink& write) {
    if (workers <= 1) {
        std::unique_ptr<ImageWorker> worker = makeWorker();
        while (std::optional<ImageItem> item = source.Next()) {
            DumpOutcome outcome = worker->Dump(*item);
            write(outcome);
        }
        return;
    }
    // Workers are made here, one after the other: making one reads shared settings.
    std::vector<std::unique_ptr<ImageWorker>> made;
    for (int i = 0; i < workers; ++i)
        made.push_back(makeWorker());
    OrderedRun run(workers, source);
    std::vector<std::jthread> threads;
    threads.emplace_back([&] { run.Produce(); });
    for (auto& worker : made)
        threads.emplace_back([&run, &worker] { run.Work(*worker); });
    run.WriteAll(write);
}
