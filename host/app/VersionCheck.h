#pragma once
// Reading the maker's version page: its text and the announcement line
// "Korvelo投影助理最新版本：<version>，下载地址：<address>，欢迎下载".
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace host {

inline constexpr qint64 kVersionPageCap = 1024 * 1024;
inline constexpr int kVersionPageTimeoutMs = 600000;

// Charset from the Content-Type header, else the page's meta tag, else UTF-8
// when the bytes are valid UTF-8, else GBK.
QString decodePage(const QByteArray &body, const QByteArray &contentType);
// The page as the lines of its visible text (HTML is rendered to plain text).
QStringList pageLines(const QByteArray &body, const QByteArray &contentType);

struct VersionLine {
    enum Kind {
        None,           // no line holds the marker, or no "，下载地址：" after it
        NotANumber,     // the version text is not a number
        Found,
    };
    Kind kind = None;
    QString versionText;  // as the page wrote it
    double version = 0;
    bool hasAddress = false;  // "，欢迎下载" follows the address
    QString address;
};
// Parses the first line holding the marker; later lines are not looked at.
VersionLine findVersionLine(const QStringList &lines);

// Only an absolute http or https URL with a host is ever opened.
bool isSafeDownloadAddress(const QString &address);

}  // namespace host
