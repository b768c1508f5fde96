// Fairness of the control service under hostile peers, against the slidehost
// program itself:
//  1. 12 peers from addresses of their own fuzz control lines at once (the
//     even ones logged in) while a controller asks "c_idle" every 20 ms: its
//     reply times;
//  2. 8 connections from one logged-in address flood "c_idle" and read the
//     replies: how many each of them gets.
//
//   fairness_bench [seconds per phase, default 5]
//
// The host runs offscreen; with DISPLAY set it finds that display's windows
// (each line's window search then walks them).
#include <QCoreApplication>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/HostProgram.h"
#include "common/BlockingIo.h"

namespace {

using Clock = std::chrono::steady_clock;

// A blocking connection from `from`; sends and receives give up after 200 ms.
int connectFrom(const std::string &from, quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const timeval wait{0, 200000};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, from.c_str(), &a.sin_addr);
    a.sin_port = 0;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendText(int fd, const std::string &s) { return kv::sendAll(fd, s.data(), std::int64_t(s.size())); }

// Reads until `want` occurs in what came; false on close or time-out.
bool readUntil(int fd, const char *want, std::string &in) {
    char buf[4096];
    while (in.find(want) == std::string::npos) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return false;
        in.append(buf, size_t(n));
    }
    in.erase(0, in.find(want) + std::strlen(want));
    return true;
}

// One line of a hostile peer: a command word (or none) and a random field.
std::string fuzzLine(std::mt19937 &rng, bool member) {
    static const char *words[] = {"V",      "VD",         "c_idle",  "c_open",  "c_close", "c_show",
                                  "c_list", "c_nextlist", "c_up",    "c_filename", "c_len", "c_over",
                                  "c_ask",  "c_agree",    "c_reject", "c_timer", "c_",     ""};
    std::string line = words[rng() % std::size(words)];
    if (!member && rng() % 8 == 0) line = "c_userx|y";  // a guest never gets in
    const int n = int(rng() % 24);
    for (int i = 0; i < n; ++i) {
        char c = char(rng() % 4 ? 0x20 + rng() % 95 : rng() % 256);
        line += (c == '\r' || c == '\n') ? '.' : c;
    }
    return line + "\r\n";
}

void fuzzer(int i, quint16 port, const std::atomic<bool> &stop) {
    std::mt19937 rng{static_cast<unsigned>(i)};
    const bool member = i % 2 == 0;
    const std::string from = "127.0.0." + std::to_string(10 + i);
    while (!stop) {
        const int fd = connectFrom(from, port);
        if (fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        if (member) sendText(fd, "c_usertuvop|tuvop\r\n");
        char buf[4096];
        bool open = true;
        while (!stop && open) {
            std::string burst;
            for (int k = 0; k < 32; ++k) burst += fuzzLine(rng, member);
            open = sendText(fd, burst) || errno == EAGAIN;
            for (ssize_t n; open && (n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT)) != -1;) open = n > 0;
        }
        ::close(fd);
    }
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// Phase 1: the controller's "c_idle" reply times in ms while 12 peers fuzz.
std::vector<double> underFuzz(quint16 port, int seconds) {
    std::vector<double> times;
    const int fd = connectFrom("127.0.0.2", port);
    std::string in;
    if (fd < 0 || !sendText(fd, "c_usertuvop|tuvop\r\n") || !readUntil(fd, "s_ok\r\n", in)) return times;
    std::atomic<bool> stop{false};
    std::vector<std::thread> peers;
    for (int i = 0; i < 12; ++i) peers.emplace_back(fuzzer, i, port, std::cref(stop));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // under way
    for (const auto end = Clock::now() + std::chrono::seconds(seconds); Clock::now() < end;) {
        const auto t = Clock::now();
        // A fuzzer's "c_ask" may send this address "s_ask..." lines: only the answer counts.
        if (!sendText(fd, "c_idle\r\n")) break;
        bool answered = false;
        for (int tries = 0; !answered && tries < 25; ++tries) answered = readUntil(fd, "s_idle\r\n", in);
        times.push_back(answered ? std::chrono::duration<double, std::milli>(Clock::now() - t).count() : 5000);
        if (!answered) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    stop = true;
    for (auto &p : peers) p.join();
    ::close(fd);
    return times;
}

// Phase 2: replies each of 8 flooding connections from one address gets.
std::vector<long> flooded(quint16 port, int seconds) {
    constexpr int kConnections = 8;
    std::vector<int> fds;
    std::string in;
    for (int i = 0; i < kConnections; ++i) {
        const int fd = connectFrom("127.0.0.30", port);
        if (fd >= 0) fds.push_back(fd);
    }
    if (fds.empty() || !sendText(fds[0], "c_usertuvop|tuvop\r\n") || !readUntil(fds[0], "s_ok\r\n", in))
        return {};
    std::atomic<bool> stop{false};
    std::vector<std::atomic<long>> bytes(fds.size());
    std::vector<std::thread> threads;
    const std::string burst = [] {
        std::string b;
        for (int i = 0; i < 64; ++i) b += "c_idle\r\n";
        return b;
    }();
    for (size_t i = 0; i < fds.size(); ++i) {
        threads.emplace_back([&, i] {
            while (!stop) sendText(fds[i], burst);
        });
        threads.emplace_back([&, i] {
            char buf[65536];
            for (ssize_t n; !stop;)
                if ((n = ::recv(fds[i], buf, sizeof buf, 0)) > 0) bytes[i] += n;
                else if (n == 0) break;
        });
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    std::vector<long> replies;
    for (auto &b : bytes) replies.push_back(b / 8);
    stop = true;
    for (auto &t : threads) t.join();
    for (int fd : fds) ::close(fd);
    return replies;
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (seconds <= 0) seconds = 5;
    QTemporaryDir dir;
    const QString programDir = dir.filePath(QStringLiteral("host"));
    QDir().mkpath(programDir);
    bench::HostProgram host;
    const quint16 port = host.start(programDir, programDir + QStringLiteral("/shared"));
    if (!port) {
        std::fprintf(stderr, "slidehost did not start\n");
        return 1;
    }
    const std::vector<double> t = underFuzz(port, seconds);
    std::printf("c_idle under 12 fuzzing peers (6 logged in), %d s: %zu replies\n", seconds, t.size());
    std::printf("  median %.1f ms, p95 %.1f ms, max %.1f ms\n", percentile(t, 0.5), percentile(t, 0.95),
                percentile(t, 1.0));
    const std::vector<long> r = flooded(port, seconds);
    std::printf("8 connections from one address flooding c_idle, %d s: replies each\n ", seconds);
    for (long n : r) std::printf(" %ld", n);
    std::printf("\n");
    const bool ok = !t.empty() && r.size() == 8;
    return ok ? 0 : 1;
}
