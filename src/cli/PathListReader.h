#pragma once
// The image paths of --files-from: read from a file or standard input as they are
// needed, one a line or NUL-separated, so a list of any length costs one buffer.

#include <optional>
#include <string>

class PathListReader {
public:
    // "-" is standard input. A list that cannot be opened, or a file or directory
    // whose first read fails, leaves StartError() set: known before any image.
    PathListReader(const std::string& name, bool nullSeparated);
    ~PathListReader();
    PathListReader(const PathListReader&) = delete;
    PathListReader& operator=(const PathListReader&) = delete;

    const std::string& Name() const { return m_name; }
    const std::string& StartError() const { return m_startError; }

    // The next path, or nothing at the end of the list (or after a read error, which
    // ReadError() then tells). Empty entries are skipped: they name no file.
    std::optional<std::string> Next();
    // Whether Next can answer from what has been read already, without waiting on the
    // list (a pipe may be slow to bring more).
    bool NextIsBuffered() const;
    const std::string& ReadError() const { return m_readError; }

private:
    bool Fill();

    std::string m_name;
    char m_separator;
    int m_fd = -1;
    bool m_ownsFd = false;
    bool m_ended = false;
    std::string m_buffer;
    std::size_t m_start = 0;  // where the unread part of m_buffer begins
    std::string m_startError;
    std::string m_readError;
};
