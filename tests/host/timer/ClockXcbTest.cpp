// The clock and settings windows as real X windows on a private Xvfb with
// openbox and xcompmgr: what the screen shows, who has the focus, what
// stands above what.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QThread>

#include <algorithm>

#include "TimerSupport.h"
#include "platform/X11Services.h"
#include "tests/support/XvfbSession.h"

// Last: Xlib's macros would spoil the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace timertest;

namespace {

class ClockXcb : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!kvtest::XvfbSession::openboxInstalled()) return;
        x_ = new kvtest::XvfbSession(kvtest::XvfbSession::Wm::Openbox);
        compositor_ = new kvtest::ChildProcess;
        compositor_->start({"xcompmgr"});
        qputenv("QT_QPA_PLATFORM", "xcb");
        static int argc = 1;
        static char name[] = "host_clock_xcb_tests";
        static char *argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
        d_ = XOpenDisplay(nullptr);
    }
    static void TearDownTestSuite() {
        if (d_) XCloseDisplay(d_);
        delete app_;
        delete compositor_;
        delete x_;
    }
    void SetUp() override {
        KV_REQUIRE_OPENBOX();
        ASSERT_TRUE(x_->ok() && d_) << x_->error();
        ASSERT_TRUE(compositor_->running()) << "xcompmgr did not start";
    }
    static unsigned long pixel(int x, int y) {
        XImage *img = XGetImage(d_, DefaultRootWindow(d_), x, y, 1, 1, AllPlanes, ZPixmap);
        const unsigned long p = XGetPixel(img, 0, 0) & 0xFFFFFF;
        XDestroyImage(img);
        return p;
    }
    // Place of w (or its frame) among the root's children, bottom first.
    static int stackIndex(Window w) {
        Window root, parent, *children;
        unsigned int n;
        while (XQueryTree(d_, w, &root, &parent, &children, &n) && parent != root) {
            XFree(children);
            w = parent;
        }
        XQueryTree(d_, root, &root, &parent, &children, &n);
        const int i = static_cast<int>(std::find(children, children + n, w) - children);
        XFree(children);
        return i;
    }
    static inline kvtest::XvfbSession *x_ = nullptr;
    static inline kvtest::ChildProcess *compositor_ = nullptr;
    static inline QApplication *app_ = nullptr;
    static inline Display *d_ = nullptr;
};

TEST_F(ClockXcb, EachFadeStepReachesTheScreenWithoutInput) {
    const int w = DisplayWidth(d_, 0), h = DisplayHeight(d_, 0);
    Window under = XCreateSimpleWindow(d_, DefaultRootWindow(d_), 0, 0, w, h, 0, 0xFFFFFF, 0xFFFFFF);
    XSetWindowAttributes a;
    a.override_redirect = True;
    XChangeWindowAttributes(d_, under, CWOverrideRedirect, &a);
    XMapWindow(d_, under);
    XSync(d_, False);
    TimerFixture f("minute=0\nsecond=0\nTimeScreen=逐渐黑屏\n");
    f.click();
    f.run(1100);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.clock()));
    QTest::qWait(300);
    f.form1()->TimerSlowBlack->stop();
    // Half way, with no event handled meanwhile: the white shows through grey.
    while (f.form1()->FadeAlpha < 128) f.form1()->TimerSlowBlackTimer();
    QThread::msleep(500);
    EXPECT_NEAR(static_cast<int>(pixel(w / 2, h / 2) & 0xFF), 0x80, 0x10);
    f.clock()->SpeedButtonCloseClick();
    XDestroyWindow(d_, under);
    XSync(d_, False);
}

TEST_F(ClockXcb, ABoxTheProgramWaitsOnStandsAboveTheTimeUpClock) {
    TimerFixture f("minute=0\nsecond=0\nTimeScreen=黑屏\n");
    f.form1()->show();
    f.click();
    f.run(1100);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.clock()));
    QMessageBox box(QMessageBox::Information, "slidehost", "无法打开音乐文件：x.mp3");
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QTest::qWait(400);  // the clock raises itself every 100 ms
    EXPECT_GT(stackIndex(box.winId()), stackIndex(f.clock()->winId()));
    EXPECT_GT(stackIndex(f.clock()->winId()), stackIndex(f.form1()->winId()));  // still over the rest
    box.close();
    f.clock()->SpeedButtonCloseClick();
}

TEST_F(ClockXcb, AClockStartedDuringAShowLeavesTheKeysToTheShow) {
    kvtest::KeyRecorder show("deck.ppt - PowerPoint 幻灯片放映");
    ASSERT_TRUE(show.ok());
    TimerFixture f;
    QTest::qWait(300);
    f.click();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.clock()));
    QTest::qWait(300);
    platform::makeX11Keyboard()->press(platform::vk::Next);
    EXPECT_EQ(show.waitForKeys(2), (std::vector<std::string>{"press Next", "release Next"}));
    f.click();
}

TEST_F(ClockXcb, TheSettingsWindowIsAFixedDialogThatHoldsEveryPage) {
    TimerFixture f;
    host::TFormSet *s = f.formSet();
    s->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s));
    QTest::qWait(300);
    Atom type;
    int format;
    unsigned long n, left;
    unsigned char *data = nullptr;
    XGetWindowProperty(d_, s->winId(), XInternAtom(d_, "_NET_WM_ALLOWED_ACTIONS", False), 0, 64, False,
                       AnyPropertyType, &type, &format, &n, &left, &data);
    ASSERT_GT(n, 0u) << "openbox names the actions it allows";
    std::vector<std::string> allowed;
    for (unsigned long i = 0; i < n; ++i) allowed.push_back(XGetAtomName(d_, reinterpret_cast<Atom *>(data)[i]));
    XFree(data);
    for (const char *action : {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT"})
        EXPECT_EQ(std::count(allowed.begin(), allowed.end(), action), 0) << action;
    for (int i = 0; i < s->tabs->count(); ++i)
        EXPECT_TRUE(s->tabs->widget(i)->minimumSizeHint().boundedTo(s->tabs->currentWidget()->size()) ==
                    s->tabs->widget(i)->minimumSizeHint());
    EXPECT_TRUE(s->rect().contains(s->StatusBar1->geometry()));
}

}  // namespace
