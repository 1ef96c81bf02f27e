#include "writer/SafeReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <new>
#include <random>
#include <set>
#include <string_view>
#include <vector>

#include "writer/TemporaryCleanup.h"

namespace {

// Reads `size` bytes from the start of `fd` into `out`, with pread so that the
// descriptor's offset stays where it is. Memory `out` already holds is filled in place;
// when it is too small it is let go first, not copied.
bool ReadWholeFile(int fd, std::uint64_t size, ReadBytes& out) {
    if (size > out.capacity())
        ReadBytes().swap(out);
    out.resize(std::size_t(size));
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got = ::pread(fd, out.data() + done, out.size() - done, off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += std::size_t(got);
    }
    return true;
}

// A file read is given this much room beyond its bytes, so that its rewrite with longer
// cards still fits in the same memory when it is read back.
constexpr std::size_t kRoomToGrow = std::size_t{64} << 10;

// From this size on, the check of a new file is long enough to be worth a thread that
// flushes the file meanwhile.
constexpr std::uint64_t kCheckWhileFlushingFrom = std::uint64_t{1} << 20;

constexpr const char* kTemporaryTag = ".tsn-card-";
constexpr std::size_t kRandomChars = 6;
// Long names are cut in our temporary name, so that it stays within NAME_MAX.
constexpr std::size_t kMaxNameInTemporary = 200;
constexpr int kCreateAttempts = 100;

std::string ErrorText(int error) {
    return std::strerror(error);
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TemporaryNamePrefix(const std::string& target) {
    // Appended piece by piece: GCC 12 at -O3 takes "." + a temporary for an overlap.
    std::string prefix = ".";
    prefix += BaseNameOf(target).substr(0, kMaxNameInTemporary);
    prefix += kTemporaryTag;
    return prefix;
}

// ".NAME.tsn-card-XXXXXX", of any target.
bool IsTemporaryName(std::string_view name) {
    const std::string_view tag = kTemporaryTag;
    return name.size() > 1 + tag.size() + kRandomChars && name.front() == '.' &&
           name.substr(name.size() - kRandomChars - tag.size(), tag.size()) == tag;
}

std::string RandomSuffix() {
    static constexpr char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
    std::string suffix;
    for (std::size_t i = 0; i < kRandomChars; ++i)
        suffix += kChars[pick(generator)];
    return suffix;
}

// One replace under way: the new file and what has been done to it.
class Replacement {
public:
    Replacement(const ReplaceRequest& request, const ReplaceSeams& seams)
        : m_request(request), m_seams(seams) {}
    ~Replacement() { Abandon(); }
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    ReplaceResult Run() {
        if (!Create() || !Write() || !SetAttributes() || !SyncAndCheck())
            return Failed();
        if (!Step(ReplaceStep::kCheckUnchanged))
            return Failed("cannot tell whether it changed meanwhile");
        if (std::string change = ChangedMeanwhile(); !change.empty())
            return {ReplaceResult::kChanged, change};
        if (!Step(ReplaceStep::kRename) || ::rename(m_path.c_str(), m_request.target.c_str()) != 0)
            return Failed("cannot rename the new file over it");
        m_renamed = true;
        Abandon();
        if (m_request.flushDirectory && !SyncDirectory())
            return {ReplaceResult::kReplaced, "written, but the directory could not be flushed"};
        return {ReplaceResult::kReplaced, {}};
    }

private:
    // False with errno set when the test seam fails `step`.
    bool Step(ReplaceStep step) {
        const int error = m_seams.failAt ? m_seams.failAt(step) : 0;
        if (error != 0) {
            errno = error;
            return false;
        }
        return true;
    }

    ReplaceResult Failed(const std::string& what = {}) {
        const std::string why = what.empty() ? m_failure : what + ": " + ErrorText(errno);
        Abandon();
        return {ReplaceResult::kFailed, why};
    }

    bool Fail(const std::string& what) {
        m_failure = what + ": " + ErrorText(errno);
        return false;
    }

    // Exclusively, under a name of ours, locked so that no other run takes it for a
    // stale one; a name another run removed before we locked it is given up.
    bool Create() {
        const std::string prefix = TemporaryPrefixFor(m_request.target);
        const mode_t mode = m_request.replaced ? 0600 : m_request.newFileMode;
        for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
            if (!Step(ReplaceStep::kCreate))
                return Fail("cannot create a new file beside it");
            std::string path = prefix + RandomSuffix();
            const int fd =
                ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
            if (fd < 0 && errno == EEXIST)
                continue;
            if (fd < 0)
                return Fail("cannot create a new file beside it");
            m_fd = fd;
            m_path = std::move(path);
            m_cleanup.emplace(m_path);
            struct stat info {};
            if (::flock(m_fd, LOCK_EX) == 0 && ::fstat(m_fd, &info) == 0 && info.st_nlink > 0)
                return true;
            Abandon();
        }
        errno = EEXIST;
        return Fail("cannot create a new file beside it");
    }

    bool Write() {
        const auto write =
            m_seams.write ? m_seams.write : [](int fd, const void* data, std::size_t size) {
                return ::write(fd, data, size);
            };
        for (std::span<const std::uint8_t> piece : m_request.pieces) {
            if (!WritePiece(write, piece))
                return false;
            m_size += piece.size();
        }
        return true;
    }

    template <typename WriteFunction>
    bool WritePiece(const WriteFunction& write, std::span<const std::uint8_t> left) {
        while (!left.empty()) {
            if (!Step(ReplaceStep::kWrite))
                return Fail("cannot write the new file");
            const ssize_t written = write(m_fd, left.data(), left.size());
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                if (written == 0)
                    errno = ENOSPC;
                return Fail("cannot write the new file");
            }
            left = left.subspan(static_cast<std::size_t>(written));
        }
        return true;
    }

