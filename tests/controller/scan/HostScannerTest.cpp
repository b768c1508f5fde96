// Discovery scan: probes, pacing, stop rules, reply listing and the
// automatic connection. Every address used is on 127.0.0.; the logic tests
// send nothing at all, the socket test only to 127.0.0.x.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QThread>
#include <QUdpSocket>

#include "controller/HostScanner.h"
#include "tests/support/ManualTimers.h"
#include "platform/QtServices.h"

using pad::HostScanner;

namespace {

class FakeTransport : public pad::ScanTransport {
public:
    struct Sent {
        QByteArray bytes;
        QString address;
        quint16 port;
        std::uint64_t at;
    };
    explicit FakeTransport(pad::ManualTimeline *tl) : tl_(tl) {}
    bool bind(quint16 port) override {
        binds.push_back(port);
        return bindOk;
    }
    void send(const QByteArray &d, const QString &a, quint16 p) override {
        EXPECT_TRUE(a.startsWith(QStringLiteral("127.0.0."))) << a.toStdString();
        sent.push_back({d, a, p, tl_->now});
    }
    std::vector<quint16> binds;
    std::vector<Sent> sent;
    bool bindOk = true;

private:
    pad::ManualTimeline *tl_;
};

struct Rig {
    pad::ManualTimeline tl;
    FakeTransport transport{&tl};
    QString local = QStringLiteral("127.0.0.1");
    QStringList memo;
    QString port = QStringLiteral("8220");
    bool autoConnect = false;
    bool connected = false;
    QStringList status, captions, log, datagrams, connectAddr, connectReq;
    QList<QPair<int, QString>> rows;
    std::unique_ptr<HostScanner> scanner;

    Rig() {
        HostScanner::Hooks h;
        h.localAddress = [this] { return local; };
        h.prefixList = [this] { return memo; };
        h.appendPrefix = [this](const QString &p) { memo.append(p); };
        h.controlPortText = [this] { return port; };
        h.autoConnectEnabled = [this] { return autoConnect; };
        h.isConnected = [this] { return connected; };
        scanner = std::make_unique<HostScanner>(&transport, h, tl.factory());
        auto *s = scanner.get();
        QObject::connect(s, &HostScanner::statusText, [this](const QString &t) { status << t; });
        QObject::connect(s, &HostScanner::captionChanged, [this](const QString &t) { captions << t; });
        QObject::connect(s, &HostScanner::logLine, [this](const QString &t) { log << t; });
        QObject::connect(s, &HostScanner::datagramLogged, [this](const QString &t) { datagrams << t; });
        QObject::connect(s, &HostScanner::hostListed,
                         [this](int r, const QString &a) { rows.append({r, a}); });
        QObject::connect(s, &HostScanner::hostsCleared, [this] { rows.clear(); });
        QObject::connect(s, &HostScanner::autoConnectAddress, [this](const QString &a) { connectAddr << a; });
        QObject::connect(s, &HostScanner::autoConnectRequested, [this](const QString &a) { connectReq << a; });
    }
    int probes() const { return int(transport.sent.size()); }
    void reply(const QByteArray &text) { scanner->handleDatagram(text + QByteArray(1, '\0')); }
};

}  // namespace

TEST(HostScannerProbe, FixedSizeWithNulAndLongTextKeptWhole) {
    QByteArray p = HostScanner::probeDatagram(QStringLiteral("127.0.0.1"), 8222);
    ASSERT_EQ(p.size(), 25);
    EXPECT_EQ(p.left(19), QByteArray("c_hi127.0.0.1|8222\0", 19));
    EXPECT_EQ(p.mid(18), QByteArray(7, '\0'));

    // 4 + 15 + 1 + 5 = 25 characters: no room for the NUL in 25 bytes.
    QByteArray l = HostScanner::probeDatagram(QStringLiteral("127.100.100.100"), 65534);
    ASSERT_EQ(l.size(), 26);
    EXPECT_EQ(l, QByteArray("c_hi127.100.100.100|65534") + QByteArray(1, '\0'));

    EXPECT_EQ(HostScanner::localPrefix(QStringLiteral("127.0.0.1")), QStringLiteral("127.0.0."));
    EXPECT_EQ(HostScanner::localPrefix(QStringLiteral("nodots")), QString());
}

