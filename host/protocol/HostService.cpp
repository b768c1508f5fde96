#include "host/protocol/HostService.h"

#include <QFileInfo>
#include <QPointer>
#include <QTcpSocket>

#include <algorithm>
#include <chrono>

#include "common/Gbk.h"
#include "common/LineSplitter.h"
#include "common/Protocol.h"
#include "common/Text.h"
#include "host/protocol/ControlLine.h"
#include "host/protocol/DiscoveryReply.h"
#include "host/protocol/HostLog.h"
#include "host/protocol/PresentationNames.h"
#include "host/protocol/ServiceListeners.h"

namespace host {

namespace {
constexpr int kOpenPasses = 2000;
constexpr int kImpressLoadMs = 1500;
const QString kAskCaption = QStringLiteral("提示");
const QString kFileMissing = QStringLiteral("指定打开的文件不存在");

// What one control connection may make the host hold or do. The longest real
// line is "c_filename" with a 255-byte name; a longer one is dropped with its
// tail. Bytes are taken from the socket only when no complete line waits, and
// the socket itself buffers little, so a peer that sends faster than its lines
// are handled is held back by TCP instead of filling memory.
constexpr qsizetype kMaxLineBytes = 4096;
constexpr qint64 kReadChunk = 1024;  // a few dozen lines
constexpr qint64 kGuestReadBuffer = 1024;       // not logged in: keep very little
constexpr qint64 kMemberReadBuffer = 16 * 1024;
constexpr int kKernelBuffer = 64 * 1024;        // socket send and receive buffers
// Lines of one connection handled before the others get their turn, and
// the time after which its turn ends with the line in hand.
constexpr int kLinesPerTurn = 32;
constexpr auto kTurnTime = std::chrono::milliseconds(1);
// Handlers that wait pump events, so a turn may run inside another one's
// line; turns inside that one's would nest ever deeper, each holding every
// turn below it, so a turn that comes that deep waits for the nested one to end.
constexpr int kMaxTurnDepth = 2;
// A peer that leaves this much of its replies unread is cut off.
constexpr qint64 kMaxUnreadReplies = 64 * 1024;
// Connections whose address has not logged in: at most this many, each for at
// most this long (the oldest silent one makes room for a new one).
constexpr int kMaxGuests = 32;
constexpr std::uint32_t kLoginGraceMs = 10000;
constexpr int kGuestSweepMs = 2000;

// Discovery: the host's own networks are read again at most this often, not
// per probe. Within each window a " 扫描。" line names an address at most
// once and at most kScanLogLines are written, so a flood of probes cannot fill
// the log box; and one address gets at most kRepliesPerTarget replies, so
// probes naming a neighbour cannot make the host flood it (a controller asks
// once per scan).
constexpr std::uint32_t kNetworksRefreshMs = 30000;
constexpr std::uint32_t kDiscoveryWindowMs = 10000;
constexpr int kScanLogLines = 20;
constexpr int kRepliesPerTarget = 20;
constexpr int kDiscoveryTargets = 4096;  // addresses remembered per window
}  // namespace

struct HostService::Connection {
    QPointer<QTcpSocket> socket;
    QString address;
    kv::LineBuffer buffer{kMaxLineBytes};
    std::uint32_t openedAt = 0;
    bool member = false;     // its address was logged in at some point
    bool heard = false;      // it has sent something
    bool busy = false;       // its lines are being handled (events may be pumped inside)
    bool scheduled = false;  // a read is queued
    bool waiting = false;    // its turn is held back until a nested turn ends
    bool closed = false;     // the socket is gone; lines already taken in are still handled
    bool finished = false;   // the close was handled: roles released, connection forgotten
    bool dropped = false;    // closed by the host as a surplus guest: no log line
};

HostService::HostService(ServiceListeners &listeners, platform::Services services, HostUi &ui,
                         QObject *parent)
    : QObject(parent),
      listeners_(listeners),
      services_(services),
      ui_(ui),
      roles_([this](const QString &a) { ui_.setControllerText(a); }),
      ppt_(services, ui),
      transfer_(new FileTransfer(services, ui, roles_, this)) {
    connect(&listeners_, &ServiceListeners::controlConnected, this, &HostService::onControlConnected);
    connect(&listeners_, &ServiceListeners::dataConnected, this, &HostService::onDataConnected);
    connect(&listeners_, &ServiceListeners::datagramReceived, this, &HostService::onDatagram);
    connect(&listeners_, &ServiceListeners::serviceStopped, this, &HostService::onServiceStopped);
    // Out of descriptors: connections that never said a word give theirs back.
    connect(&listeners_, &ServiceListeners::acceptStalled, this, [this] {
        for (const auto &c : connections_)
            if (!c->closed && !c->member && !c->heard && !logins_.contains(c->address)) drop(*c);
    });
    guestSweep_.setInterval(kGuestSweepMs);
    connect(&guestSweep_, &QTimer::timeout, this, [this] { sweepGuests(); });
}

HostService::~HostService() = default;

void HostService::log(const QString &text) { appendTimedLog(ui_, *services_.clock, text); }

bool HostService::isOpen(const Connection &c) {
    return !c.closed && c.socket && c.socket->state() == QAbstractSocket::ConnectedState;
}

void HostService::send(Connection &c, const QByteArray &bytes) {
    // A connection that closed meanwhile is never written to.
    if (!isOpen(c)) return;
    c.socket->write(bytes);
    if (c.socket->bytesToWrite() > kMaxUnreadReplies) {
        log(c.address + QStringLiteral(" 不读取回复，已断开。"));
        c.socket->abort();
    }
}

HostService::Connection *HostService::oldestConnectionFrom(const QString &address) const {
    for (const auto &c : connections_)
        if (c->address == address && isOpen(*c)) return c.get();
    return nullptr;
}

// ---- connections and framing ----

void HostService::onControlConnected(QTcpSocket *socket) {
    auto c = std::make_shared<Connection>();
    c->socket = socket;
    c->address = ServiceListeners::clientAddress(*socket);
    c->openedAt = services_.clock->tick();
    socket->setReadBufferSize(kGuestReadBuffer);
    socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kKernelBuffer);
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kKernelBuffer);
    connections_.push_back(c);
    // Lines are handled from the event queue, never inside the socket's own
    // signals: handlers pump events, and the socket may be deleted meanwhile.
    connect(socket, &QTcpSocket::readyRead, this, [this, c] {
        c->heard = true;
        scheduleRead(c);
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, c] {
        // What arrived before the close is still handled, before the close is.
        if (c->socket && c->socket->isOpen() && !c->closed && !c->dropped)
            c->buffer.append(c->socket->readAll());
        c->closed = true;
        QMetaObject::invokeMethod(this, [this, c] { connectionClosed(c); }, Qt::QueuedConnection);
    });
    sweepGuests();
    if (!guestSweep_.isActive()) guestSweep_.start();
    if (socket->bytesAvailable() > 0) {
        c->heard = true;
        scheduleRead(c);
    }
}

