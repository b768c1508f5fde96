#include "platform/KeySequence.h"

#include <algorithm>
#include <csignal>

namespace platform {

namespace {
volatile std::sig_atomic_t g_endSignal = 0;
extern "C" void noteEndSignal(int sig) { g_endSignal = sig; }
constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};
}  // namespace

EndSignalsDeferred::EndSignalsDeferred() {
    for (int i = 0; i < 3; ++i) {
        struct sigaction now {};
        taken_[i] = sigaction(kEndSignals[i], nullptr, &old_[i]) == 0 &&
                    !(old_[i].sa_flags & SA_SIGINFO) && old_[i].sa_handler == SIG_DFL;
        if (!taken_[i]) continue;  // ignored or handled by someone: left alone
        now.sa_handler = noteEndSignal;
        sigemptyset(&now.sa_mask);
        sigaction(kEndSignals[i], &now, nullptr);
    }
}

// Puts the old actions back and delivers a signal that came meanwhile.
EndSignalsDeferred::~EndSignalsDeferred() {
    for (int i = 0; i < 3; ++i)
        if (taken_[i]) sigaction(kEndSignals[i], &old_[i], nullptr);
    const int sig = g_endSignal;
    g_endSignal = 0;
    if (sig) std::raise(sig);
}

bool EndSignalsDeferred::pending() { return g_endSignal != 0; }

void KeySequence::down(int vk, int ms) {
    if (cut_) return;
    held_.push_back(vk);
    s_.keyboard->keyDown(vk);
    after(ms);
}

void KeySequence::up(int vk, int ms) {
    if (cut_) return;
    s_.keyboard->keyUp(vk);
    held_.erase(std::remove(held_.begin(), held_.end(), vk), held_.end());
    after(ms);
}

void KeySequence::after(int ms) {
    if (ms > 0 && !cut_) s_.clock->sleep(ms);
    if (EndSignalsDeferred::pending()) {
        cut_ = true;
        releaseAll();
    }
}

void KeySequence::releaseAll() noexcept {
    while (!held_.empty()) {
        const int vk = held_.back();
        held_.pop_back();
        try {
            s_.keyboard->keyUp(vk);
        } catch (...) {
        }
    }
}

}  // namespace platform
