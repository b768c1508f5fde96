#include "controller/HostScanner.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include <algorithm>

#include "common/Gbk.h"
#include "common/Protocol.h"
#include "common/Text.h"
#include "controller/PadConfig.h"

namespace pad {

namespace wire = kv::wire;

namespace {
const QString kCaptionScan = QStringLiteral("扫描");
const QString kCaptionStop = QStringLiteral("停止");
constexpr qsizetype kMaxReplyBytes = 255;
}  // namespace

UdpScanTransport::UdpScanTransport(QObject *parent) : ScanTransport(parent) {}

bool UdpScanTransport::bind(quint16 port) {
    delete socket_;
    socket_ = new QUdpSocket(this);
    if (!socket_->bind(local_.isNull() ? QHostAddress(QHostAddress::AnyIPv4) : local_, port)) {
        delete socket_;
        socket_ = nullptr;
        return false;
    }
    connect(socket_, &QUdpSocket::readyRead, this, &UdpScanTransport::readPending);
    return true;
}

quint16 UdpScanTransport::boundPort() const { return socket_ ? socket_->localPort() : 0; }

void UdpScanTransport::send(const QByteArray &datagram, const QString &address, quint16 port) {
    if (!socket_) return;
    QHostAddress to(address);
    if (to.isNull()) return;
    // Send errors are not reported: a host that does not answer is not listed.
    socket_->writeDatagram(datagram, to, port);
}

void UdpScanTransport::readPending() {
    for (int i = 0; i < kDatagramsPerTurn; ++i) {
        if (!socket_ || !socket_->hasPendingDatagrams()) return;
        QNetworkDatagram d = socket_->receiveDatagram(64 * 1024);
        emit datagramReceived(d.data());
    }
    // The rest after whatever else waits in the event queue.
    if (turnScheduled_ || !socket_ || !socket_->hasPendingDatagrams()) return;
    turnScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            turnScheduled_ = false;
            readPending();
        },
        Qt::QueuedConnection);
}

HostScanner::HostScanner(ScanTransport *transport, Hooks hooks, OneShotFactory timers,
                         QObject *parent)
    : QObject(parent),
      transport_(transport),
      hooks_(std::move(hooks)),
      pace_(timers()),
      connectTimer_(timers()) {
    if (transport_)
        connect(transport_, &ScanTransport::datagramReceived, this, &HostScanner::handleDatagram);
}

HostScanner::~HostScanner() = default;

QString HostScanner::caption() const { return running_ ? kCaptionStop : kCaptionScan; }

QString HostScanner::localPrefix(const QString &address) { return PadConfig::localPrefix(address); }

QByteArray HostScanner::probeDatagram(const QString &localAddress, quint16 replyPort) {
    QByteArray text = wire::discovery::probe + kv::toGbkLossy(localAddress) +
                      wire::fieldSeparator + QByteArray::number(replyPort);
    QByteArray out = text;
    out.append('\0');
    // A text too long for the fixed size goes whole: a cut port would send
    // the replies astray.
    if (out.size() < kProbeSize) out.append(QByteArray(kProbeSize - out.size(), '\0'));
    return out;
}

void HostScanner::click() {
    emit statusText(QString());
    if (running_) {
        stop();
        return;
    }
    start();
}

bool HostScanner::start() {
    if (running_) return false;
    localAddress_ = hooks_.localAddress ? kv::trimmed(hooks_.localAddress()) : QString();
    if (const QString plain = kv::normalizedIPv4(localAddress_); !plain.isEmpty()) localAddress_ = plain;
    if (localAddress_.isEmpty()) {
        emit statusText(QStringLiteral("未检测到本机IP"));
        return false;
    }
    emit statusText(QStringLiteral("扫描投影服务器..."));
    emit showFileWindow();

    prefixes_ = hooks_.prefixList ? hooks_.prefixList() : QStringList();
    QString own = localPrefix(localAddress_);
    const bool listed = std::any_of(prefixes_.cbegin(), prefixes_.cend(), [&own](const QString &p) {
        return p == own || kv::normalizedPrefix(p) == own;
    });
    if (!listed) {
        prefixes_.append(own);
        if (hooks_.appendPrefix) hooks_.appendPrefix(own);
    }
    armed_ = true;

    // The port is taken once for the whole scan.
    auto port = kv::parseDecimal(hooks_.controlPortText ? hooks_.controlPortText() : QString(),
                                 kMaxControlPort);
    if (!port || *port < 1 || !transport_ ||
        !transport_->bind(quint16(*port + wire::answerPortOffset))) {
        emit statusText(QStringLiteral("扫描终止"));
        return false;
    }
    replyPort_ = quint16(*port + wire::answerPortOffset);
    scanPort_ = quint16(*port + wire::probePortOffset);

    hosts_.clear();
    emit hostsCleared();

    running_ = true;
    prefixIndex_ = 0;
    emit captionChanged(caption());
    beginPrefix();
    return true;
}

