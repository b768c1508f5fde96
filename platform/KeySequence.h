#pragma once
// Keys pressed into the presentation program one after another, each followed
// by its sleep. Whatever a sequence holds down (Alt, Ctrl) is let go when it is
// cut short: by the layer failing (an exception) or by a signal ending the
// program. Otherwise the modifier would stay pressed in the X session.
#include <signal.h>

#include <vector>

#include "platform/Platform.h"

namespace platform {

// While it lives, an end signal (SIGTERM, SIGINT, SIGHUP at their default
// action) is held back; it is delivered when it goes. Signals someone else
// handles or ignores are left alone.
class EndSignalsDeferred {
public:
    EndSignalsDeferred();
    ~EndSignalsDeferred();
    EndSignalsDeferred(const EndSignalsDeferred &) = delete;
    EndSignalsDeferred &operator=(const EndSignalsDeferred &) = delete;

    // An end signal came and waits.
    static bool pending();

private:
    struct sigaction old_[3] {};
    bool taken_[3] = {};
};

class KeySequence {
public:
    explicit KeySequence(const Services &s) : s_(s) {}
    ~KeySequence() { releaseAll(); }
    KeySequence(const KeySequence &) = delete;
    KeySequence &operator=(const KeySequence &) = delete;

    void down(int vk, int ms);
    void up(int vk, int ms);
    void press(int vk, int ms) {
        down(vk, 0);
        up(vk, ms);
    }

private:
    void after(int ms);
    void releaseAll() noexcept;

    const Services &s_;
    EndSignalsDeferred signals_;  // declared before held_: restored after the release
    std::vector<int> held_;
    bool cut_ = false;  // an end signal came: no further key
};

}  // namespace platform
