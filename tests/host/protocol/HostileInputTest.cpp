// Garbage on every port of the host: nothing crashes, nothing is written
// outside the shared folder, and the service still answers afterwards.
#include <QDir>
#include <QUdpSocket>

#include <random>

#include "ProtocolFixture.h"

using namespace hosttest;

namespace {

QByteArray noise(std::mt19937 &rng, int maxLen) {
    static const QByteArray words[] = {"c_user", "c_open", "c_list", "c_nextlist", "c_up",
                                       "c_filename", "c_len", "c_over", "c_ask", "c_agree",
                                       "c_reject", "VD", "c_close", "c_show", "c_timer", "|",
                                       "\r\n", "../", "\xff\xfe", "\x00", "99999999999999999999"};
    QByteArray b;
    const int len = static_cast<int>(rng() % maxLen);
    while (b.size() < len) {
        if (rng() % 3 == 0)
            b += words[rng() % std::size(words)];
        else
            b += static_cast<char>(rng() % 256);
    }
    return b;
}

}  // namespace

TEST_F(HostFixture, HostileBytesOnEveryPortLeaveTheServiceAnswering) {
    std::mt19937 rng(20261208);
    // The shared folder one level down, so anything written beside it shows.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("shared")));
    ui.folder = dir.filePath(QStringLiteral("shared"));
    auto stranger = client(QStringLiteral("127.0.0.5"));
    auto member = loggedIn(QStringLiteral("127.0.0.6"));
    ASSERT_TRUE(stranger->connected() && member && member->connected());

    QUdpSocket udp;
    ASSERT_TRUE(udp.bind(QHostAddress(QStringLiteral("127.0.0.7")), 0));
    QTcpSocket data;
    data.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port + 1));

    for (int round = 0; round < 200; ++round) {
        stranger->send(noise(rng, 300));
        member->send(noise(rng, 300));
        udp.writeDatagram(noise(rng, 600), QHostAddress::LocalHost, static_cast<quint16>(port + 3));
        if (data.state() == QAbstractSocket::ConnectedState) data.write(noise(rng, 2000));
        if (round % 20 == 0) spinUntil([] { return false; }, 10);
    }
    // One oversized line without an end, then a clean command.
    member->send(QByteArray(200 * 1024, 'x'));
    member->send("\r\n");
    spinUntil([] { return false; }, 50);

    EXPECT_GT(ui.log.size() + ui.clears, 3);  // the noise was read and judged
    auto fresh = loggedIn(QStringLiteral("127.0.0.8"));
    ASSERT_TRUE(fresh && fresh->connected());
    fresh->send("c_idle\r\n");
    EXPECT_TRUE(fresh->waitForTail("s_idle\r\n"));
    // Nothing was written beside the shared folder through a hostile name.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList(QStringLiteral("shared")));
    for (const QString &opened : fakes.shell->opened)
        EXPECT_TRUE(opened.startsWith(ui.folder + QStringLiteral("/"))) << opened.toStdString();
}
