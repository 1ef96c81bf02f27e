#include "writer/SafeReplace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "ScratchDirectory.h"
#include "support/ImageFixtures.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using writer_test::ScratchDirectory;

const Bytes kOld = {'o', 'l', 'd', 0, 1, 2};
// Large enough to be checked while it is flushed (small files go through the writer's
// tests).
const Bytes kNew((std::size_t{1} << 20) + 1, 'n');

class SafeReplaceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fixtures::WriteBytesFile(m_target, kOld)); }

    ReplaceResult Replace(const ReplaceSeams& seams = {}, const Bytes& bytes = kNew) {
        const LoadedFile old = LoadFile(m_target);
        EXPECT_TRUE(old.ok()) << old.error;
        ReplaceRequest request;
        request.target = old.path;
        request.replaced = old.snapshot;
        request.pieces = {bytes};
        request.check = m_check;
        return ReplaceFileSafely(request, seams);
    }

    void ExpectUntouched() {
        EXPECT_EQ(fixtures::ReadBytesFile(m_target), kOld);
        EXPECT_EQ(m_dir.Names(), std::set<std::string>{"picture.jpg"});
    }

    ScratchDirectory m_dir;
    std::string m_target = m_dir.Path("picture.jpg");
    std::function<std::string(std::span<const std::uint8_t>)> m_check;
};

class FailingStep : public SafeReplaceTest, public ::testing::WithParamInterface<ReplaceStep> {};

TEST_P(FailingStep, LeavesTheOldFileAndNoStrayFile) {
    ReplaceSeams seams;
    seams.failAt = [](ReplaceStep step) { return step == GetParam() ? EIO : 0; };
    const ReplaceResult result = Replace(seams);
    EXPECT_EQ(result.outcome, ReplaceResult::kFailed);
    EXPECT_NE(result.error, "");
    ExpectUntouched();
}

INSTANTIATE_TEST_SUITE_P(EveryStep, FailingStep,
                         ::testing::Values(ReplaceStep::kCreate, ReplaceStep::kWrite,
                                           ReplaceStep::kAttributes, ReplaceStep::kSync,
                                           ReplaceStep::kReadBack, ReplaceStep::kCheck,
                                           ReplaceStep::kCheckUnchanged, ReplaceStep::kRename));

TEST_F(SafeReplaceTest, AFullDiskPartWayLeavesTheOldFile) {
    ReplaceSeams seams;
    std::size_t allowed = 4096;
    seams.write = [&allowed](int fd, const void* data, std::size_t size) -> ssize_t {
        if (allowed == 0) {
            errno = ENOSPC;
            return -1;
        }
        const ssize_t written = ::write(fd, data, std::min(size, allowed));
        allowed -= std::size_t(written);
        return written;
    };
    EXPECT_EQ(Replace(seams).error, "cannot write the new file: No space left on device");
    ExpectUntouched();
}

TEST_F(SafeReplaceTest, ACheckThatFailsOrAFileChangedMeanwhileLeavesItAlone) {
    m_check = [](std::span<const std::uint8_t> back) {
        return Bytes(back.begin(), back.end()) == kNew ? "not the record" : "wrong bytes";
    };
    EXPECT_EQ(Replace().error, "the new file read back is not right: not the record");
    ExpectUntouched();
    m_check = [](std::span<const std::uint8_t> back) {
        return std::string(Bytes(back.begin(), back.end()) == kNew ? "" : "not what was written");
    };
    ReplaceSeams garbling;
    garbling.write = [](int fd, const void* data, std::size_t size) {
        Bytes bytes(static_cast<const std::uint8_t*>(data),
                    static_cast<const std::uint8_t*>(data) + size);
        bytes[size / 2] ^= 1;
        return ::write(fd, bytes.data(), size);
    };
    EXPECT_EQ(Replace(garbling).error, "the new file read back is not right: not what was written");
    ExpectUntouched();

    m_check = [this](std::span<const std::uint8_t>) {
        fixtures::WriteBytesFile(m_target, {'c', 'h', 'a', 'n', 'g', 'e', 'd'});
        return std::string();
    };
    EXPECT_EQ(Replace().outcome, ReplaceResult::kChanged);
    EXPECT_EQ(fixtures::ReadBytesFile(m_target), (Bytes{'c', 'h', 'a', 'n', 'g', 'e', 'd'}));
    EXPECT_EQ(m_dir.Names(), std::set<std::string>{"picture.jpg"});
}

TEST_F(SafeReplaceTest, StoppedByASignalPartWayLeavesNoNewFile) {
    GTEST_FLAG_SET(death_test_style, "fast");  // the child works in this test's directory
    ReplaceSeams stopping;
    stopping.failAt = [](ReplaceStep step) {
        if (step == ReplaceStep::kSync)
            std::raise(SIGTERM);
        return 0;
    };
    EXPECT_EXIT(Replace(stopping), ::testing::KilledBySignal(SIGTERM), "");
    ExpectUntouched();
}