void HostService::sweepGuests() {
    const std::uint32_t now = services_.clock->tick();
    std::vector<Connection *> guests;
    for (const auto &c : connections_) {
        if (c->closed || c->member) continue;
        if (logins_.contains(c->address)) {
            c->member = true;
        } else if (now - c->openedAt > kLoginGraceMs) {
            drop(*c);
        } else {
            guests.push_back(c.get());
        }
    }
    // Too many waiting: the oldest silent ones go first, then the oldest.
    std::stable_partition(guests.begin(), guests.end(), [](Connection *c) { return !c->heard; });
    for (size_t i = 0; guests.size() - i > static_cast<size_t>(kMaxGuests); ++i) drop(*guests[i]);
    if (connections_.empty()) guestSweep_.stop();
}

void HostService::drop(Connection &c) {
    c.dropped = true;
    c.buffer.clear();
    if (c.socket) c.socket->abort();
}

void HostService::scheduleRead(const ConnectionPtr &c) {
    if (c->scheduled || c->finished) return;
    c->scheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this, c] {
            c->scheduled = false;
            readControl(c);
        },
        Qt::QueuedConnection);
}

bool HostService::takeBytes(Connection &c) {
    if (c.closed || !c.socket || c.socket->bytesAvailable() <= 0) return false;
    if (!c.member && logins_.contains(c.address)) c.member = true;
    c.socket->setReadBufferSize(c.member ? kMemberReadBuffer : kGuestReadBuffer);
    c.buffer.append(c.socket->read(kReadChunk));
    if (c.buffer.overflowed()) log(c.address + QStringLiteral(" 命令行过长，已丢弃。"));
    return true;
}

