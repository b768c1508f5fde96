#pragma once
// Discovery: a probe "c_hi" + address + "|" + port (NUL-terminated) is answered
// with "s_hi" + host address + "|" + scan port + NUL, sent to the address and
// port named inside the probe, and only when that is a unicast address.
#include <QByteArray>
#include <QHostAddress>
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
// Not 0.0.0.0/8, not limited or local-subnet broadcast, not multicast or reserved.
bool isUnicastTarget(const QHostAddress &address);
QByteArray buildReply(const QString &hostAddress, const QString &scanPortText);

}  // namespace host
