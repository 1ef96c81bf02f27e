#include "cli/OrderedWorkers.h"

#include <sched.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "cli/ImageSource.h"

namespace {

// Images in flight per worker. Enough that a worker seldom finds the window empty or
// full and has to wait; each holds only its path and its text, a few KiB.
constexpr std::size_t kWindowPerWorker = 256;
// The most images a worker takes, or reads from the list, at once: small files take
// microseconds, and meeting the other workers at the lock for each one cost a tenth
// of the time on two cores.
constexpr std::size_t kMostTaken = 16;
// An image that took longer than this is written out without waiting for the rest of
// its run.
constexpr auto kSlowImage = std::chrono::milliseconds(1);

// Every worker does every job: it reads the next paths from the source when the
// window runs low, dumps images, and writes out those done at the head of the window.
// One worker at a time reads and one at a time writes, neither holding the lock, so a
// slow list or a slow reader of the output holds up only the worker doing it. Workers
// hand nothing over to one another: on small files, waking a thread for each hand-over
// cost more than the files.
class OrderedRun {
public:
    OrderedRun(int workers, ImageSource& source, const OutcomeSink& write)
        : m_source(source),
          m_write(write),
          m_workers(static_cast<std::size_t>(workers)),
          m_capacity(kWindowPerWorker * m_workers) {}

    void Work(ImageWorker& worker) {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (ShouldRead()) {
                Read(lock);
            } else if (m_nextToStart < End()) {
                Dump(worker, lock);
            } else if (m_ended) {
                return;  // nothing left to take: the others write what they finish
            } else {
                ++m_waiting;
                m_changed.wait(lock);
                --m_waiting;
            }
        }
    }

private:
    // An image's place in the window. Only its worker writes the outcome, then marks it
    // done; only the writer reads it, once it is done. The deque never moves a slot.
    struct Slot {
        explicit Slot(ImageItem taken) : item(std::move(taken)) {}
        ImageItem item;
        DumpOutcome outcome;
        std::atomic<bool> done = false;
    };

    std::uint64_t End() const { return m_front + m_window.size(); }

    // Reading starts when half the window is free, or earlier if a worker has nothing
    // else to do.
    bool ShouldRead() const {
        if (m_ended || m_reading || m_window.size() >= m_capacity)
            return false;
        return m_window.size() <= m_capacity / 2 || m_nextToStart == End();
    }

    void WakeWaiting() {
        if (m_waiting > 0)
            m_changed.notify_all();
    }

    // Fills the window, a few paths at a time; the paths read so far go in as soon as
    // the next would wait on a slow list.
    void Read(std::unique_lock<std::mutex>& lock) {
        m_reading = true;
        std::vector<ImageItem> batch;
        while (!m_ended && m_window.size() < m_capacity) {
            const std::size_t most = std::min(kMostTaken, m_capacity - m_window.size());
            lock.unlock();
            bool ended = false;
            do {
                std::optional<ImageItem> item = m_source.Next();
                if (!item) {
                    ended = true;
                    break;
                }
                batch.push_back(std::move(*item));
            } while (batch.size() < most && m_source.NextIsReady());
            lock.lock();
            for (ImageItem& item : batch)
                m_window.emplace_back(std::move(item));
            batch.clear();
            m_ended = ended;
            WakeWaiting();
        }
        m_reading = false;
        WakeWaiting();
    }

    // Takes a few images in a row, a share of those not yet taken, and dumps them
    // without the lock. Quick images are written out together at the end of the run.
    void Dump(ImageWorker& worker, std::unique_lock<std::mutex>& lock) {
        const std::size_t waiting = End() - m_nextToStart;
        const std::size_t taken = std::clamp<std::size_t>(waiting / (2 * m_workers), 1, kMostTaken);
        std::array<Slot*, kMostTaken> run{};
        for (std::size_t i = 0; i < taken; ++i)
            run[i] = &m_window[m_nextToStart - m_front + i];
        m_nextToStart += taken;
        lock.unlock();
        for (std::size_t i = 0; i < taken; ++i) {
            const auto start = std::chrono::steady_clock::now();
            run[i]->outcome = worker.Dump(run[i]->item);
            run[i]->done.store(true, std::memory_order_release);  // the writer may take it now
            if (i + 1 < taken && std::chrono::steady_clock::now() - start > kSlowImage) {
                lock.lock();
                WriteReady(lock);
                lock.unlock();
            }
        }
        lock.lock();
        WriteReady(lock);
    }

    // Writes the images done at the head of the window, and those that come done while
    // it writes. A worker that finds another writing leaves its images to that one:
    // the writer looks at the head again, under the lock, before it stops.
    void WriteReady(std::unique_lock<std::mutex>& lock) {
        if (m_writing)
            return;
        m_writing = true;
        while (HeadDone()) {
            while (HeadDone()) {
                m_ready.push_back(std::move(m_window.front().outcome));
                m_window.pop_front();
                ++m_front;
            }
            WakeWaiting();  // there is room to read into
            lock.unlock();
            for (DumpOutcome& outcome : m_ready)
                m_write(outcome);
            m_ready.clear();
            lock.lock();
        }
        m_writing = false;
    }

    bool HeadDone() const {
        return !m_window.empty() && m_window.front().done.load(std::memory_order_acquire);
    }

    ImageSource& m_source;
    const OutcomeSink& m_write;
    const std::size_t m_workers;
    const std::size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_changed;  // images came in, room came free, or the reading ended
    std::size_t m_waiting = 0;
    std::deque<Slot> m_window;  // images m_front, m_front + 1, ...
    std::uint64_t m_front = 0;
    std::uint64_t m_nextToStart = 0;
    bool m_ended = false;
    bool m_reading = false;
    bool m_writing = false;
    std::vector<DumpOutcome> m_ready;  // used only by the worker writing
};

}  // namespace

void RunInOrder(int workers, FileTables tables, ImageSource& source,
                const ImageWorkerFactory& makeWorker, const OutcomeSink& write) {
    // Workers are made here, one after the other: making one reads shared settings.
    std::vector<std::unique_ptr<ImageWorker>> made;
    for (int i = 0; i < std::max(workers, 1); ++i)
        made.push_back(makeWorker());
    if (made.size() == 1) {
        while (std::optional<ImageItem> item = source.Next()) {
            DumpOutcome outcome = made.front()->Dump(*item);
            write(outcome);
        }
        return;
    }
    OrderedRun run(workers, source, write);
    std::vector<std::jthread> threads;
    for (std::size_t i = 1; i < made.size(); ++i)
        threads.emplace_back([&run, tables, &worker = *made[i]] {
            // What stays open across images (the path list, the output) was opened
            // before the copy; a worker's image files are its own.
            if (tables == FileTables::kPerWorker)
                ::unshare(CLONE_FILES);
            run.Work(worker);
        });
    run.Work(*made.front());
}
