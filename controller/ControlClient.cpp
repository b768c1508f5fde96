#include "controller/ControlClient.h"

#include <QTcpSocket>
#include <QTimer>

#include "common/Protocol.h"
#include "common/Text.h"

namespace pad {

namespace wire = kv::wire;

namespace {

namespace reply = wire::reply;

struct Word {
    const char *text;
    ControlClient::Reply kind;
};

// Test order of the reply words. The upload and list words are left to their owners.
const Word kWords[] = {
    {reply::ok, ControlClient::Reply::Ok},
    {reply::no, ControlClient::Reply::No},
    {reply::tooMany, ControlClient::Reply::TooMany},
    {reply::idle, ControlClient::Reply::Idle},
    {reply::busyList, ControlClient::Reply::BusyList},
    {reply::succOpen, ControlClient::Reply::SuccOpen},
    {reply::failOpen, ControlClient::Reply::FailOpen},
    {reply::haveNo, ControlClient::Reply::HaveNo},
    {reply::needOpen, ControlClient::Reply::NeedOpen},
    {reply::close, ControlClient::Reply::Close},
    {reply::agree, ControlClient::Reply::Agree},
    {reply::reject, ControlClient::Reply::Reject},
    {reply::ask, ControlClient::Reply::Ask},
    {reply::other, ControlClient::Reply::Other},
};

}  // namespace

ControlClient::ControlClient(std::shared_ptr<platform::Clock> clock, QObject *parent)
    : QObject(parent), clock_(std::move(clock)), socket_(new QTcpSocket(this)),
      keepAlive_(new QTimer(this)) {
    keepAlive_->setInterval(kKeepAliveMs);
    connect(keepAlive_, &QTimer::timeout, this, &ControlClient::keepAliveTick);
    // Beyond this the socket stops taking from the network: TCP holds the host back.
    socket_->setReadBufferSize(kReadBufferBytes);
    connect(socket_, &QTcpSocket::readyRead, this, &ControlClient::readTurn);
    connect(socket_, &QTcpSocket::disconnected, this, &ControlClient::onDisconnected);
}

ControlClient::~ControlClient() {
    closingByUs_ = true;
    socket_->abort();
}

ControlClient::Reply ControlClient::classify(const QByteArray &line) {
    for (const Word &w : kWords)
        if (line.startsWith(w.text)) return w.kind;
    return Reply::Unhandled;
}

bool ControlClient::isConnected() const {
    return socket_->state() == QAbstractSocket::ConnectedState;
}

void ControlClient::closeSocket() {
    closingByUs_ = true;
    socket_->abort();
    closingByUs_ = false;
    loginPending_ = false;
    queue_.clear();
    framer_.clear();
}

qint64 ControlClient::heldBytes() const {
    qint64 queued = 0;
    for (const Pending &p : queue_) queued += p.bytes.size();
    return socket_->bytesAvailable() + framer_.size() + queued;
}

ControlClient::ConnectResult ControlClient::connectAndLogin(const QString &host, quint16 port,
                                                            const QByteArray &user,
                                                            const QByteArray &pass) {
    if (connecting_) return ConnectResult::Busy;
    connecting_ = true;
    disconnectFromHost();
    host_ = host;
    port_ = port;
    if (!bindAddress_.isNull()) socket_->bind(bindAddress_, 0);
    socket_->connectToHost(host, port);
    bool sent = false;
    for (int i = 0; i < kConnectPolls; ++i) {
        clock_->processMessages();
        if (isConnected()) {
            const QByteArray login = wire::command::user + user + wire::fieldSeparator + pass;
            sent = loginPending_ = sendLine(login);
            break;
        }
        if (socket_->state() == QAbstractSocket::UnconnectedState) break;  // refused, unreachable
        clock_->sleep(10);
    }
    if (!sent) closeSocket();  // a late connection must not stay half-open without a login
    connecting_ = false;
    return sent ? ConnectResult::LoginSent : ConnectResult::Failed;
}

void ControlClient::disconnectFromHost() {
    keepAlive_->stop();
    loggedIn_ = false;
    closeSocket();
}

bool ControlClient::sendLine(const QByteArray &line) {
    // A line break inside would make the rest a command of its own.
    if (!isConnected() || kv::hasLineBreak(line)) return false;
    QByteArray bytes = line + wire::lineEnd;
    if (socket_->write(bytes) != bytes.size()) return false;
    socket_->flush();
    emit lineSent(line);
    return true;
}

void ControlClient::touch() { lastActivity_ = clock_->tick(); }

void ControlClient::keepAliveTick() {
    keepAlive_->stop();
    const std::uint32_t elapsed = clock_->tick() - lastActivity_;  // modulo 2^32
    if (elapsed > kIdleLimitMs && loggedIn_) {
        emit idleCutOff();
        return;
    }
    if (sendLine(wire::command::idle)) keepAlive_->start();
}

bool ControlClient::takeBytes() {
    if (socket_->bytesAvailable() <= 0) return false;
    // A reply split across reads waits for its CR LF; only the lone reply
    // words are taken without one.
    framer_.feed(
        socket_->read(kReadChunkBytes),
        [this](const QByteArray &line) {
            if (line.isEmpty()) return;
            queue_.append({line, false});
        },
        [this](const QByteArray &word) {
            queue_.append({word, true});
        });
    return true;
}

void ControlClient::readTurn() {
    if (dispatching_) return;  // a handler pumping messages: the running turn goes on after it
    dispatching_ = true;
    for (int handled = 0; handled < kLinesPerTurn;) {
        if (queue_.isEmpty()) {
            if (!takeBytes()) break;  // more is read only once everything read is handled
            continue;
        }
        const Pending p = queue_.takeFirst();
        ++handled;
        if (p.unterminated) {
            if (loggedIn_) emit unterminatedReply(p.bytes);
        } else {
            dispatch(p.bytes);
        }
    }
    dispatching_ = false;
    if (!queue_.isEmpty() || socket_->bytesAvailable() > 0) scheduleTurn();
}

void ControlClient::scheduleTurn() {
    // The rest waits behind whatever else the event queue holds.
    if (turnScheduled_) return;
    turnScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            turnScheduled_ = false;
            readTurn();
        },
        Qt::QueuedConnection);
}

bool ControlClient::expects(Reply kind) const {
    switch (kind) {
    case Reply::Ok: return loginPending_;
    // Refusals end a login: once over, they change nothing and are dropped.
    case Reply::No:
    case Reply::TooMany: return loginPending_ || loggedIn_;  // "s_toomany" follows "s_ok"
    default: return loggedIn_;
    }
}

void ControlClient::dispatch(const QByteArray &line) {
    const Reply kind = classify(line);
    if (!expects(kind)) return;
    switch (kind) {
    case Reply::Unhandled:
        emit unhandledReply(line);
        return;
    case Reply::Ok:
        loginPending_ = false;
        loggedIn_ = true;
        touch();
        keepAlive_->start();
        break;
    case Reply::No:
    case Reply::TooMany:
        loginPending_ = false;
        loggedIn_ = false;
        keepAlive_->stop();
        break;
    default:
        break;
    }
    emit reply(kind, line);
    if (kind == Reply::Ok) emit loggedIn();
}

void ControlClient::onDisconnected() {
    keepAlive_->stop();
    loggedIn_ = loginPending_ = false;
    queue_.clear();
    framer_.clear();
    if (!closingByUs_) emit hostClosed();
}

}  // namespace pad