TEST(HostScannerRun, ProbesEveryHostOfTheLocalPrefixPacedByTimers) {
    Rig r;
    EXPECT_TRUE(r.scanner->start());
    EXPECT_EQ(r.memo, QStringList{QStringLiteral("127.0.0.")});  // local prefix appended
    ASSERT_EQ(r.transport.binds, std::vector<quint16>{8222});
    EXPECT_EQ(r.scanner->caption(), QStringLiteral("停止"));
    EXPECT_EQ(r.probes(), 1);  // the first probe goes at once, the rest on timers
    r.tl.runAll();
    ASSERT_EQ(r.probes(), 255);
    for (int i = 0; i < 255; ++i) {
        const auto &s = r.transport.sent[i];
        EXPECT_EQ(s.address, QStringLiteral("127.0.0.%1").arg(i + 1));
        EXPECT_EQ(s.port, 8223);
        EXPECT_EQ(s.at, std::uint64_t(i) * 5);
        EXPECT_EQ(s.bytes, HostScanner::probeDatagram(QStringLiteral("127.0.0.1"), 8222));
    }
    EXPECT_EQ(r.tl.now, 254u * 5 + 5 + 100);
    EXPECT_FALSE(r.scanner->running());
    EXPECT_EQ(r.captions, (QStringList{QStringLiteral("停止"), QStringLiteral("扫描")}));
    EXPECT_EQ(r.status, (QStringList{QStringLiteral("扫描投影服务器..."), QStringLiteral("扫描 127.0.0. 网段..."),
                                     QStringLiteral("扫描结束")}));
}

TEST(HostScannerRun, LeadingZerosAreDecimal) {
    Rig r;
    r.memo = QStringList{QStringLiteral("127.000.000.")};  // the local prefix already
    ASSERT_TRUE(r.scanner->start());
    r.tl.runAll();
    EXPECT_EQ(r.memo.size(), 1);
    EXPECT_EQ(r.transport.sent.at(9).address, QStringLiteral("127.0.0.10"));  // not octal 8
    r.reply("s_hi127.0.0.010|8223");
    EXPECT_EQ(r.scanner->hosts(), QStringList{QStringLiteral("127.0.0.10")});
}

TEST(HostScannerRun, RefusesToStartWithoutAddressOrWithABadPort) {
    Rig r;
    r.local = QStringLiteral("  ");
    EXPECT_FALSE(r.scanner->start());
    EXPECT_EQ(r.status, QStringList{QStringLiteral("未检测到本机IP")});

    for (const char *bad : {"abc", "0", "65533", "", "-1", "99999999999"}) {
        Rig b;
        b.port = QString::fromLatin1(bad);
        EXPECT_FALSE(b.scanner->start()) << bad;
        EXPECT_EQ(b.status.last(), QStringLiteral("扫描终止")) << bad;
        EXPECT_TRUE(b.transport.binds.empty()) << bad;
        EXPECT_FALSE(b.scanner->running());
        EXPECT_EQ(b.scanner->caption(), QStringLiteral("扫描"));
    }
    Rig top;
    top.port = QStringLiteral("65532");
    EXPECT_TRUE(top.scanner->start());
    EXPECT_EQ(top.transport.binds, std::vector<quint16>{65534});
    EXPECT_EQ(top.transport.sent.front().port, 65535);

    Rig busy;
    busy.transport.bindOk = false;
    EXPECT_FALSE(busy.scanner->start());
    EXPECT_EQ(busy.status.last(), QStringLiteral("扫描终止"));
    EXPECT_EQ(busy.probes(), 0);
}