TEST_F(SafeReplaceTest, KeepsPermissionsOwnerAndTimeAndFollowsLinks) {
    ASSERT_EQ(::chmod(m_target.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(m_target.c_str(), 1234, 5678), 0);
    }
    const timespec times[2] = {{1000000000, 5}, {1100000000, 7}};
    ASSERT_EQ(::utimensat(AT_FDCWD, m_target.c_str(), times, 0), 0);
    const std::string link = m_dir.Path("link.jpg");
    ASSERT_EQ(::symlink("picture.jpg", link.c_str()), 0);

    const LoadedFile old = LoadFile(link);
    ASSERT_EQ(old.path, m_target);
    ReplaceRequest request;
    request.target = old.path;
    request.replaced = old.snapshot;
    request.keepTimesOf = old.snapshot;
    request.pieces = {kNew};
    ASSERT_EQ(ReplaceFileSafely(request).outcome, ReplaceResult::kReplaced);

    struct stat info {};
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(::stat(m_target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_NE(info.st_ino, old.snapshot.inode);
    EXPECT_EQ(info.st_mtim.tv_sec, 1100000000);
    EXPECT_EQ(info.st_mtim.tv_nsec, 7);
    if (root) {
        EXPECT_EQ(info.st_uid, 1234u);
        EXPECT_EQ(info.st_gid, 5678u);
    }
    EXPECT_EQ(fixtures::ReadBytesFile(link), kNew);
    EXPECT_EQ(m_dir.Names(), (std::set<std::string>{"picture.jpg", "link.jpg"}));
}

TEST_F(SafeReplaceTest, StaleFilesOfOursAreRemovedButNotOnesInUse) {
    const std::string prefix = TemporaryPrefixFor(m_target);
    EXPECT_EQ(prefix, m_dir.Path(".picture.jpg.tsn-card-"));
    ASSERT_TRUE(fixtures::WriteBytesFile(prefix + "Stale1", kNew));
    ASSERT_TRUE(fixtures::WriteBytesFile(prefix + "InUse1", kNew));
    ASSERT_TRUE(fixtures::WriteBytesFile(prefix + "NotOurs", kNew));
    const int held = ::open((prefix + "InUse1").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(Replace().outcome, ReplaceResult::kReplaced);
    ::close(held);
    EXPECT_EQ(m_dir.Names(), (std::set<std::string>{"picture.jpg", ".picture.jpg.tsn-card-InUse1",
                                                    ".picture.jpg.tsn-card-NotOurs"}));
}

// Read whole or refused before reading: what is not a regular file (a FIFO must not
// hang), and a file beyond the size asked for.
TEST(LoadFileTest, ReadsAWholeFileOrRefusesBeforeReading) {
    ScratchDirectory dir;
    const std::string file = dir.Path("picture.jpg");
    ASSERT_TRUE(fixtures::WriteBytesFile(file, kOld));
    const LoadedFile whole = LoadFile(file, kOld.size());
    EXPECT_TRUE(whole.ok()) << whole.error;
    EXPECT_EQ(Bytes(whole.bytes.begin(), whole.bytes.end()), kOld);
    EXPECT_EQ(whole.snapshot.size, off_t(kOld.size()));
    EXPECT_EQ(LoadFile(file, kOld.size() - 1).error, "file too large");
    ASSERT_EQ(::mkfifo(dir.Path("pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(LoadFile(dir.Path("pipe.jpg")).error, "not a regular file");
    EXPECT_EQ(LoadFile(dir.Path()).error, std::strerror(EISDIR));
    EXPECT_EQ(LoadFile(dir.Path("missing.jpg")).error, std::strerror(ENOENT));
}

// A real small file system: full, then read-only. Needs the right to mount.
TEST(SafeReplaceOnTmpfs, AFullOrReadOnlyFileSystemLeavesTheOldFile) {
    ScratchDirectory dir;
    if (::mount("tsn-writer", dir.Path().c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    const std::string target = dir.Path("picture.png");
    const Bytes old(40000, 'o');
    ASSERT_TRUE(fixtures::WriteBytesFile(target, old));
    const LoadedFile loaded = LoadFile(target);
    ReplaceRequest request;
    request.target = loaded.path;
    request.replaced = loaded.snapshot;
    request.pieces = {kNew};
    const ReplaceResult full = ReplaceFileSafely(request);
    EXPECT_EQ(full.outcome, ReplaceResult::kFailed);
    EXPECT_NE(full.error.find("No space left"), std::string::npos) << full.error;
    EXPECT_EQ(fixtures::ReadBytesFile(target), old);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"picture.png"});

    ASSERT_EQ(::mount(nullptr, dir.Path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    const Bytes small(10, 's');
    request.pieces = {small};
    EXPECT_EQ(ReplaceFileSafely(request).outcome, ReplaceResult::kFailed);
    EXPECT_EQ(fixtures::ReadBytesFile(target), old);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"picture.png"});
    EXPECT_EQ(::umount(dir.Path().c_str()), 0);
}

}  // namespace
