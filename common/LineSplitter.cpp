#include "common/LineSplitter.h"

namespace kv {

SplitLines splitLines(const QByteArray &buffer) {
    SplitLines out;
    qsizetype start = 0;
    for (;;) {
        qsizetype crlf = buffer.indexOf("\r\n", start);
        if (crlf < 0) break;
        out.lines.append(buffer.mid(start, crlf - start));
        start = crlf + 2;
    }
    out.remainder = buffer.mid(start);
    return out;
}

QList<QByteArray> LineBuffer::feed(const QByteArray &bytes) {
    append(bytes);
    QList<QByteArray> lines;
    while (auto line = next()) lines.append(*line);
    return lines;
}

void LineBuffer::append(const QByteArray &bytes) {
    overflowed_ = false;
    if (bytes.isEmpty()) return;
    qsizetype from = 0;
    if (skipping_) {
        qsizetype end = -1;
        if (skipCr_ && bytes.startsWith('\n')) {
            end = 1;
        } else if (qsizetype crlf = bytes.indexOf("\r\n"); crlf >= 0) {
            end = crlf + 2;
        }
        if (end < 0) {
            skipCr_ = bytes.endsWith('\r');
            return;
        }
        skipping_ = skipCr_ = false;
        from = end;
    }
    pending_.append(bytes.constData() + from, bytes.size() - from);
    capRemainder();
}

void LineBuffer::capRemainder() {
    const qsizetype lastEnd = pending_.lastIndexOf("\r\n");
    const qsizetype restStart = lastEnd < start_ ? start_ : lastEnd + 2;
    if (pending_.size() - restStart <= cap_) return;
    // A CR at the cut may be the first half of the line's CR LF.
    skipCr_ = pending_.endsWith('\r');
    skipping_ = overflowed_ = true;
    pending_.truncate(restStart);
}

std::optional<QByteArray> LineBuffer::next() {
    const qsizetype crlf = pending_.indexOf("\r\n", start_);
    if (crlf < 0) {
        pending_.remove(0, start_);
        start_ = 0;
        return std::nullopt;
    }
    QByteArray line = pending_.mid(start_, crlf - start_);
    start_ = crlf + 2;
    if (start_ == pending_.size()) {
        pending_.clear();
        start_ = 0;
    }
    return line;
}

void LineBuffer::clear() {
    pending_.clear();
    start_ = 0;
    overflowed_ = skipping_ = skipCr_ = false;
}

}  // namespace kv
