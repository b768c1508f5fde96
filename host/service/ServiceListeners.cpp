#include "host/service/ServiceListeners.h"

#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

namespace host {

namespace {
// Datagrams longer than this are cut; only the first 255 bytes matter anyway.
constexpr qint64 kMaxDatagram = 4096;

QList<QTcpSocket *> live(const QList<QPointer<QTcpSocket>> &list) {
    QList<QTcpSocket *> out;
    for (const auto &s : list)
        if (s && s->state() == QAbstractSocket::ConnectedState) out << s.data();
    return out;
}
}  // namespace

ServiceListeners::ServiceListeners(QObject *parent)
    : QObject(parent), control_(new QTcpServer(this)), data_(new QTcpServer(this)) {
    connect(control_, &QTcpServer::newConnection, this,
            [this] { accept(control_, controlSockets_, &ServiceListeners::controlConnected); });
    connect(data_, &QTcpServer::newConnection, this,
            [this] { accept(data_, dataSockets_, &ServiceListeners::dataConnected); });
}

ServiceListeners::~ServiceListeners() = default;

bool ServiceListeners::discoveryActive() const {
    return udp_ && udp_->state() == QAbstractSocket::BoundState;
}

bool ServiceListeners::bindDiscovery(int port) {
    if (discoveryActive() && udpPort_ == port) return true;
    auto *sock = new QUdpSocket(this);
    if (!sock->bind(QHostAddress::AnyIPv4, static_cast<quint16>(port))) {
        delete sock;
        return false;
    }
    closeDiscovery();
    udp_ = sock;
    udpPort_ = port;
    connect(udp_, &QUdpSocket::readyRead, this, &ServiceListeners::readDatagrams);
    return true;
}

void ServiceListeners::closeDiscovery() {
    if (!udp_) return;
    udp_->close();
    udp_->deleteLater();
    udp_ = nullptr;
    udpPort_ = 0;
}

ServiceListeners::StartError ServiceListeners::start(int port) {
    if (port < 1 || port > kMaxPort) return StartError::BadPort;
    if (running_) stop();
    // Remember the old discovery binding so a failed start can put it back.
    const int oldUdp = discoveryActive() ? udpPort_ : 0;
    if (!bindDiscovery(port + 3)) return StartError::DiscoveryBind;
    auto rollback = [&] {
        control_->close();
        data_->close();
        if (oldUdp != udpPort_) {
            closeDiscovery();
            if (oldUdp) bindDiscovery(oldUdp);
        }
    };
    if (!control_->listen(QHostAddress::AnyIPv4, static_cast<quint16>(port))) {
        rollback();
        return StartError::ControlBind;
    }
    if (!data_->listen(QHostAddress::AnyIPv4, static_cast<quint16>(port + 1))) {
        rollback();
        return StartError::DataBind;
    }
    running_ = true;
    controlPort_ = port;
    scanPortText_ = QString::number(port + 3);
    return StartError::None;
}

void ServiceListeners::stop() {
    control_->close();
    data_->close();
    const auto sockets = controlSockets_ + dataSockets_;
    controlSockets_.clear();
    dataSockets_.clear();
    for (const auto &s : sockets)
        if (s) {
            s->abort();
            s->deleteLater();
        }
    const bool was = running_;
    running_ = false;
    if (was) emit serviceStopped();
}

QString ServiceListeners::clientAddress(const QTcpSocket &socket) {
    const QHostAddress a = socket.peerAddress();
    bool ok = false;
    const quint32 v = a.toIPv4Address(&ok);
    return ok ? QHostAddress(v).toString() : a.toString();
}

QList<QTcpSocket *> ServiceListeners::controlConnections() const { return live(controlSockets_); }

qint64 ServiceListeners::sendDatagram(const QByteArray &bytes, const QHostAddress &to, quint16 port) {
    if (!discoveryActive()) return -1;
    return udp_->writeDatagram(bytes, to, port);
}

void ServiceListeners::accept(QTcpServer *server, QList<QPointer<QTcpSocket>> &sockets,
                              void (ServiceListeners::*connected)(QTcpSocket *)) {
    while (QTcpSocket *s = server->nextPendingConnection()) {
        sockets.removeAll(nullptr);
        sockets << s;
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        emit(this->*connected)(s);
    }
}

void ServiceListeners::readDatagrams() {
    while (udp_ && udp_->hasPendingDatagrams()) {
        QNetworkDatagram d = udp_->receiveDatagram(kMaxDatagram);
        if (!d.isValid()) continue;
        emit datagramReceived(d.data(), d.senderAddress(), static_cast<quint16>(d.senderPort()));
    }
}

}  // namespace host
