#include "cli/OrderedWorkers.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "cli/ImageSource.h"

namespace {

// Images in flight per worker. Enough that workers take several at a time and the
// threads seldom have to wake each other (with 32, two workers on small files waited
// for the producer or the writer a quarter of the time); each holds only its path and
// its text, a few KiB.
constexpr std::size_t kWindowPerWorker = 256;
// The most images a worker takes at once: small files take microseconds, and waking
// a thread costs about as much as one of them.
constexpr std::size_t kMostTaken = 16;
// An image that took longer than this is written out without waiting for the next.
constexpr auto kSlowImage = std::chrono::milliseconds(1);

class OrderedRun {
public:
    OrderedRun(int workers, ImageSource& source)
        : m_source(source),
          m_workers(static_cast<std::size_t>(workers)),
          m_capacity(kWindowPerWorker * m_workers) {}

    // The source's thread: refills the window once half of it has been written. Each
    // image goes in as soon as it is read: reading the next may wait on a slow pipe.
    void Produce() {
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                m_spaceFree.wait(lock, [&] { return m_window.size() <= m_capacity / 2; });
            }
            for (bool full = false; !full;) {
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
                full = m_window.size() >= m_capacity;
            }
        }
    }

    // A worker's thread: takes a few images in a row, a share of those not yet taken.
    void Work(ImageWorker& worker) {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_workReady.wait(lock, [&] { return m_nextToStart < End() || m_ended; });
            const std::size_t waiting = End() - m_nextToStart;
            if (waiting == 0)
                return;  // ended, and nothing left to take
            const std::size_t taken =
                std::clamp<std::size_t>(waiting / (2 * m_workers), 1, kMostTaken);
            const std::uint64_t first = m_nextToStart;
            m_nextToStart += taken;
            const std::uint64_t end = first + taken;
            for (std::uint64_t number = first; number < end; ++number) {
                Slot& slot = m_window[number - m_front];  // stays put while the deque grows
                lock.unlock();
                const auto start = std::chrono::steady_clock::now();
                DumpOutcome outcome = worker.Dump(slot.item);
                const bool slow = std::chrono::steady_clock::now() - start > kSlowImage;
                lock.lock();
                slot.outcome = std::move(outcome);
                slot.done = true;
                // The writer is woken when the first image is done, but after a quick
                // image only at the end of the run taken: it then writes them together.
                if ((slow || number + 1 == end) && m_window.front().done)
                    m_headDone.notify_one();
            }
        }
    }

    // The calling thread: writes outcomes in order until the last.
    void WriteAll(const OutcomeSink& write) {
        std::unique_lock lock(m_mutex);
        std::vector<DumpOutcome> ready;
        for (;;) {
            m_headDone.wait(lock, [&] {
                return (!m_window.empty() && m_window.front().done) ||
                       (m_ended && m_window.empty());
            });
            if (m_window.empty())
                return;
            while (!m_window.empty() && m_window.front().done) {
                ready.push_back(std::move(m_window.front().outcome));
                m_window.pop_front();
                ++m_front;
            }
            if (m_window.size() <= m_capacity / 2)
                m_spaceFree.notify_one();
            lock.unlock();
            for (DumpOutcome& outcome : ready)
                write(outcome);
            ready.clear();
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
    const std::size_t m_workers;
    const std::size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_spaceFree;  // the producer waits for room
    std::condition_variable m_workReady;  // workers wait for images
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
