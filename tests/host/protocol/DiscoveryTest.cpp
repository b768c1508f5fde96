// Discovery probes and replies.
#include <QNetworkDatagram>
#include <QUdpSocket>

#include "ProtocolFixture.h"
#include "host/protocol/DiscoveryReply.h"

using namespace hosttest;
using namespace host;

TEST(DiscoveryProbe, ParsesOnlyWellFormedProbes) {
    auto p = parseProbe(QByteArray("c_hi 127.0.0.5 | 8222 \0junk", 26));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->address, "127.0.0.5");
    EXPECT_EQ(p->portText, "8222");
    EXPECT_FALSE(parseProbe("C_HI127.0.0.5|8222"));
    EXPECT_FALSE(parseProbe("c_hi127.0.0.5 8222"));
    EXPECT_FALSE(parseProbe("c_hi192.168.1.256|8222"));
    EXPECT_FALSE(parseProbe("c_hi192.168.1.300|8222"));
    EXPECT_FALSE(parseProbe(QByteArray(300, 'x')));
    // Only the first 255 bytes count: a separator beyond them is not seen.
    EXPECT_FALSE(parseProbe("c_hi127.0.0.5" + QByteArray(260, ' ') + "|8222"));
    auto letters = parseProbe("c_hi127.0.0.5|abc");
    ASSERT_TRUE(letters);
    EXPECT_FALSE(replyPort(letters->portText));
    EXPECT_FALSE(replyPort("0"));
    EXPECT_FALSE(replyPort("65536"));
    EXPECT_EQ(replyPort("65535"), quint16(65535));
}

TEST(DiscoveryProbe, RepliesGoOnlyToUnicastAddresses) {
    auto target = [](const char *t) { return isUnicastTarget(*ipv4FromText(t)); };
    EXPECT_TRUE(target("127.0.0.5"));
    EXPECT_TRUE(target("192.168.1.2"));
    EXPECT_FALSE(target("0.0.0.0"));
    EXPECT_FALSE(target("255.255.255.255"));
    EXPECT_FALSE(target("224.0.0.1"));
    EXPECT_FALSE(target("239.255.255.250"));
    EXPECT_FALSE(target("240.0.0.1"));
    EXPECT_FALSE(target("127.255.255.255"));  // the loopback subnet's broadcast
    EXPECT_EQ(ipv4FromText("010.000.000.001")->toString(), "10.0.0.1");
    EXPECT_EQ(buildReply("192.168.1.9", "8223"), QByteArray("s_hi192.168.1.9|8223\0", 21));
}

namespace {
class Discovery : public HostFixture {
protected:
    void SetUp() override {
        HostFixture::SetUp();
        ASSERT_TRUE(receiver.bind(QHostAddress("127.0.0.5"), 0));
    }
    void probe(const QByteArray &text) {
        QUdpSocket out;
        QByteArray d = text;
        if (d.size() < 25) d.append(QByteArray(25 - d.size(), '\0'));
        out.writeDatagram(d, QHostAddress::LocalHost, static_cast<quint16>(port + 3));
    }
    QByteArray probeText() const {
        return "c_hi 127.0.0.5 |" + QByteArray::number(receiver.localPort()) + " ";
    }
    QUdpSocket receiver;
};
}  // namespace

TEST_F(Discovery, ProbeIsAnsweredAtTheNamedAddressAndPort) {
    probe(probeText());
    ASSERT_TRUE(spinUntil([&] { return receiver.hasPendingDatagrams(); }));
    const QByteArray expected = "s_hi127.0.0.1|" + QByteArray::number(port + 3) + '\0';
    EXPECT_EQ(receiver.receiveDatagram().data(), expected);
    EXPECT_TRUE(ui.hasLog("127.0.0.5 扫描。9:05:07"));

    // An empty host address is read again from the local address.
    ui.host = "  ";
    fakes.address->address = "127.0.0.9";
    probe(probeText());
    ASSERT_TRUE(spinUntil([&] { return receiver.hasPendingDatagrams(); }));
    EXPECT_TRUE(receiver.receiveDatagram().data().startsWith("s_hi127.0.0.9|"));

    // Still answered after the service stops.
    listeners->stop();
    probe(probeText());
    EXPECT_TRUE(spinUntil([&] { return receiver.hasPendingDatagrams(); }));
}

TEST_F(Discovery, BadPortIsLoggedButNotAnsweredAndTheLogStaysBounded) {
    probe("c_hi127.0.0.5|abc");
    ASSERT_TRUE(spinUntil([&] { return ui.hasLog("127.0.0.5 扫描。"); }));
    probe("c_hi127.0.0.5|0");
    probe("c_hi127.0.0.5x|" + QByteArray::number(receiver.localPort()));
    for (int i = 0; i < 1100; ++i) ui.log << "flood";
    probe(probeText());
    ASSERT_TRUE(spinUntil([&] { return receiver.hasPendingDatagrams(); }));
    const QByteArray got = receiver.receiveDatagram().data();
    EXPECT_TRUE(got.startsWith("s_hi"));
    // Only the good probe was answered.
    EXPECT_FALSE(spinUntil([&] { return receiver.hasPendingDatagrams(); }, 100));
    EXPECT_LE(ui.log.size(), 1001);
}