    // Owner before permissions (a change of owner clears set-user-ID bits); the owner
    // only where we may give it.
    bool SetAttributes() {
        if (!Step(ReplaceStep::kAttributes))
            return Fail("cannot set the new file's attributes");
        if (const std::optional<FileSnapshot>& old = m_request.replaced) {
            if (::fchown(m_fd, old->owner, old->group) != 0 && errno != EPERM)
                return Fail("cannot give the new file the old one's owner");
            if (::fchmod(m_fd, old->mode & 07777) != 0)
                return Fail("cannot give the new file the old one's permissions");
        }
        if (const std::optional<FileSnapshot>& times = m_request.keepTimesOf) {
            const timespec both[2] = {times->accessed, times->modified};
            if (::futimens(m_fd, both) != 0)
                return Fail("cannot keep the modification time");
        }
        return true;
    }

    // The flush waits on the disk, the check of what was written on the processor: for a
    // large file the check goes on while the file is flushed on a thread of its own. The
    // two must succeed before the rename.
    bool SyncAndCheck() {
        if (!Step(ReplaceStep::kSync))
            return Fail("cannot flush the new file to disk");
        const auto flush = [fd = m_fd] { return ::fsync(fd) == 0 ? 0 : errno; };
        if (m_size < kCheckWhileFlushingFrom)
            return Flushed(flush()) && ReadBackAndCheck();
        // Without a thread to be had, the flush comes after the check.
        std::future<int> flushed = std::async(flush);
        const bool checked = ReadBackAndCheck();
        return Flushed(flushed.get()) && checked;
    }

    // `error`: the flush's errno, 0 when it succeeded.
    bool Flushed(int error) {
        if (error == 0)
            return true;
        errno = error;
        return Fail("cannot flush the new file to disk");
    }

    // The new file as the disk gives it back goes to the caller's check.
    bool ReadBackAndCheck() {
        ReadBytes back;
        if (m_request.written)
            back = m_request.written();
        struct stat info {};
        if (!Step(ReplaceStep::kReadBack) || ::fstat(m_fd, &info) != 0)
            return Fail("cannot read the new file back");
        if (std::uint64_t(info.st_size) != m_size) {
            m_failure = "the new file read back is not as long as written";
            return false;
        }
        if (!ReadWholeFile(m_fd, m_size, back))
            return Fail("cannot read the new file back");
        const std::uint8_t* bytes = back.data();
        if (!Step(ReplaceStep::kCheck))
            return Fail("cannot check the new file");
        if (m_request.check) {
            if (std::string wrong = m_request.check({bytes, std::size_t(m_size)}); !wrong.empty()) {
                m_failure = "the new file read back is not right: " + wrong;
                return false;
            }
        }
        return true;
    }

    // Empty when the files we read are still as they were read.
    std::string ChangedMeanwhile() {
        struct stat now {};
        const bool exists = ::stat(m_request.target.c_str(), &now) == 0;
        if (m_request.replaced && (!exists || !SameFileState(*m_request.replaced, SnapshotOf(now))))
            return "it changed while it was being worked on; left as it is";
        if (!m_request.replaced && exists)
            return "it was created while it was being worked on; left as it is";
        if (const auto& source = m_request.source) {
            if (::stat(source->first.c_str(), &now) != 0 ||
                !SameFileState(source->second, SnapshotOf(now)))
                return source->first + " changed while it was being worked on";
        }
        return {};
    }

