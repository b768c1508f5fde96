#pragma once
// show.ini beside the host program: the start-up values of section "server"
// and the number forms shared by its readers and writers. Numbers are always
// written and read with "." whatever the locale.
#include <QString>

#include <optional>

namespace host {

inline constexpr double kProgramVersion = 1.41;

QString showIniPath(const QString &programDir);

// The controller program as [Server] ClientFile in programDir's show.ini names
// it; absent, blank or "0": the one beside the host.
QString clientProgramPath(const QString &programDir);

// Values the main window reads from [server] when it is created.
struct StartupValues {
    QString sharedFolderPath;  // PPTdir; default the user's home folder
    QString serviceUser;       // ServerUser, "tuvop"
    QString servicePassword;   // ServerPass, "tuvop"
    QString servicePortText;   // ServerPort, "8220"
    double latestVersion = 1.0;  // NewVersion; a text that is no number reads as 1.0
    QString lastCheckDate;     // CheckDate, "0"
    QString autoStartText;     // AutoStart, "false"
    QString autoRespText;      // AutoResp, "true"
    QString newTypeText;       // NewType, "true"
    QString autoCheckNewText;  // AutoCheckNew, "true"
    QString versionPage;       // VersionPage, kDefaultVersionPage

    static StartupValues read(const QString &iniPath);
};

// The maker's home page (the main window's picture, the help texts).
inline const QString kMakerPage = QStringLiteral("http://korvelo.example/");
inline constexpr const char *kDefaultVersionPage = "http://korvelo.example/slidehost/version.html";

// Decimal number with "." ("1.41", " 2 "); nullopt for anything else.
std::optional<double> parseVersionNumber(const QString &text);
// Shortest general form: 1.41, 1.5, 2.
QString versionText(double v);
// Whole number as the start-up timer reads RunTimes: optional sign and decimal digits.
std::optional<long long> parseWholeNumber(const QString &text);
// AutoCheckNew as the settings load reads it: decimal or "0x" hexadecimal, absent
// or not a number counts as on, non-zero is on.
bool autoCheckNewOn(const QString &text);

}  // namespace host
