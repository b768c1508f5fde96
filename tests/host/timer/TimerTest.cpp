// The presentation timer: start checks, the start delay, counting, pause, the
// slide-show watch and the time-up actions, against the fake clock.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>

#include "TimerSupport.h"
#include "tests/support/Files.h"

using namespace timertest;

namespace {

const QString kShow = QStringLiteral("演示文稿1.ppt - PowerPoint 幻灯片放映");

TEST(Timer, AStartIsCheckedWholeAndARefusedOneLeavesNothingRunning) {
    TimerFixture f;
    auto *s = f.formSet();
    const struct {
        QLineEdit *edit;
        const char *text, *message;
    } bad[] = {{s->EditH, "100", "计时中小时的合法值为0-99"}, {s->EditH, "1h", "计时中小时的合法值为0-99"},
               {s->EditM, "60", "计时中分钟的合法值为0-59"}, {s->EditS, "-1", "计时中秒的合法值为0-59"},
               {s->EditDelayTime, "soon", "延时秒数须为整数"},   {s->EditX, "left", "横坐标须为整数"},
               {s->EditY, "99999", "纵坐标须为整数"}};
    for (const auto &b : bad) {
        const QString good = b.edit->text();
        b.edit->setText(QString::fromUtf8(b.text));
        f.clock()->SpeedButtonTimer->click();
        EXPECT_EQ(f.fakes.dialogs->messages.takeLast(), QString::fromUtf8(b.message));
        EXPECT_FALSE(f.form1()->timer().TimerRunning || f.ticking() || f.clock()->isVisible());
        EXPECT_EQ(f.form1()->SpeedButtontimer->text(), "手动计时");
        EXPECT_EQ(f.clock()->SpeedButtonTimer->text(), "开始");
        b.edit->setText(good);
    }
    f.click();
    EXPECT_TRUE(f.form1()->timer().TimerRunning);
    EXPECT_EQ(f.clock()->SpeedButtonTimer->text(), "停止");
    EXPECT_EQ(f.shown(), "00:10:00");
}

TEST(Timer, DelayDigitsThenTheCountWithStartMusicAndTheTimeUpASecondLater) {
    TimerFixture f("Delay=3\nhour=0\nminute=0\nsecond=2\n");
    f.fakes.dialogs->openFileAnswers << "/music/start.mp3";
    f.formSet()->SpeedButtonStartSelMp3->click();
    f.formSet()->ComboBoxStartMp3->setCurrentText("播放音乐");
    f.media->log.clear();
    f.click();  // returns at once: the delay runs on the tick
    EXPECT_TRUE(f.form1()->timer().TimerDelaying);
    EXPECT_EQ(f.shown(), "3");
    EXPECT_EQ(f.run(4000), QStringList({"3", "2", "1", "0", "00:00:02"}));
    EXPECT_EQ(f.media->log, QStringList({"MediaPlayerStart play"}));
    EXPECT_EQ(f.run(3000), QStringList({"00:00:02", "00:00:01", "00:00:00"}));
    EXPECT_TRUE(f.form1()->timer().TimerRunning);
    f.tick();
    EXPECT_FALSE(f.form1()->timer().TimerRunning);
    EXPECT_EQ(f.media->log.last(), "MediaPlayerStart stop");

    // A stop in the delay: no count and no start music.
    f.media->log.clear();
    f.click();
    f.tick(1000);
    f.click();
    f.run(5000);
    EXPECT_FALSE(f.form1()->timer().TimerRunning);
    EXPECT_EQ(f.shown(), "2");
    EXPECT_FALSE(f.clock()->isVisible());
    EXPECT_FALSE(f.media->log.contains("MediaPlayerStart play"));
}

TEST(Timer, CountsUpToTheSetTimeAndDownThroughTheHour) {
    TimerFixture up("count=up\nhour=0\nminute=0\nsecond=2\n");
    up.click();
    EXPECT_EQ(up.run(4000), QStringList({"00:00:00", "00:00:01", "00:00:02"}));
    EXPECT_FALSE(up.form1()->timer().TimerRunning);

    TimerFixture down("hour=1\nminute=0\nsecond=0\n");
    down.click();
    down.tick(1000);
    EXPECT_EQ(down.shown(), "00:59:59");
    host::TimerState s;
    s.ClockMinutes = s.ClockSeconds = 59;
    s.stepClock(false);
    EXPECT_EQ(host::FormatHMS(s.ClockHours, s.ClockMinutes, s.ClockSeconds), "01:00:00");
    EXPECT_EQ(host::FormatHMS(123, 5, 0), "23:05:00");
}

// Paused and waiting seconds push the time-up, stalls included; a consumed
// stop clears the pause; a stop in the last tick never runs the time-up.
TEST(Timer, PauseStallsAndStopsNeverBringAWrongTimeUp) {
    TimerFixture f("minute=0\nsecond=2\nTimeScreen=黑屏\n");
    f.click();
    f.clock()->SpeedButtonPause->click();
    EXPECT_EQ(f.clock()->SpeedButtonPause->text(), "恢复");
    f.tick(30000);  // the host was held up 30 s
    f.run(1000);
    EXPECT_TRUE(f.form1()->timer().TimerRunning);
    EXPECT_EQ(f.shown(), "00:00:02");
    f.clock()->SpeedButtonPause->click();
    EXPECT_EQ(f.run(2900), QStringList({"00:00:02", "00:00:01", "00:00:00"}));
    EXPECT_TRUE(f.form1()->timer().TimerRunning);
    f.clock()->SpeedButtonPause->click();
    f.click();     // stop, then the time-up moment passes before the next tick
    f.tick(3000);
    EXPECT_FALSE(f.form1()->timer().TimerRunning);
    EXPECT_EQ(f.clock()->SpeedButtonPause->text(), "暂停");
    EXPECT_FALSE(f.clock()->isVisible());  // no black screen

    // The close query's request does not end the next run.
    f.form1()->timer().TimerStopRequest = true;
    f.click();
    f.tick();
    EXPECT_TRUE(f.form1()->timer().TimerRunning);
}

TEST(Timer, SlideShowWatchStartsWaitsAndRestartsForANewShow) {
    TimerFixture f("start=ppt\nminute=0\nsecond=3\n");
    auto &windows = *f.fakes.windows;
    f.form1()->timer().TimerPPTcountTimer();  // no show yet
    EXPECT_FALSE(f.form1()->timer().TimerRunning);
    const auto show = windows.add(kShow);
    f.form1()->timer().TimerPPTcountTimer();
    EXPECT_TRUE(f.form1()->timer().TimerRunning);
    EXPECT_EQ(windows.foregroundId, show);  // back in front of the clock
    // The show ends: the clock waits, however long the host was held up.
    windows.windows.clear();
    f.tick(20000);
    f.run(1000);
    EXPECT_TRUE(f.form1()->timer().TimerRunning);
    EXPECT_EQ(f.shown(), "00:00:03");
    windows.add(kShow);
    f.run(4100);
    EXPECT_FALSE(f.form1()->timer().TimerRunning);
    f.form1()->timer().TimerPPTcountTimer();  // the same show after the time-up
    EXPECT_FALSE(f.form1()->timer().TimerRunning);
    // Another show while a run is on: it stops, and a second later starts anew.
    f.form1()->timer().LastShowTitle = "other";
    f.click();
    f.formSet()->RadioButtonStartOnPPT->setChecked(true);
    f.form1()->timer().TimerPPTcountTimer();
    EXPECT_TRUE(f.form1()->timer().TimerStopRequest);
    f.tick();
    f.form1()->timer().TimerPPTcountTimer();
    EXPECT_TRUE(f.form1()->timer().TimerRunning);
    EXPECT_TRUE(f.form1()->timer().TimerPPTcount->isActive());
    // A click of the button chooses the manual start, which ends the watch.
    f.click();
    EXPECT_TRUE(f.formSet()->RadioButtonStartOnM->isChecked());
    EXPECT_FALSE(f.form1()->timer().TimerPPTcount->isActive());
}

TEST(Timer, BlackAndFadeCoverTheClockScreenAndPlayTheTimeUpMusic) {
    QTemporaryDir dir;
    const QString song = dir.filePath("end.mp3");
    ASSERT_TRUE(kvtest::writeFile(song, "ID3"));
    TimerFixture f("minute=0\nsecond=0\nTimeScreen=逐渐黑屏\nTimeSound=播放音乐\nTimeSoundMp3=" + song + "\n");
    f.click();
    f.run(1100);
    EXPECT_FALSE(f.form1()->timer().TimerRunning);
    auto *c = f.clock();
    EXPECT_EQ(c->geometry(), host::clockScreen());
    EXPECT_FALSE(c->Label1->isVisible());
    EXPECT_EQ(c->SpeedButtonStopMp3->x(), host::clockScreen().width() - 200);
    EXPECT_EQ(f.media->log, QStringList({"MediaPlayerEnd open " + song, "MediaPlayerEnd play"}));
    std::vector<int> alphas;
    while (f.form1()->timer().TimerSlowBlack->isActive()) {
        f.form1()->timer().TimerSlowBlackTimer();
        alphas.push_back(c->layers().alphaBlendValue());
    }
    ASSERT_EQ(alphas.size(), 257u);
    EXPECT_EQ(alphas[0], 0);
    EXPECT_EQ(alphas[255], 255);
    EXPECT_TRUE(c->layers().alphaBlend());
    // The stop-music buttons stop what plays; the clock's close hides it.
    c->SpeedButtonStopMp3->click();
    EXPECT_EQ(f.media->log.last(), "MediaPlayerEnd stop");
    c->SpeedButtonCloseClick();
    EXPECT_FALSE(c->isVisible());

    // A full-screen clock keeps its digits at the time-up, the music still plays.
    f.formSet()->RadioButtonGlobal->setChecked(true);
    f.media->log.clear();
    f.click();
    f.run(1100);
    EXPECT_TRUE(c->Label1->isVisible());
    EXPECT_FALSE(f.form1()->timer().TimerSlowBlack->isActive());
    EXPECT_EQ(f.media->log.size(), 2);
}

TEST(Timer, CloseSlidesPressesEscAndAltF4OnlyIntoThePresentationInFront) {
    QTemporaryDir dir;
    const QString song = dir.filePath("end.wav");
    ASSERT_TRUE(kvtest::writeFile(song, "RIFF"));
    TimerFixture f("minute=0\nsecond=0\nTimeScreen=关闭幻灯片\nTimeSound=播放音乐\nTimeSoundMp3=" + song + "\n");
    auto &fk = f.fakes;
    f.click();
    f.run(1100);
    EXPECT_TRUE(fk.log->calls("down").isEmpty());  // no window: no keys and no music
    EXPECT_TRUE(f.media->log.isEmpty());
    EXPECT_FALSE(f.clock()->isVisible());

    const auto w = fk.windows->add(kShow);
    // The Esc ends the show: its window turns back into the editing window.
    fk.clock->onSleep = [&](int ms) {
        if (ms == 200) fk.windows->find(w)->title = QStringLiteral("演示文稿1.ppt - PowerPoint");
    };
    fk.log->clear();
    f.click();
    f.run(1100);
    EXPECT_EQ(fk.log->calls(), QStringList({"switch " + QString::number(w), "sleep 100", "down 27", "up 27",
                                            "sleep 200", "down 18", "sleep 100", "down 115", "up 115",
                                            "up 18"}));
    EXPECT_EQ(f.media->log.last(), "MediaPlayerEnd play");
    // Another program takes the front once the show has gone: no Alt+F4 into it.
    const auto other = fk.windows->add("terminal");
    fk.windows->find(w)->title = kShow;
    fk.clock->onSleep = [&](int ms) {
        if (ms != 200) return;
        fk.windows->find(w)->title = QStringLiteral("演示文稿1.ppt - PowerPoint");
        fk.windows->foregroundId = other;
        fk.windows->switchBringsToFront = false;
    };
    fk.log->clear();
    f.click();
    f.run(1100);
    EXPECT_EQ(fk.log->calls("down"), QStringList({"down 27"}));
    fk.clock->onSleep = nullptr;
    fk.windows->switchBringsToFront = false;
    fk.windows->foregroundId = 0;
    fk.log->clear();
    f.click();
    f.run(1100);
    EXPECT_TRUE(fk.log->calls("down").isEmpty());
    EXPECT_TRUE(f.form1()->memo1->toPlainText().contains("未关闭幻灯片 9:05:07"));
}

TEST(Timer, MusicRowsOpenOnPickPlayOnEnterAndRewindOnTheirStopButton) {
    QTemporaryDir dir;
    const QString good = dir.filePath("a.ogg"), bad = dir.filePath("b.txt");
    ASSERT_TRUE(kvtest::writeFile(good, "OggS") && kvtest::writeFile(bad, "text"));
    TimerFixture f;
    auto *s = f.formSet();
    f.media->unplayable << bad;
    f.fakes.dialogs->openFileAnswers << good << bad;
    s->SpeedButtonSel->click();
    EXPECT_EQ(s->EditMp3->text(), good);
    EXPECT_TRUE(s->MediaPlayerEnd->PlayButton->isEnabled());
    s->SpeedButtonStartSelMp3->click();
    EXPECT_EQ(f.fakes.dialogs->messages, QStringList({"无法打开音乐文件：" + bad + "\nunsupported format"}));
    EXPECT_FALSE(s->MediaPlayerStart->hasFileName());
    s->MediaPlayerStart->Play();
    s->MediaPlayerEnd->StopButton->click();
    EXPECT_EQ(f.media->log, QStringList({"MediaPlayerEnd open " + good, "MediaPlayerStart open " + bad,
                                         "MediaPlayerEnd rewind", "MediaPlayerEnd stop"}));
    f.media->log.clear();
    s->EditStartMp3->setText("  ");
    s->EditStartMp3KeyPress();
    s->EditStartMp3->setText(good);
    s->EditStartMp3KeyPress();
    f.form1()->SpeedButtonStopMp3->click();
    EXPECT_EQ(f.media->log, QStringList({"MediaPlayerStart open " + good, "MediaPlayerStart play",
                                         "MediaPlayerStart stop", "MediaPlayerEnd stop"}));
}

// The real players answer later: a click queued before the time-up runs after it.
TEST(Timer, TheTimeUpWaitsForNoPlayerAndTellsItsFaultInTheHostsWords) {
    QTemporaryDir dir;
    const QString song = dir.filePath("x.mp3");
    ASSERT_TRUE(kvtest::writeFile(song, "not music at all"));
    TimerFixture f("minute=0\nsecond=0\nTimeSound=播放音乐\nTimeSoundMp3=" + song + "\n",
                   platform::makeQtMediaSystem());
    f.click();
    QTimer::singleShot(0, [&] { f.click(); });
    f.run(1200);
    EXPECT_FALSE(f.form1()->timer().TimerRunning);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.fakes.dialogs->messages.isEmpty(); }, 5000));
    EXPECT_EQ(f.fakes.dialogs->messages.last(), "无法打开音乐文件：" + song + "\n无法播放该文件");
}

}  // namespace
