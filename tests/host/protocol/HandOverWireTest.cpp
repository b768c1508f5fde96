// Asking for and handing over control between addresses.
#include <QTest>

#include "ProtocolFixture.h"

using namespace hosttest;

namespace {
class HandOver : public HostFixture {
protected:
    void takeControl(Client &c) {
        c.send("VD34\r\n");
        c.sync();
        ASSERT_EQ(service->controllerAddress(), c.address);
    }
};
}  // namespace

TEST_F(HandOver, FreeHostGrantsAtOnceWithTheDuplicateAgree) {
    auto a = loggedIn("127.0.0.2");
    a->send("c_ask\r\n");
    EXPECT_EQ(a->sync(), QByteArray("s_agree\r\ns_agree"));
    EXPECT_EQ(service->controllerAddress(), "127.0.0.2");
    EXPECT_EQ(service->applicantAddress(), "");
    EXPECT_TRUE(ui.hasLog("127.0.0.2 申请放映权。"));
    EXPECT_TRUE(ui.hasLog("同意给予 127.0.0.2 放映权。"));
    EXPECT_TRUE(fakes.dialogs->questions.isEmpty());
    // The holder asking again: nothing at all.
    const int lines = ui.log.size();
    a->send("c_ask\r\n");
    EXPECT_EQ(a->sync(), "");
    EXPECT_EQ(ui.log.size(), lines);
}

TEST_F(HandOver, QuestionBoxDecidesWhenNotAutomatic) {
    ui.autoResp = false;
    fakes.dialogs->askAnswer = false;
    auto a = loggedIn("127.0.0.2");
    a->send("c_ask\r\n");
    EXPECT_EQ(a->sync(), "s_reject\r\n");
    EXPECT_EQ(fakes.dialogs->questions, QStringList({"127.0.0.2申请投影权，同意吗？"}));
    EXPECT_EQ(service->applicantAddress(), "");  // decided: no longer waiting
    EXPECT_EQ(service->controllerAddress(), "");

    // Take-over question when the forward option is off.
    takeControl(*a);
    ui.newType = false;
    fakes.dialogs->askAnswer = true;
    auto b = loggedIn("127.0.0.3");
    b->send("c_ask\r\n");
    EXPECT_EQ(b->sync(), QByteArray("s_agree\r\ns_agree"));
    EXPECT_EQ(fakes.dialogs->questions.last(), "127.0.0.3申请接管投影权，同意吗？");
    EXPECT_EQ(service->controllerAddress(), "127.0.0.3");
    EXPECT_EQ(a->sync(), "");
}

TEST_F(HandOver, ForwardedRequestIsDecidedOnlyByTheHolder) {
    auto a = loggedIn("127.0.0.2");
    auto a2 = loggedIn("127.0.0.2");
    auto b = loggedIn("127.0.0.3");
    auto x = loggedIn("127.0.0.4");
    takeControl(*a2);
    b->send("c_ask\r\n");
    ASSERT_TRUE(a->waitForTail("s_ask127.0.0.3\r\n"));  // the holder's oldest connection
    EXPECT_EQ(a->sync(), "s_ask127.0.0.3\r\n");
    EXPECT_EQ(a2->sync(), "");
    EXPECT_EQ(b->sync(), "");
    EXPECT_EQ(service->applicantAddress(), "127.0.0.3");

    // A bystander cannot agree or reject for the holder.
    x->send("c_agree\r\nc_reject\r\n");
    EXPECT_EQ(x->sync(), "");
    EXPECT_EQ(service->controllerAddress(), "127.0.0.2");
    EXPECT_EQ(service->applicantAddress(), "127.0.0.3");
    EXPECT_EQ(b->sync(), "");

    a2->send("c_agree\r\n");
    a2->sync();
    EXPECT_EQ(b->sync(), "s_agree\r\n");
    EXPECT_EQ(service->controllerAddress(), "127.0.0.3");
    EXPECT_EQ(ui.controllerText, "127.0.0.3");
    EXPECT_EQ(service->applicantAddress(), "");
    EXPECT_TRUE(ui.hasLog("127.0.0.2 同意让出放映权。"));

    // Nobody waiting now: the new holder's c_agree frees nothing.
    b->send("c_agree\r\n");
    b->sync();
    EXPECT_EQ(service->controllerAddress(), "127.0.0.3");
}

