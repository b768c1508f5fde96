#include "host/service/HostService.h"

#include <QFileInfo>
#include <QPointer>
#include <QTcpSocket>

#include <algorithm>

#include "common/Gbk.h"
#include "common/LineSplitter.h"
#include "common/Text.h"
#include "host/service/ControlLine.h"
#include "host/service/DiscoveryReply.h"
#include "host/service/HostLog.h"
#include "host/service/PresentationNames.h"
#include "host/service/ServiceListeners.h"

namespace host {

namespace {
constexpr int kOpenPasses = 2000;
constexpr int kImpressLoadMs = 1500;
const QString kAskCaption = QStringLiteral("提示");
const QString kFileMissing = QStringLiteral("指定打开的文件不存在");
}  // namespace

struct HostService::Connection {
    QPointer<QTcpSocket> socket;
    QString address;
    kv::LineBuffer buffer;
    QList<QByteArray> lines;
    bool busy = false;       // its lines are being handled (events may be pumped inside)
    bool scheduled = false;  // a read is queued
    bool closed = false;
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
}

HostService::~HostService() = default;

void HostService::log(const QString &text) { appendTimedLog(ui_, *services_.clock, text); }

bool HostService::isOpen(const Connection &c) {
    return !c.closed && c.socket && c.socket->state() == QAbstractSocket::ConnectedState;
}

void HostService::send(Connection &c, const QByteArray &bytes) {
    // A connection that closed meanwhile is never written to.
    if (isOpen(c)) c.socket->write(bytes);
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
    connections_.push_back(c);
    // Lines are handled from the event queue, never inside the socket's own
    // signals: handlers pump events, and the socket may be deleted meanwhile.
    connect(socket, &QTcpSocket::readyRead, this, [this, c] { scheduleRead(c); });
    connect(socket, &QTcpSocket::disconnected, this, [this, c] {
        QMetaObject::invokeMethod(this, [this, c] { connectionClosed(c); }, Qt::QueuedConnection);
    });
    if (socket->bytesAvailable() > 0) scheduleRead(c);
}

void HostService::scheduleRead(const ConnectionPtr &c) {
    if (c->scheduled || c->closed) return;
    c->scheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this, c] {
            c->scheduled = false;
            readControl(c);
        },
        Qt::QueuedConnection);
}

void HostService::readControl(const ConnectionPtr &c) {
    // Lines that arrive while this connection's handler runs (other events are
    // pumped inside it) are taken by the loop below, in order.
    if (c->busy) return;
    c->busy = true;
    while (!c->closed) {
        if (c->socket && c->socket->bytesAvailable() > 0) {
            c->lines += c->buffer.feed(c->socket->readAll());
            if (c->buffer.overflowed())
                log(c->address + QStringLiteral(" 命令行过长，已丢弃。"));
        }
        if (c->lines.isEmpty()) break;
        const QByteArray line = c->lines.takeFirst();
        if (line.isEmpty()) continue;
        clearLogWhenFull(ui_);
        services_.clock->processMessages();
        dispatch(*c, line);
    }
    c->busy = false;
}

void HostService::connectionClosed(const ConnectionPtr &c) {
    if (c->closed) return;
    // Lines that came before the close are still handled (their replies go nowhere).
    if (!c->busy) readControl(c);
    c->closed = true;
    c->lines.clear();
    connections_.erase(std::remove(connections_.begin(), connections_.end(), c), connections_.end());
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
        c->closed = true;
        c->lines.clear();
    }
    connections_.clear();
    transfer_->stop();
    roles_.clearAll();
}

// ---- dispatch ----

void HostService::dispatch(Connection &c, const QByteArray &line) {
    const ControlLine cl = parseControlLine(line);
    if (cl.command == Command::User) return login(c, cl.field);
    if (!logins_.contains(c.address)) return;  // not logged in: ignored
    auto reply = [&c](const QByteArray &b) { send(c, b); };
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
    const qsizetype bar = field.indexOf('|');
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
            // show started in that time never draws: the reply, and the
            // commands queued behind it, wait for the load.
            if (ppt_.describe(w).isImpress()) {
                services_.clock->sleep(kImpressLoadMs);
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

void HostService::onDatagram(const QByteArray &bytes, const QHostAddress &, quint16) {
    const auto probe = parseProbe(bytes);
    if (!probe) return;
    log(probe->address + QStringLiteral(" 扫描。"));
    const auto port = replyPort(probe->portText);
    const auto to = ipv4FromText(probe->address);
    if (!port || !to || !isUnicastTarget(*to)) return;
    QString host = kv::trimmed(ui_.hostAddress());
    if (host.isEmpty()) host = kv::trimmed(services_.address->localIPv4());
    listeners_.sendDatagram(buildReply(host, listeners_.scanPortText()), *to, *port);
}

}  // namespace host
