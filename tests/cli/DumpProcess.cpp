#include "DumpProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

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

DumpResult RunDump(const std::vector<std::string>& args, const std::string& configHome,
                   const std::string& workDir) {
    ScratchDir capture;
    const std::string outPath = capture / "out", errPath = capture / "err";

    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        std::string item = *entry;
        if (!item.starts_with("XDG_CONFIG_HOME=") && !item.starts_with("XDG_CONFIG_DIRS="))
            env.push_back(item);
    }
    // The system-wide store (an installed instdir) is kept out of the way too.
    env.push_back("XDG_CONFIG_HOME=" + configHome);
    env.push_back("XDG_CONFIG_DIRS=" + configHome + "/none");

    std::vector<std::string> argv{TSN_DUMP_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    auto pointers = [](std::vector<std::string>& items) {
        std::vector<char*> result;
        for (std::string& item : items)
            result.push_back(item.data());
        result.push_back(nullptr);
        return result;
    };
    std::vector<char*> argvPointers = pointers(argv), envPointers = pointers(env);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, argvPointers.data(),
                                    envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    DumpResult result;
    if (spawned != 0)
        return result;
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadText(outPath);
    result.err = ReadText(errPath);
    return result;
}
