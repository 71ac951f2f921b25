#pragma once

#include "common/Shortcut.h"

#include <cstdint>

namespace tavolin {

// Platform seam: hands a key combination to another process as if the user had typed it there (only the
// key-down). The palette uses it to pass its own shortcut on to an application that wants the key.
// Implemented by the X11 platform layer; tests use FakeKeyPoster, which records what it was asked.
//
// Threads: called on the main thread. Failure (no window for the process, a key this keyboard lacks) is
// returned, never raised; the caller only logs it.
class KeyPoster
{
public:
    virtual ~KeyPoster() = default;

    // True when the event was handed to a window of process `pid`.
    virtual bool post(int32_t pid, const Shortcut &shortcut) = 0;
};

} // namespace tavolin
