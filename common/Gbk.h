#pragma once
// GBK text at the edges: the wire, INI files and text files carry GBK bytes.
// Conversion goes through iconv's GB18030, which is byte-identical to GBK for
// every GBK character and lossless for everything else.
#include <QByteArray>
#include <QString>
#include <optional>

namespace kv {

// Strict conversions: nullopt when some character or byte sequence cannot be
// converted. badOffset (when given) receives the offending position: a
// character index for toGbk, a byte index for fromGbk.
std::optional<QByteArray> toGbk(const QString &text, qsizetype *badOffset = nullptr);
std::optional<QString> fromGbk(const QByteArray &bytes, qsizetype *badOffset = nullptr);

// Lenient conversions for display and logging: unconvertible input becomes '?'
// (toGbk) or U+FFFD (fromGbk) and conversion goes on.
QByteArray toGbkLossy(const QString &text);
QString fromGbkLossy(const QByteArray &bytes);

// True when every character of text can be written in GBK proper (two bytes at
// most), i.e. a peer that speaks only GBK can carry it.
bool fitsGbk(const QString &text);

}  // namespace kv
