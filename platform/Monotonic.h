#pragma once
// A 64-bit monotonic millisecond clock: never wraps, never steps back.
#include <chrono>
#include <cstdint>
#include <memory>

namespace platform {

class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    virtual std::int64_t nowMs() = 0;
};

class SteadyClock : public MonotonicClock {
public:
    std::int64_t nowMs() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

}  // namespace platform
