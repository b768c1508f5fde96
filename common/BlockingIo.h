#pragma once
// Blocking descriptors for the upload workers of both programs: a worker's own
// copy of a connected socket, and whole-buffer writes that say false when the
// peer or the file refused (a closed connection raises no SIGPIPE).
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace kv {

// The worker's own descriptor of a connected socket (close-on-exec); -1 when
// there is none. Closing the socket object's descriptor afterwards does not
// end the connection.
inline int duplicateSocket(long long fd) { return fd < 0 ? -1 : ::fcntl(int(fd), F_DUPFD_CLOEXEC, 0); }

// Once the socket object let go of it: blocking reads and writes, and every
// small write on the wire at once (one chunk in flight, nothing to wait for).
inline void makeBlockingNoDelay(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

template <class Call>
bool transferAll(const char *p, std::int64_t n, Call call) {
    while (n > 0) {
        const ssize_t k = call(p, static_cast<size_t>(n));
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        p += k;
        n -= k;
    }
    return true;
}

inline bool sendAll(int fd, const char *p, std::int64_t n) {
    return transferAll(p, n, [fd](const char *b, size_t len) { return ::send(fd, b, len, MSG_NOSIGNAL); });
}

inline bool writeAll(int fd, const char *p, std::int64_t n) {
    return transferAll(p, n, [fd](const char *b, size_t len) { return ::write(fd, b, len); });
}

}  // namespace kv
