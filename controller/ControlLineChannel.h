#pragma once
// The control connection as the file list and the upload see it: send one
// line, learn the peer, and have the reply dispatcher hand lines back to
// them. The program's control client implements it; the tests' SocketLineChannel
// is a plain one over a QTcpSocket.
#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

#include "common/LineSplitter.h"

namespace pad {

// The host sends "s_busylist", "s_qitaup" and a duplicate "s_agree" without a
// line end, so one of them can sit glued to the front of the next reply line.
// Returns the words found there (front first) and leaves the reply in line.
QList<QByteArray> takeGluedReplies(QByteArray &line);
// The lone words at the front of a read's unterminated remainder; what is
// left of the remainder stays in rest.
QList<QByteArray> takeLoneReplies(QByteArray &rest);

// Cuts a control connection's reads into reply lines. A line split across
// reads waits for its CR LF; an unterminated remainder that is one of the
// words above (or several) is taken at once.
class ReplyFramer {
public:
    using Sink = std::function<void(const QByteArray &)>;
    // Hands every complete line to line() and every word sent without a line
    // end to word(), in the order they arrived.
    void feed(const QByteArray &bytes, const Sink &line, const Sink &word);
    void clear() { buffer_.clear(); }
    qsizetype size() const { return buffer_.size(); }

private:
    kv::LineBuffer buffer_;
};

class ControlLineChannel {
public:
    virtual ~ControlLineChannel() = default;
    // Sends line + CR LF as one send; does nothing while the connection is closed.
    virtual void sendLine(const QByteArray &line) = 0;
    virtual bool isOpen() const = 0;
    // Host address and control port of the connection (the data port is one more).
    virtual QString peerAddress() const = 0;
    virtual quint16 peerPort() const = 0;
    // The address the connection comes from: the data connection comes from
    // it too, so the host sees one client. "" leaves the choice to the system.
    virtual QString localAddress() const { return {}; }
};

}  // namespace pad