void HostService::readControl(const ConnectionPtr &c) {
    // Lines that arrive while this connection's handler runs (other events are
    // pumped inside it) are taken by the loop below, in order.
    if (c->busy || c->finished) return;
    if (turnDepth_ >= kMaxTurnDepth) {
        if (!std::exchange(c->waiting, true)) waiting_.push_back(c);
        return;
    }
    c->busy = true;
    const auto end = std::chrono::steady_clock::now() + kTurnTime;
    for (int taken = 0;;) {
        // A turn that has had its lines or its time ends while more waits (a
        // close is then handled after them, in a turn of its own).
        const bool more =
            c->buffer.size() > 0 || (!c->closed && c->socket && c->socket->bytesAvailable() > 0);
        const bool spent = taken == kLinesPerTurn || (taken > 0 && std::chrono::steady_clock::now() >= end);
        if (more && spent) {
            // The others' turn; this connection goes on from the event queue.
            endTurn(*c);
            scheduleRead(c);
            return;
        }
        std::optional<QByteArray> line = c->buffer.next();
        if (!line) {
            if (takeBytes(*c)) continue;
            break;
        }
        ++taken;
        if (line->isEmpty()) continue;
        clearLogWhenFull(ui_);
        // No events are pumped between lines: the other connections' turns
        // come from the event queue, each after the one before has ended.
        ++turnDepth_;
        dispatch(*c, *line);
        --turnDepth_;
        if (c->finished) {
            endTurn(*c);
            return;
        }
    }
    endTurn(*c);
    // The close is handled after every line that came before it, so none of
    // them can take control again for an address that has gone.
    if (c->closed) finishClose(c);
}

void HostService::endTurn(Connection &c) {
    c.busy = false;
    // Turns held back while this one ran nested go next, in their order.
    for (const ConnectionPtr &w : std::exchange(waiting_, {})) {
        w->waiting = false;
        scheduleRead(w);
    }
}

void HostService::connectionClosed(const ConnectionPtr &c) {
    c->closed = true;
    readControl(c);  // when busy, the running handler finishes the close
}

void HostService::finishClose(const ConnectionPtr &c) {
    if (c->finished) return;
    c->finished = true;
    c->buffer.clear();
    connections_.erase(std::remove(connections_.begin(), connections_.end(), c), connections_.end());
    if (c->dropped) return;
    log(c->address + QStringLiteral(" 断开连接。"));
    if (oldestConnectionFrom(c->address)) return;
    if (roles_.controller() == c->address) {
        log(c->address + QStringLiteral(" 释放投影控制权。"));
        roles_.setController(QString());
    }
    transfer_->clientGone(c->address);
}

void HostService::onDataConnected(QTcpSocket *socket) { transfer_->addDataConnection(socket); }

void HostService::onServiceStopped() {
    for (const auto &c : connections_) {
        c->closed = c->finished = true;
        c->buffer.clear();
    }
    connections_.clear();
    guestSweep_.stop();
    transfer_->stop();
    roles_.clearAll();
}

// ---- dispatch ----

void HostService::dispatch(Connection &c, const QByteArray &line) {
    const ControlLine cl = parseControlLine(line);
    if (cl.command == Command::User) return login(c, cl.field);
    if (!logins_.contains(c.address)) return;  // not logged in: ignored
    auto reply = [this, &c](const QByteArray &b) { send(c, b); };
    switch (cl.command) {
    case Command::Key: return keyCommand(c, cl.field);
    case Command::Idle: return send(c, reply::idle);
    case Command::Open: return open(c, cl.field);
    case Command::Close: return close(c);
    case Command::Show: return show(c);
    case Command::List: return transfer_->list(c.address, reply);
    case Command::NextList: return transfer_->nextList(c.address, reply);
    case Command::Up: return transfer_->up(c.address, reply);
    case Command::FileName: return transfer_->fileName(c.address, cl.field, reply);
    case Command::Len: return transfer_->length(c.address, cl.field, reply);
    case Command::Over: return transfer_->over(c.address, reply);
    case Command::Ask: return ask(c);
    case Command::Agree: return agree(c);
    case Command::Reject: return reject(c);
    case Command::Timer: return ui_.clickTimerButton();
    case Command::User:
    case Command::None: return;
    }
}

