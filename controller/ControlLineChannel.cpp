#include "controller/ControlLineChannel.h"

#include "common/Protocol.h"

namespace pad {

namespace wire = kv::wire;

namespace {
const char *const kUnterminated[] = {wire::reply::busyList, wire::reply::qitaUp,
                                     wire::reply::agree};

// The unterminated word at the front of text when another reply follows it
// directly (or nothing does); empty otherwise.
QByteArray leadingUnterminated(const QByteArray &text) {
    for (const char *w : kUnterminated) {
        QByteArray word(w);
        const bool glued =
            text.startsWith(word) && text.mid(word.size()).startsWith(wire::reply::prefix);
        if (text == word || glued)
            return word;
    }
    return {};
}
}  // namespace

QList<QByteArray> takeGluedReplies(QByteArray &line) {
    QList<QByteArray> words;
    for (QByteArray w = leadingUnterminated(line); !w.isEmpty() && line.size() > w.size();
         w = leadingUnterminated(line)) {
        words << w;
        line = line.mid(w.size());
    }
    return words;
}

QList<QByteArray> takeLoneReplies(QByteArray &rest) {
    QList<QByteArray> words;
    for (QByteArray w = leadingUnterminated(rest); !w.isEmpty(); w = leadingUnterminated(rest)) {
        words << w;
        rest = rest.mid(w.size());
    }
    return words;
}

void ReplyFramer::feed(const QByteArray &bytes, const Sink &line, const Sink &word) {
    for (QByteArray l : buffer_.feed(bytes)) {
        // "s_busylist" glued to the next reply: both are meant.
        for (const QByteArray &w : takeGluedReplies(l)) word(w);
        line(l);
    }
    QByteArray rest = buffer_.pending();
    const QList<QByteArray> lone = takeLoneReplies(rest);
    if (lone.isEmpty()) return;  // a partial line: it waits for the rest
    buffer_.clear();
    if (!rest.isEmpty()) buffer_.feed(rest);
    for (const QByteArray &w : lone) word(w);
}

}  // namespace pad
