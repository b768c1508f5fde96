#include "host/timer/ClockLook.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "common/Text.h"

namespace host {

namespace {

struct NamedColor {
    const char *name;
    ColorValue value;
};
constexpr NamedColor kNames[] = {
    {"clBlack", 0x000000},   {"clMaroon", 0x000080},     {"clGreen", 0x008000},  {"clOlive", 0x008080},
    {"clNavy", 0x800000},    {"clPurple", 0x800080},     {"clTeal", 0x808000},   {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},  {"clRed", 0x0000FF},        {"clLime", 0x00FF00},   {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},    {"clFuchsia", 0xFF00FF},    {"clAqua", 0xFFFF00},   {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0},
    {"clNone", kClNone},
};

constexpr int kMaxFontPixels = 1000;

std::optional<int> boundedInt(const QString &text, int limit) {
    bool ok = false;
    const int v = kv::trimmed(text).toInt(&ok);
    if (!ok || v < -limit || v > limit) return std::nullopt;
    return v;
}

}  // namespace

std::optional<ColorValue> colorFromText(const QString &text) {
    const QString t = kv::trimmed(text);
    for (const NamedColor &n : kNames)
        if (t.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) return n.value;
    if (t.compare(QLatin1String("clDefault"), Qt::CaseInsensitive) == 0) return kClDefault;
    bool ok = false;
    qlonglong v = 0;
    if (t.startsWith(QLatin1Char('$'))) v = t.mid(1).toLongLong(&ok, 16);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) v = t.mid(2).toLongLong(&ok, 16);
    else v = t.toLongLong(&ok, 10);
    if (!ok || v < INT32_MIN || v > UINT32_MAX) return std::nullopt;
    const auto value = static_cast<ColorValue>(v);
    if (value > 0xFFFFFF && value != kClNone && value != kClDefault) return std::nullopt;
    return value;
}

QString colorToText(ColorValue value) {
    for (const NamedColor &n : kNames)
        if (n.value == value) return QLatin1String(n.name);
    return QStringLiteral("$%1").arg(value, 8, 16, QLatin1Char('0'));
}

QColor toQColor(ColorValue value) {
    if (value > 0xFFFFFF) return {};
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

ColorValue fromQColor(const QColor &c) {
    if (!c.isValid()) return kClNone;
    return static_cast<ColorValue>(c.red()) | (static_cast<ColorValue>(c.green()) << 8) |
           (static_cast<ColorValue>(c.blue()) << 16);
}

std::optional<FontLook> fontLookFromText(const QString &name, const QString &size,
                                         const QString &height, const QString &style) {
    const auto s = boundedInt(size, kMaxFontPixels);
    const auto h = boundedInt(height, kMaxFontPixels);
    if (!s || !h) return std::nullopt;
    return FontLook{name, *s, *h, style};
}

QFont toQFont(const FontLook &look) {
    QFont f(look.name);
    if (look.height < 0) {
        f.setPixelSize(-look.height);
    } else if (look.height > 0) {
        // A cell height holds the leading too; scale the character height to fit it.
        QFont probe(look.name);
        probe.setPixelSize(look.height);
        const int cell = QFontMetrics(probe).height();
        f.setPixelSize(std::max(1, cell > 0 ? roundHalfEven(double(look.height) * look.height / cell)
                                            : look.height));
    } else if (look.size > 0) {
        f.setPointSize(look.size);
    }
    auto on = [&look](int i) { return look.style.size() > i && look.style.at(i) == QLatin1Char('1'); };
    f.setBold(on(0));
    f.setItalic(on(1));
    f.setUnderline(on(2));
    f.setStrikeOut(on(3));
    return f;
}

FontLook fromQFont(const QFont &font) {
    const QFontInfo info(font);
    FontLook look;
    look.name = font.family();
    look.size = info.pointSize();
    look.height = -info.pixelSize();
    look.style.clear();
    for (bool b : {font.bold(), font.italic(), font.underline(), font.strikeOut()})
        look.style += b ? QLatin1Char('1') : QLatin1Char('0');
    return look;
}

QString clockFieldsText(const QString &h, const QString &m, const QString &s) {
    auto field = [](const QString &t) { return (QLatin1Char('0') + kv::trimmed(t)).right(2); };
    return field(h) + QLatin1Char(':') + field(m) + QLatin1Char(':') + field(s);
}

QRect clockScreen() {
    QScreen *primary = QGuiApplication::primaryScreen();
    for (QScreen *s : QGuiApplication::screens())
        if (s != primary) return s->geometry();
    return primary ? primary->geometry() : QRect(0, 0, 1024, 768);
}

int roundHalfEven(double v) { return static_cast<int>(std::nearbyint(v)); }

namespace {
double luminance(const QColor &c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
}  // namespace

double contrastRatio(const QColor &a, const QColor &b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor &back, const QColor &wanted) {
    if (contrastRatio(back, wanted) >= 4.5) return wanted;
    const QColor black(Qt::black), white(Qt::white);
    return contrastRatio(back, black) >= contrastRatio(back, white) ? black : white;
}

}  // namespace host
