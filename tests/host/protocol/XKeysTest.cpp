// The whole road on a real X display: a scripted controller on 127.0.0.1 finds
// the host, logs in, lists, uploads 10 MiB, opens the presentation whose window
// (the key-recording helper, titled like PowerPoint's) is there, pages it with
// real keys, shows, hands control over and closes.
#include <QFile>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QUdpSocket>

#include "ProtocolFixture.h"
#include "tests/support/RealX11.h"
#include "tests/support/XvfbSession.h"

using namespace hosttest;
using kvtest::KeyRecorder;
using kvtest::XvfbSession;
using Keys = std::vector<std::string>;

namespace {

QByteArray bigFile() {
    QByteArray b(10 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator gen(7);
    for (qsizetype i = 0; i < b.size(); i += 4) {
        const quint32 v = gen.generate();
        memcpy(b.data() + i, &v, 4);
    }
    return b;
}

void runRoad(const QString &folder, int port, host::HostService &service, RecordingUi &ui,
             KeyRecorder &ppt, KeyRecorder &other) {
    // Discovery.
    QUdpSocket mine;
    ASSERT_TRUE(mine.bind(QHostAddress::LocalHost, 0));
    QUdpSocket out;
    QByteArray probe = "c_hi127.0.0.1|" + QByteArray::number(mine.localPort());
    probe.append(QByteArray(25 - probe.size(), '\0'));
    out.writeDatagram(probe, QHostAddress::LocalHost, static_cast<quint16>(port + 3));
    ASSERT_TRUE(spinUntil([&] { return mine.hasPendingDatagrams(); }));
    EXPECT_EQ(mine.receiveDatagram().data(), "s_hi127.0.0.1|" + QByteArray::number(port + 3) + '\0');

    // Login and list.
    Client c(port, "127.0.0.1");
    ASSERT_TRUE(c.login());
    c.send("c_list\r\n");
    EXPECT_EQ(c.sync(), "s_listintro.ppt\r\n");
    c.send("c_nextlist\r\n");
    EXPECT_EQ(c.sync(), "s_busylist");

    // Upload, paced by "s_next" in 1024-byte chunks as the controller sends them.
    const QByteArray big = bigFile();
    c.send("c_up\r\nc_filenametalk.pptx\r\nc_len" + QByteArray::number(big.size()) + "\r\n");
    EXPECT_EQ(c.sync(), "s_name\r\ns_len\r\ns_file\r\n");
    QTcpSocket data;
    QByteArray nexts;
    QObject::connect(&data, &QTcpSocket::readyRead, [&] { nexts += data.readAll(); });
    data.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port + 1));
    ASSERT_TRUE(data.waitForConnected(5000));
    for (qsizetype off = 0, n = 1; off < big.size(); off += 1024, ++n) {
        data.write(big.constData() + off, 1024);
        ASSERT_TRUE(spinUntil([&] { return nexts.size() >= 8 * n; })) << off;
    }
    c.send("c_over\r\nc_list\r\n");
    EXPECT_EQ(c.sync(), "s_listintro.ppt\r\n");
    QFile f(folder + "/talk.pptx");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll() == big) << "uploaded file differs";

    // Open: the window is there. Page it with real keys.
    c.send("c_opentalk.pptx\r\n");
    EXPECT_EQ(c.sync(), "s_succ_open\r\n");
    c.send("VD34\r\nVD33\r\n");
    c.sync();
    EXPECT_EQ(ppt.waitForKeys(4), (Keys{"press Next", "release Next", "press Prior", "release Prior"}));
    EXPECT_TRUE(other.settle(100).empty()) << "a key went to the other window";

    // Show: Esc, then F5.
    c.send("c_show\r\n");
    c.sync();
    EXPECT_EQ(ppt.waitForKeys(8),
              (Keys{"press Next", "release Next", "press Prior", "release Prior", "press Escape",
                    "release Escape", "press F5", "release F5"}));

    // Hand control over to 127.0.0.2, which pages and closes.
    Client b(port, "127.0.0.2");
    ASSERT_TRUE(b.login());
    b.send("c_ask\r\n");
    ASSERT_TRUE(c.waitForTail("s_ask127.0.0.2\r\n"));
    c.take();
    c.send("c_agree\r\n");
    c.sync();
    EXPECT_EQ(b.sync(), "s_agree\r\n");
    EXPECT_EQ(service.controllerAddress(), "127.0.0.2");
    c.send("VD34\r\n");
    EXPECT_EQ(c.sync(), "s_other\r\n");
    b.send("VD35\r\nc_close\r\n");
    b.sync();
    const Keys tail = {"press End",   "release End", "press Escape", "release Escape",
                       "press Alt_L", "press F4",    "release F4",   "release Alt_L"};
    const Keys all = ppt.waitForKeys(16);
    ASSERT_EQ(all.size(), 16u);
    EXPECT_EQ(Keys(all.begin() + 8, all.end()), tail);
    EXPECT_EQ(service.controllerAddress(), "");
    EXPECT_EQ(service.currentFile(), "");
    EXPECT_TRUE(other.settle(100).empty());
    EXPECT_TRUE(ui.hasLog("127.0.0.1 放映幻灯片。"));
}

}  // namespace

TEST(HostProtocolX11, ScriptedControllerDrivesTheHelperWindowWithRealKeys) {
    KV_REQUIRE_XVFB();
    XvfbSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    {
        platform::FakeServices fakes;
        platform::Services services = kvtest::withRealX11(fakes);
        ASSERT_TRUE(services.windows && services.keyboard);

        KeyRecorder ppt("talk - PowerPoint");
        KeyRecorder other("其他窗口");  // mapped later: on top
        ASSERT_TRUE(ppt.ok() && other.ok());

        QTemporaryDir dir;
        RecordingUi ui;
        ui.folder = dir.path();
        QFile(dir.filePath("intro.ppt")).open(QIODevice::WriteOnly);
        host::ServiceListeners listeners;
        host::HostService service(listeners, services, ui);
        const int port = startOnFreeBlock(listeners);
        ASSERT_NE(port, 0);
        runRoad(dir.path(), port, service, ui, ppt, other);
        listeners.stop();
    }
}
