#pragma once
// Whole-buffer writes on blocking descriptors, for the upload workers of both
// programs. False when the peer or the file refused (a closed connection
// raises no SIGPIPE).
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace kv {

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
