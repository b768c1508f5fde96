#pragma once
// slidepad.ini (section "client") and scan.ini, both in the program's folder.
// Writes go to the file at once; a refused write throws kv::IniWriteError.
#include <QString>
#include <QStringList>

namespace pad {

struct PadSettings {
    QString user = QStringLiteral("tuvop");
    QString pass = QStringLiteral("tuvop");
    QString port = QStringLiteral("8220");
    bool autoScan = false;
    bool autoConnect = false;
    bool fullScreen = false;
};

// Result of checking the scan list before a save.
struct PrefixCheck {
    bool ok = true;
    QStringList lines;  // normalised lines (up to the faulty one when !ok)
    int badLine = -1;
};

class PadConfig {
public:
    explicit PadConfig(QString programDir);

    QString iniPath() const;
    QString scanPath() const;
    QString defaultServerFile() const;

    // Every key falls back to its default; a flag is set only by exactly "True".
    PadSettings loadSettings() const;
    // Writes ClientUser, ClientPass, port, AutoScan, AutoConnect, FullScreen in that order.
    void saveSettings(const PadSettings &s);

    // Login and port as the file window reloads them.
    QString clientUser() const;
    QString clientPass() const;
    QString port() const;

    QString serverFile() const;
    void setServerFile(const QString &path);

    // Lines of scan.ini; empty when the file is missing.
    QStringList loadScanList() const;
    // Replaces scan.ini, also with an empty list. Throws kv::IniWriteError.
    void saveScanList(const QStringList &lines);

    // Trims every line and completes it to a prefix ending in ".": two dots get
    // a final "."; three dots are cut after the last dot. The prefix followed
    // by "1" must be a valid address. Stops at the first line that fails.
    static PrefixCheck normalisePrefixes(const QStringList &lines);
    // The address up to and including its last "."; "" when it holds none.
    static QString localPrefix(const QString &address);
    // Non-overlapping occurrences of the trimmed needle in the trimmed text.
    static int CountOccurrences(const QString &needle, const QString &text);
    // 1-based distance from the text's end to the start of the needle's last occurrence; 0 if none.
    static int PosFromEnd(const QString &needle, const QString &text);

private:
    QString dir_;
};

}  // namespace pad
