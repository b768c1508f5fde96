// The controller's window as an X window (Qt on a private Xvfb with openbox).
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "controller/TForm1.h"
#include "tests/support/Fakes.h"
#include "tests/support/RealX11.h"
#include "tests/support/XvfbSession.h"

static bool g_x = false;

TEST(ControllerXcb, KeysGoBackToTheNativeWindowThereNow) {
    if (!g_x) GTEST_SKIP() << "no private X server with openbox";
    kvtest::KeyRecorder ppt("talk.ppt - PowerPoint");
    platform::FakeServices fakes;
    platform::Services services = kvtest::withRealX11(fakes);
    QTemporaryDir dir;
    pad::TForm1 form(services, dir.path());
    form.show();
    form.SpeedButton2show->click();  // stay on top, then no more: a new native window
    QTest::qWait(300);  // put on top, it leaves the show in front: the edge timer needs that
    EXPECT_NE(services.windows->foreground(), form.windowHandle()->winId());
    form.SpeedButtonQuit->click();
    form.SpeedButton2Next->click();
    EXPECT_EQ(ppt.waitForKeys(10).back(), "release Next");  // after Alt+D, V and Esc
    EXPECT_EQ(services.windows->foreground(), form.windowHandle()->winId());
}

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<kvtest::XvfbSession> x;
    if (!::testing::GTEST_FLAG(list_tests) && kvtest::XvfbSession::openboxInstalled())
        x = std::make_unique<kvtest::XvfbSession>(kvtest::XvfbSession::Wm::Openbox);
    g_x = x && x->ok();
    qputenv("QT_QPA_PLATFORM", g_x ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