TEST(HostScannerRun, PortIsTakenOncePerScan) {
    Rig r;
    r.scanner->start();
    r.tl.advance(50);
    r.port = QStringLiteral("9000");  // edited mid-scan
    r.tl.runAll();
    for (const auto &s : r.transport.sent) EXPECT_EQ(s.port, 8223);
    for (const auto &s : r.transport.sent)
        EXPECT_EQ(s.bytes, HostScanner::probeDatagram(QStringLiteral("127.0.0.1"), 8222));
}

TEST(HostScannerRun, BadPrefixesAreLoggedAndSkipped) {
    Rig r;
    r.memo = {QStringLiteral("127.0.0"), QString(), QStringLiteral("127.0.0.")};
    r.scanner->start();
    r.tl.runAll();
    EXPECT_EQ(r.log, (QStringList{QStringLiteral("错误的IP地址：127.0.01"), QStringLiteral("错误的IP地址：1")}));
    EXPECT_EQ(r.probes(), 255);
    EXPECT_EQ(r.memo.size(), 3);  // the local prefix was there already
}

TEST(HostScannerRun, StopEndsTheWholeScanAndNoScanStartsInsideOne) {
    Rig r;
    r.memo = {QStringLiteral("127.0.0."), QStringLiteral("127.0.0."), QStringLiteral("127.0.0.")};
    r.scanner->start();
    r.tl.advance(255 * 5 + 100 + 10 * 5);  // into the second prefix
    int before = r.probes();
    EXPECT_GT(before, 255);
    EXPECT_FALSE(r.scanner->start());  // a start inside the scan changes nothing
    EXPECT_EQ(r.transport.binds.size(), 1u);
    r.scanner->click();  // caption "停止": stop
    EXPECT_FALSE(r.scanner->running());
    EXPECT_EQ(r.scanner->caption(), QStringLiteral("扫描"));
    EXPECT_EQ(r.status.last(), QStringLiteral("扫描结束"));
    r.tl.runAll();
    EXPECT_EQ(r.probes(), before);  // the third prefix is not scanned either
    EXPECT_EQ(r.tl.pending(), 0);
}

TEST(HostScannerRun, EndingThePrefixGoesOnWithTheNext) {
    Rig r;
    r.memo = {QStringLiteral("127.0.0."), QStringLiteral("127.0.0.")};
    r.scanner->start();
    r.tl.advance(20);
    r.scanner->endCurrentPrefix();  // a connection attempt started
    r.tl.runAll();
    EXPECT_EQ(r.probes(), 5 + 255);
    EXPECT_EQ(r.status.last(), QStringLiteral("扫描结束"));
}

TEST(HostScannerReply, ListsValidRepliesOnce) {
    Rig r;
    r.scanner->start();
    r.reply("s_hi  127.0.0.5  | 8223 ");
    r.reply("s_hi127.0.0.5|8223");
    r.reply("s_hi127.0.0.300|8223");   // not an address
    r.reply("s_hi127.0.0.7");          // no separator
    r.reply("S_HI127.0.0.8|8223");     // wrong word
    r.reply("s_hi|8223");
    r.scanner->handleDatagram("s_hi127.0.0.9|1" + QByteArray(300, 'x'));  // long, no NUL
    QByteArray tail = QByteArray("s_hi127.0.0.6|8223") + QByteArray(1, '\0') + "s_hi127.0.0.4|1";
    r.scanner->handleDatagram(tail);
    ASSERT_EQ(r.rows.size(), 3);
    EXPECT_EQ(r.rows[0], qMakePair(1, QStringLiteral("127.0.0.5")));
    EXPECT_EQ(r.rows[1], qMakePair(2, QStringLiteral("127.0.0.9")));
    EXPECT_EQ(r.rows[2], qMakePair(3, QStringLiteral("127.0.0.6")));
    EXPECT_EQ(r.datagrams.size(), 8);
    EXPECT_EQ(r.datagrams[0], QStringLiteral("收到：s_hi  127.0.0.5  | 8223 "));
    EXPECT_EQ(r.datagrams[6].size(), 3 + 255);  // only the first 255 bytes are read

    // A new scan empties the list.
    r.scanner->stop();
    r.scanner->start();
    EXPECT_TRUE(r.rows.isEmpty());
    EXPECT_TRUE(r.scanner->hosts().isEmpty());
}

