#pragma once
// The clock's look as show.ini keeps it: colours in the colour text form
// ("clLime", "$00bbggrr", decimal), the font as name, size in points, height
// in pixels (negative: character height, positive: cell height) and four
// style characters for bold, italic, underline and strike-out.
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <optional>

#include "host/timer/TimerOptions.h"
#include "host/timer/TimerState.h"

namespace host {

// A colour name (any case) or an integer ("$" or "0x" hexadecimal, or decimal);
// nullopt for anything else, system colours included.
std::optional<ColorValue> colorFromText(const QString &text);
// The name when there is one, else "$" and eight lower-case hexadecimal digits.
QString colorToText(ColorValue value);
// Invalid for clNone and clDefault (no colour of its own).
QColor toQColor(ColorValue value);
ColorValue fromQColor(const QColor &color);

// Nullopt when size or height is no whole number or out of reason.
std::optional<FontLook> fontLookFromText(const QString &name, const QString &size,
                                         const QString &height, const QString &style);
// Exactly the styles that style names: a "0" clears its style.
QFont toQFont(const FontLook &look);
FontLook fromQFont(const QFont &font);

// The same from the texts of the three edits, trimmed and not checked.
QString clockFieldsText(const QString &h, const QString &m, const QString &s);

// The screen the small clock stands on and the full-screen clock fills: the
// first screen other than the primary one when there are several.
QRect clockScreen();

// Contrast ratio of two colours as the web's accessibility rules define it (1 to 21).
double contrastRatio(const QColor &a, const QColor &b);
// wanted when it reads well on back (ratio 4.5 or more), else black or white,
// whichever reads better.
QColor readableOn(const QColor &back, const QColor &wanted);

// Nearest integer, halves to even.
int roundHalfEven(double v);

}  // namespace host
