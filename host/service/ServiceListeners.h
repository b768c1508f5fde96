#pragma once
// The host's three listeners: control lines on TCP P, upload data on TCP P+1
// (both on all IPv4 interfaces, so a client's identity is its dotted IPv4
// text) and discovery probes on UDP P+3. The discovery receiver, once bound,
// stays bound when the service stops; a start with another port moves it.
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

namespace host {

class ServiceListeners : public QObject {
    Q_OBJECT
public:
    enum class StartError { None, BadPort, DiscoveryBind, ControlBind, DataBind };

    explicit ServiceListeners(QObject *parent = nullptr);
    ~ServiceListeners() override;

    // Opens P, P+1 and P+3 (1 <= P <= 65532). On any failure whatever this
    // call opened is closed again and nothing stays half-started.
    StartError start(int port);
    // Closes both TCP listeners and every connection accepted on them.
    void stop();

    bool running() const { return running_; }
    int controlPort() const { return controlPort_; }
    bool discoveryActive() const;
    QString scanPortText() const { return scanPortText_; }

    // Live control connections, oldest first.
    QList<QTcpSocket *> controlConnections() const;
    // Sends one datagram from the discovery socket.
    qint64 sendDatagram(const QByteArray &bytes, const QHostAddress &to, quint16 port);

    static constexpr int kMaxPort = 65532;

    // A client's identity: the dotted IPv4 text of a connection's peer.
    static QString clientAddress(const QTcpSocket &socket);

signals:
    void controlConnected(QTcpSocket *socket);
    void dataConnected(QTcpSocket *socket);
    void datagramReceived(const QByteArray &bytes, const QHostAddress &from, quint16 fromPort);
    // After stop(): the protocol frees its roles and any open upload.
    void serviceStopped();

private:
    // Takes every pending connection of server into sockets and announces it.
    void accept(QTcpServer *server, QList<QPointer<QTcpSocket>> &sockets,
                void (ServiceListeners::*connected)(QTcpSocket *));
    void readDatagrams();
    bool bindDiscovery(int port);
    void closeDiscovery();

    QTcpServer *control_;
    QTcpServer *data_;
    QUdpSocket *udp_ = nullptr;
    QList<QPointer<QTcpSocket>> controlSockets_;
    QList<QPointer<QTcpSocket>> dataSockets_;
    bool running_ = false;
    int controlPort_ = 0;
    int udpPort_ = 0;
    QString scanPortText_;
};

}  // namespace host
