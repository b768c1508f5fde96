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

// Decimal value of a trimmed digit run; nullopt when not IsAllDigits or when
// it does not fit max.
std::optional<quint64> parseDecimal(const QString &s, quint64 max = 0xFFFFFFFFull);

QString timeOfDayText(const QTime &t);  // H:mm:ss
QString shortDateText(const QDate &d);  // yyyy/M/d

}  // namespace kv
