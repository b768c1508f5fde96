#include "tests/support/SocketLineChannel.h"

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

void SocketLineChannel::readAll() {
    framer_.feed(
        socket_->readAll(), [this](const QByteArray &l) { emit lineReceived(l); },
        [this](const QByteArray &w) { emit unterminatedReply(w); });
}

}  // namespace pad
