#pragma once

#include <optional>

// The keyboard's lock lights as far as the platform tells them; nothing for
// a lock whose state cannot be known (no X11 display, for instance).
struct LockStates {
    std::optional<bool> capsLock;
    std::optional<bool> numLock;
    std::optional<bool> scrollLock;
};

LockStates QueryLockStates();
