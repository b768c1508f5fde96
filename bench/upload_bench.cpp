// Upload throughput on loopback: a file of N MiB (default 64) goes through
// the real host service and the controller's upload client, and, in the same
// run, through a plain blocking-socket client and server that pace 1024-byte
// chunks the same way (one chunk, wait for the "s_next" line, next chunk).
// The plain pair is the limit the pacing itself sets on this machine; it runs
// as two threads of this process, and with the server in a forked process
// (like the real pair, two programs).
//
//   upload_bench [MiB] [rounds] [-v]   (-v: every run's figure too)
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "bench/HostProgram.h"
#include "tests/support/SocketLineChannel.h"
#include "controller/UploadClient.h"
#include "host/protocol/HostService.h"
#include "host/protocol/ServiceListeners.h"
#include "tests/support/Fakes.h"
#include "tests/support/Ports.h"
#include "tests/support/RecordingHostUi.h"

namespace {

// Why the last run failed, for the report.
QString g_why;
double failed(const QString &why) {
    if (g_why.isEmpty()) g_why = why;
    return -1;
}

// ---- the plain pair --------------------------------------------------------

void noDelay(int fd) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

bool sendAll(int fd, const char *p, size_t n) {
    while (n > 0) {
        ssize_t k = ::send(fd, p, n, 0);
        if (k <= 0) return false;
        p += k;
        n -= size_t(k);
    }
    return true;
}

// The server side: store what comes, "s_next" after each read. Only system
// calls, so it can run in a forked child of this threaded process.
void plainServe(int listener, const char *target) {
    int c = accept(listener, nullptr, nullptr);
    if (c < 0) return;
    noDelay(c);
    int f = open(target, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    char buf[4096];
    char out[4096];  // buffered like stdio: one write per 4 KiB
    size_t held = 0;
    auto flush = [&] {
        bool ok = f < 0 || held == 0 || write(f, out, held) == ssize_t(held);
        held = 0;
        return ok;
    };
    for (;;) {
        ssize_t n = recv(c, buf, sizeof buf, 0);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n;) {
            const size_t k = std::min(sizeof out - held, size_t(n - i));
            memcpy(out + held, buf + i, k);
            held += k;
            i += ssize_t(k);
            if (held == sizeof out && !flush()) n = -1;
        }
        if (n < 0 || !sendAll(c, "s_next\r\n", 8)) break;
    }
    flush();
    if (f >= 0) close(f);
    close(c);
}

// The client side on a connected socket: seconds for the whole file, or negative.
double plainSend(int c, const QString &source) {
    noDelay(c);
    FILE *f = fopen(source.toLocal8Bit().constData(), "rb");
    if (!f) return -1;
    QElapsedTimer t;
    t.start();
    char chunk[1024];
    char in[256];
    size_t have = 0;
    bool ok = true;
    while (ok) {
        size_t n = fread(chunk, 1, sizeof chunk, f);
        if (n == 0) break;
        ok = sendAll(c, chunk, n);
        // Wait for one whole "s_next" line.
        for (bool line = false; ok && !line;) {
            char *crlf = have >= 2 ? static_cast<char *>(memmem(in, have, "\r\n", 2)) : nullptr;
            if (crlf) {
                size_t used = size_t(crlf - in) + 2;
                memmove(in, in + used, have - used);
                have -= used;
                line = true;
                break;
            }
            ssize_t k = recv(c, in + have, sizeof in - have, 0);
            if (k <= 0) ok = false;
            else have += size_t(k);
        }
    }
    fclose(f);
    return ok ? t.nsecsElapsed() / 1e9 : -1;
}

// Seconds for the whole file, or a negative value on failure; the server is
// a thread of this process or a forked child.
double plainPair(const QString &source, const QString &target, bool forked) {
    int ls = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (bind(ls, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || listen(ls, 1) != 0 ||
        getsockname(ls, reinterpret_cast<sockaddr *>(&a), &len) != 0) {
        close(ls);
        return failed(QStringLiteral("no loopback listener"));
    }
    const QByteArray targetPath = target.toLocal8Bit();
    std::thread server;
    pid_t child = -1;
    if (forked) {
        child = fork();
        if (child == 0) {
            plainServe(ls, targetPath.constData());
            _exit(0);
        }
    } else {
        server = std::thread([ls, &targetPath] { plainServe(ls, targetPath.constData()); });
    }
    int c = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    double seconds = -1;
    if ((!forked || child > 0) && ::connect(c, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0)
        seconds = plainSend(c, source);
    shutdown(c, SHUT_WR);
    close(c);
    if (server.joinable()) server.join();
    if (child > 0) waitpid(child, nullptr, 0);
    close(ls);
    return seconds > 0 ? seconds : failed(QStringLiteral("the plain pair broke off"));
}

// ---- the real host and controller ------------------------------------------

// The host's objects, created and destroyed on the thread they run on.
struct HostSide {
    explicit HostSide(const QString &folder) : service(listeners, fakes.services(), ui) {
        ui.folder = folder;
        ui.newType = false;
    }
    platform::FakeServices fakes;
    kvtest::RecordingHostUi ui;
    host::ServiceListeners listeners;
    host::HostService service;
};

// Runs the event loop until pred holds, sleeping in it like the program
// does (no busy polling, which would flatter the latency).
template <class Pred>
bool spin(Pred pred, int ms) {
    QElapsedTimer t;
    t.start();
    QTimer wake;
    wake.start(50);
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

bool sameBytes(const QString &a, const QString &b) {
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size()) return false;
    while (!fa.atEnd())
        if (fa.read(1 << 20) != fb.read(1 << 20)) return false;
    return true;
}

// Logs in on port and uploads source; seconds from the upload button to
// "c_over", or negative on failure. arrived() says when the host has settled it.
template <class Arrived>
double uploadTo(quint16 port, const QString &source, Arrived arrived) {
    pad::SocketLineChannel channel;
    pad::UploadClient upload(&channel, pad::qtOneShotFactory());
    bool loggedIn = false;
    int result = -1;
    double seconds = -1;
    QObject::connect(&channel, &pad::SocketLineChannel::lineReceived, [&](const QByteArray &l) {
        if (l == "s_ok") loggedIn = true;
        upload.handleLine(l);
    });
    QObject::connect(&upload, &pad::UploadClient::finished, [&](bool ok) { result = ok ? 1 : 0; });
    channel.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!spin([&] { return channel.isOpen(); }, 5000)) {
        failed(QStringLiteral("no connection to the host"));
    } else {
        channel.sendLine("c_usertuvop|tuvop");
        if (!spin([&] { return loggedIn; }, 5000)) {
            failed(QStringLiteral("the login was not answered"));
        } else {
            QElapsedTimer t;
            t.start();
            upload.start(source);
            if (spin([&] { return result >= 0; }, 600000) && result == 1) seconds = t.nsecsElapsed() / 1e9;
            else failed(QStringLiteral("the upload did not end with \"c_over\""));
            if (!spin(arrived, 20000)) seconds = failed(QStringLiteral("the host did not store the file"));
        }
    }
    spin([&] { return upload.stage() == pad::UploadClient::Stage::Idle; }, 3000);
    channel.close();
    return seconds;
}

double checked(double seconds, const QString &source, const QString &target) {
    if (seconds > 0 && !sameBytes(source, target)) seconds = failed(QStringLiteral("the file did not arrive byte for byte"));
    QFile::remove(target);
    return seconds;
}

// The host service in this process, on its own thread or on this one.
double inProcess(const QString &source, const QString &shared, bool hostThread) {
    QThread thread;
    QObject context;
    std::unique_ptr<HostSide> hostSide;
    auto onHost = [&](auto fn) {
        if (hostThread) QMetaObject::invokeMethod(&context, fn, Qt::BlockingQueuedConnection);
        else fn();
    };
    if (hostThread) {
        context.moveToThread(&thread);
        thread.start();
    }
    quint16 port = 0;
    bool stored = false, settled = false;
    onHost([&] {
        hostSide = std::make_unique<HostSide>(shared);
        port = static_cast<quint16>(kvtest::startOnFreeBlock(hostSide->listeners));
        QObject::connect(&hostSide->service.transfer(), &host::FileTransfer::uploadSettled, qApp,
                         [&](bool ok, const QString &) {
                             stored = ok;
                             settled = true;
                         });
    });
    double seconds = port ? uploadTo(port, source, [&] { return settled; }) : failed(QStringLiteral("no free port block"));
    if (seconds > 0 && !stored) seconds = failed(QStringLiteral("the host service did not store the file"));
    onHost([&] { hostSide.reset(); });
    if (hostThread) {
        thread.quit();
        thread.wait();
    }
    return checked(seconds, source, shared + QLatin1Char('/') + QFileInfo(source).fileName());
}

// The slidehost program itself, started from its own folder with its show.ini.
double hostProcess(const QString &source, const QString &programDir) {
    const QString shared = programDir + QStringLiteral("/shared");
    const QString target = shared + QLatin1Char('/') + QFileInfo(source).fileName();
    const qint64 size = QFileInfo(source).size();
    bench::HostProgram host;
    double seconds = -1;
    if (const quint16 port = host.start(programDir, shared))
        seconds = uploadTo(port, source, [&] { return QFileInfo(target).size() == size; });
    else
        failed(host.error());
    return checked(seconds, source, target);
}

}  // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    int mib = argc > 1 ? std::atoi(argv[1]) : 64;
    if (mib <= 0) mib = 64;
    int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const bool verbose = argc > 3 && QByteArray(argv[3]) == "-v";
    if (rounds <= 0) rounds = 3;

