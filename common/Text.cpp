#include "common/Text.h"

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

bool IsValidIPv4(const QString &s) {
    QString t = trimmed(s);
    for (int i = 0; i < 3; ++i) {
        qsizetype dot = t.indexOf(QLatin1Char('.'));
        if (dot < 0) return false;
        QString part = t.left(dot);
        // A part with blanks before its dot is not a number as it stands.
        if (part != trimmed(part)) return false;
        auto v = parseDecimal(part);
        if (!v || *v > 255) return false;
        t = trimmed(t.mid(dot + 1));
        if (t.isEmpty()) return false;
    }
    auto v = parseDecimal(t);
    return v && *v <= 255;
}

QString timeOfDayText(const QTime &t) { return t.toString(QStringLiteral("H:mm:ss")); }

QString shortDateText(const QDate &d) { return d.toString(QStringLiteral("yyyy/M/d")); }

}  // namespace kv
