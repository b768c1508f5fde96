// The controller under a flooding peer on loopback. First a peer that never
// logged in sends scan replies, each with a new address, to the scan-reply
// port; then a "host" logs the controller in and floods it with repeated
// "s_ok", unasked "s_list" names and other reply words. For each flood:
// resident memory before, at its peak and a second after, the longest the
// event loop went without running a 10 ms timer, and what the windows hold.
//
//   flood_bench [seconds per flood, default 5]
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include "controller/DiscoveryAndFiles.h"
#include "controller/FileWindowLists.h"
#include "controller/HostScanner.h"
#include "controller/TForm1.h"
#include "controller/TFormFile.h"
#include "tests/support/Fakes.h"
#include "tests/support/Ports.h"

namespace {

double residentMiB() {
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

struct Figures {
    double before = 0, peak = 0, after = 0;
    qint64 longestGapMs = 0;
};

// Runs the event loop for ms while the flood goes on, then a second more after stop().
template <typename Stop>
Figures measure(int ms, Stop stop) {
    Figures f;
    f.before = f.peak = residentMiB();
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        f.longestGapMs = std::max(f.longestGapMs, sinceTick.restart());
        f.peak = std::max(f.peak, residentMiB());
    });
    tick.start(10);
    QElapsedTimer run;
    run.start();
    while (run.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    stop();
    tick.stop();
    for (run.restart(); run.elapsed() < 1000;) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    f.after = residentMiB();
    return f;
}

void print(const char *what, const Figures &f, const QString &holds) {
    std::printf("%-22s %7.1f MiB before  %7.1f peak  %7.1f after   longest stall %5lld ms   %s\n", what,
                f.before, f.peak, f.after, static_cast<long long>(f.longestGapMs), qPrintable(holds));
}

}  // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int ms = 1000 * (argc > 1 ? std::max(1, atoi(argv[1])) : 5);
    const int base = kvtest::freePortBlock();
    if (!base) {
        std::fprintf(stderr, "no free port block on loopback\n");
        return 1;
    }
    platform::FakeServices fakes;
    fakes.clock->onPump = [] { QCoreApplication::processEvents(); };
    fakes.address->address = QStringLiteral("127.0.0.1");
    QTemporaryDir dir;
    pad::TForm1 form(fakes.services(), dir.path());
    form.TimerWpos->stop();
    form.TimerStart->stop();
    pad::FileWindowLists &lists = form.files()->lists();
    std::atomic<bool> stop{false};

    // Scan replies with ever new addresses, as fast as the peer can send them.
    if (!form.files()->transport().bind(quint16(base + 2))) return 1;
    long datagrams = 0;
    std::thread udp([&] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        const sockaddr_in to = loopback(base + 2);
        for (unsigned n = 0; !stop; ++n) {
            char text[32];
            const int len = std::snprintf(text, sizeof text, "s_hi127.%u.%u.%u|1", (n >> 16) & 255, (n >> 8) & 255,
                                          n & 255) + 1;
            if (::sendto(fd, text, size_t(len), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to) > 0)
                ++datagrams;
        }
        ::close(fd);
    });
    Figures f = measure(ms, [&] {
        stop = true;
        udp.join();
    });
    print("scan replies", f,
          QStringLiteral("%1 datagrams sent; %2 host rows, %3 log lines")
              .arg(datagrams)
              .arg(lists.ListViewHost->topLevelItemCount())
              .arg(form.formFile()->Memo1->document()->blockCount()));

    // A host that logs the controller in, then sends reply words without pause.
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in at = loopback(base);
    int one = 1;
    setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(server, reinterpret_cast<const sockaddr *>(&at), sizeof at) != 0 || ::listen(server, 1) != 0) return 1;
    std::atomic<int> peer{-1};
    std::atomic<long long> sent{0};
    stop = false;
    std::thread tcp([&] {
        const int fd = ::accept(server, nullptr, nullptr);
        peer = fd;
        char buf[256];
        for (std::string got; got.find("\r\n") == std::string::npos;) {
            const ssize_t k = ::recv(fd, buf, sizeof buf, 0);
            if (k <= 0) return;
            got.append(buf, size_t(k));
        }
        std::string block = "s_ok\r\n";
        while (block.size() < 64 * 1024) block += "s_ok\r\ns_lista.ppt\r\ns_other\r\ns_idle\r\ns_close\r\n";
        while (!stop) {
            const ssize_t k = ::send(fd, block.data(), block.size(), MSG_NOSIGNAL);
            if (k <= 0) break;
            sent += k;
        }
    });
    form.formFile()->EditRip->setText(QStringLiteral("127.0.0.1"));
    form.formFile()->editControlPort->setText(QString::number(base));
    form.formFile()->SpeedButtonConnect->click();
    bool loggedIn = false;
    f = measure(ms, [&] {
        loggedIn = form.SButtonConnect->text() == QStringLiteral("断开");
        stop = true;
        if (peer >= 0) ::shutdown(peer, SHUT_RDWR);  // a send held back by TCP returns
        tcp.join();
    });
    print("reply words", f,
          QStringLiteral("%1 MB sent; logged in: %2; %3 log lines, %4 names")
              .arg(double(sent) / 1e6, 0, 'f', 1)
              .arg(loggedIn ? "yes" : "no")
              .arg(form.memo1->document()->blockCount())
              .arg(lists.ListBox1->count()));
    if (peer >= 0) ::close(peer);
    ::close(server);
    return 0;
}
