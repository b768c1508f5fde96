// The host program on a private Xvfb: a "黑屏" time-up, started by c_timer,
// really covers the screen with the clock window.
#include <gtest/gtest.h>

#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include "common/Gbk.h"
#include "tests/support/Files.h"
#include "tests/support/Ports.h"
#include "tests/support/XvfbSession.h"

// Last: Xlib's macros would spoil the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// Every sampled pixel of the root is black, but for the buttons at the top right.
bool screenIsBlack(Display *d, int w, int h) {
    XImage *img = XGetImage(d, DefaultRootWindow(d), 0, 0, w, h, AllPlanes, ZPixmap);
    if (!img) return false;
    bool black = true;
    for (int y = 0; y < h && black; y += 37)
        for (int x = 0; x < w && black; x += 37)
            if (!(x > w - 400 && y < 60) && (XGetPixel(img, x, y) & 0xFFFFFF) != 0) black = false;
    XDestroyImage(img);
    return black;
}

TEST(ClockX11, BlackTimeUpCoversTheScreen) {
    KV_REQUIRE_XVFB();
    kvtest::XvfbSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    Display *d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    const int w = DisplayWidth(d, DefaultScreen(d)), h = DisplayHeight(d, DefaultScreen(d));
    // A white window under everything: black can only come from the clock.
    const unsigned long white = WhitePixel(d, DefaultScreen(d));
    Window under = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, w, h, 0, white, white);
    XMapWindow(d, under);
    XSync(d, False);

    QTemporaryDir dir;
    const QString program = dir.filePath("slidehost");
    ASSERT_TRUE(QFile::copy(QStringLiteral(SLIDEHOST_PATH), program));
    const int port = kvtest::freePortBlock();
    ASSERT_NE(port, 0);
    ASSERT_TRUE(kvtest::writeFile(dir.filePath("show.ini"),
                                  kv::toGbkLossy(QStringLiteral("[server]\r\nRunTimes=2\r\nAutoStart=true\r\n"
                                                                "AutoCheckNew=0\r\nServerPort=%1\r\n[timer]\r\n"
                                                                "minute=0\r\nsecond=1\r\nTimeScreen=黑屏\r\n")
                                                     .arg(port))));
    kvtest::ChildProcess host;
    ASSERT_TRUE(host.start({program.toStdString()},
                           {"QT_QPA_PLATFORM=xcb", "HOME=" + dir.path().toStdString(),
                            "XDG_RUNTIME_DIR=" + dir.path().toStdString()},
                           dir.path().toStdString()));
    QTcpSocket c;
    for (int i = 0; i < 100 && c.state() != QAbstractSocket::ConnectedState; ++i) {
        c.abort();
        c.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        if (!c.waitForConnected(100)) QTest::qWait(100);
    }
    ASSERT_EQ(c.state(), QAbstractSocket::ConnectedState) << "the host did not start its service";
    c.write("c_usertuvop|tuvop\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.bytesAvailable() > 0; }, 5000));
    ASSERT_TRUE(c.readAll().startsWith("s_ok"));
    EXPECT_FALSE(screenIsBlack(d, w, h));
    c.write("c_timer\r\n");
    c.flush();
    EXPECT_TRUE(QTest::qWaitFor([&] { return screenIsBlack(d, w, h); }, 10000));
    host.stop();
    XCloseDisplay(d);
}

}  // namespace
