#pragma once
// One-shot timers behind a small interface, so the scan and the upload pace
// themselves with timers that tests can replace by a virtual timeline.
#include <functional>
#include <memory>

namespace pad {

class OneShot {
public:
    virtual ~OneShot() = default;
    // (Re)starts the timer; fire runs once after ms milliseconds unless stopped.
    virtual void start(int ms, std::function<void()> fire) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

using OneShotFactory = std::function<std::unique_ptr<OneShot>()>;

// QTimer-backed timers for the running program.
OneShotFactory qtOneShotFactory();

}  // namespace pad
