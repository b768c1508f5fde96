// Hostile peers on real loopback sockets: floods of lines and probes, peers
// that never read, idle connections, a close racing its last line.
#include <arpa/inet.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QUdpSocket>

#include <atomic>
#include <ctime>
#include <thread>

#include "ProtocolFixture.h"

using namespace hosttest;

namespace {

// A socket from `from` to 127.0.0.1:port with small buffers; a send gives up after 100 ms.
int rawSocket(const std::string &from, int port, int type = SOCK_STREAM) {
    const int fd = socket(AF_INET, type, 0), small = 4096;
    const timeval wait{0, 100000};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    for (int option : {SO_SNDBUF, SO_RCVBUF}) setsockopt(fd, SOL_SOCKET, option, &small, sizeof small);
    sockaddr_in a{AF_INET, 0, {}, {}};
    inet_pton(AF_INET, from.c_str(), &a.sin_addr);
    bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    a = {AF_INET, htons(static_cast<quint16>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    return fd;
}

// Sends `bytes` up to 500 times within 1.5 s, on a thread of its own.
std::thread flood(int fd, const QByteArray &bytes) {
    return std::thread([=] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        for (int i = 0; i < 500 && std::chrono::steady_clock::now() < end; ++i)
            ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    });
}

}  // namespace

TEST_F(HostFixture, FloodsAreHeldBackDeafPeersCutAndOthersStillAnsweredAtOnce) {
    fakes.clock->onPump = [] { QCoreApplication::processEvents(); };  // as the running program does
    qputenv("KV_LOCAL_IPV4", "127.0.0.1");  // the host's own network: 127.0.0.0/24
    auto quiet = loggedIn("127.0.0.3");
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    const long peakBefore = use.ru_maxrss;  // KiB
    const int lines = rawSocket("127.0.0.2", port), deaf = rawSocket("127.0.0.4", port);
    const int probes = rawSocket("127.0.0.9", port + 3, SOCK_DGRAM);
    for (int fd : {lines, deaf}) ASSERT_EQ(::send(fd, "c_usertuvop|tuvop\r\n", 19, 0), 19);
    QUdpSocket replies, far;
    ASSERT_TRUE(replies.bind(QHostAddress("127.0.0.9"), 0) && far.bind(QHostAddress("127.0.1.5"), 0));
    const QByteArray toFar = "c_hi127.0.1.5|" + QByteArray::number(far.localPort());
    ::send(probes, toFar.data(), toFar.size(), 0);  // off the host's network and not the sender
    std::thread floods[] = {flood(lines, QByteArray("c_nothing\r\n").repeated(6000)),
                            flood(deaf, QByteArray("c_idle\r\n").repeated(8000)),
                            flood(probes, "c_hi127.0.0.9|" + QByteArray::number(replies.localPort()))};
    qint64 worst = 0;
    QElapsedTimer all, one;
    for (all.start(); all.elapsed() < 1500; worst = std::max(worst, one.elapsed())) {
        one.start();
        quiet->sync();
    }
    for (std::thread &t : floods) t.join();
    qunsetenv("KV_LOCAL_IPV4");
    EXPECT_LT(worst, 500);  // a starved client waits seconds; the figures are fairness_bench's
    getrusage(RUSAGE_SELF, &use);
    EXPECT_LT(use.ru_maxrss - peakBefore, 32 * 1024);
    EXPECT_TRUE(ui.hasLog("127.0.0.4 不读取回复，已断开。"));
    EXPECT_LE(ui.log.filter(QStringLiteral(" 扫描。")).size(), 2);
    int answered = 0;
    while (replies.hasPendingDatagrams() && replies.readDatagram(nullptr, 0) >= 0) ++answered;
    EXPECT_TRUE(answered > 0 && answered <= 20) << answered;
    EXPECT_FALSE(far.hasPendingDatagrams());
    for (int fd : {lines, deaf, probes}) close(fd);
}

TEST_F(HostFixture, IdleConnectionsAndAFailingAcceptNeitherLockOutNorSpin) {
    rlimit r{};
    getrlimit(RLIMIT_NOFILE, &r);
    if (r.rlim_max < 2600) GTEST_SKIP() << "needs 2600 open files";
    r.rlim_cur = 2600;  // room for 2,000 idle connections, not for the host's side of them too
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &r), 0);
    std::vector<int> idle;
    for (int i = 0; i < 2000; ++i) {
        idle.push_back(rawSocket("127.0.1." + std::to_string(1 + i % 100), port, SOCK_STREAM | SOCK_NONBLOCK));
        if (i % 50 == 49) spinUntil([] { return false; }, 5);
    }
    EXPECT_TRUE(loggedIn("127.0.0.2")->connected());
    // Accepting with no descriptor left pauses instead of spinning, and goes on later.
    Client late(port, "127.0.0.5");
    r.rlim_cur = static_cast<rlim_t>(dup(0));  // the lowest free descriptor
    close(static_cast<int>(r.rlim_cur));
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &r), 0);
    const std::clock_t cpu = std::clock();
    QEventLoop wait;  // sleeps while nothing happens
    QTimer::singleShot(500, &wait, &QEventLoop::quit);
    wait.exec();
    EXPECT_LT(std::clock() - cpu, CLOCKS_PER_SEC / 5);
    r.rlim_cur = 2600;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &r), 0);
    EXPECT_TRUE(late.login());
    for (int fd : idle) close(fd);
}

