#pragma once
// Discovery: a probe "c_hi" + address + "|" + port (NUL-terminated) is answered
// with "s_hi" + host address + "|" + scan port + NUL, sent to the address and
// port named inside the probe, and only where a controller can be: the probe's
// own source or a unicast address on one of the host's own networks.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <optional>

namespace host {

struct Probe {
    QString address;   // trimmed, a valid dotted IPv4 text
    QString portText;  // trimmed, not yet checked
};

// The probe in a datagram (first 255 bytes, text up to the first NUL);
// nullopt for anything else.
std::optional<Probe> parseProbe(const QByteArray &datagram);
// Port 1..65535 in decimal.
std::optional<quint16> replyPort(const QString &portText);
// The address of a valid dotted text (leading zeros read as decimal).
std::optional<QHostAddress> ipv4FromText(const QString &text);
struct Subnet {
    quint32 net = 0;
    quint32 mask = 0;
};
// The host's own IPv4 networks, one per interface address. A forced local
// address (KV_LOCAL_IPV4) stands for the machine's only network, as its /24.
QList<Subnet> localNetworks();

// Not 0.0.0.0/8, not limited or a subnet's broadcast, not multicast or reserved.
bool isUnicastTarget(const QHostAddress &address, const QList<Subnet> &nets);
bool isUnicastTarget(const QHostAddress &address);  // on the current networks
// A reply may go to `target` when it is unicast and the probe's source or on one of `nets`.
bool mayReplyTo(const QHostAddress &target, const QHostAddress &source, const QList<Subnet> &nets);
QByteArray buildReply(const QString &hostAddress, const QString &scanPortText);

}  // namespace host
