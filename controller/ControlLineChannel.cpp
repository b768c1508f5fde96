#include "controller/ControlLineChannel.h"

#include <QTcpSocket>

namespace pad {

SocketLineChannel::SocketLineChannel(QObject *parent) : QObject(parent), socket_(new QTcpSocket(this)) {
    connect(socket_, &QTcpSocket::connected, this, [this] {
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        emit connected();
    });
    connect(socket_, &QTcpSocket::disconnected, this, &SocketLineChannel::disconnected);
    connect(socket_, &QTcpSocket::readyRead, this, &SocketLineChannel::readAll);
}

void SocketLineChannel::connectToHost(const QString &address, quint16 port, const QString &localAddress) {
    socket_->abort();
    framer_.clear();
    address_ = address;
    port_ = port;
    if (!localAddress.isEmpty()) socket_->bind(QHostAddress(localAddress), 0);
    socket_->connectToHost(address, port);
}

void SocketLineChannel::close() {
    socket_->abort();
    framer_.clear();
}

QString SocketLineChannel::localAddress() const { return socket_->localAddress().toString(); }

bool SocketLineChannel::isOpen() const {
    return socket_->state() == QAbstractSocket::ConnectedState;
}

void SocketLineChannel::sendLine(const QByteArray &line) {
    if (!isOpen()) return;
    socket_->write(line + "\r\n");
    socket_->flush();
}

namespace {
const char *const kUnterminated[] = {"s_busylist", "s_qitaup", "s_agree"};

// The unterminated word at the front of text when another reply follows it
// directly (or nothing does); empty otherwise.
QByteArray leadingUnterminated(const QByteArray &text) {
    for (const char *w : kUnterminated) {
        QByteArray word(w);
        if (text == word || (text.startsWith(word) && text.mid(word.size()).startsWith("s_")))
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

void SocketLineChannel::readAll() {
    framer_.feed(
        socket_->readAll(), [this](const QByteArray &l) { emit lineReceived(l); },
        [this](const QByteArray &w) { emit unterminatedReply(w); });
}

}  // namespace pad
