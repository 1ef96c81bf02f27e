// The worker pool of a run: outcomes in the order of the images whatever the pace of
// each, and records out while the list feeding the run is still being written.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "DumpProcess.h"
#include "cli/ImageSource.h"
#include "cli/OrderedWorkers.h"
#include "cli/PathListReader.h"

namespace {

// Gives the path back as its output, after as many microseconds as the path starts
// with (none for a path that starts otherwise).
class EchoWorker : public ImageWorker {
public:
    DumpOutcome Dump(const ImageItem& item) override {
        if (std::isdigit(static_cast<unsigned char>(item.path.front())))
            std::this_thread::sleep_for(std::chrono::microseconds(std::stoi(item.path)));
        DumpOutcome outcome;
        outcome.Out(item.path);
        return outcome;
    }
};

std::unique_ptr<ImageWorker> MakeEchoWorker() {
    return std::make_unique<EchoWorker>();
}

// Quick images, a slow one now and then: runs taken by one worker finish out of
// turn, and a slow image in a run is written before the rest of the run is done.
TEST(OrderedWorkersTest, OutcomesComeInTheOrderOfTheImages) {
    std::vector<std::string> paths;
    for (int i = 0; i < 2000; ++i)
        paths.push_back(std::to_string(i % 97 == 13 ? 5000 : i % 5 * 10) + "/" + std::to_string(i));
    for (int workers : {2, 3, 8}) {
        SCOPED_TRACE(workers);
        ImageSource source(paths, nullptr, false);
        std::vector<std::string> written;
        RunInOrder(workers, FileTables::kShared, source, MakeEchoWorker,
                   [&](DumpOutcome& outcome) { written.push_back(outcome.pieces.at(0).text); });
        EXPECT_EQ(written, paths);
    }
}

// A list read from a pipe: what comes before its next path (its first path, or the
// images of a folder walked before it) is written before the list ends.
TEST(OrderedWorkersTest, RecordsComeOutWhileTheListIsStillComing) {
    ScratchDir dir;
    const std::string walked = dir / "walked", pipe = dir / "list";
    WriteText(walked + "/0.jpg", "");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const bool walkFirst : {false, true}) {
        SCOPED_TRACE(walkFirst ? "a folder walked first" : "the list's first path");
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<std::string> written;
        std::jthread run([&] {
            std::vector<std::string> given;
            if (walkFirst)
                given.push_back(walked);
            ImageSource source(given, std::make_unique<PathListReader>(pipe, false), true);
            RunInOrder(2, FileTables::kShared, source, MakeEchoWorker, [&](DumpOutcome& outcome) {
                std::lock_guard lock(mutex);
                written.push_back(outcome.pieces.at(0).text);
                changed.notify_all();
            });
        });
        const int list = ::open(pipe.c_str(), O_WRONLY);  // meets the run's open
        ASSERT_GE(list, 0);
        const std::string first = walkFirst ? walked + "/0.jpg" : "0/first";
        if (!walkFirst) {
            EXPECT_EQ(::write(list, "0/first\n", 8), 8);
        }
        bool firstBeforeTheEnd = false;
        {
            std::unique_lock lock(mutex);
            firstBeforeTheEnd =
                changed.wait_for(lock, std::chrono::seconds(20), [&] { return !written.empty(); });
        }
        EXPECT_TRUE(firstBeforeTheEnd);
        EXPECT_EQ(::write(list, "0/second\n", 9), 9);
        ::close(list);
        run.join();
        EXPECT_EQ(written, (std::vector<std::string>{first, "0/second"}));
    }
}

}  // namespace
