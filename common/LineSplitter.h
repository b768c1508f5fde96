#pragma once
#include <QByteArray>
#include <QList>

namespace kv {

// Control lines are GBK text ended by CR LF. split() takes every complete line
// out of a byte buffer (without its CR LF) and leaves the unterminated
// remainder in `remainder`, so each side can apply its own rule to it.
struct SplitLines {
    QList<QByteArray> lines;
    QByteArray remainder;
};

SplitLines splitLines(const QByteArray &buffer);

// Per-connection accumulator: appends a read, returns the complete lines and
// keeps the remainder up to `cap` bytes (a longer remainder is dropped and
// overflowed() reports it).
class LineBuffer {
public:
    explicit LineBuffer(qsizetype cap = 64 * 1024) : cap_(cap) {}
    QList<QByteArray> feed(const QByteArray &bytes);
    const QByteArray &pending() const { return pending_; }
    void clear() { pending_.clear(); }
    bool overflowed() const { return overflowed_; }

private:
    qsizetype cap_;
    QByteArray pending_;
    bool overflowed_ = false;
};

}  // namespace kv
