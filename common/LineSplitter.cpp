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
    overflowed_ = false;
    pending_ += bytes;
    SplitLines s = splitLines(pending_);
    pending_ = s.remainder;
    if (pending_.size() > cap_) {
        // Keep a trailing CR so a CR LF split across reads still ends a line.
        bool cr = pending_.endsWith('\r');
        pending_.clear();
        if (cr) pending_ = "\r";
        overflowed_ = true;
    }
    return s.lines;
}

}  // namespace kv
