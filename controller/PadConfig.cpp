#include "controller/PadConfig.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "common/Gbk.h"
#include "common/IniFile.h"
#include "common/Text.h"

namespace pad {

namespace {
const QString kSection = QStringLiteral("client");
const QString kUserKey = QStringLiteral("ClientUser");
const QString kPassKey = QStringLiteral("ClientPass");
const QString kPortKey = QStringLiteral("port");
QString flagText(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }
}  // namespace

PadConfig::PadConfig(QString programDir) : dir_(std::move(programDir)) {}

QString PadConfig::iniPath() const { return QDir(dir_).filePath(QStringLiteral("slidepad.ini")); }
QString PadConfig::scanPath() const { return QDir(dir_).filePath(QStringLiteral("scan.ini")); }
QString PadConfig::defaultServerFile() const { return QDir(dir_).filePath(QStringLiteral("slidehost")); }

PadSettings PadConfig::loadSettings() const {
    kv::IniFile ini(iniPath());
    PadSettings s;
    s.user = ini.readString(kSection, kUserKey, s.user);
    s.pass = ini.readString(kSection, kPassKey, s.pass);
    s.port = ini.readString(kSection, kPortKey, s.port);
    auto flag = [&](const char *key) {
        return ini.readString(kSection, QString::fromLatin1(key), QStringLiteral("false")) ==
               QStringLiteral("True");
    };
    s.autoScan = flag("AutoScan");
    s.autoConnect = flag("AutoConnect");
    s.fullScreen = flag("FullScreen");
    return s;
}

void PadConfig::saveSettings(const PadSettings &s) {
    kv::IniFile ini(iniPath());
    ini.writeString(kSection, kUserKey, s.user);
    ini.writeString(kSection, kPassKey, s.pass);
    ini.writeString(kSection, kPortKey, s.port);
    ini.writeString(kSection, QStringLiteral("AutoScan"), flagText(s.autoScan));
    ini.writeString(kSection, QStringLiteral("AutoConnect"), flagText(s.autoConnect));
    ini.writeString(kSection, QStringLiteral("FullScreen"), flagText(s.fullScreen));
}

QString PadConfig::clientUser() const {
    return kv::IniFile(iniPath()).readString(kSection, kUserKey, PadSettings().user);
}
QString PadConfig::clientPass() const {
    return kv::IniFile(iniPath()).readString(kSection, kPassKey, PadSettings().pass);
}
QString PadConfig::port() const {
    return kv::IniFile(iniPath()).readString(kSection, kPortKey, PadSettings().port);
}

QString PadConfig::serverFile() const {
    return kv::IniFile(iniPath()).readString(kSection, QStringLiteral("ServerFile"), defaultServerFile());
}

void PadConfig::setServerFile(const QString &path) {
    kv::IniFile(iniPath()).writeString(kSection, QStringLiteral("ServerFile"), path);
}

QStringList PadConfig::loadScanList() const {
    QFile f(scanPath());
    if (!f.open(QIODevice::ReadOnly)) return {};
    QByteArray data = f.readAll();
    QStringList out;
    const QList<QByteArray> parts = data.split('\n');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QByteArray l = parts[i];
        if (i == parts.size() - 1 && l.isEmpty()) break;  // after the last line end
        if (l.endsWith('\r')) l.chop(1);
        out << kv::fromGbkLossy(l);
    }
    return out;
}

void PadConfig::saveScanList(const QStringList &lines) {
    QByteArray data;
    for (const QString &l : lines) data += kv::toGbkLossy(l) + "\r\n";
    QSaveFile f(scanPath());
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit())
        throw kv::IniWriteError(scanPath());
}

int PadConfig::CountOccurrences(const QString &needle, const QString &text) {
    const QString n = kv::trimmed(needle), t = kv::trimmed(text);
    if (n.isEmpty()) return 0;
    int count = 0;
    for (qsizetype at = t.indexOf(n); at >= 0; at = t.indexOf(n, at + n.size())) ++count;
    return count;
}

int PadConfig::PosFromEnd(const QString &needle, const QString &text) {
    if (needle.isEmpty()) return 0;
    qsizetype at = text.lastIndexOf(needle);
    return at < 0 ? 0 : static_cast<int>(text.size() - at);
}

PrefixCheck PadConfig::normalisePrefixes(const QStringList &lines) {
    PrefixCheck r;
    const QString dot = QStringLiteral(".");
    for (int i = 0; i < lines.size(); ++i) {
        QString line = kv::trimmed(lines[i]);
        if (!line.endsWith(dot)) {
            int dots = CountOccurrences(dot, line);
            if (dots == 2) {
                line += dot;
            } else if (dots == 3) {
                line.chop(PosFromEnd(dot, line) - 1);  // keep the last dot
            } else {
                r.ok = false;
                r.badLine = i;
                return r;
            }
        }
        if (!kv::IsValidIPv4(line + QStringLiteral("1"))) {
            r.ok = false;
            r.badLine = i;
            return r;
        }
        r.lines << line;
    }
    return r;
}

QString PadConfig::localPrefix(const QString &address) {
    qsizetype at = address.lastIndexOf(QLatin1Char('.'));
    return at < 0 ? QString() : address.left(at + 1);
}

}  // namespace pad