    bool SyncDirectory() {
        return Step(ReplaceStep::kSyncDirectory) && FlushDirectory(DirectoryOf(m_request.target));
    }

    // The new file closed, and removed unless it took the old one's place.
    void Abandon() {
        if (m_fd >= 0) {
            if (!m_renamed)
                ::unlink(m_path.c_str());
            ::close(m_fd);
            m_fd = -1;
        }
        m_cleanup.reset();
    }

    const ReplaceRequest& m_request;
    const ReplaceSeams& m_seams;
    int m_fd = -1;
    std::string m_path;
    std::uint64_t m_size = 0;  // written so far
    bool m_renamed = false;
    std::string m_failure;
    std::optional<TemporaryCleanup> m_cleanup;
};

}  // namespace

FileSnapshot SnapshotOf(const struct stat& info) {
    FileSnapshot snapshot;
    snapshot.device = info.st_dev;
    snapshot.inode = info.st_ino;
    snapshot.size = info.st_size;
    snapshot.modified = info.st_mtim;
    snapshot.accessed = info.st_atim;
    snapshot.mode = info.st_mode;
    snapshot.owner = info.st_uid;
    snapshot.group = info.st_gid;
    return snapshot;
}

bool SameFileState(const FileSnapshot& a, const FileSnapshot& b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
}

LoadedFile LoadFile(const std::string& path, std::uint64_t mostBytes) {
    LoadedFile file;
    file.path = path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        file.error = ErrorText(errno);
        return file;
    }
    file.path = resolved;
    // Non-blocking: a FIFO must not hang the open; it is refused below.
    const int fd = ::open(resolved, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat before {};
    if (fd < 0 || ::fstat(fd, &before) != 0) {
        file.error = ErrorText(errno);
        if (fd >= 0)
            ::close(fd);
        return file;
    }
    if (S_ISDIR(before.st_mode))
        file.error = ErrorText(EISDIR);
    else if (!S_ISREG(before.st_mode))
        file.error = "not a regular file";
    else if (std::uint64_t(before.st_size) > mostBytes)
        file.error = "file too large";
    if (!file.error.empty()) {
        ::close(fd);
        return file;
    }
    file.snapshot = SnapshotOf(before);
    try {
        file.bytes.reserve(std::size_t(before.st_size) + kRoomToGrow);
        file.bytes.resize(std::size_t(before.st_size));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        file.error = "not enough memory to read it";
        return file;
    }
    std::size_t done = 0;
    while (done < file.bytes.size()) {
        const ssize_t got =
            ::pread(fd, file.bytes.data() + done, file.bytes.size() - done, off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            file.error = got == 0 ? "it changed while it was being read" : ErrorText(errno);
            break;
        }
        done += std::size_t(got);
    }
    struct stat after {};
    if (file.error.empty() &&
        (::fstat(fd, &after) != 0 || !SameFileState(file.snapshot, SnapshotOf(after))))
        file.error = "it changed while it was being read";
    ::close(fd);
    if (!file.error.empty())
        file.bytes.clear();
    return file;
}

ReplaceResult ReplaceFileSafely(const ReplaceRequest& request, const ReplaceSeams& seams) {
    // Once a directory per run: a run over many files of one folder would otherwise
    // read the whole folder again for each of them.
    static std::mutex swept;
    static std::set<std::string> sweptDirectories;
    {
        const std::lock_guard lock(swept);
        if (sweptDirectories.insert(DirectoryOf(request.target)).second)
            RemoveStaleTemporaries(request.target);
    }
    return Replacement(request, seams).Run();
}

bool FlushDirectory(const std::string& directory) {
    const int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    const bool synced = ::fsync(dir) == 0;
    ::close(dir);
    return synced;
}

std::string TemporaryPrefixFor(const std::string& target) {
    return DirectoryOf(target) + "/" + TemporaryNamePrefix(target);
}

int RemoveStaleTemporaries(const std::string& target) {
    DIR* dir = ::opendir(DirectoryOf(target).c_str());
    if (dir == nullptr)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!IsTemporaryName(name))
            continue;
        const int fd =
            ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        // A running replace holds the lock on its own file: only unheld files are stale.
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlinkat(::dirfd(dir), entry->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}
