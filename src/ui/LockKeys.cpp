#include "ui/LockKeys.h"

std::optional<LockKeyStates> QueryLockKeys() {
    return std::nullopt;
}
