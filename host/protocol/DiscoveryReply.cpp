#include "host/protocol/DiscoveryReply.h"

#include <QNetworkInterface>

#include <algorithm>

#include "common/Gbk.h"
#include "common/Protocol.h"
#include "common/Text.h"

namespace host {

std::optional<Probe> parseProbe(const QByteArray &datagram) {
    QByteArray text = datagram.left(255);
    if (qsizetype nul = text.indexOf('\0'); nul >= 0) text.truncate(nul);
    if (!text.startsWith(kv::wire::discovery::probe)) return std::nullopt;
    const QString rest = kv::fromGbkLossy(text.mid(kv::wire::length(kv::wire::discovery::probe)));
    const qsizetype bar = rest.indexOf(QLatin1Char(kv::wire::fieldSeparator));
    if (bar < 0) return std::nullopt;
    Probe p{kv::trimmed(rest.left(bar)), kv::trimmed(rest.mid(bar + 1))};
    if (!kv::IsValidIPv4(p.address)) return std::nullopt;
    return p;
}

std::optional<quint16> replyPort(const QString &portText) {
    auto v = kv::parseDecimal(portText, 65535);
    if (!v || *v == 0) return std::nullopt;
    return static_cast<quint16>(*v);
}

std::optional<QHostAddress> ipv4FromText(const QString &text) {
    if (!kv::IsValidIPv4(text)) return std::nullopt;
    const QStringList parts = kv::trimmed(text).split(QLatin1Char('.'));
    quint32 v = 0;
    for (const QString &part : parts) v = (v << 8) | static_cast<quint32>(*kv::parseDecimal(part));
    return QHostAddress(v);
}

QList<Subnet> localNetworks() {
    QList<Subnet> nets;
    const QString forced = kv::trimmed(qEnvironmentVariable("KV_LOCAL_IPV4"));
    if (auto a = ipv4FromText(forced)) return {{a->toIPv4Address() & 0xFFFFFF00u, 0xFFFFFF00u}};
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        if (!(iface.flags() & QNetworkInterface::IsUp)) continue;
        for (const QNetworkAddressEntry &e : iface.addressEntries()) {
            if (e.ip().protocol() != QAbstractSocket::IPv4Protocol) continue;
            const quint32 mask = e.netmask().toIPv4Address();
            nets.append({e.ip().toIPv4Address() & mask, mask});
        }
    }
    return nets;
}

bool isUnicastTarget(const QHostAddress &address, const QList<Subnet> &nets) {
    bool ok = false;
    const quint32 v = address.toIPv4Address(&ok);
    if (!ok) return false;
    if ((v >> 24) == 0) return false;            // 0.0.0.0/8, "this network"
    if ((v >> 28) >= 0xE) return false;          // multicast, reserved, 255.255.255.255
    // A subnet's broadcast address (its host part all ones); a /31 or /32 has none.
    for (const Subnet &n : nets)
        if (n.mask != 0 && ~n.mask > 1 && (v & n.mask) == n.net && (v | n.mask) == 0xFFFFFFFFu)
            return false;
    return true;
}

bool isUnicastTarget(const QHostAddress &address) {
    return isUnicastTarget(address, localNetworks());
}

bool mayReplyTo(const QHostAddress &target, const QHostAddress &source, const QList<Subnet> &nets) {
    if (!isUnicastTarget(target, nets)) return false;
    const quint32 v = target.toIPv4Address();
    if (v == source.toIPv4Address()) return true;
    return std::any_of(nets.cbegin(), nets.cend(),
                       [v](const Subnet &n) { return n.mask != 0 && (v & n.mask) == n.net; });
}

QByteArray buildReply(const QString &hostAddress, const QString &scanPortText) {
    QByteArray out = kv::wire::discovery::answer + kv::toGbkLossy(hostAddress) +
                     kv::wire::fieldSeparator + kv::toGbkLossy(scanPortText);
    out.append('\0');
    return out;
}

}  // namespace host
