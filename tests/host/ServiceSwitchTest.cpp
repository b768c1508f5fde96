// The service switch on real loopback sockets: captions, status texts, the
// port layout P / P+1 / P+3, refusals and the rollback of a failed start.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

#include "HostTestSupport.h"
#include "host/protocol/HostService.h"

using namespace hosttest;

namespace {

bool tcpAccepts(int port) {
    QTcpSocket c;
    c.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    return c.waitForConnected(1000);
}

struct Switch : HostFixture {
    int port = freePortBlock();
    Switch() {
        writeIni(QStringLiteral("[server]\nServerPort=%1\nServerUser= alice \nServerPass=secret\n").arg(port));
        create();
    }
    QPushButton *button() const { return form1()->SpeedButtonServerStart; }
    void click() const { button()->click(); }
};

TEST(ServiceSwitch, StartsOnPAndP1AndP3AndStopsAgain) {
    Switch s;
    ASSERT_GT(s.port, 0);
    EXPECT_EQ(s.button()->text(), "启动投影服务");
    EXPECT_EQ(s.button()->toolTip(), "启动或停止投影服务");
    s.fakes.address->address = " 10.1.2.3 ";
    s.form1()->setStatus("old");
    s.click();
    EXPECT_EQ(s.button()->text(), "停止投影服务");
    EXPECT_EQ(s.form1()->statusText(), "投影服务已启动");
    EXPECT_EQ(s.form1()->hostAddress(), "10.1.2.3");
    EXPECT_EQ(s.form1()->ComboBoxLocalIP->itemText(0), "10.1.2.3");
    EXPECT_EQ(s.form1()->serviceUser(), "alice");  // trimmed at the start
    EXPECT_EQ(s.form1()->servicePassword(), "secret");
    EXPECT_EQ(s.form1()->ScanPortText, QString::number(s.port + 3));
    EXPECT_TRUE(tcpAccepts(s.port));
    EXPECT_TRUE(tcpAccepts(s.port + 1));
    EXPECT_FALSE(udpFree(s.port + 3));
    for (int fd = 3; fd < 1024; ++fd)  // a program the host starts inherits no socket (it would hold the port)
        if (struct stat st; ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode)) { EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC); }

    // Discovery datagrams reach the service.
    QByteArray got;
    QObject::connect(&s.form1()->listeners(), &host::ServiceListeners::datagramReceived,
                     [&](const QByteArray &b, const QHostAddress &, quint16) { got = b; });
    QUdpSocket probe;
    probe.writeDatagram(QByteArray("c_hi127.0.0.1|1\0", 16), QHostAddress::LocalHost, s.port + 3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !got.isEmpty(); }, 2000));

    s.form1()->setControllerText("127.0.0.5");
    s.click();
    EXPECT_EQ(s.button()->text(), "启动投影服务");
    EXPECT_EQ(s.form1()->statusText(), "投影服务已停止");
    EXPECT_TRUE(s.form1()->EditMain->text().isEmpty());
    EXPECT_FALSE(tcpAccepts(s.port));
    EXPECT_FALSE(tcpAccepts(s.port + 1));
    EXPECT_FALSE(udpFree(s.port + 3));  // discovery keeps answering
    EXPECT_EQ(s.form1()->ComboBoxLocalIP->count(), 1);  // not added twice
}

TEST(ServiceSwitch, BarInUserOrPasswordIsRefused) {
    Switch s;
    ASSERT_GT(s.port, 0);
    s.formSet()->EditSPass->setText("a|b");
    s.click();
    EXPECT_EQ(s.form1()->statusText(), "用户名和密码中不能|字符");
    EXPECT_EQ(s.button()->text(), "启动投影服务");
    EXPECT_FALSE(tcpAccepts(s.port));
    EXPECT_TRUE(udpFree(s.port + 3));
}

