#include "host/protocol/HostConfig.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

#include "common/IniFile.h"
#include "common/Text.h"

namespace host {

QString showIniPath(const QString &programDir) {
    return QDir(programDir).filePath(QStringLiteral("show.ini"));
}

QString clientProgramPath(const QString &programDir) {
    const QString beside = QDir(programDir).filePath(QStringLiteral("slidepad"));
    const QString path =
        kv::trimmed(kv::IniFile(showIniPath(programDir)).readString(QStringLiteral("Server"), "ClientFile", beside));
    return path.isEmpty() || path == QLatin1String("0") ? beside : path;
}

StartupValues StartupValues::read(const QString &iniPath) {
    const kv::IniFile ini(iniPath);
    const QString s = QStringLiteral("server");
    StartupValues v;
    v.sharedFolderPath = ini.readString(s, "PPTdir", QDir::homePath());
    v.serviceUser = ini.readString(s, "ServerUser", "tuvop");
    v.servicePassword = ini.readString(s, "ServerPass", "tuvop");
    v.servicePortText = ini.readString(s, "ServerPort", "8220");
    v.latestVersion = parseVersionNumber(ini.readString(s, "NewVersion", "1.0")).value_or(1.0);
    v.lastCheckDate = ini.readString(s, "CheckDate", "0");
    v.autoStartText = ini.readString(s, "AutoStart", "false");
    v.autoRespText = ini.readString(s, "AutoResp", "true");
    v.newTypeText = ini.readString(s, "NewType", "true");
    v.autoCheckNewText = ini.readString(s, "AutoCheckNew", "true");
    v.versionPage = ini.readString(s, "VersionPage", QString::fromLatin1(kDefaultVersionPage));
    return v;
}

std::optional<double> parseVersionNumber(const QString &text) {
    static const QRegularExpression re(QStringLiteral("^[0-9]{1,9}(\\.[0-9]{1,9})?$"));
    const QString t = kv::trimmed(text);
    if (!re.match(t).hasMatch()) return std::nullopt;
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

QString versionText(double v) {
    return QLocale::c().toString(v, 'g', QLocale::FloatingPointShortest);
}

std::optional<long long> parseWholeNumber(const QString &text) {
    static const QRegularExpression re(QStringLiteral("^[+-]?[0-9]{1,18}$"));
    const QString t = kv::trimmed(text);
    if (!re.match(t).hasMatch()) return std::nullopt;
    return t.toLongLong();
}

bool autoCheckNewOn(const QString &text) {
    const QString t = kv::trimmed(text);
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        bool ok = false;
        const qulonglong v = t.mid(2).toULongLong(&ok, 16);
        return !ok || v != 0;
    }
    if (auto n = parseWholeNumber(t)) return *n != 0;
    return true;
}

}  // namespace host