    QTemporaryDir dir;
    QString source = dir.filePath(QStringLiteral("bench.ppt"));
    {
        QFile f(source);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (int i = 0; i < mib; ++i) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
            f.write(block);
        }
    }
    QString shared = dir.filePath(QStringLiteral("shared"));
    QDir().mkpath(shared);

    // Alternate the runs a few times: loopback ping-pong is at the mercy of
    // the scheduler (whether the two parties share a processor, how deeply an
    // idle one sleeps), so one run says little; the medians compare, and the
    // ratio within one round, whose runs share the machine's mood, even more.
    struct Series {
        const char *what;
        std::vector<double> seconds;  // per round; negative: failed
    };
    Series series[] = {{"plain blocking client and server", {}},
                       {"plain client, server in another process", {}},
                       {"slidepad code -> slidehost process", {}},
                       {"slidepad code -> host service, own thread", {}},
                       {"slidepad code + host service, one event loop", {}}};
    const QString programDir = dir.filePath(QStringLiteral("host"));
    QDir().mkpath(programDir);
    const QString plainOut = dir.filePath(QStringLiteral("plain.out"));
    auto plainChecked = [&](bool forked) { return checked(plainPair(source, plainOut, forked), source, plainOut); };
    int failures = 0;
    for (int r = 0; r < rounds; ++r) {
        const std::function<double()> runs[] = {
            [&] { return plainChecked(false); },
            [&] { return plainChecked(true); },
            [&] { return hostProcess(source, programDir); },
            [&] { return inProcess(source, shared, true); },
            [&] { return inProcess(source, shared, false); },
        };
        for (size_t i = 0; i < std::size(series); ++i) {
            g_why.clear();
            const double s = runs[i]();
            series[i].seconds.push_back(s);
            if (s > 0) continue;
            ++failures;
            std::fprintf(stderr, "round %d, %s: FAILED: %s\n", r + 1, series[i].what,
                         g_why.isEmpty() ? "no figure" : qPrintable(g_why));
        }
    }
    // Failed runs are left out of the figures (and fail the whole run).
    auto median = [](std::vector<double> v) {
        v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return x <= 0; }), v.end());
        if (v.empty()) return -1.0;
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    };
    auto best = [](const std::vector<double> &v) {
        double b = -1;
        for (double x : v)
            if (x > 0 && (b < 0 || x < b)) b = x;
        return b;
    };
    auto rate = [mib](double s) { return s > 0 ? mib / s : 0.0; };
    const std::vector<double> &plain = series[0].seconds;
    const double p = median(plain);
    std::printf("file: %d MiB, 1024-byte chunks, one in flight, loopback; %d rounds\n", mib, rounds);
    std::printf("MiB/s: median (best run); %% of plain: ratio of the medians, median of each round's ratio\n");
    std::printf("  %-46s %7s %9s %9s %10s\n", "", "median", "(best)", "medians", "per round");
    for (const Series &x : series) {
        // Each round's figure over the same round's plain figure.
        std::vector<double> ratios;
        for (size_t r = 0; r < x.seconds.size(); ++r)
            if (x.seconds[r] > 0 && plain[r] > 0) ratios.push_back(plain[r] / x.seconds[r]);
        const double m = median(x.seconds), ratio = median(ratios);
        if (m <= 0) std::printf("  %-46s  FAILED\n", x.what);
        else
            std::printf("  %-46s %7.2f  (%6.2f) %7.1f %% %8.1f %%\n", x.what, rate(m), rate(best(x.seconds)),
                        p > 0 ? 100.0 * p / m : 0.0, ratio > 0 ? 100.0 * ratio : 0.0);
        if (verbose) {
            std::printf("   ");
            for (double s : x.seconds) std::printf(" %6.2f", rate(s));
            std::printf("\n");
        }
    }
    if (failures)
        std::fprintf(stderr, "FAILED: %d of %d runs gave no figure; the figures leave them out\n", failures,
                    rounds * int(std::size(series)));
    std::fflush(stdout);
    return failures ? 1 : 0;
}