TEST(ServiceSwitch, FailedStartLeavesNothingOpen) {
    Switch s;
    ASSERT_GT(s.port, 0);
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::AnyIPv4, s.port + 1));
    s.click();
    EXPECT_EQ(s.form1()->statusText(), "启动服务失败!");
    EXPECT_EQ(s.button()->text(), "启动投影服务");
    EXPECT_FALSE(tcpAccepts(s.port));
    EXPECT_TRUE(udpFree(s.port + 3));
    squatter.close();

    for (const char *bad : {"abc", "0", "65533", "", "-5"}) {
        s.formSet()->EditControlPort->setText(bad);
        s.click();
        EXPECT_EQ(s.form1()->statusText(), "启动服务失败!") << bad;
        EXPECT_EQ(s.button()->text(), "启动投影服务") << bad;
    }
    s.formSet()->EditControlPort->setText(QString::number(s.port));
    s.click();
    EXPECT_EQ(s.form1()->statusText(), "投影服务已启动");
}

TEST(ServiceSwitch, NewPortMovesDiscovery) {
    Switch s;
    ASSERT_GT(s.port, 0);
    s.click();
    s.click();
    int q = 0;
    for (int i = 0; i < 50 && (q == 0 || q == s.port); ++i) q = freePortBlock();
    ASSERT_GT(q, 0);
    s.formSet()->EditControlPort->setText(QString::number(q));
    s.click();
    EXPECT_EQ(s.form1()->statusText(), "投影服务已启动");
    EXPECT_TRUE(udpFree(s.port + 3));
    EXPECT_FALSE(udpFree(q + 3));
    EXPECT_TRUE(tcpAccepts(q));
}

TEST(ServiceSwitch, TimerButtonTogglesItsCaption) {
    Switch s;
    auto *b = s.form1()->SpeedButtontimer;
    EXPECT_EQ(b->text(), "手动计时");
    s.form1()->clickTimerButton();
    EXPECT_EQ(b->text(), "中止");
    s.form1()->NTimerStart->trigger();
    EXPECT_EQ(b->text(), "手动计时");
}

TEST(HostUiSide, LogAndLiveSettings) {
    Switch s;
    EXPECT_EQ(s.form1()->logLineCount(), 0);
    s.form1()->appendLog("one");
    s.form1()->appendLog("two");
    EXPECT_EQ(s.form1()->logLineCount(), 2);
    s.form1()->clearLog();
    EXPECT_EQ(s.form1()->logLineCount(), 0);
    s.formSet()->CheckBoxAutoResp->setChecked(false);
    EXPECT_FALSE(s.form1()->autoRespChecked());
    EXPECT_TRUE(s.form1()->newTypeChecked());
}

}  // namespace

namespace {

QByteArray readUntil(QTcpSocket &c, const QByteArray &want) {
    QByteArray got;
    (void)QTest::qWaitFor(
        [&] {
            got += c.readAll();
            return got.contains(want);
        },
        3000);
    return got;
}

}  // namespace

// The main window serves the control protocol on the switched-on listeners:
// the login uses the user stored at the start, "c_timer" clicks the timer
// button, the controller shows in "主控人", and a stop frees the roles.
TEST(ServiceSwitch, MainWindowServesTheControlProtocol) {
    Switch s;
    ASSERT_GT(s.port, 0);
    s.fakes.windows->add("talk - PowerPoint");
    s.click();
    ASSERT_EQ(s.button()->text(), "停止投影服务");

    QTcpSocket c;
    c.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(s.port));
    ASSERT_TRUE(c.waitForConnected(2000));
    c.write("c_user alice | secret\r\n");
    EXPECT_EQ(readUntil(c, "s_ok\r\n"), "s_ok\r\n");
    EXPECT_TRUE(s.form1()->memo1->toPlainText().contains("127.0.0.1 登录成功。"));

    const QString before = s.form1()->SpeedButtontimer->text();
    c.write("c_timer\r\nVD34\r\nc_idle\r\n");
    EXPECT_EQ(readUntil(c, "s_idle\r\n"), "s_idle\r\n");
    EXPECT_NE(s.form1()->SpeedButtontimer->text(), before);
    EXPECT_EQ(s.form1()->EditMain->text(), "127.0.0.1");
    EXPECT_EQ(s.form1()->service().controllerAddress(), "127.0.0.1");

    s.click();  // stop
    EXPECT_EQ(s.form1()->EditMain->text(), "");
    EXPECT_EQ(s.form1()->service().controllerAddress(), "");
}
