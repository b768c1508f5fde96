#pragma once
#include <QByteArray>
#include <QList>

#include <optional>

namespace kv {

// Control lines are GBK text ended by CR LF. split() takes every complete line
// out of a byte buffer (without its CR LF) and leaves the unterminated
// remainder in `remainder`, so each side can apply its own rule to it.
struct SplitLines {
    QList<QByteArray> lines;
    QByteArray remainder;
};

SplitLines splitLines(const QByteArray &buffer);

// Per-connection accumulator. An unterminated remainder longer than `cap`
// bytes is dropped (overflowed() reports it) and so is the rest of that line,
// up to and including its CR LF, however many reads it takes to arrive.
class LineBuffer {
public:
    explicit LineBuffer(qsizetype cap = 64 * 1024) : cap_(cap) {}
    // Appends a read and returns every complete line.
    QList<QByteArray> feed(const QByteArray &bytes);
    // Appends a read; next() then takes the lines one at a time, so a reader
    // can stop taking (and reading) while it is busy.
    void append(const QByteArray &bytes);
    std::optional<QByteArray> next();
    // Bytes held: lines not yet taken and the unterminated remainder.
    qsizetype size() const { return pending_.size() - start_; }
    // What follows the last complete line taken (the remainder after feed()).
    QByteArray pending() const { return pending_.mid(start_); }
    void clear();
    bool overflowed() const { return overflowed_; }

private:
    void capRemainder();

    qsizetype cap_;
    QByteArray pending_;
    qsizetype start_ = 0;     // pending_ before this was taken already
    bool overflowed_ = false;
    bool skipping_ = false;   // inside the tail of a dropped line
    bool skipCr_ = false;     // ...whose last byte so far was a CR
};

}  // namespace kv
