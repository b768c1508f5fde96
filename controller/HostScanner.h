#pragma once
// The controller's discovery scan: walks the scan list (plus the local
// prefix), probes host numbers 1..255 of each prefix on UDP P+3 from P+2 and
// lists every host that answers. Pacing runs on timers, so the window stays
// live and replies are listed while the scan goes on.
#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "controller/OneShotTimer.h"

class QUdpSocket;

namespace pad {

// The scan's datagram endpoint: bound to the reply port, probes leave from it.
class ScanTransport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // (Re)binds to port; false when the port cannot be bound.
    virtual bool bind(quint16 port) = 0;
    virtual void send(const QByteArray &datagram, const QString &address, quint16 port) = 0;
signals:
    void datagramReceived(const QByteArray &datagram);
};

// UDP on all IPv4 interfaces, or on one address (a second controller on the
// same PC); stays bound after a scan so late replies count. A few datagrams
// are taken per wake-up; under a flood the rest waits in (and overflows) the
// system's buffer instead of holding up the window.
class UdpScanTransport : public ScanTransport {
    Q_OBJECT
public:
    explicit UdpScanTransport(QObject *parent = nullptr);
    // Taken by the next bind; null: all interfaces.
    void setLocalAddress(const QHostAddress &address) { local_ = address; }
    bool bind(quint16 port) override;
    void send(const QByteArray &datagram, const QString &address, quint16 port) override;
    quint16 boundPort() const;
    static constexpr int kDatagramsPerTurn = 32;

private:
    void readPending();
    bool turnScheduled_ = false;
    QUdpSocket *socket_ = nullptr;
    QHostAddress local_;
};

class HostScanner : public QObject {
    Q_OBJECT
public:
    // What the scan reads from the windows around it.
    struct Hooks {
        std::function<QString()> localAddress;       // trimmed local IPv4; "" when none
        std::function<QStringList()> prefixList;     // the scan list lines, as they stand
        std::function<void(const QString &)> appendPrefix;  // the scan list gains the local prefix
        std::function<QString()> controlPortText;    // the settings window's port field
        std::function<bool()> autoConnectEnabled;    // "扫描后自动连接" ticked
        std::function<bool()> isConnected;           // a session is up or being set up
    };

    static constexpr int kProbeSize = 25;
    static constexpr int kProbeIntervalMs = 5;
    static constexpr int kPrefixPauseMs = 100;
    static constexpr int kAutoConnectDelayMs = 100;
    static constexpr int kMaxControlPort = 65532;
    // Rows the host list holds at most: replies beyond them are not listed.
    static constexpr int kMaxHosts = 1024;

    HostScanner(ScanTransport *transport, Hooks hooks, OneShotFactory timers,
                QObject *parent = nullptr);
    ~HostScanner() override;

    // The scan button: stops a running scan, otherwise starts one.
    void click();
    // Starts a scan; false (and nothing changes) while one is running or when
    // it cannot start (the status text says why).
    bool start();
    // Ends the whole scan.
    void stop();
    // Ends only the prefix being probed (a connection attempt or an upload
    // started meanwhile); the scan goes on with the next prefix.
    void endCurrentPrefix();

    bool running() const { return running_; }
    // Still probing the current prefix (not ended by a stop, a connect or an upload).
    bool probing() const { return running_ && inPrefix_; }
    QString caption() const;  // "停止" while running, else "扫描"
    QStringList hosts() const { return hosts_; }
    // Lists an address not yet listed (a host logged into); false when listed
    // or the list is full.
    bool addHost(const QString &address);
    bool autoConnectArmed() const { return armed_; }

    // One received datagram (called by the transport; public for tests).
    void handleDatagram(const QByteArray &datagram);

    // The probe for a local address and reply port: the text, its NUL and
    // zero bytes up to 25 bytes; a longer text goes whole with its NUL.
    static QByteArray probeDatagram(const QString &localAddress, quint16 replyPort);
    // Local prefix: the address up to and including its last "."; "" without one.
    static QString localPrefix(const QString &address);

signals:
    void statusText(const QString &text);        // main window status bar
    void captionChanged(const QString &caption);
    void showFileWindow();                       // the host list must be visible
    void hostsCleared();
    void hostListed(int row, const QString &address);  // row: 1-based count after the add
    void logLine(const QString &text);           // main window's hidden log
    void datagramLogged(const QString &text);    // file window's hidden log
    void autoConnectAddress(const QString &address);  // put into the host address field
    void autoConnectRequested(const QString &address);  // operate the connect toggle
    void finished();

private:
    void beginPrefix();
    void probeNext();
    void finishPrefix();
    void fireAutoConnect();

    ScanTransport *transport_;
    Hooks hooks_;
    std::unique_ptr<OneShot> pace_;
    std::unique_ptr<OneShot> connectTimer_;
    QStringList prefixes_;
    QStringList hosts_;
    QString localAddress_;
    QString pendingConnect_;
    int prefixIndex_ = 0;
    int hostNumber_ = 0;
    quint16 replyPort_ = 0;
    quint16 scanPort_ = 0;
    bool running_ = false;
    bool inPrefix_ = false;
    bool armed_ = true;
};

}  // namespace pad
