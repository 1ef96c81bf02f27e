#pragma once
// The state of the Caps, Num and Scroll Lock keys, where the platform tells it.

#include <optional>

struct LockKeyStates {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// Nothing when the windowing system does not report the lock keys.
std::optional<LockKeyStates> QueryLockKeys();
