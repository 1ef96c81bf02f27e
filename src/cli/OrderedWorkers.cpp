#include "cli/OrderedWorkers.h"

#include <sched.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
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
//
// Memory goes back to the worker that took it from the allocator: a block freed by
// another thread costs a lock on the owner's heap and pulls its cache lines over, a
// few hundredths of the time on small files. Paths are freed by their reader, records
// by the worker that made them, and the window is a ring made once.
class OrderedRun {
public:
    OrderedRun(int workers, ImageSource& source, const OutcomeSink& write)
        : m_source(source),
          m_write(write),
          m_workers(static_cast<std::size_t>(workers)),
          m_slots(kWindowPerWorker * m_workers),
          m_returned(m_workers),
          m_freeing(m_workers) {}

    // `self`: the worker's number, from 0.
    void Work(ImageWorker& worker, std::size_t self) {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_returned[self].Any()) {
                FreeReturned(self, lock);
            } else if (ShouldRead()) {
                Read(self, lock);
            } else if (m_nextToStart < m_end) {
                Dump(worker, self, lock);
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
    // An image's place in the ring. Only its worker writes the outcome, then marks it
    // done; only the writer reads it, once it is done.
    struct Slot {
        ImageItem item;
        DumpOutcome outcome;
        std::atomic<bool> done = false;
        std::size_t reader = 0;  // the worker that read the path
        std::size_t maker = 0;   // the worker that made the outcome
    };

    // An image taken from the ring by the writer.
    struct Written {
        DumpOutcome outcome;
        std::size_t maker;
        ImageItem item;
        std::size_t reader;
    };

    // What the writer has finished with, for the worker whose memory it is.
    struct Returned {
        std::vector<ImageItem> items;
        std::vector<DumpOutcome> outcomes;
        bool Any() const { return !items.empty() || !outcomes.empty(); }
    };

    Slot& At(std::uint64_t image) { return m_slots[image % m_slots.size()]; }
    std::size_t InFlight() const { return static_cast<std::size_t>(m_end - m_front); }

    // Reading starts when half the window is free, or earlier if a worker has nothing
    // else to do.
    bool ShouldRead() const {
        if (m_ended || m_reading || InFlight() >= m_slots.size())
            return false;
        return InFlight() <= m_slots.size() / 2 || m_nextToStart == m_end;
    }

    void WakeWaiting() {
        if (m_waiting > 0)
            m_changed.notify_all();
    }

    // Frees, in this worker, what the writer gave back; the lists keep their room.
    void FreeReturned(std::size_t self, std::unique_lock<std::mutex>& lock) {
        Returned& freeing = m_freeing[self];
        std::swap(m_returned[self], freeing);
        lock.unlock();
        freeing.items.clear();
        freeing.outcomes.clear();
        lock.lock();
    }

    // Fills the window, a few paths at a time; the paths read so far go in as soon as
    // the next would wait on a slow list.
    void Read(std::size_t self, std::unique_lock<std::mutex>& lock) {
        m_reading = true;
        while (!m_ended && InFlight() < m_slots.size()) {
            const std::size_t most = std::min(kMostTaken, m_slots.size() - InFlight());
            lock.unlock();
            bool ended = false;
            do {
                std::optional<ImageItem> item = m_source.Next();
                if (!item) {
                    ended = true;
                    break;
                }
                m_batch.push_back(std::move(*item));
            } while (m_batch.size() < most && m_source.NextIsReady());
            lock.lock();
            for (ImageItem& item : m_batch) {
                Slot& slot = At(m_end++);
                slot.item = std::move(item);
                slot.reader = self;
                slot.done.store(false, std::memory_order_relaxed);
            }
            m_batch.clear();
            m_ended = ended;
            WakeWaiting();
        }
        m_reading = false;
        WakeWaiting();
    }

    // Takes a few images in a row, a share of those not yet taken, and dumps them
    // without the lock. Quick images are written out together at the end of the run.
    void Dump(ImageWorker& worker, std::size_t self, std::unique_lock<std::mutex>& lock) {
        const std::size_t waiting = static_cast<std::size_t>(m_end - m_nextToStart);
        const std::size_t taken = std::clamp<std::size_t>(waiting / (2 * m_workers), 1, kMostTaken);
        std::array<Slot*, kMostTaken> run{};
        for (std::size_t i = 0; i < taken; ++i)
            run[i] = &At(m_nextToStart + i);
        m_nextToStart += taken;
        lock.unlock();
        for (std::size_t i = 0; i < taken; ++i) {
            const auto start = std::chrono::steady_clock::now();
            run[i]->outcome = worker.Dump(run[i]->item);
            run[i]->maker = self;
            run[i]->done.store(true, std::memory_order_release);  // the writer may take it now
            if (i + 1 < taken && std::chrono::steady_clock::now() - start > kSlowImage) {
                lock.lock();
                WriteReady(self, lock);
                lock.unlock();
            }
        }
        lock.lock();
        WriteReady(self, lock);
    }

    // Writes the images done at the head of the window, and those that come done while
    // it writes. A worker that finds another writing leaves its images to that one:
    // the writer looks at the head again, under the lock, before it stops.
    void WriteReady(std::size_t self, std::unique_lock<std::mutex>& lock) {
        if (m_writing)
            return;
        m_writing = true;
        while (HeadDone()) {
            while (HeadDone()) {
                Slot& head = At(m_front++);
                m_ready.push_back(
                    {std::move(head.outcome), head.maker, std::move(head.item), head.reader});
            }
            WakeWaiting();  // there is room to read into
            lock.unlock();
            for (Written& written : m_ready) {
                m_write(written.outcome);
                if (written.maker == self)
                    written.outcome = {};
                if (written.reader == self)
                    written.item = {};
            }
            lock.lock();
            for (Written& written : m_ready) {
                if (written.maker != self)
                    m_returned[written.maker].outcomes.push_back(std::move(written.outcome));
                if (written.reader != self)
                    m_returned[written.reader].items.push_back(std::move(written.item));
            }
            m_ready.clear();
        }
        m_writing = false;
    }

    bool HeadDone() const {
        return m_front < m_end &&
               m_slots[m_front % m_slots.size()].done.load(std::memory_order_acquire);
    }

    ImageSource& m_source;
    const OutcomeSink& m_write;
    const std::size_t m_workers;
    std::mutex m_mutex;
    std::condition_variable m_changed;  // images came in, room came free, or the reading ended
    std::size_t m_waiting = 0;
    std::vector<Slot> m_slots;  // image n is in m_slots[n % size] while in flight
    std::uint64_t m_front = 0;  // the next image to write
    std::uint64_t m_end = 0;    // the next image to read
    std::uint64_t m_nextToStart = 0;
    bool m_ended = false;
    bool m_reading = false;
    bool m_writing = false;
    std::vector<ImageItem> m_batch;    // used only by the worker reading
    std::vector<Written> m_ready;      // used only by the worker writing
    std::vector<Returned> m_returned;  // by owner
    std::vector<Returned> m_freeing;   // by owner, used only by the owner
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
        threads.emplace_back([&run, tables, &worker = *made[i], i] {
            // What stays open across images (the path list, the output) was opened
            // before the copy; a worker's image files are its own.
            if (tables == FileTables::kPerWorker)
                ::unshare(CLONE_FILES);
            run.Work(worker, i);
        });
    run.Work(*made.front(), 0);
}
