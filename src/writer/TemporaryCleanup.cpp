#include "writer/TemporaryCleanup.h"

#include <unistd.h>

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>

namespace {

constexpr int kSlots = 64;
// SIGBUS: a read error in the mapped new file while it is checked.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGBUS};

// Filled and read without locks: the handler may run at any moment.
struct Slot {
    std::atomic<bool> taken{false};
    std::atomic<bool> listed{false};
    char path[PATH_MAX] = {};
};
Slot g_slots[kSlots];

extern "C" void RemoveListedAndStop(int signal) {
    for (Slot& slot : g_slots) {
        if (slot.listed.load())
            ::unlink(slot.path);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void InstallHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int signal : kSignals) {
            struct sigaction current {};
            if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL)
                continue;  // ignored, or handled by the program itself
            struct sigaction action {};
            action.sa_handler = RemoveListedAndStop;
            sigemptyset(&action.sa_mask);
            ::sigaction(signal, &action, nullptr);
        }
    });
}

}  // namespace

TemporaryCleanup::TemporaryCleanup(const std::string& path) {
    InstallHandlers();
    if (path.size() >= PATH_MAX)
        return;
    for (int i = 0; i < kSlots; ++i) {
        bool expected = false;
        if (g_slots[i].taken.compare_exchange_strong(expected, true)) {
            std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
            g_slots[i].listed.store(true);
            m_slot = i;
            return;
        }
    }
}

TemporaryCleanup::~TemporaryCleanup() {
    if (m_slot < 0)
        return;
    g_slots[m_slot].listed.store(false);
    g_slots[m_slot].taken.store(false);
}
