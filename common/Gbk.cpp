#include "common/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace kv {
namespace {

// One conversion. Strict (no replacement): false on the first invalid or
// incomplete sequence, whose byte offset goes to badByte. Lenient: each byte
// where no sequence can start becomes `replacement` and conversion goes on, so
// hostile input costs one pass. False only when iconv cannot convert at all.
bool convert(const char *to, const char *from, const QByteArray &in, QByteArray &out,
             qsizetype *badByte, const QByteArray &replacement = {}) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (badByte) *badByte = 0;
        return false;
    }
    out.clear();
    out.resize(in.size() * 4 + 16);
    char *inPtr = const_cast<char *>(in.constData());
    size_t inLeft = static_cast<size_t>(in.size());
    char *outPtr = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    bool ok = true;
    while (inLeft > 0) {
        size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG || (!replacement.isEmpty() && outLeft < size_t(replacement.size()))) {
            qsizetype used = outPtr - out.data();
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = static_cast<size_t>(out.size() - used);
            continue;
        }
        if (!replacement.isEmpty()) {
            std::memcpy(outPtr, replacement.constData(), size_t(replacement.size()));
            outPtr += replacement.size();
            outLeft -= size_t(replacement.size());
            ++inPtr;
            --inLeft;
            continue;
        }
        ok = false;
        if (badByte) *badByte = inPtr - in.constData();
        break;
    }
    out.resize(outPtr - out.data());
    iconv_close(cd);
    return ok;
}

}  // namespace

std::optional<QByteArray> toGbk(const QString &text, qsizetype *badOffset) {
    // Lone surrogates cannot be encoded; catch them before UTF-8 hides them.
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                ++i;
                continue;
            }
            if (badOffset) *badOffset = i;
            return std::nullopt;
        }
        if (c.isLowSurrogate()) {
            if (badOffset) *badOffset = i;
            return std::nullopt;
        }
    }
    QByteArray out;
    qsizetype bad = 0;
    const QByteArray utf8 = text.toUtf8();
    if (!convert("GB18030", "UTF-8", utf8, out, &bad)) {
        if (badOffset) *badOffset = QString::fromUtf8(utf8.left(bad)).size();
        return std::nullopt;
    }
    return out;
}

std::optional<QString> fromGbk(const QByteArray &bytes, qsizetype *badOffset) {
    QByteArray out;
    if (!convert("UTF-8", "GB18030", bytes, out, badOffset)) return std::nullopt;
    return QString::fromUtf8(out);
}

QByteArray toGbkLossy(const QString &text) {
    // Convert character by character only when the fast path fails.
    if (auto whole = toGbk(text)) return *whole;
    QByteArray result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size() &&
                         text.at(i + 1).isLowSurrogate())
                            ? 2
                            : 1;
        auto piece = toGbk(text.mid(i, len));
        result += piece ? *piece : QByteArray("?");
        i += len - 1;
    }
    return result;
}

QString fromGbkLossy(const QByteArray &bytes) {
    QByteArray out;
    if (!convert("UTF-8", "GB18030", bytes, out, nullptr, QByteArray("\xEF\xBF\xBD")))  // U+FFFD
        return QString(bytes.size(), QChar(0xFFFD));
    return QString::fromUtf8(out);
}

bool fitsGbk(const QString &text) {
    auto bytes = toGbk(text);
    if (!bytes) return false;
    // GB18030's four-byte sequences are outside GBK.
    const QByteArray &b = *bytes;
    for (qsizetype i = 0; i < b.size();) {
        unsigned char c = static_cast<unsigned char>(b[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (i + 1 >= b.size()) return false;
        unsigned char d = static_cast<unsigned char>(b[i + 1]);
        if (d >= 0x30 && d <= 0x39) return false;  // four-byte form
        i += 2;
    }
    return true;
}

}  // namespace kv