TEST_F(HostFixture, LinesBeforeACloseAreHandledBeforeItReleasesControl) {
    fakes.windows->add("talk - PowerPoint");
    auto a = loggedIn("127.0.0.2"), b = loggedIn("127.0.0.3");
    fakes.clock->onPump = [&, armed = true]() mutable {
        if (!std::exchange(armed, false)) return;
        // The close arrives while the line sent before it is being handled.
        spinUntil([&] { return listeners->controlConnections().size() == 1; }, 2000);
        QCoreApplication::processEvents();
    };
    a->send("VD34\r\n");
    a->close();
    ASSERT_TRUE(spinUntil([&] { return ui.hasLog("127.0.0.2 释放投影控制权。"); }));
    b->send("VD34\r\n");
    EXPECT_EQ(b->sync(), "");
    EXPECT_EQ(service->controllerAddress(), "127.0.0.3");
}

TEST_F(HostFixture, ConnectionsFloodingFromOneAddressAreServedAlike) {
    fakes.clock->onPump = [] { QCoreApplication::processEvents(); };  // as the running program does
    std::vector<int> fds;
    for (int i = 0; i < 4; ++i) fds.push_back(rawSocket("127.0.0.2", port));
    ASSERT_EQ(::send(fds[0], "c_usertuvop|tuvop\r\n", 19, 0), 19);
    ASSERT_TRUE(spinUntil([&] { return service->loginTable().contains("127.0.0.2"); }));
    std::vector<std::atomic<qint64>> got(fds.size());
    std::vector<std::thread> peers;
    for (size_t i = 0; i < fds.size(); ++i) {
        peers.push_back(flood(fds[i], QByteArray("c_idle\r\n").repeated(1024)));
        peers.emplace_back([&, i] {
            char b[4096];
            for (ssize_t n; (n = ::recv(fds[i], b, sizeof b, 0)) > 0;) got[i] += n;
        });
    }
    spinUntil([] { return false; }, 1500);
    for (int fd : fds) ::shutdown(fd, SHUT_RDWR);
    for (std::thread &t : peers) t.join();
    qint64 least = got[0], most = got[0];
    for (const auto &g : got) least = std::min<qint64>(least, g), most = std::max<qint64>(most, g);
    EXPECT_GT(least * 2, most) << least << " of " << most << " bytes of replies";
    for (int fd : fds) close(fd);
}
