#include "controller/OneShotTimer.h"

#include <QTimer>

namespace pad {

namespace {

class QtOneShot : public OneShot {
public:
    QtOneShot() {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            // The callback may restart this timer, so take it out first.
            auto f = std::move(fire_);
            fire_ = nullptr;
            if (f) f();
        });
    }
    void start(int ms, std::function<void()> fire) override {
        fire_ = std::move(fire);
        timer_.start(ms);
    }
    void stop() override {
        timer_.stop();
        fire_ = nullptr;
    }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
    std::function<void()> fire_;
};

}  // namespace

OneShotFactory qtOneShotFactory() {
    return [] { return std::unique_ptr<OneShot>(new QtOneShot); };
}

}  // namespace pad
