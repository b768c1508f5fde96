// Control lines on real loopback sockets: framing, login, key, open, close, show.
#include <QTest>
#include <QThread>

#include "ProtocolFixture.h"
#include "host/protocol/PptDriver.h"

using namespace hosttest;
using platform::WindowId;

namespace {
class ControlWire : public HostFixture {};
}  // namespace

TEST_F(ControlWire, LoginRepliesAndTable) {
    auto c = client("127.0.0.2");
    c->send("c_usertuvop|wrong\r\n");
    ASSERT_TRUE(c->waitForTail("s_no\r\n"));
    EXPECT_EQ(c->take(), "s_no\r\n");
    // Blanks and control characters around both fields are trimmed.
    c->send("c_user  tuvop \t| tuvop \r\n");
    ASSERT_TRUE(c->waitForTail("s_ok\r\n"));
    EXPECT_EQ(c->take(), "s_ok\r\n");
    EXPECT_TRUE(service->loginTable().contains("127.0.0.2"));
    EXPECT_TRUE(ui.hasLog("127.0.0.2 登录成功。9:05:07"));
    // No separator: refused, the entry stays.
    c->send("c_usertuvop\r\n");
    ASSERT_TRUE(c->waitForTail("s_no\r\n"));
    EXPECT_TRUE(service->loginTable().contains("127.0.0.2"));
    EXPECT_TRUE(ui.hasLog("127.0.0.2 认证失败。9:05:07"));
    c->take();
    // A wrong password removes it; later commands are ignored without a word.
    c->send("c_usertuvop|x\r\n");
    ASSERT_TRUE(c->waitForTail("s_no\r\n"));
    EXPECT_FALSE(service->loginTable().contains("127.0.0.2"));
    c->take();
    c->send("c_idle\r\nc_list\r\nVD34\r\n");
    c->send("c_usertuvop|tuvop\r\n");
    ASSERT_TRUE(c->waitForTail("s_ok\r\n"));
    EXPECT_EQ(c->take(), "s_ok\r\n");
    EXPECT_TRUE(fakes.log->calls("down").isEmpty());
    // A password with "|" keeps everything after the first separator.
    ui.password = "a|b";
    c->send("c_usertuvop|a|b\r\n");
    EXPECT_TRUE(c->waitForTail("s_ok\r\n"));
}

TEST_F(ControlWire, FullTableAnswersOnlyTooManyAndBlankSlotsAreReused) {
    for (int i = 0; i < 99; ++i) service->loginTable().add(QString("10.1.0.%1").arg(i));
    auto c = client("127.0.0.3");
    c->send("c_usertuvop|tuvop\r\n");
    ASSERT_TRUE(c->waitForTail("s_toomany\r\n"));
    EXPECT_EQ(c->take(), "s_toomany\r\n");
    EXPECT_TRUE(ui.hasLog("连接数超过100，拒绝127.0.0.3的连接。"));
    EXPECT_FALSE(service->loginTable().contains("127.0.0.3"));
    // A logged-in address still logs in on a full table.
    service->loginTable().remove("10.1.0.7");
    service->loginTable().add("127.0.0.4");
    auto d = client("127.0.0.4");
    EXPECT_TRUE(d->login());
    // A freed slot is taken by the next new address.
    service->loginTable().remove("10.1.0.50");
    c->send("c_usertuvop|tuvop\r\n");
    ASSERT_TRUE(c->waitForTail("s_ok\r\n"));
    EXPECT_EQ(c->take(), "s_ok\r\n");
    EXPECT_EQ(service->loginTable().slot(50), "127.0.0.3");
}

TEST_F(ControlWire, EveryLineOfAReadIsHandledInOrder) {
    auto c = loggedIn();
    c->send("c_idle\r\nc_idle\r\n\r\nnonsense\r\nc_idle\r\n");
    ASSERT_TRUE(c->waitForBytes(24));
    EXPECT_EQ(c->take(), "s_idle\r\ns_idle\r\ns_idle\r\n");
    // A line split across reads is completed by the next one.
    c->send("c_id");
    QTest::qWait(50);
    c->send("le\r\nc_ti");
    QTest::qWait(50);
    c->send("mer\r\n");
    EXPECT_EQ(c->sync(), "s_idle\r\n");
    EXPECT_EQ(ui.timerClicks, 1);
    // An unterminated remainder beyond 64 KiB is dropped; the connection goes on.
    c->send(QByteArray(70 * 1024, 'x'));
    QTest::qWait(50);
    c->send("\r\nc_idle\r\n");
    EXPECT_EQ(c->sync(), "s_idle\r\n");
    EXPECT_TRUE(c->connected());
}

