#pragma once
// Replacing a file without ever leaving it half written: the new bytes go to a new file
// of ours beside it (created exclusively, ".NAME.tsn-card-XXXXXX"), get the old file's
// permissions, owner and group, are flushed to disk, read back and checked, and only
// then are renamed over it. On any failure the old file is untouched
// and the new one removed. POSIX only.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// What a file was when it was read: it is replaced only if it still is.
struct FileSnapshot {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec accessed{};
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

FileSnapshot SnapshotOf(const struct stat& info);
// Same file, same size, same modification time.
bool SameFileState(const FileSnapshot& a, const FileSnapshot& b);

// Leaves new elements uninitialised: memory that a read fills at once is not zeroed
// first.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
    template <typename U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Args>
    void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

// A file's bytes as read.
using ReadBytes = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;

struct LoadedFile {
    std::string path;  // the file itself: symbolic links resolved
    FileSnapshot snapshot;
    ReadBytes bytes;
    std::string error;  // empty when read
    bool ok() const { return error.empty(); }
};

// Reads a whole regular file of at most `mostBytes`, following symbolic links; the
// snapshot is taken on the open file, so it describes the bytes read.
LoadedFile LoadFile(const std::string& path, std::uint64_t mostBytes = UINT64_MAX);

// The steps of a replace, in order; tests make one of them fail.
enum class ReplaceStep {
    kCreate,
    kWrite,
    kAttributes,  // owner, permissions, times
    kSync,
    kReadBack,
    kCheck,  // the caller's check of what was read back
    kCheckUnchanged,
    kRename,
    kSyncDirectory,  // after the rename: a failure here is reported, the file is replaced
};

// Seams for tests. Both may be left empty.
struct ReplaceSeams {
    // Writes like ::write (a test returns -1 with errno ENOSPC for a full disk).
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
    // Asked before each step: an errno value fails the step as if the system had.
    std::function<int(ReplaceStep step)> failAt;
};

struct ReplaceRequest {
    std::string target;  // the file to write, symbolic links resolved; replaced or created
    // The target as it was read, when it exists: it must still be so, and its
    // permissions, owner and group go to the new file.
    std::optional<FileSnapshot> replaced;
    // Another file the bytes were made from (the image, for -o OUT): it must still be so.
    std::optional<std::pair<std::string, FileSnapshot>> source;
    // Permissions of a new target (the process's umask applies).
    mode_t newFileMode = 0666;
    // Set as the new file's access and modification times (--keep-time).
    std::optional<FileSnapshot> keepTimesOf;
    // The new file: these pieces one after another.
    std::vector<std::span<const std::uint8_t>> pieces;
    // Whether the directory is flushed after the rename. The rename alone leaves the old
    // or the new file there whatever happens; a run over many files may flush each
    // directory once at its end instead (FlushDirectory).
    bool flushDirectory = true;
    // Called once the pieces are on disk, before the read-back: the caller lets go of
    // what they point into, so that the old and the new file are never held in full at
    // once, and may hand that memory over for the read-back to fill.
    std::function<ReadBytes()> written;
    // Checks the new file as read back from disk: empty when it is right, else why not
    // (the replace is then abandoned).
    std::function<std::string(std::span<const std::uint8_t>)> check;
};

struct ReplaceResult {
    enum Outcome {
        kReplaced,
        kChanged,  // the old file changed while we worked: left alone
        kFailed,
    };
    Outcome outcome = kFailed;
    std::string error;  // why not, one line; with kReplaced, what could not be flushed
};

ReplaceResult ReplaceFileSafely(const ReplaceRequest& request, const ReplaceSeams& seams = {});

// Flushes a directory to disk, so that the renames in it stay after a crash.
bool FlushDirectory(const std::string& directory);

// The name of our new files beside `target` start with this ("/dir/.NAME.tsn-card-").
std::string TemporaryPrefixFor(const std::string& target);

// Removes files of ours (of any target) left in `target`'s directory by a run that was
// killed between two steps: those no running replace holds (each holds a lock on its
// own). Returns how many were removed. A replace calls it the first time it writes
// into a directory.
int RemoveStaleTemporaries(const std::string& target);
