#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTimer>

#include "controller/ControlClient.h"
#include "controller/KeyMap.h"
#include "tests/support/Fakes.h"
#include "tests/controller/ScriptedControlHost.h"

using pad::ControlClient;
using R = ControlClient::Reply;
using padtest::ScriptedControlHost;
using kvtest::spinUntil;

namespace {

struct ClientFixture : ::testing::Test {
    platform::FakeServices fakes;
    ScriptedControlHost host;
    std::unique_ptr<ControlClient> client;
    QList<QPair<R, QByteArray>> replies;
    QList<QByteArray> unhandled;

    void SetUp() override {
        fakes.clock->onPump = [] { QCoreApplication::processEvents(); };
        client = std::make_unique<ControlClient>(fakes.clock);
        QObject::connect(client.get(), &ControlClient::reply,
                         [this](R k, const QByteArray &l) { replies.append({k, l}); });
        QObject::connect(client.get(), &ControlClient::unhandledReply,
                         [this](const QByteArray &l) { unhandled.append(l); });
    }
    void login() {
        ASSERT_EQ(client->connectAndLogin("127.0.0.1", host.port(), "tuvop", "tuvop"),
                  ControlClient::ConnectResult::LoginSent);
        ASSERT_TRUE(spinUntil([&] { return client->isLoggedIn(); }));
    }
};

TEST(ReplyWords, EachWordOverItsOwnLength) {
    EXPECT_EQ(ControlClient::classify("s_ok"), R::Ok);
    EXPECT_EQ(ControlClient::classify("s_okay"), R::Ok);
    EXPECT_EQ(ControlClient::classify("s_no"), R::No);
    EXPECT_EQ(ControlClient::classify("s_toomany"), R::TooMany);
    EXPECT_EQ(ControlClient::classify("s_idle"), R::Idle);
    EXPECT_EQ(ControlClient::classify("s_busylists_ok"), R::BusyList);  // glued reply
    EXPECT_EQ(ControlClient::classify("s_succ_open"), R::SuccOpen);
    EXPECT_EQ(ControlClient::classify("s_fail_open"), R::FailOpen);
    EXPECT_EQ(ControlClient::classify("s_haveno"), R::HaveNo);
    EXPECT_EQ(ControlClient::classify("s_needopen"), R::NeedOpen);
    EXPECT_EQ(ControlClient::classify("s_close"), R::Close);
    EXPECT_EQ(ControlClient::classify("s_agree"), R::Agree);
    EXPECT_EQ(ControlClient::classify("s_reject"), R::Reject);
    EXPECT_EQ(ControlClient::classify("s_ask127.0.0.2"), R::Ask);
    EXPECT_EQ(ControlClient::classify("s_other"), R::Other);
    // Left to the file window's code, and anything else.
    for (const char *l : {"s_list", "s_lista.ppt", "s_name", "s_len", "s_file", "s_over", "s_o",
                          "S_OK", "c_idle", "s_qitaup"})
        EXPECT_EQ(ControlClient::classify(l), R::Unhandled) << l;
}

TEST_F(ClientFixture, LoginLineIsExactAndOnlyAfterTheConnection) {
    host.answerLogin = false;
    EXPECT_FALSE(client->sendLine("VD34"));  // not connected: nothing queued
    ASSERT_EQ(client->connectAndLogin("127.0.0.1", host.port(), "us\xd3\xc3", "p|w"),
              ControlClient::ConnectResult::LoginSent);
    ASSERT_TRUE(host.waitReceived("\r\n"));
    EXPECT_EQ(host.received, QByteArray("c_userus\xd3\xc3|p|w\r\n"));
    EXPECT_FALSE(client->isLoggedIn());
}

TEST_F(ClientFixture, RefusedConnectFailsAtOnce) {
    quint16 closedPort = host.port();
    host.server.close();
    const auto before = fakes.clock->now;
    EXPECT_EQ(client->connectAndLogin("127.0.0.1", closedPort, "u", "p"),
              ControlClient::ConnectResult::Failed);
    EXPECT_LT(fakes.clock->now - before, 5000u);
    EXPECT_FALSE(client->isConnecting());
}

TEST_F(ClientFixture, TimedOutAttemptIsAbortedAndSendsNothingLater) {
    fakes.clock->onPump = nullptr;  // the connection is never seen within the polls
    EXPECT_EQ(client->connectAndLogin("127.0.0.1", host.port(), "u", "p"),
              ControlClient::ConnectResult::Failed);
    EXPECT_EQ(fakes.log->calls("sleep").size(), ControlClient::kConnectPolls);
    EXPECT_EQ(client->socket()->state(), QAbstractSocket::UnconnectedState);
    QCoreApplication::processEvents();
    EXPECT_FALSE(client->sendLine("VD34"));
    spinUntil([] { return false; }, 100);
    EXPECT_TRUE(host.received.isEmpty());
}

TEST_F(ClientFixture, ConnectionSeenOnTheLastPollStillLogsIn) {
    int pumps = 0;
    fakes.clock->onPump = [&] {
        if (++pumps == ControlClient::kConnectPolls)
            spinUntil([&] { return client->isConnected(); }, 2000);
    };
    EXPECT_EQ(client->connectAndLogin("127.0.0.1", host.port(), "u", "p"),
              ControlClient::ConnectResult::LoginSent);
    EXPECT_EQ(pumps, ControlClient::kConnectPolls);
    ASSERT_TRUE(host.waitReceived("c_useru|p\r\n"));
}

TEST_F(ClientFixture, NoSecondConnectInsideARunningOne) {
    ControlClient::ConnectResult inner{};
    bool tried = false;
    fakes.clock->onPump = [&] {
        if (!tried) {
            tried = true;
            inner = client->connectAndLogin("127.0.0.1", host.port(), "x", "y");
        }
        QCoreApplication::processEvents();
    };
    EXPECT_EQ(client->connectAndLogin("127.0.0.1", host.port(), "u", "p"),
              ControlClient::ConnectResult::LoginSent);
    EXPECT_EQ(inner, ControlClient::ConnectResult::Busy);
    ASSERT_TRUE(host.waitReceived("\r\n"));
    EXPECT_EQ(host.received, QByteArray("c_useru|p\r\n"));
}

TEST_F(ClientFixture, EveryCompleteLineOfOneReadIsHandledInOrder) {
    login();
    replies.clear();
    host.send("s_other\r\n\r\ns_lista.ppt\r\ns_idle\r\ns_list\r\ns_close\r\ns_agree");
    ASSERT_TRUE(spinUntil([&] { return replies.size() >= 3; }));
    spinUntil([] { return false; }, 50);
    ASSERT_EQ(replies.size(), 3);
    EXPECT_EQ(replies[0].first, R::Other);
    EXPECT_EQ(replies[1].first, R::Idle);
    EXPECT_EQ(replies[2].first, R::Close);  // the unterminated "s_agree" is dropped
    EXPECT_EQ(unhandled, (QList<QByteArray>{"s_lista.ppt", "s_list"}));
}

TEST_F(ClientFixture, LoneUnterminatedReplyIsDropped) {
    login();
    replies.clear();
    host.send("s_agree");
    spinUntil([] { return false; }, 100);
    host.send("s_reject\r\n");
    ASSERT_TRUE(spinUntil([&] { return !replies.isEmpty(); }));
    EXPECT_EQ(replies.size(), 1);
    EXPECT_EQ(replies[0].first, R::Reject);
}

TEST_F(ClientFixture, RepliesSplitAcrossReadsWaitForTheirLineEnd) {
    QSignalSpy words(client.get(), &ControlClient::unterminatedReply);
    host.loginAnswer = "s_o";
    ASSERT_EQ(client->connectAndLogin("127.0.0.1", host.port(), "u", "p"), ControlClient::ConnectResult::LoginSent);
    for (const char *rest : {"k\r\ns_lis", "ta.ppt\r", "\ns_busy", "list"}) {
        spinUntil([] { return false; }, 30);  // each part in a read of its own
        host.send(rest);
    }
    ASSERT_TRUE(spinUntil([&] { return words.size() == 1 && client->isLoggedIn(); }));  // "s_busylist"
    EXPECT_EQ(unhandled, QList<QByteArray>{"s_lista.ppt"});
    EXPECT_FALSE(client->sendLine("c_opena.ppt\r\nc_close"));  // never two commands
}

TEST_F(ClientFixture, KeepAliveAndIdleCutOffWithTickWrap) {
    QSignalSpy cut(client.get(), &ControlClient::idleCutOff);
    fakes.clock->now = 0xFFFFF000u;  // the login stamps just before the wrap
    login();
    const std::uint32_t stamp = client->lastActivity();
    ASSERT_GT(stamp, 0xFFFF0000u);
    EXPECT_TRUE(client->keepAliveTimer()->isActive());
    EXPECT_EQ(client->keepAliveTimer()->interval(), 10000);

    fakes.clock->now = stamp + 900000u;  // wraps; exactly 15 minutes
    client->keepAliveTick();
    ASSERT_TRUE(host.waitReceived("c_idle\r\n"));
    EXPECT_EQ(cut.count(), 0);
    EXPECT_TRUE(client->keepAliveTimer()->isActive());

    fakes.clock->now += 1;
    client->keepAliveTick();
    EXPECT_EQ(cut.count(), 1);
    EXPECT_FALSE(client->keepAliveTimer()->isActive());

    client->touch();  // a user action resets the count
    fakes.clock->now += 600000;
    host.received.clear();
    client->keepAliveTick();
    ASSERT_TRUE(host.waitReceived("c_idle\r\n"));
    EXPECT_EQ(cut.count(), 1);
}

TEST_F(ClientFixture, KeepAliveStopsOnAClosedConnection) {
    login();
    client->disconnectFromHost();
    client->keepAliveTick();
    EXPECT_FALSE(client->keepAliveTimer()->isActive());
}

TEST_F(ClientFixture, HostCloseIsReportedButOwnCloseIsNot) {
    QSignalSpy closed(client.get(), &ControlClient::hostClosed);
    login();
    client->disconnectFromHost();
    QCoreApplication::processEvents();
    EXPECT_EQ(closed.count(), 0);
    host.answered = false;
    login();
    host.peer->disconnectFromHost();
    ASSERT_TRUE(spinUntil([&] { return closed.count() == 1; }));
    EXPECT_FALSE(client->isLoggedIn());
    EXPECT_FALSE(client->keepAliveTimer()->isActive());
}

TEST_F(ClientFixture, TooManyAfterOkIsNotLoggedIn) {
    host.loginAnswer = "s_ok\r\ns_toomany\r\n";
    ASSERT_EQ(client->connectAndLogin("127.0.0.1", host.port(), "u", "p"),
              ControlClient::ConnectResult::LoginSent);
    ASSERT_TRUE(spinUntil([&] { return replies.size() == 2; }));
    EXPECT_EQ(replies[1].first, R::TooMany);
    EXPECT_FALSE(client->isLoggedIn());
    EXPECT_FALSE(client->keepAliveTimer()->isActive());
}

// Replies count only in the state that expects them, and a host that floods
// while a handler pumps messages is read no further than a bounded buffer.
TEST_F(ClientFixture, RepliesOnlyInTheirStateAndAFloodIsHeldBack) {
    QSignalSpy in(client.get(), &ControlClient::loggedIn);
    host.loginAnswer = "s_other\r\ns_lista\r\ns_ok\r\n";
    login();
    host.send("s_ok\r\ns_ok\r\ns_other\r\n");
    ASSERT_TRUE(spinUntil([&] { return replies.size() == 2; }));
    EXPECT_EQ(replies[1].first, R::Other);
    EXPECT_TRUE(unhandled.isEmpty());
    EXPECT_EQ(in.count(), 1);
    EXPECT_TRUE(client->isLoggedIn());

    qint64 held = -1;
    const int flood = 1 << 17;
    QObject::connect(client.get(), &ControlClient::reply, [&](R k) {
        if (k != R::Reject || held >= 0) return;
        host.send(QByteArray("s_idle\r\n").repeated(flood));
        spinUntil([] { return false; }, 300);
        held = client->heldBytes();
    });
    host.send("s_reject\r\n");
    ASSERT_TRUE(spinUntil([&] { return held >= 0; }));
    EXPECT_LE(held, ControlClient::kReadBufferBytes + ControlClient::kReadChunkBytes);
    EXPECT_TRUE(spinUntil([&] { return replies.size() == 3 + flood; }, 20000));
}

TEST(KeyTable, WindowsVirtualKeys) {
    using pad::toVirtualKey;
    EXPECT_EQ(toVirtualKey(Qt::Key_PageDown), 34);
    EXPECT_EQ(toVirtualKey(Qt::Key_PageUp), 33);
    EXPECT_EQ(toVirtualKey(Qt::Key_Home), 36);
    EXPECT_EQ(toVirtualKey(Qt::Key_End), 35);
    EXPECT_EQ(toVirtualKey(Qt::Key_Escape), 27);
    EXPECT_EQ(toVirtualKey(Qt::Key_Return), 13);
    EXPECT_EQ(toVirtualKey(Qt::Key_Enter, Qt::KeypadModifier), 13);
    EXPECT_EQ(toVirtualKey(Qt::Key_Space), 32);
    EXPECT_EQ(toVirtualKey(Qt::Key_0), 48);
    EXPECT_EQ(toVirtualKey(Qt::Key_9), 57);
    EXPECT_EQ(toVirtualKey(Qt::Key_A), 65);
    EXPECT_EQ(toVirtualKey(Qt::Key_Z), 90);
    EXPECT_EQ(toVirtualKey(Qt::Key_0, Qt::KeypadModifier), 96);
    EXPECT_EQ(toVirtualKey(Qt::Key_9, Qt::KeypadModifier), 105);
    EXPECT_EQ(toVirtualKey(Qt::Key_Comma), 188);
    EXPECT_EQ(toVirtualKey(Qt::Key_Period), 190);
    EXPECT_EQ(toVirtualKey(Qt::Key_Period, Qt::KeypadModifier), 110);
    EXPECT_EQ(toVirtualKey(Qt::Key_F5), 116);
    EXPECT_EQ(toVirtualKey(Qt::Key_Alt), 18);
    EXPECT_EQ(toVirtualKey(Qt::Key_Exclam), 49);
    EXPECT_EQ(toVirtualKey(Qt::Key_Less), 188);
    EXPECT_EQ(toVirtualKey(Qt::Key_VolumeUp), 0);  // no counterpart: not forwarded
    EXPECT_EQ(toVirtualKey(0x01ffffff), 0);
}

}  // namespace