void HostScanner::beginPrefix() {
    if (!running_) return;
    if (prefixIndex_ >= prefixes_.size()) {
        stop();
        return;
    }
    const QString &prefix = prefixes_.at(prefixIndex_);
    emit statusText(QStringLiteral("扫描 ") + prefix + QStringLiteral(" 网段..."));
    inPrefix_ = true;
    hostNumber_ = 0;
    probeNext();
}

void HostScanner::probeNext() {
    if (!running_) return;
    if (!inPrefix_ || hostNumber_ >= 255) {
        finishPrefix();
        return;
    }
    ++hostNumber_;
    const QString target = prefixes_.at(prefixIndex_) + QString::number(hostNumber_);
    // The probe goes to the address the check accepted, in plain decimal.
    const QString address = kv::normalizedIPv4(target);
    if (address.isEmpty()) {
        emit logLine(QStringLiteral("错误的IP地址：") + target);
        finishPrefix();
        return;
    }
    transport_->send(probeDatagram(localAddress_, replyPort_), address, scanPort_);
    pace_->start(kProbeIntervalMs, [this] { probeNext(); });
}

void HostScanner::finishPrefix() {
    inPrefix_ = false;
    ++prefixIndex_;
    pace_->start(kPrefixPauseMs, [this] { beginPrefix(); });
}

void HostScanner::endCurrentPrefix() {
    if (!running_ || !inPrefix_) return;
    // The pending probe step notices and ends the prefix.
    inPrefix_ = false;
}

void HostScanner::stop() {
    if (!running_) return;
    running_ = false;
    inPrefix_ = false;
    pace_->stop();
    emit captionChanged(caption());
    emit statusText(QStringLiteral("扫描结束"));  // stopped or through: the same end
    emit finished();
}

bool HostScanner::addHost(const QString &address) {
    if (hosts_.size() >= kMaxHosts || hosts_.contains(address)) return false;
    hosts_.append(address);
    emit hostListed(int(hosts_.size()), address);
    return true;
}

void HostScanner::handleDatagram(const QByteArray &datagram) {
    QByteArray bytes = datagram.left(kMaxReplyBytes);
    qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) bytes.truncate(nul);
    emit datagramLogged(QStringLiteral("收到：") + kv::fromGbkLossy(bytes));
    if (!bytes.startsWith(wire::discovery::answer)) return;
    QByteArray rest = kv::trimmed(bytes.mid(wire::length(wire::discovery::answer)));
    qsizetype bar = rest.indexOf(wire::fieldSeparator);
    if (bar < 0) return;
    // Only a real address may be listed and connected to, in plain decimal.
    const QString host = kv::normalizedIPv4(kv::fromGbkLossy(kv::trimmed(rest.left(bar))));
    if (host.isEmpty()) return;
    if (!addHost(host)) return;

    if (!armed_ || !hooks_.autoConnectEnabled || !hooks_.autoConnectEnabled()) return;
    // A live session is never cut by a discovery reply.
    if (hooks_.isConnected && hooks_.isConnected()) return;
    emit statusText(QStringLiteral("扫描后自动连接"));
    emit autoConnectAddress(host);
    armed_ = false;
    pendingConnect_ = host;
    connectTimer_->start(kAutoConnectDelayMs, [this] { fireAutoConnect(); });
}

void HostScanner::fireAutoConnect() {
    QString host = pendingConnect_;
    pendingConnect_.clear();
    if (hooks_.isConnected && hooks_.isConnected()) return;
    emit autoConnectRequested(host);
}

}  // namespace pad