TEST(HostScannerReply, TheListIsBounded) {
    Rig r;
    r.scanner->start();
    for (int i = 1; i <= HostScanner::kMaxHosts + 5; ++i)
        r.reply("s_hi127.0." + QByteArray::number(i / 256) + "." + QByteArray::number(i % 256) + "|1");
    EXPECT_EQ(r.rows.size(), HostScanner::kMaxHosts);
    EXPECT_EQ(r.scanner->hosts().size(), HostScanner::kMaxHosts);
}

TEST(HostScannerReply, AutoConnectsTheFirstNewHostOnlyWhileNotConnected) {
    Rig r;
    r.autoConnect = true;
    r.scanner->start();
    r.reply("s_hi127.0.0.5|8223");
    EXPECT_EQ(r.connectAddr, QStringList{QStringLiteral("127.0.0.5")});
    EXPECT_EQ(r.status.last(), QStringLiteral("扫描后自动连接"));
    EXPECT_TRUE(r.connectReq.isEmpty());
    r.tl.advance(99);
    EXPECT_TRUE(r.connectReq.isEmpty());
    r.tl.advance(1);
    EXPECT_EQ(r.connectReq, QStringList{QStringLiteral("127.0.0.5")});
    r.reply("s_hi127.0.0.6|8223");  // listed only
    r.tl.advance(200);
    EXPECT_EQ(r.connectReq.size(), 1);
    EXPECT_EQ(r.rows.size(), 2);

    // Connected: a reply never cuts the session, and the arming stays.
    Rig c;
    c.autoConnect = true;
    c.connected = true;
    c.scanner->start();
    c.reply("s_hi127.0.0.5|8223");
    c.tl.advance(300);
    EXPECT_TRUE(c.connectAddr.isEmpty());
    EXPECT_TRUE(c.connectReq.isEmpty());
    EXPECT_TRUE(c.scanner->autoConnectArmed());
    c.connected = false;
    c.reply("s_hi127.0.0.6|8223");
    c.tl.advance(100);
    EXPECT_EQ(c.connectReq, QStringList{QStringLiteral("127.0.0.6")});

    // Connected within the 100 ms: the request is dropped.
    Rig d;
    d.autoConnect = true;
    d.scanner->start();
    d.reply("s_hi127.0.0.5|8223");
    d.connected = true;
    d.tl.advance(100);
    EXPECT_TRUE(d.connectReq.isEmpty());

    // Box unticked: listed, nothing else.
    Rig u;
    u.scanner->start();
    u.reply("s_hi127.0.0.5|8223");
    u.tl.advance(200);
    EXPECT_TRUE(u.connectAddr.isEmpty());
    EXPECT_TRUE(u.connectReq.isEmpty());
}

// Real UDP on loopback: two responders (127.0.0.1 and 127.0.0.2) answer to the
// address and port named in the probe.
namespace {
quint16 freeScanBase() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        QUdpSocket a;
        if (!a.bind(QHostAddress::AnyIPv4, 0)) continue;
        quint16 p = a.localPort();
        if (p < 3 || p > 65533) continue;
        quint16 base = quint16(p - 2);
        QUdpSocket b;
        if (!b.bind(QHostAddress::AnyIPv4, quint16(base + 3))) continue;
        return base;
    }
    return 0;
}
}  // namespace

