#include "host/app/VersionCheck.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextDocument>
#include <QUrl>

#include "common/Gbk.h"
#include "common/Text.h"
#include "host/protocol/HostConfig.h"

namespace host {

namespace {

const QString kMarker = QStringLiteral("Korvelo投影助理最新版本：");
const QString kAddressSep = QStringLiteral("，下载地址：");
const QString kWelcome = QStringLiteral("，欢迎下载");

QByteArray charsetIn(const QByteArray &text) {
    static const QRegularExpression re(QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
                                       QRegularExpression::CaseInsensitiveOption);
    auto m = re.match(QString::fromLatin1(text));
    return m.hasMatch() ? m.captured(1).toLatin1().toLower() : QByteArray();
}

bool isGbkFamily(const QByteArray &cs) {
    return cs == "gbk" || cs == "gb2312" || cs == "gb18030" || cs == "cp936" || cs == "x-gbk";
}

std::optional<QString> decodeAs(const QByteArray &cs, const QByteArray &body) {
    if (cs.isEmpty()) return std::nullopt;
    if (isGbkFamily(cs)) return kv::fromGbkLossy(body);
    auto enc = QStringConverter::encodingForName(cs.constData());
    if (!enc) return std::nullopt;
    QStringDecoder dec(*enc);
    return QString(dec(body));
}

bool looksLikeHtml(const QByteArray &body, const QByteArray &contentType) {
    if (contentType.toLower().contains("html")) return true;
    if (!contentType.isEmpty()) return false;
    const QByteArray head = body.left(1024).toLower();
    return head.contains("<html") || head.contains("<body") || head.contains("<!doctype");
}

}  // namespace

QString decodePage(const QByteArray &body, const QByteArray &contentType) {
    if (auto s = decodeAs(charsetIn(contentType), body)) return *s;
    // The meta tag sits near the top of the page.
    if (auto s = decodeAs(charsetIn(body.left(4096)), body)) return *s;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString s = utf8(body);
    if (!utf8.hasError()) return s;
    return kv::fromGbkLossy(body);
}

QStringList pageLines(const QByteArray &body, const QByteArray &contentType) {
    QString text = decodePage(body, contentType);
    if (looksLikeHtml(body, contentType)) {
        QTextDocument doc;
        doc.setHtml(text);
        text = doc.toPlainText();
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    text.replace(QChar(0x2029), QChar('\n'));
    text.replace(QChar(0x2028), QChar('\n'));
    return text.split(QChar('\n'));
}

VersionLine findVersionLine(const QStringList &lines) {
    VersionLine out;
    for (const QString &line : lines) {
        const qsizetype at = line.indexOf(kMarker);
        if (at < 0) continue;
        const QString rest = line.mid(at + kMarker.size());
        const qsizetype sep = rest.indexOf(kAddressSep);
        if (sep < 0) return out;
        out.versionText = rest.left(sep);
        auto v = parseVersionNumber(out.versionText);
        if (!v) {
            out.kind = VersionLine::NotANumber;
            return out;
        }
        out.kind = VersionLine::Found;
        out.version = *v;
        const QString tail = rest.mid(sep + kAddressSep.size());
        const qsizetype end = tail.indexOf(kWelcome);
        if (end >= 0) {
            out.hasAddress = true;
            out.address = kv::trimmed(tail.left(end));
        }
        return out;
    }
    return out;
}

bool isSafeDownloadAddress(const QString &address) {
    if (address.isEmpty()) return false;
    for (QChar c : address)
        if (c.unicode() <= 0x20 || c.unicode() == 0x7F) return false;
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) return false;
    const QString scheme = url.scheme().toLower();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

}  // namespace host
