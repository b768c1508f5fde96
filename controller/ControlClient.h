#pragma once
// The controller's one control connection to a host: connect and log in,
// send lines, keep the connection alive, cut it after 15 idle minutes, and
// cut each read into reply lines handled one after another, in order.
// Replies count only in the state that expects them: the login answers while
// the login is pending, the others while logged in. What the host sends is
// read a bounded amount at a time, each turn of lines from the event queue,
// so a host that floods is held back by TCP and never fills memory or the
// window's time.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

#include "controller/ControlLineChannel.h"
#include "platform/Platform.h"

class QTcpSocket;
class QTimer;

namespace pad {

class ControlClient : public QObject {
    Q_OBJECT
public:
    // Host replies this class recognises; everything else goes out as unhandledReply.
    enum class Reply {
        Ok, No, TooMany, Idle, BusyList, SuccOpen, FailOpen, HaveNo, NeedOpen, Close,
        Agree, Reject, Ask, Other, Unhandled
    };
    Q_ENUM(Reply)

    enum class ConnectResult { LoginSent, Busy, Failed };

    explicit ControlClient(std::shared_ptr<platform::Clock> clock, QObject *parent = nullptr);
    ~ControlClient() override;

    // The reply word that starts line (each word compared over its own length).
    static Reply classify(const QByteArray &line);

    // Closes any old connection, connects and sends "c_user" + user + "|" + pass.
    // Waits at most kConnectPolls polls of 10 ms, pumping messages through the
    // clock; an attempt that does not connect in time is aborted. Busy: a
    // connect is already running (this call came from inside its wait).
    ConnectResult connectAndLogin(const QString &host, quint16 port, const QByteArray &user,
                                  const QByteArray &pass);
    // Source address of later connections (several identities on one PC); null: any.
    void setBindAddress(const QHostAddress &address) { bindAddress_ = address; }

    // Closes the connection on the user's behalf (no hostClosed) and stops the keep-alive.
    void disconnectFromHost();

    bool isConnecting() const { return connecting_; }
    bool isConnected() const;
    bool isLoggedIn() const { return loggedIn_; }

    // Writes line + CR LF as one send, only while connected and only when the
    // line holds no CR or LF. True when written.
    bool sendLine(const QByteArray &line);

    // Stamps a user action for the idle cut-off.
    void touch();
    std::uint32_t lastActivity() const { return lastActivity_; }

    // The 10 s keep-alive step (run by keepAliveTimer): cut off after more than
    // 15 minutes without a user action while logged in, else "c_idle" while connected.
    void keepAliveTick();
    QTimer *keepAliveTimer() const { return keepAlive_; }

    QTcpSocket *socket() const { return socket_; }
    QString hostName() const { return host_; }
    quint16 port() const { return port_; }

    // Bytes read from the host but not yet handled (the socket's buffer, a
    // partial line and the lines waiting their turn).
    qint64 heldBytes() const;

    static constexpr int kConnectPolls = 500;
    static constexpr qint64 kReadBufferBytes = 16 * 1024;
    static constexpr qint64 kReadChunkBytes = 4 * 1024;
    static constexpr int kLinesPerTurn = 32;
    static constexpr int kKeepAliveMs = 10000;
    static constexpr std::uint32_t kIdleLimitMs = 900000;

signals:
    // A recognised reply, after this class updated its own state (login, keep-alive).
    void reply(pad::ControlClient::Reply kind, const QByteArray &line);
    // Emitted after reply(Ok): the login was accepted.
    void loggedIn();
    // Any other complete line: "s_list...", "s_name", "s_len", "s_file", ...
    void unhandledReply(const QByteArray &line);
    // A reply the host sends without a line end ("s_qitaup", "s_busylist",
    // "s_agree"), alone at the end of a read or glued before another reply.
    void unterminatedReply(const QByteArray &word);
    // The host (or the network) closed an established connection.
    void hostClosed();
    // Keep-alive found more than 15 minutes without a user action.
    void idleCutOff();
    // A line (without its CR LF) was handed to the connection.
    void lineSent(const QByteArray &line);

private:
    struct Pending {
        QByteArray bytes;
        bool unterminated;
    };
    void readTurn();
    void scheduleTurn();
    bool takeBytes();
    void onDisconnected();
    bool expects(Reply kind) const;
    void dispatch(const QByteArray &line);
    void closeSocket();

    std::shared_ptr<platform::Clock> clock_;
    QTcpSocket *socket_;
    QTimer *keepAlive_;
    QString host_;
    quint16 port_ = 0;
    QHostAddress bindAddress_;
    bool connecting_ = false;
    bool loggedIn_ = false;
    bool loginPending_ = false;  // "c_user" sent, no answer yet
    bool closingByUs_ = false;
    bool dispatching_ = false;
    bool turnScheduled_ = false;
    ReplyFramer framer_;
    QList<Pending> queue_;
    std::uint32_t lastActivity_ = 0;
};

}  // namespace pad
