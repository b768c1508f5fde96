// The clock and settings windows on a private Xvfb with openbox and xcompmgr.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include "TimerSupport.h"
#include "tests/support/XvfbSession.h"

TEST(ClockXcb, TakesNoFocusFadesStepByStepAndKeepsBoxesAboveTheSettingsAreFixed) {
    KV_REQUIRE_OPENBOX();
    kvtest::XvfbSession x(kvtest::XvfbSession::Wm::Openbox);
    kvtest::ChildProcess compositor;
    ASSERT_TRUE(x.ok() && compositor.start({"xcompmgr"})) << x.error();
    qputenv("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "host_clock_xcb_tests", *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    auto red = [&app](QPoint p) {  // red of what the screen shows at p
        return qRed(app.primaryScreen()->grabWindow(0, p.x(), p.y(), 1, 1).toImage().pixel(0, 0));
    };
    timertest::TimerFixture f("minute=0\nsecond=0\nTimeScreen=逐渐黑屏\n");
    const int grey = red({640, 700});
    f.click();
    QTest::qWait(500);
    EXPECT_FALSE(f.clock()->isActiveWindow());  // the keyboard stays with the show
    f.run(1100);  // half way through the fade, with no event handled meanwhile
    QTest::qWait(300);
    f.form1()->timer().TimerSlowBlack->stop();
    while (f.form1()->timer().FadeAlpha < 128) f.form1()->timer().TimerSlowBlackTimer();
    QTest::qSleep(500);
    EXPECT_NEAR(red({640, 700}), grey / 2, 8) << grey;
    QMessageBox box(QMessageBox::Information, "slidehost", "无法打开音乐文件");
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    QTest::qWait(500);  // the clock raises itself every 100 ms
    EXPECT_EQ(red(box.mapToGlobal(QPoint(3, box.height() - 3))), box.palette().window().color().red());
    f.formSet()->show();  // a dialog of one size
    QTest::qWait(500);
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(f.formSet()->winId()), "_NET_WM_ALLOWED_ACTIONS"});
    EXPECT_TRUE(xprop.waitForFinished() && !xprop.readAll().contains("MAXIMIZE"));
}