void HostService::login(Connection &c, const QByteArray &field) {
    const qsizetype bar = field.indexOf(kv::wire::fieldSeparator);
    if (bar < 0) {
        send(c, reply::no);
        log(c.address + QStringLiteral(" 认证失败。"));
        return;
    }
    auto user = kv::fromGbk(field.left(bar));
    auto pass = kv::fromGbk(field.mid(bar + 1));
    if (!user || !pass || kv::trimmed(*user) != ui_.serviceUser() ||
        kv::trimmed(*pass) != ui_.servicePassword()) {
        send(c, reply::no);
        log(c.address + QStringLiteral(" 认证失败。"));
        logins_.remove(c.address);
        return;
    }
    // A full table is told before anything else, so a refused client reads only "s_toomany".
    if (!logins_.contains(c.address) && logins_.isFull()) {
        send(c, reply::tooMany);
        log(QStringLiteral("连接数超过100，拒绝") + c.address + QStringLiteral("的连接。"));
        return;
    }
    send(c, reply::ok);
    log(c.address + QStringLiteral(" 登录成功。"));
    logins_.add(c.address);
}

bool HostService::heldByOther(Connection &c) {
    if (roles_.controller().isEmpty() || roles_.controller() == c.address) return false;
    send(c, reply::other);
    return true;
}

void HostService::keyCommand(Connection &c, const QByteArray &field) {
    if (heldByOther(c)) return;
    const QString text = kv::fromGbkLossy(field);
    const auto code = kv::parseDecimal(text, 254);
    if (!code || *code < 1) {
        log(c.address + QStringLiteral(" 按键代码无效:") + shownText(text) + QStringLiteral("。"));
        return;
    }
    roles_.setController(c.address);
    const platform::WindowId w = ppt_.currentWindow();
    if (!w) {
        send(c, reply::close);
        ppt_.setCurrentFile(QString());
        return;
    }
    ppt_.sendKey(w, static_cast<int>(*code));
}

void HostService::open(Connection &c, const QByteArray &field) {
    if (heldByOther(c)) return;
    roles_.setController(c.address);
    const auto decoded = kv::fromGbk(field);
    const QString name = decoded ? kv::trimmed(*decoded) : QStringLiteral("?");
    ppt_.setCurrentFile(name);
    if (name.isEmpty()) return;
    const QString folder = ui_.sharedFolder();
    if (!isOpenablePresentationName(name) || !isRegularFileIn(folder, name)) {
        ui_.setStatus(kFileMissing);
        ppt_.setCurrentFile(QString());
        send(c, reply::haveNo);
        return;
    }
    if (platform::WindowId w = ppt_.findPPTWindow(1, name)) {
        services_.windows->switchTo(w);
        log(c.address + QStringLiteral(" 尝试打开文件:") + name + QStringLiteral("，文件已打开。"));
        send(c, reply::succOpen);
        return;
    }
    log(c.address + QStringLiteral(" 打开文件:") + name + QStringLiteral("。"));
    bool opened = services_.shell->openDocument(folder + QLatin1Char('/') + name);
    // The wait keeps its own name: another open may change the current file meanwhile.
    for (int pass = 0; opened && pass < kOpenPasses; ++pass) {
        services_.clock->processMessages();
        if (const platform::WindowId w = ppt_.findPPTWindow(1, name)) {
            // Impress names its window before the document is loaded, and a
            // show started in that time never draws: the reply, and this
            // connection's commands queued behind it, wait for the load;
            // other connections are served meanwhile.
            if (ppt_.describe(w).isImpress()) {
                services_.clock->pumpFor(kImpressLoadMs);
                platform::closeImpressTips(*services_.windows);
            }
            send(c, reply::succOpen);
            return;
        }
        services_.clock->sleep(10);
    }
    log(c.address + QStringLiteral(" 打开文件失败:") + name + QStringLiteral("。"));
    send(c, reply::failOpen);
}

void HostService::close(Connection &c) {
    if (heldByOther(c)) {
        log(c.address + QStringLiteral(" 关闭文件。"));
        return;
    }
    roles_.setController(QString());
    const platform::WindowId w = ppt_.currentWindow();
    if (!w) return;
    ppt_.closePresentation(w);
}

void HostService::show(Connection &c) {
    if (heldByOther(c)) return;
    roles_.setController(c.address);
    const platform::WindowId w = ppt_.currentWindow();
    if (!w) {
        send(c, reply::needOpen);
        return;
    }
    log(c.address + QStringLiteral(" 放映幻灯片。"));
    ppt_.startSlideShow(w);
}

