#pragma once
// The host's control service: control lines on the control port (login,
// PowerPoint driving, hand-over of control, file list and upload), upload data
// on the data port and discovery probes. The main window owns one and gives it
// the listeners, the platform services and itself as HostUi.
#include <QByteArray>
#include <QHostAddress>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <vector>

#include "host/protocol/ControlRoles.h"
#include "host/protocol/DiscoveryReply.h"
#include "host/protocol/FileTransfer.h"
#include "host/protocol/HostUi.h"
#include "host/protocol/LoginTable.h"
#include "host/protocol/PptDriver.h"
#include "platform/Platform.h"

class QTcpSocket;

namespace host {

class ServiceListeners;

class HostService : public QObject {
    Q_OBJECT
public:
    HostService(ServiceListeners &listeners, platform::Services services, HostUi &ui,
                QObject *parent = nullptr);
    ~HostService() override;

    // Double-click or Enter in the main window's file list: opens the file with
    // the shell and makes its bare name the current file.
    void localOpen(const QString &fullPath);
    QString currentFile() const { return ppt_.currentFile(); }

    QString controllerAddress() const { return roles_.controller(); }
    QString applicantAddress() const { return roles_.applicant; }
    QString uploaderAddress() const { return roles_.uploader; }
    QString listOwnerAddress() const { return roles_.listOwner; }

    LoginTable &loginTable() { return logins_; }
    const LoginTable &loginTable() const { return logins_; }

    // PowerPoint window finder (modes 0-3) on the current file; ppt() drives
    // the windows (slide-show start for the presentation timer and the second screen).
    platform::WindowId findPPTWindow(int mode) { return ppt_.findPPTWindow(mode); }

    PptDriver &ppt() { return ppt_; }
    FileTransfer &transfer() { return *transfer_; }

private:
    struct Connection;
    using ConnectionPtr = std::shared_ptr<Connection>;

    void onControlConnected(QTcpSocket *socket);
    void onDataConnected(QTcpSocket *socket);
    void onDatagram(const QByteArray &bytes, const QHostAddress &from, quint16 fromPort);
    void onServiceStopped();

    void scheduleRead(const ConnectionPtr &c);
    void readControl(const ConnectionPtr &c);
    void endTurn(Connection &c);
    // Takes more bytes from the socket into the line buffer; false when none.
    bool takeBytes(Connection &c);
    void connectionClosed(const ConnectionPtr &c);
    void finishClose(const ConnectionPtr &c);
    // Closes connections that did not log in in time, and the surplus ones.
    void sweepGuests();
    void drop(Connection &c);
    void dispatch(Connection &c, const QByteArray &line);

    void login(Connection &c, const QByteArray &field);
    void keyCommand(Connection &c, const QByteArray &field);
    void open(Connection &c, const QByteArray &field);
    void close(Connection &c);
    void show(Connection &c);
    void ask(Connection &c);
    void agree(Connection &c);
    void reject(Connection &c);
    bool requestControl(Connection &c);
    // True when another holds control; the sender got "s_other".
    bool heldByOther(Connection &c);

    // The oldest open connection from address, nullptr when none.
    Connection *oldestConnectionFrom(const QString &address) const;
    static bool isOpen(const Connection &c);
    void send(Connection &c, const QByteArray &bytes);
    void log(const QString &text);

    ServiceListeners &listeners_;
    platform::Services services_;
    HostUi &ui_;
    LoginTable logins_;
    ControlRoles roles_;
    PptDriver ppt_;
    FileTransfer *transfer_;
    std::vector<ConnectionPtr> connections_;  // oldest first
    int turnDepth_ = 0;  // lines being handled, one inside another's wait
    std::vector<ConnectionPtr> waiting_;  // turns held back until a nested one ends
    QTimer guestSweep_;
    QList<Subnet> networks_;  // the host's own, for discovery replies
    std::uint32_t networksAt_ = 0;
    bool networksRead_ = false;
    std::uint32_t discoveryWindowStart_ = 0;
    QSet<QString> scanLogged_;  // addresses with a " 扫描。" line in this window
    QHash<quint32, int> repliesTo_;
};

}  // namespace host
