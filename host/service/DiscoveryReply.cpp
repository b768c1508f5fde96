#include "host/service/DiscoveryReply.h"

#include <QNetworkInterface>

#include "common/Gbk.h"
#include "common/Text.h"

namespace host {

std::optional<Probe> parseProbe(const QByteArray &datagram) {
    QByteArray text = datagram.left(255);
    if (qsizetype nul = text.indexOf('\0'); nul >= 0) text.truncate(nul);
    if (!text.startsWith("c_hi")) return std::nullopt;
    const QString rest = kv::fromGbkLossy(text.mid(4));
    const qsizetype bar = rest.indexOf(QLatin1Char('|'));
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

bool isUnicastTarget(const QHostAddress &address) {
    bool ok = false;
    const quint32 v = address.toIPv4Address(&ok);
    if (!ok) return false;
    if ((v >> 24) == 0) return false;            // 0.0.0.0/8, "this network"
    if ((v >> 28) >= 0xE) return false;          // multicast, reserved, 255.255.255.255
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces())
        for (const QNetworkAddressEntry &e : iface.addressEntries()) {
            if (e.ip().protocol() != QAbstractSocket::IPv4Protocol) continue;
            const quint32 mask = e.netmask().toIPv4Address();
            const quint32 net = e.ip().toIPv4Address() & mask;
            // A subnet's broadcast address (its host part all ones); a /31 or
            // /32 has none.
            if (mask != 0 && ~mask > 1 && (v & mask) == net && (v | mask) == 0xFFFFFFFFu)
                return false;
        }
    return true;
}

QByteArray buildReply(const QString &hostAddress, const QString &scanPortText) {
    QByteArray out = "s_hi" + kv::toGbkLossy(hostAddress) + '|' + kv::toGbkLossy(scanPortText);
    out.append('\0');
    return out;
}

}  // namespace host
