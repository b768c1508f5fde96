#pragma once
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

namespace kv {

// Removes every character up to U+0020 (blanks and control characters) at both ends.
QString trimmed(const QString &s);
QByteArray trimmed(const QByteArray &s);

// A non-empty run of ASCII decimal digits after trimming.
bool IsAllDigits(const QString &s);

// Dotted IPv4 address: four trimmed parts of decimal digits, each 0..255.
// Leading zeros are read as decimal ("010" is 10); a digit run too long for a
// 32-bit value is simply invalid.
bool IsValidIPv4(const QString &s);
// The address IsValidIPv4 accepts, in plain decimal ("010.0.0.1" gives
// "10.0.0.1"); "" when it is not one. Sockets read a leading zero as octal,
// so every address is normalised before a socket sees it.
QString normalizedIPv4(const QString &s);
// A scan prefix ("010.1.2." with its final dot) in plain decimal; "" when the
// prefix followed by a host number is no address.
QString normalizedPrefix(const QString &prefix);

// A CR or LF inside: sent on a control connection, the rest would be a line of its own.
bool hasLineBreak(const QByteArray &s);
bool hasLineBreak(const QString &s);

// Decimal value of a trimmed digit run; nullopt when not IsAllDigits or when
// it does not fit max.
std::optional<quint64> parseDecimal(const QString &s, quint64 max = 0xFFFFFFFFull);

QString timeOfDayText(const QTime &t);  // H:mm:ss
QString shortDateText(const QDate &d);  // yyyy/M/d

}  // namespace kv
