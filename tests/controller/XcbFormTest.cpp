// The controller's window as an X window (Qt on a private Xvfb with openbox).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "controller/TForm1.h"
#include "platform/Fakes.h"
#include "tests/support/RealX11.h"
#include "tests/support/XvfbSession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

static bool g_x = false;

// A controller whose local show started in a PowerPoint-titled window.
struct LocalShow : ::testing::Test {
    void SetUp() override {
        if (!g_x) GTEST_SKIP() << "no private X server with openbox";
        ppt = std::make_unique<kvtest::KeyRecorder>("talk.ppt - PowerPoint");
        services = kvtest::withRealX11(fakes);
        form = std::make_unique<pad::TForm1>(services, dir.path());
        form->show();
        form->SpeedButton2show->click();  // stay on top, then no more: a new native window
    }
    WId native() const { return form->windowHandle()->winId(); }

    std::unique_ptr<kvtest::KeyRecorder> ppt;
    platform::FakeServices fakes;
    platform::Services services;
    QTemporaryDir dir;
    std::unique_ptr<pad::TForm1> form;
};

TEST_F(LocalShow, KeysGoBackToTheNativeWindowThereNow) {
    QTest::qWait(300);  // put on top, it leaves the show in front: the edge timer needs that
    EXPECT_NE(services.windows->foreground(), native());
    form->SpeedButtonQuit->click();
    form->SpeedButton2Next->click();
    EXPECT_EQ(ppt->waitForKeys(10).back(), "release Next");  // after Alt+D, V and Esc
    EXPECT_EQ(services.windows->foreground(), native());
}

// The window manager keeps w above the others.
static bool keptAbove(WId w) {
    Display *d = XOpenDisplay(nullptr);
    if (!d) return false;
    const Atom above = XInternAtom(d, "_NET_WM_STATE_ABOVE", False);
    Atom type;
    int format;
    unsigned long n = 0, rest;
    unsigned char *data = nullptr;
    bool found = false;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_STATE", False), 0, 32, False, XA_ATOM, &type,
                           &format, &n, &rest, &data) == Success && data) {
        for (unsigned long i = 0; i < n; ++i) found = found || reinterpret_cast<Atom *>(data)[i] == above;
        XFree(data);
    }
    XCloseDisplay(d);
    return found;
}

TEST_F(LocalShow, EndingItOnTheHostAloneEndsStayOnTop) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return keptAbove(native()); }, 3000));
    form->CheckBoxLocal->setChecked(false);
    form->SpeedButtonQuit->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !keptAbove(native()); }, 3000));
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