TEST_F(ControlWire, LongLogIsEmptiedBeforeALine) {
    auto c = loggedIn();
    for (int i = 0; i < 1001; ++i) ui.log << "old";
    c->sync();
    EXPECT_EQ(ui.clears, 1);
    EXPECT_FALSE(ui.log.contains("old"));
}

TEST_F(ControlWire, KeyCommandPressesTheCodeInPowerPoint) {
    WindowId w = fakes.windows->add("talk - PowerPoint");
    auto c = loggedIn("127.0.0.2");
    c->send("VD34\r\nVx33\r\n");
    c->sync();
    EXPECT_EQ(keyCalls(), QStringList({QString("switch %1").arg(w), "sleep 100", "down 34", "up 34",
                                       QString("switch %1").arg(w), "sleep 100", "down 33",
                                       "up 33"}));
    EXPECT_EQ(service->controllerAddress(), "127.0.0.2");
    EXPECT_EQ(ui.controllerText, "127.0.0.2");
    // Another address gets s_other and presses nothing.
    auto d = loggedIn("127.0.0.3");
    fakes.log->clear();
    d->send("VD34\r\n");
    EXPECT_EQ(d->sync(), "s_other\r\n");
    EXPECT_TRUE(keyCalls().isEmpty());
}

TEST_F(ControlWire, BadKeyCodesAreIgnoredWithALogLine) {
    fakes.windows->add("talk - PowerPoint");
    auto c = loggedIn("127.0.0.2");
    c->send("VDabc\r\nVD0\r\nVD255\r\nVD-1\r\nVD\r\nV\r\n");
    EXPECT_EQ(c->sync(), "");
    EXPECT_TRUE(keyCalls().isEmpty());
    EXPECT_TRUE(ui.hasLog("127.0.0.2 按键代码无效:abc。"));
    EXPECT_EQ(service->controllerAddress(), "");
    EXPECT_TRUE(fakes.dialogs->messages.isEmpty());
    EXPECT_TRUE(fakes.dialogs->questions.isEmpty());
}

TEST_F(ControlWire, KeyWithoutWindowAnswersCloseAndForgetsTheFile) {
    auto c = loggedIn();
    makeFile("talk.pptx");
    fakes.windows->add("talk - PowerPoint");
    c->send("c_opentalk.pptx\r\n");
    EXPECT_EQ(c->sync(), "s_succ_open\r\n");
    fakes.windows->windows.clear();
    c->send("VD34\r\n");
    EXPECT_EQ(c->sync(), "s_close\r\n");
    EXPECT_EQ(service->currentFile(), "");
}

TEST_F(ControlWire, KeyToAWindowThatWillNotComeForwardIsNotSent) {
    fakes.windows->add("talk - PowerPoint");
    fakes.windows->switchBringsToFront = false;
    auto c = loggedIn();
    c->send("VD34\r\n");
    EXPECT_EQ(c->sync(), "");
    EXPECT_TRUE(fakes.log->calls("down").isEmpty());
    EXPECT_EQ(ui.status.last(), host::PptDriver::kNotInFront);
}

TEST_F(ControlWire, OpenRefusesAnythingButAPresentationOfTheFolder) {
    makeFile("notes.txt");
    makeFile("talk.pptx");
    QDir(dir.path()).mkdir("dir.ppt");
    QTemporaryDir outside;
    QFile(outside.filePath("evil.ppt")).open(QIODevice::WriteOnly);
    auto c = loggedIn();
    const QByteArray names[] = {"missing.ppt", "notes.txt", "dir.ppt", "../talk.pptx",
                                "sub/talk.pptx", "..\\talk.pptx", "c:talk.pptx", ".", "..",
                                ".pptx", "ta\x01lk.pptx",
                                QFile::encodeName(outside.filePath("evil.ppt"))};
    for (const QByteArray &n : names) {
        c->send("c_open" + n + "\r\n");
        EXPECT_EQ(c->sync(), "s_haveno\r\n") << n.constData();
    }
    EXPECT_TRUE(fakes.shell->opened.isEmpty());
    EXPECT_EQ(ui.status.last(), "指定打开的文件不存在");
    EXPECT_EQ(service->currentFile(), "");
    // An empty name answers nothing but takes control.
    c->send("c_open  \r\n");
    EXPECT_EQ(c->sync(), "");
    EXPECT_EQ(service->controllerAddress(), "127.0.0.1");
}