TEST_F(HandOver, HolderRejects) {
    auto a = loggedIn("127.0.0.2");
    auto b = loggedIn("127.0.0.3");
    takeControl(*a);
    b->send("c_ask\r\n");
    ASSERT_TRUE(a->waitForTail("s_ask127.0.0.3\r\n"));
    a->take();
    a->send("c_reject\r\n");
    a->sync();
    EXPECT_EQ(b->sync(), "s_reject\r\n");
    EXPECT_EQ(service->applicantAddress(), "");
    EXPECT_EQ(service->controllerAddress(), "127.0.0.2");
    EXPECT_TRUE(ui.hasLog("127.0.0.2 拒绝让出放映权。"));
}

TEST_F(HandOver, AgreeWhenTheApplicantIsGoneFreesControl) {
    auto a = loggedIn("127.0.0.2");
    auto b = loggedIn("127.0.0.3");
    takeControl(*a);
    b->send("c_ask\r\n");
    ASSERT_TRUE(a->waitForTail("s_ask127.0.0.3\r\n"));
    b->close();
    ASSERT_TRUE(spinUntil([&] { return ui.hasLog("127.0.0.3 断开连接。"); }));
    a->send("c_agree\r\n");
    a->sync();
    EXPECT_EQ(service->controllerAddress(), "");
    EXPECT_EQ(service->applicantAddress(), "");
}

TEST_F(HandOver, HolderWithoutConnectionIsOverruled) {
    auto b = loggedIn("127.0.0.3");
    {
        auto a = loggedIn("127.0.0.2");
        takeControl(*a);
        a->close();
    }
    ASSERT_TRUE(spinUntil([&] { return service->controllerAddress().isEmpty(); }));
    EXPECT_TRUE(ui.hasLog("127.0.0.2 释放投影控制权。"));
    b->send("c_ask\r\n");
    EXPECT_EQ(b->sync(), QByteArray("s_agree\r\ns_agree"));
}

TEST_F(HandOver, ControlIsFreedOnlyWhenTheLastConnectionOfTheAddressCloses) {
    auto a = loggedIn("127.0.0.2");
    auto a2 = loggedIn("127.0.0.2");
    takeControl(*a);
    a->close();
    ASSERT_TRUE(spinUntil([&] { return ui.hasLog("127.0.0.2 断开连接。"); }));
    EXPECT_EQ(service->controllerAddress(), "127.0.0.2");
    EXPECT_FALSE(ui.hasLog("释放投影控制权"));
    a2->close();
    ASSERT_TRUE(spinUntil([&] { return service->controllerAddress().isEmpty(); }));
    EXPECT_TRUE(ui.hasLog("127.0.0.2 释放投影控制权。"));
    EXPECT_EQ(ui.controllerText, "");
}

TEST_F(HandOver, TimerCommandClicksTheButtonWithoutRoleCheck) {
    auto a = loggedIn("127.0.0.2");
    auto b = loggedIn("127.0.0.3");
    takeControl(*a);
    b->send("c_timer\r\nc_timerx\r\n");
    EXPECT_EQ(b->sync(), "");
    EXPECT_EQ(ui.timerClicks, 2);
}

TEST_F(HandOver, ApplicantThatLeavesDuringTheQuestionIsNotGranted) {
    // The question box is modal: events run while it is open.
    struct LeavingDialogs : platform::FakeDialogs {
        std::function<void()> whileOpen;
        bool ask(const QString &text, const QString &caption) override {
            if (whileOpen) whileOpen();
            return FakeDialogs::ask(text, caption);
        }
    };
    auto dialogs = std::make_shared<LeavingDialogs>();
    platform::Services s = fakes.services();
    s.dialogs = dialogs;
    service.reset();
    service = std::make_unique<host::HostService>(*listeners, s, ui);
    ui.autoResp = false;
    auto a = loggedIn("127.0.0.2");
    dialogs->whileOpen = [&] {
        a->socket.abort();
        // The host sees the close now; it logs it once the question is answered.
        spinUntil([&] { return listeners->controlConnections().isEmpty(); });
    };
    a->send("c_ask\r\n");
    ASSERT_TRUE(spinUntil([&] { return !dialogs->questions.isEmpty(); }));
    EXPECT_TRUE(ui.hasLog("127.0.0.2 断开连接。"));
    EXPECT_EQ(service->controllerAddress(), "");
    EXPECT_EQ(service->applicantAddress(), "");
    EXPECT_FALSE(ui.hasLog("同意给予"));
}
