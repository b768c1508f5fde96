#pragma once
// The host with fake music players, look dialogs and monotonic clock, and the
// timer driven by hand: a test moves the clock and runs the tick itself.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QComboBox>
#include <QStringList>

#include <ostream>
#include <QTimer>

#include "../HostTestSupport.h"
#include "host/timer/TFormTimer.h"
#include "tests/support/TimerFakes.h"

// Readable failures.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList &l, std::ostream *os) { *os << l.join(" | ").toStdString(); }

namespace timertest {

struct TimerFixture : hosttest::HostFixture {
    std::shared_ptr<platform::FakeMonotonicClock> mono = std::make_shared<platform::FakeMonotonicClock>();
    std::shared_ptr<platform::FakeMediaSystem> media = std::make_shared<platform::FakeMediaSystem>();
    std::shared_ptr<platform::FakeLookDialogs> looks = std::make_shared<platform::FakeLookDialogs>();

    // music: the real players instead of the recording fake.
    explicit TimerFixture(const QString &timerIni = {}, std::shared_ptr<platform::MediaSystem> music = {}) {
        timer = {music ? music : media, looks, mono};
        if (!timerIni.isEmpty()) writeIni("[server]\nRunTimes=2\n[timer]\n" + timerIni);
        create();
        formSet()->TimerStartTimer();
    }
    host::TFormTimer *clock() const { return app->FormTimer(); }
    QString shown() const { return clock()->Label1->text(); }
    void click() const { form1()->SpeedButtontimer->click(); }
    // ms of time pass, then one tick.
    void tick(std::int64_t ms = 50) {
        mono->now += ms;
        form1()->timer().TimerPPTCount1Timer();
    }
    // Ticks every 50 ms for ms; returns the clock texts it showed, in order.
    QStringList run(std::int64_t ms) {
        QStringList seen;
        for (std::int64_t t = 0; t < ms; t += 50) {
            tick();
            if (seen.isEmpty() || seen.last() != shown()) seen << shown();
        }
        return seen;
    }
    bool ticking() const { return form1()->timer().TimerPPTCount1->isActive(); }
};

}  // namespace timertest
