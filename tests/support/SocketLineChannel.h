#pragma once
// A control connection of its own for tests and the benchmark, without the
// controller's client around it.
#include <QObject>

#include "controller/ControlLineChannel.h"

class QTcpSocket;

namespace pad {

// A control connection that delivers each complete reply line. A lone reply
// that the host sends without a line end ("s_busylist", "s_qitaup", the
// duplicate "s_agree") is reported apart and never glued to the next line.
class SocketLineChannel : public QObject, public ControlLineChannel {
    Q_OBJECT
public:
    explicit SocketLineChannel(QObject *parent = nullptr);
    // localAddress: the address to connect from ("" = any), for a second
    // client identity on one machine.
    void connectToHost(const QString &address, quint16 port, const QString &localAddress = {});
    void close();
    QTcpSocket *socket() const { return socket_; }

    void sendLine(const QByteArray &line) override;
    bool isOpen() const override;
    QString peerAddress() const override { return address_; }
    quint16 peerPort() const override { return port_; }
    QString localAddress() const override;

signals:
    void connected();
    void disconnected();
    void lineReceived(const QByteArray &line);
    void unterminatedReply(const QByteArray &word);

private:
    void readAll();

    QTcpSocket *socket_;
    ReplyFramer framer_;
    QString address_;
    quint16 port_ = 0;
};

}  // namespace pad
