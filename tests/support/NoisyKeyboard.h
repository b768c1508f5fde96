#pragma once
// A fake keyboard that can give out on one key (the X connection lost
// mid-sequence) and can write each key as it goes (a death test reads them
// from stderr).
#include <cstdio>
#include <stdexcept>

#include "platform/Fakes.h"

namespace kvtest {

class NoisyKeyboard : public platform::FakeKeyboard {
public:
    using FakeKeyboard::FakeKeyboard;
    void keyDown(int vk) override {
        if (vk == failOn) throw std::runtime_error("keyboard gone");
        if (echo) std::fprintf(stderr, "down %d\n", vk);
        FakeKeyboard::keyDown(vk);
    }
    void keyUp(int vk) override {
        if (echo) std::fprintf(stderr, "up %d\n", vk);
        FakeKeyboard::keyUp(vk);
    }
    int failOn = -1;
    bool echo = false;
};

}  // namespace kvtest