TEST_F(ControlWire, OpenThroughTheShellWaitsForTheWindow) {
    makeFile("My Talk.PPTX");
    auto c = loggedIn();
    bool added = false;
    fakes.clock->onSleep = [&](int) {
        if (!added && !fakes.shell->opened.isEmpty() && fakes.clock->now >= 1500) {
            fakes.windows->add("PowerPoint - My Talk");
            added = true;
        }
    };
    c->send("c_open My Talk.PPTX \r\n");
    EXPECT_EQ(c->sync(), "s_succ_open\r\n");
    EXPECT_EQ(fakes.shell->opened, QStringList({dir.path() + "/My Talk.PPTX"}));
    EXPECT_EQ(service->currentFile(), "My Talk.PPTX");
    EXPECT_TRUE(ui.hasLog("127.0.0.1 打开文件:My Talk.PPTX。9:05:07"));
    // Open again: the window is there.
    c->send("c_openMy Talk.PPTX\r\n");
    EXPECT_EQ(c->sync(), "s_succ_open\r\n");
    EXPECT_TRUE(ui.hasLog("127.0.0.1 尝试打开文件:My Talk.PPTX，文件已打开。"));
    EXPECT_EQ(fakes.shell->opened.size(), 1);
}

TEST_F(ControlWire, OpenGivesUpAfterTwoThousandPassesOfVirtualTime) {
    makeFile("talk.ppt");
    auto c = loggedIn();
    const auto start = fakes.clock->now;
    c->send("c_opentalk.ppt\r\n");
    EXPECT_EQ(c->sync(), "s_fail_open\r\n");
    EXPECT_EQ(fakes.clock->now - start, 20000u);
    EXPECT_TRUE(ui.hasLog("127.0.0.1 打开文件失败:talk.ppt。"));
    EXPECT_EQ(service->currentFile(), "talk.ppt");
}

TEST_F(ControlWire, CloseAndShow) {
    auto c = loggedIn("127.0.0.2");
    auto d = loggedIn("127.0.0.3");
    // Show without PowerPoint: s_needopen, but the sender takes control.
    c->send("c_show\r\n");
    EXPECT_EQ(c->sync(), "s_needopen\r\n");
    EXPECT_EQ(service->controllerAddress(), "127.0.0.2");
    // Close from another address: s_other and the only close log line.
    d->send("c_close\r\n");
    EXPECT_EQ(d->sync(), "s_other\r\n");
    EXPECT_TRUE(ui.hasLog("127.0.0.3 关闭文件。"));
    d->send("c_show\r\n");
    EXPECT_EQ(d->sync(), "s_other\r\n");

    WindowId w = fakes.windows->add("talk - PowerPoint");
    fakes.log->clear();
    c->send("c_show\r\n");
    EXPECT_EQ(c->sync(), "");
    EXPECT_TRUE(ui.hasLog("127.0.0.2 放映幻灯片。"));
    EXPECT_EQ(fakes.log->calls("down"), QStringList({"down 27", "down 116"}));

    fakes.log->clear();
    c->send("c_close trailing\r\n");
    EXPECT_EQ(c->sync(), "");
    EXPECT_EQ(fakes.log->calls("down"), QStringList({"down 27", "down 18", "down 115"}));
    EXPECT_EQ(service->controllerAddress(), "");
    EXPECT_EQ(ui.controllerText, "");
    Q_UNUSED(w);
}

TEST_F(ControlWire, LocalOpenStoresTheBareName) {
    const QString path = makeFile("lecture.pptx");
    service->localOpen(path);
    EXPECT_EQ(service->currentFile(), "lecture.pptx");
    EXPECT_EQ(fakes.shell->opened, QStringList({path}));
    WindowId w = fakes.windows->add("lecture - PowerPoint");
    EXPECT_EQ(service->findPPTWindow(1), w);
    service->localOpen("");
    service->localOpen(dir.filePath("gone.pptx"));
    EXPECT_EQ(fakes.shell->opened.size(), 1);
    EXPECT_EQ(service->currentFile(), "lecture.pptx");
}

TEST_F(ControlWire, ServiceStopFreesTheRoles) {
    fakes.windows->add("talk - PowerPoint");
    auto c = loggedIn("127.0.0.2");
    c->send("VD34\r\n");
    c->sync();
    EXPECT_EQ(service->controllerAddress(), "127.0.0.2");
    listeners->stop();
    EXPECT_EQ(service->controllerAddress(), "");
    EXPECT_EQ(ui.controllerText, "");
    // Logins survive a restart.
    ASSERT_EQ(listeners->start(port), host::ServiceListeners::StartError::None);
    auto again = client("127.0.0.2");
    EXPECT_EQ(again->sync(), "");
}

