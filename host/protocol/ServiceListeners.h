#pragma once
// The host's three listeners: control lines on TCP P, upload data on TCP P+1
// (both on all IPv4 interfaces, so a client's identity is its dotted IPv4
// text) and discovery probes on UDP P+3. The discovery receiver, once bound,
// stays bound when the service stops; a start with another port moves it.
// What one peer can make the listeners hold or do is bounded: connections in
// all and per address (a connection beyond is closed at once), datagrams
// handled per wake-up, and a failing accept is retried after a pause.
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>

class QTcpServer;
class QTcpSocket;
class QTimer;
class QUdpSocket;

namespace host {

class AcceptGuard;

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
    // Control connections from one address (a controller needs one; a few
    // programs may share a machine).
    static constexpr int kMaxPerAddress = 8;
    // Upload data connections: one upload runs at a time.
    static constexpr int kMaxDataConnections = 8;
    static constexpr int kMaxDataPerAddress = 4;
    // Datagrams handled before other events get their turn.
    static constexpr int kDatagramsPerTurn = 64;
    // Pause before accepting again after an accept failed (out of descriptors).
    static constexpr int kAcceptRetryMs = 250;
    // Control connections in all: at most 256, and never more than half of
    // the descriptors this process may open beyond a reserve of 64.
    static int maxControlConnections();

    // A client's identity: the dotted IPv4 text of a connection's peer.
    static QString clientAddress(const QTcpSocket &socket);

signals:
    void controlConnected(QTcpSocket *socket);
    void dataConnected(QTcpSocket *socket);
    void datagramReceived(const QByteArray &bytes, const QHostAddress &from, quint16 fromPort);
    // After stop(): the protocol frees its roles and any open upload.
    void serviceStopped();
    // Accepting fails (out of descriptors) and pauses: connections that hold
    // descriptors for nothing should go.
    void acceptStalled();

private:
    struct Accepted {
        QPointer<QTcpSocket> socket;
        QString address;
    };
    // Takes every pending connection of server into sockets and announces it,
    // or closes it at once when the caps are reached.
    void accept(QTcpServer *server, QList<Accepted> &sockets, int cap, int perAddress,
                void (ServiceListeners::*connected)(QTcpSocket *));
    void readDatagrams();
    bool bindDiscovery(int port);
    void closeDiscovery();

    QTcpServer *control_;
    QTcpServer *data_;
    QUdpSocket *udp_ = nullptr;
    QList<Accepted> controlSockets_;
    QList<Accepted> dataSockets_;
    QTimer *moreDatagrams_;
    std::unique_ptr<AcceptGuard> controlGuard_, dataGuard_;
    bool running_ = false;
    int controlPort_ = 0;
    int udpPort_ = 0;
    QString scanPortText_;
};

}  // namespace host
