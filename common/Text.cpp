#include "common/Text.h"

#include <array>

namespace kv {

QString trimmed(const QString &s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s.at(b).unicode() <= 0x20) ++b;
    while (e > b && s.at(e - 1).unicode() <= 0x20) --e;
    return s.mid(b, e - b);
}

QByteArray trimmed(const QByteArray &s) {
    qsizetype b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s.at(b)) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(s.at(e - 1)) <= 0x20) --e;
    return s.mid(b, e - b);
}

bool IsAllDigits(const QString &s) {
    QString t = trimmed(s);
    if (t.isEmpty()) return false;
    for (QChar c : t)
        if (c.unicode() < '0' || c.unicode() > '9') return false;
    return true;
}

bool hasLineBreak(const QByteArray &s) { return s.contains('\r') || s.contains('\n'); }
bool hasLineBreak(const QString &s) { return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n')); }

std::optional<quint64> parseDecimal(const QString &s, quint64 max) {
    const QString t = trimmed(s);
    if (!IsAllDigits(t)) return std::nullopt;
    quint64 v = 0;
    for (QChar c : t) {
        v = v * 10 + (c.unicode() - '0');
        if (v > max) return std::nullopt;
    }
    return v;
}

namespace {
std::optional<std::array<quint64, 4>> ipv4Parts(const QString &s) {
    std::array<quint64, 4> parts{};
    QString t = trimmed(s);
    for (int i = 0; i < 3; ++i) {
        qsizetype dot = t.indexOf(QLatin1Char('.'));
        if (dot < 0) return std::nullopt;
        QString part = t.left(dot);
        // A part with blanks before its dot is not a number as it stands.
        if (part != trimmed(part)) return std::nullopt;
        auto v = parseDecimal(part);
        if (!v || *v > 255) return std::nullopt;
        parts[i] = *v;
        t = trimmed(t.mid(dot + 1));
        if (t.isEmpty()) return std::nullopt;
    }
    auto v = parseDecimal(t);
    if (!v || *v > 255) return std::nullopt;
    parts[3] = *v;
    return parts;
}
}  // namespace

bool IsValidIPv4(const QString &s) { return ipv4Parts(s).has_value(); }

QString normalizedIPv4(const QString &s) {
    const auto p = ipv4Parts(s);
    if (!p) return {};
    return QStringLiteral("%1.%2.%3.%4").arg((*p)[0]).arg((*p)[1]).arg((*p)[2]).arg((*p)[3]);
}

QString normalizedPrefix(const QString &prefix) {
    QString a = normalizedIPv4(prefix + QLatin1Char('1'));
    return a.isEmpty() ? a : a.left(a.lastIndexOf(QLatin1Char('.')) + 1);
}

QString timeOfDayText(const QTime &t) { return t.toString(QStringLiteral("H:mm:ss")); }

QString shortDateText(const QDate &d) { return d.toString(QStringLiteral("yyyy/M/d")); }

}  // namespace kv
