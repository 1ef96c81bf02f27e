#pragma once
// Runs the built tsn-dump (or tsn-card) as a child process with its own settings directory and
// working directory, and collects what it printed.

#include <filesystem>
#include <string>
#include <vector>

struct DumpResult {
    std::string out;
    std::string err;
    int exitCode = -1;  // -1 when it did not exit normally
};

// A scratch directory, removed with the object.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// XDG_CONFIG_HOME is `configHome` (and no system-wide store); the child starts in `workDir`
// and reads `input` on its standard input.
DumpResult RunDump(const std::vector<std::string>& args, const std::string& configHome,
                   const std::string& workDir, const std::string& input = {});

// The same for another of the built programs (tsn-card).
DumpResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& configHome, const std::string& workDir,
                      const std::string& input = {});

// The same with standard error on a terminal (a pseudo-terminal read here): `err` is
// what the terminal received.
DumpResult RunDumpOnTerminal(const std::vector<std::string>& args, const std::string& configHome,
                             const std::string& workDir);

// Writes `text` to `path`, creating its directories.
void WriteText(const std::filesystem::path& path, const std::string& text);
std::string ReadText(const std::filesystem::path& path);
