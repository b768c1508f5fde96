#pragma once
// Virtual-time one-shot timers for tests: nothing fires until the test
// advances the timeline, and timers fire in due order.
#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "controller/OneShotTimer.h"

namespace pad {

class ManualTimeline {
public:
    std::uint64_t now = 0;

    OneShotFactory factory() {
        return [this] { return std::unique_ptr<OneShot>(new Timer(this)); };
    }

    // Fires every timer due up to now + ms, in order, moving now along.
    void advance(std::uint64_t ms) {
        std::uint64_t end = now + ms;
        for (;;) {
            Timer *next = earliest(end);
            if (!next) break;
            now = std::max(now, next->due_);
            next->fire();
        }
        now = end;
    }
    // Fires the next due timer; false when none is pending.
    bool step() {
        Timer *next = earliest(UINT64_MAX);
        if (!next) return false;
        now = std::max(now, next->due_);
        next->fire();
        return true;
    }
    // Runs until nothing is pending (at most maxSteps firings).
    int runAll(int maxSteps = 1000000) {
        int n = 0;
        while (n < maxSteps && step()) ++n;
        return n;
    }
    int pending() const {
        int n = 0;
        for (auto *t : timers_) n += t->active_ ? 1 : 0;
        return n;
    }

private:
    class Timer : public OneShot {
    public:
        explicit Timer(ManualTimeline *tl) : tl_(tl) { tl_->timers_.push_back(this); }
        ~Timer() override {
            auto &v = tl_->timers_;
            v.erase(std::remove(v.begin(), v.end(), this), v.end());
        }
        void start(int ms, std::function<void()> fire) override {
            fire_ = std::move(fire);
            due_ = tl_->now + static_cast<std::uint64_t>(std::max(ms, 0));
            seq_ = ++tl_->seq_;
            active_ = true;
        }
        void stop() override {
            active_ = false;
            fire_ = nullptr;
        }
        bool isActive() const override { return active_; }
        void fire() {
            active_ = false;
            auto f = std::move(fire_);
            fire_ = nullptr;
            if (f) f();
        }
        ManualTimeline *tl_;
        std::function<void()> fire_;
        std::uint64_t due_ = 0, seq_ = 0;
        bool active_ = false;
    };

    Timer *earliest(std::uint64_t limit) {
        Timer *best = nullptr;
        for (auto *t : timers_)
            if (t->active_ && t->due_ <= limit &&
                (!best || t->due_ < best->due_ || (t->due_ == best->due_ && t->seq_ < best->seq_)))
                best = t;
        return best;
    }

    std::vector<Timer *> timers_;
    std::uint64_t seq_ = 0;
};

}  // namespace pad