// The open wait pumps events: other clients are served meanwhile, the waiting
// connection's own later lines follow in order, and a connection that closes
// during the wait is not written to.
TEST_F(ControlWire, OpenWaitServesOthersAndKeepsOrder) {
    makeFile("talk.ppt");
    auto a = loggedIn("127.0.0.2");
    auto b = loggedIn("127.0.0.3");
    fakes.clock->onPump = [] { QCoreApplication::processEvents(); };
    const auto start = fakes.clock->now;
    bool sent = false, bServed = false, added = false;
    fakes.clock->onSleep = [&](int) {
        if (!sent) {
            sent = true;
            b->send("c_idle\r\n");
            a->send("c_idle\r\n");
        }
        if (!added && (b->receivedAll.contains("s_idle\r\n") || fakes.clock->now - start > 15000)) {
            bServed = b->receivedAll.contains("s_idle\r\n");
            fakes.windows->add("talk - PowerPoint");
            added = true;
        }
    };
    a->send("c_opentalk.ppt\r\n");
    ASSERT_TRUE(a->waitForTail("s_succ_open\r\ns_idle\r\n"));
    EXPECT_TRUE(bServed);
    fakes.clock->onSleep = nullptr;
    fakes.clock->onPump = nullptr;
}

TEST_F(ControlWire, ImpressLoadWaitServesOthers) {
    makeFile("talk.pptx");
    auto a = loggedIn("127.0.0.2");
    auto b = loggedIn("127.0.0.3");
    fakes.shell->onOpen = [&](const QString &) {
        fakes.windows->add("talk.pptx - LibreOffice Impress", true, "libreoffice-impress");
    };
    fakes.clock->onPump = [] { QCoreApplication::processEvents(); };
    bool sent = false, bServed = false;
    fakes.clock->onSleep = [&](int) {  // real time for b's line to arrive
        if (!sent) b->send("c_idle\r\n");
        sent = true;
        bServed = bServed || b->receivedAll.contains("s_idle\r\n");
        QThread::msleep(1);
    };
    a->send("c_opentalk.pptx\r\n");
    ASSERT_TRUE(a->waitForTail("s_succ_open\r\n"));
    EXPECT_TRUE(bServed);
    fakes.clock->onSleep = nullptr;
    fakes.clock->onPump = nullptr;
}

TEST_F(ControlWire, ConnectionClosedDuringTheOpenWaitIsNotWrittenTo) {
    makeFile("talk.ppt");
    auto a = loggedIn("127.0.0.2");
    fakes.clock->onPump = [] { QCoreApplication::processEvents(); };
    bool closed = false;
    fakes.clock->onSleep = [&](int) {
        if (!closed) {
            closed = true;
            a->socket.abort();
        }
    };
    a->send("c_opentalk.ppt\r\n");
    ASSERT_TRUE(spinUntil([&] { return ui.hasLog("127.0.0.2 打开文件失败:talk.ppt。"); }));
    fakes.clock->onSleep = nullptr;
    fakes.clock->onPump = nullptr;
    EXPECT_TRUE(ui.hasLog("127.0.0.2 断开连接。"));
    EXPECT_TRUE(ui.hasLog("127.0.0.2 释放投影控制权。"));
    EXPECT_EQ(service->controllerAddress(), "");
    // The host goes on serving.
    auto b = loggedIn("127.0.0.3");
    EXPECT_EQ(b->sync(), "");
}

TEST_F(ControlWire, ShowStartsTheWindowOfTheOpenFileNotTheTopmostOne) {
    makeFile("b.pptx");
    fakes.windows->add("a - PowerPoint");
    WindowId b = fakes.windows->add("b - PowerPoint");
    auto c = loggedIn();
    c->send("c_openb.pptx\r\n");
    EXPECT_EQ(c->sync(), "s_succ_open\r\n");
    fakes.windows->switchTo(fakes.windows->windows.back().id);  // someone else comes forward
    fakes.log->clear();
    c->send("c_show\r\n");
    c->sync();
    EXPECT_EQ(keyCalls(), QStringList({"sleep 500", QString("switch %1").arg(b), "down 27", "up 27",
                                       "sleep 300", "down 116", "up 116"}));
}