TEST(HostScannerSockets, FindsLoopbackResponders) {
    quint16 base = freeScanBase();
    ASSERT_NE(base, 0);
    std::vector<std::unique_ptr<QUdpSocket>> responders;
    QStringList probesSeen;
    for (const char *addr : {"127.0.0.1", "127.0.0.2"}) {
        auto s = std::make_unique<QUdpSocket>();
        ASSERT_TRUE(s->bind(QHostAddress(QString::fromLatin1(addr)), quint16(base + 3)));
        QUdpSocket *raw = s.get();
        QString me = QString::fromLatin1(addr);
        QObject::connect(raw, &QUdpSocket::readyRead, [raw, me, base, &probesSeen] {
            while (raw->hasPendingDatagrams()) {
                QNetworkDatagram d = raw->receiveDatagram();
                QByteArray text = d.data().left(d.data().indexOf('\0'));
                probesSeen << QString::fromLatin1(text);
                EXPECT_EQ(d.data().size(), 25);
                QByteArray rest = text.mid(4);
                QByteArray to = rest.left(rest.indexOf('|'));
                quint16 port = rest.mid(rest.indexOf('|') + 1).toUShort();
                ASSERT_TRUE(to.startsWith("127.0.0."));
                raw->writeDatagram("s_hi" + me.toLatin1() + "|" + QByteArray::number(base + 3) + '\0',
                                   QHostAddress(QString::fromLatin1(to)), port);
            }
        });
        responders.push_back(std::move(s));
    }

    pad::UdpScanTransport transport;
    HostScanner::Hooks h;
    h.localAddress = [] { return QStringLiteral("127.0.0.1"); };
    h.prefixList = [] { return QStringList{QStringLiteral("127.0.0.")}; };
    h.controlPortText = [base] { return QString::number(base); };
    h.autoConnectEnabled = [] { return true; };
    h.isConnected = [] { return false; };
    HostScanner scanner(&transport, h, pad::qtOneShotFactory());
    QSignalSpy done(&scanner, &HostScanner::finished);
    QSignalSpy req(&scanner, &HostScanner::autoConnectRequested);
    ASSERT_TRUE(scanner.start());
    EXPECT_EQ(transport.boundPort(), base + 2);
    QElapsedTimer t;
    t.start();
    while (done.isEmpty() && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(done.size(), 1);
    QStringList hosts = scanner.hosts();
    hosts.sort();
    EXPECT_EQ(hosts, (QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2")}));
    ASSERT_EQ(req.size(), 1);
    EXPECT_EQ(probesSeen.size(), 2);
    EXPECT_EQ(probesSeen.value(0), QStringLiteral("c_hi127.0.0.1|%1").arg(base + 2));
    // The endpoint stays bound: a late reply is still listed.
    QUdpSocket late;
    late.writeDatagram(QByteArray("s_hi127.0.0.3|1") + '\0', QHostAddress::LocalHost, quint16(base + 2));
    t.restart();
    while (scanner.hosts().size() < 3 && t.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(scanner.hosts().contains(QStringLiteral("127.0.0.3")));
    // A burst is taken a few datagrams per wake-up, then the rest.
    QSignalSpy got(&transport, &pad::ScanTransport::datagramReceived);
    for (int i = 0; i < 100; ++i) late.writeDatagram("x", QHostAddress::LocalHost, quint16(base + 2));
    QThread::msleep(50);
    QCoreApplication::processEvents();
    EXPECT_LE(got.size(), 2 * pad::UdpScanTransport::kDatagramsPerTurn);
    t.restart();
    while (got.size() < 100 && t.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(got.size(), 100);
}

TEST(ForcedLocalAddress, EnvironmentPinsTheAddressBothProgramsReport) {
    qputenv("KV_LOCAL_IPV4", " 127.0.0.1 ");
    EXPECT_EQ(platform::InterfaceAddress().localIPv4(), QStringLiteral("127.0.0.1"));
    qputenv("KV_LOCAL_IPV4", "127.0.0.300");  // not an address: ignored
    EXPECT_NE(platform::InterfaceAddress().localIPv4(), QStringLiteral("127.0.0.300"));
    qunsetenv("KV_LOCAL_IPV4");
}