// ---- hand-over ----

void HostService::ask(Connection &c) {
    if (c.address == roles_.controller()) return;
    roles_.applicant = c.address;
    log(c.address + QStringLiteral(" 申请放映权。"));
    if (requestControl(c)) {
        send(c, reply::agreeBare);
        log(QStringLiteral("同意给予 ") + c.address + QStringLiteral(" 放映权。"));
    }
}

bool HostService::requestControl(Connection &c) {
    const QString holder = roles_.controller();
    bool granted = false;
    if (holder.isEmpty()) {
        granted = ui_.autoRespChecked() ||
                  services_.dialogs->ask(c.address + QStringLiteral("申请投影权，同意吗？"), kAskCaption);
    } else if (ui_.newTypeChecked()) {
        if (Connection *h = oldestConnectionFrom(holder)) {
            // The holder decides; the request waits for its "c_agree" or "c_reject".
            send(*h, reply::ask + kv::toGbkLossy(c.address) + reply::crlf);
            return false;
        }
        granted = true;
    } else {
        granted = services_.dialogs->ask(c.address + QStringLiteral("申请接管投影权，同意吗？"),
                                         kAskCaption);
    }
    // Decided here: the applicant no longer waits.
    if (roles_.applicant == c.address) roles_.applicant.clear();
    // An applicant that left while the question was open gets nothing.
    if (c.closed) return false;
    if (!granted) {
        send(c, reply::reject);
        return false;
    }
    roles_.setController(c.address);
    send(c, reply::agree);
    return true;
}

void HostService::agree(Connection &c) {
    // Only the holder decides, and only while someone waits.
    if (c.address != roles_.controller() || roles_.applicant.isEmpty()) return;
    const QString to = roles_.applicant;
    roles_.applicant.clear();
    if (Connection *a = oldestConnectionFrom(to)) {
        send(*a, reply::agree);
        log(c.address + QStringLiteral(" 同意让出放映权。"));
        roles_.setController(to);
    } else {
        roles_.setController(QString());
    }
}

void HostService::reject(Connection &c) {
    if (c.address != roles_.controller() || roles_.applicant.isEmpty()) return;
    const QString to = roles_.applicant;
    roles_.applicant.clear();
    if (Connection *a = oldestConnectionFrom(to)) {
        send(*a, reply::reject);
        log(c.address + QStringLiteral(" 拒绝让出放映权。"));
    }
}

// ---- local open and discovery ----

void HostService::localOpen(const QString &fullPath) {
    if (fullPath.isEmpty()) return;
    const QFileInfo fi(fullPath);
    if (!fi.exists() || !fi.isFile()) return;
    ppt_.setCurrentFile(fi.fileName());
    services_.shell->openDocument(fi.absoluteFilePath());
}

void HostService::onDatagram(const QByteArray &bytes, const QHostAddress &from, quint16) {
    const auto probe = parseProbe(bytes);
    if (!probe) return;
    const std::uint32_t now = services_.clock->tick();
    if (now - discoveryWindowStart_ >= kDiscoveryWindowMs || repliesTo_.size() > kDiscoveryTargets) {
        discoveryWindowStart_ = now;
        scanLogged_.clear();
        repliesTo_.clear();
    }
    clearLogWhenFull(ui_);
    if (scanLogged_.size() < kScanLogLines && !scanLogged_.contains(probe->address)) {
        scanLogged_.insert(probe->address);
        log(probe->address + QStringLiteral(" 扫描。"));
    }
    const auto port = replyPort(probe->portText);
    const auto to = ipv4FromText(probe->address);
    if (!port || !to) return;
    if (!networksRead_ || now - networksAt_ >= kNetworksRefreshMs) {
        networks_ = localNetworks();
        networksAt_ = now;
        networksRead_ = true;
    }
    if (!mayReplyTo(*to, from, networks_) || ++repliesTo_[to->toIPv4Address()] > kRepliesPerTarget)
        return;
    QString host = kv::trimmed(ui_.hostAddress());
    if (host.isEmpty()) host = kv::trimmed(services_.address->localIPv4());
    listeners_.sendDatagram(buildReply(host, listeners_.scanPortText()), *to, *port);
}

}  // namespace host
