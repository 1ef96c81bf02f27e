#include "DumpProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "tsn-cli-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream buffer;
    buffer << file.rdbuf();
    return buffer.str();
}

namespace {

std::vector<char*> Pointers(std::vector<std::string>& items) {
    std::vector<char*> result;
    for (std::string& item : items)
        result.push_back(item.data());
    result.push_back(nullptr);
    return result;
}

// Spawns `program` with the test's settings directory; `redirect` sets up its streams.
// The exit code, or -1 when it did not exit normally.
template <typename Redirect, typename WhileRunning>
int Spawn(const std::string& program, const std::vector<std::string>& args,
          const std::string& configHome, const std::string& workDir, Redirect redirect,
          WhileRunning whileRunning) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        std::string item = *entry;
        if (!item.starts_with("XDG_CONFIG_HOME=") && !item.starts_with("XDG_CONFIG_DIRS="))
            env.push_back(item);
    }
    // The system-wide store (an installed instdir) is kept out of the way too.
    env.push_back("XDG_CONFIG_HOME=" + configHome);
    env.push_back("XDG_CONFIG_DIRS=" + configHome + "/none");

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argvPointers = Pointers(argv), envPointers = Pointers(env);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    redirect(actions);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, argvPointers.data(),
                                    envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    whileRunning(pid);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

DumpResult RunDump(const std::vector<std::string>& args, const std::string& configHome,
                   const std::string& workDir, const std::string& input) {
    return RunProgram(TSN_DUMP_PATH, args, configHome, workDir, input);
}

DumpResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& configHome, const std::string& workDir,
                      const std::string& input) {
    ScratchDir capture;
    const std::string inPath = capture / "in", outPath = capture / "out", errPath = capture / "err";
    WriteText(inPath, input);
    DumpResult result;
    result.exitCode = Spawn(
        program, args, configHome, workDir,
        [&](posix_spawn_file_actions_t& actions) {
            posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
            posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT,
                                             0600);
            posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT,
                                             0600);
        },
        [](pid_t) {});
    result.out = ReadText(outPath);
    result.err = ReadText(errPath);
    return result;
}

DumpResult RunDumpOnTerminal(const std::vector<std::string>& args, const std::string& configHome,
                             const std::string& workDir) {
    int terminal = -1, side = -1;
    if (::openpty(&terminal, &side, nullptr, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    ScratchDir capture;
    const std::string outPath = capture / "out";
    DumpResult result;
    auto drain = [&](int timeoutMs) {
        pollfd ready{terminal, POLLIN, 0};
        char buffer[4096];
        while (::poll(&ready, 1, timeoutMs) > 0 && (ready.revents & POLLIN)) {
            const ssize_t count = ::read(terminal, buffer, sizeof buffer);
            if (count <= 0)
                return;
            result.err.append(buffer, static_cast<std::size_t>(count));
        }
    };
    result.exitCode = Spawn(
        TSN_DUMP_PATH, args, configHome, workDir,
        [&](posix_spawn_file_actions_t& actions) {
            posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
            posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT,
                                             0600);
            posix_spawn_file_actions_adddup2(&actions, side, 2);
            posix_spawn_file_actions_addclose(&actions, terminal);
            posix_spawn_file_actions_addclose(&actions, side);
        },
        [&](pid_t pid) {
            // Read while it runs so that it never blocks on a full terminal; this end
            // stays open, so what is written is never lost when the child exits.
            auto running = [pid] {
                siginfo_t info{};
                return ::waitid(P_PID, static_cast<id_t>(pid), &info,
                                WEXITED | WNOHANG | WNOWAIT) == 0 &&
                       info.si_pid == 0;
            };
            while (running())
                drain(20);
            drain(0);
        });
    ::close(side);
    ::close(terminal);
    result.out = ReadText(outPath);
    return result;
}
