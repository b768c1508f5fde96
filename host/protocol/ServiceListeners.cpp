#include "host/protocol/ServiceListeners.h"

#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

#include "common/Protocol.h"

namespace host {

// An accept that fails for want of descriptors leaves the connection queued,
// and the toolkit tries again at once, for ever. This watches a duplicate of
// the listening descriptor: when it stays readable over several passes of the
// event loop while no connection comes, accepting pauses for a while and the
// listeners ask for descriptors back (acceptStalled).
class AcceptGuard : public QObject {
public:
    AcceptGuard(QTcpServer *server, ServiceListeners *owner)
        // Close-on-exec: a program the host starts (the presentation program)
        // must not keep the port after the service stopped or the host ended.
        : server_(server), fd_(::fcntl(int(server->socketDescriptor()), F_DUPFD_CLOEXEC, 0)) {
        if (fd_ < 0) return;  // out of descriptors already: no guard
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this, owner] {
            if (++misses_ < 3) return;
            server_->pauseAccepting();
            notifier_->setEnabled(false);
            emit owner->acceptStalled();
            QTimer::singleShot(ServiceListeners::kAcceptRetryMs, this, [this] {
                misses_ = 0;
                server_->resumeAccepting();
                notifier_->setEnabled(true);
            });
        });
        connect(server, &QTcpServer::newConnection, this, [this] { misses_ = 0; });
    }
    ~AcceptGuard() override {
        delete notifier_;
        if (fd_ >= 0) ::close(fd_);
    }

private:
    QTcpServer *server_;
    int fd_;
    QSocketNotifier *notifier_ = nullptr;
    int misses_ = 0;  // passes that found the listener readable since the last connection
};

namespace {
// Datagrams longer than this are cut; only the first 255 bytes matter anyway.
constexpr qint64 kMaxDatagram = 4096;

template <class List>
QList<QTcpSocket *> live(const List &list) {
    QList<QTcpSocket *> out;
    for (const auto &a : list)
        if (a.socket && a.socket->state() == QAbstractSocket::ConnectedState) out << a.socket.data();
    return out;
}
}  // namespace

ServiceListeners::ServiceListeners(QObject *parent)
    : QObject(parent), control_(new QTcpServer(this)), data_(new QTcpServer(this)) {
    connect(control_, &QTcpServer::newConnection, this, [this] {
        accept(control_, controlSockets_, maxControlConnections(), kMaxPerAddress,
               &ServiceListeners::controlConnected);
    });
    connect(data_, &QTcpServer::newConnection, this, [this] {
        accept(data_, dataSockets_, kMaxDataConnections, kMaxDataPerAddress,
               &ServiceListeners::dataConnected);
    });
    moreDatagrams_ = new QTimer(this);
    moreDatagrams_->setSingleShot(true);
    moreDatagrams_->setInterval(0);
    connect(moreDatagrams_, &QTimer::timeout, this, &ServiceListeners::readDatagrams);
}

int ServiceListeners::maxControlConnections() {
    rlimit r{};
    rlim_t files = 1024;
    if (getrlimit(RLIMIT_NOFILE, &r) == 0 && r.rlim_cur != RLIM_INFINITY) files = r.rlim_cur;
    const rlim_t half = files > 64 ? (files - 64) / 2 : 0;
    return static_cast<int>(std::clamp<rlim_t>(half, 4, 256));
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
    if (!bindDiscovery(port + kv::wire::probePortOffset)) return StartError::DiscoveryBind;
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
    const auto dataPort = static_cast<quint16>(port + kv::wire::dataPortOffset);
    if (!data_->listen(QHostAddress::AnyIPv4, dataPort)) {
        rollback();
        return StartError::DataBind;
    }
    controlGuard_ = std::make_unique<AcceptGuard>(control_, this);
    dataGuard_ = std::make_unique<AcceptGuard>(data_, this);
    running_ = true;
    controlPort_ = port;
    scanPortText_ = QString::number(port + kv::wire::probePortOffset);
    return StartError::None;
}

void ServiceListeners::stop() {
    controlGuard_.reset();
    dataGuard_.reset();
    control_->close();
    data_->close();
    const auto sockets = controlSockets_ + dataSockets_;
    controlSockets_.clear();
    dataSockets_.clear();
    for (const auto &a : sockets)
        if (a.socket) {
            a.socket->abort();
            a.socket->deleteLater();
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

void ServiceListeners::accept(QTcpServer *server, QList<Accepted> &sockets, int cap,
                              int perAddress, void (ServiceListeners::*connected)(QTcpSocket *)) {
    while (QTcpSocket *s = server->nextPendingConnection()) {
        sockets.removeIf([](const Accepted &a) {
            return !a.socket || a.socket->state() == QAbstractSocket::UnconnectedState;
        });
        const QString address = clientAddress(*s);
        const auto fromThere = std::count_if(sockets.cbegin(), sockets.cend(),
                                             [&](const Accepted &a) { return a.address == address; });
        if (sockets.size() >= cap || fromThere >= perAddress) {
            // Refused without a word: closing at once frees its descriptor.
            s->abort();
            s->deleteLater();
            continue;
        }
        sockets.append({s, address});
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        emit(this->*connected)(s);
    }
}

void ServiceListeners::readDatagrams() {
    // A bounded batch, then back to the event loop; the rest comes next turn.
    for (int n = 0; udp_ && udp_->hasPendingDatagrams(); ++n) {
        if (n == kDatagramsPerTurn) {
            moreDatagrams_->start();
            return;
        }
        QNetworkDatagram d = udp_->receiveDatagram(kMaxDatagram);
        if (!d.isValid()) continue;
        emit datagramReceived(d.data(), d.senderAddress(), static_cast<quint16>(d.senderPort()));
    }
}

}  // namespace host
