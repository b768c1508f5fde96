#pragma once
// The user's desktop as the host's placement uses it: where the desktop folder
// is, launchers (freedesktop .desktop files) on it, and putting a program file
// into place. XdgDesktop is the real side; the tests' FakeDesktop records and fails.
#include <QString>

#include <memory>

namespace platform {

class Desktop {
public:
    virtual ~Desktop() = default;
    // XDG_DESKTOP_DIR of the user's folder settings, else ~/Desktop; it may not exist yet.
    virtual QString desktopFolder() = 0;
    // The program a launcher file starts (the first word of its Exec); "" when
    // the file is missing or is no launcher.
    virtual QString launcherProgram(const QString &launcherFile) = 0;
    // Writes launcherFile, replacing what is there: Name name, starting program in
    // workDir, run bits set. False when it could not.
    virtual bool writeLauncher(const QString &launcherFile, const QString &name,
                               const QString &program, const QString &workDir) = 0;
    // Copies source over target completely or not at all: the bytes go into a
    // temporary file beside target, which is checked and renamed over it with
    // the source's permission bits. A failed copy leaves target as it was.
    virtual bool copyProgram(const QString &source, const QString &target) = 0;
};

class XdgDesktop : public Desktop {
public:
    QString desktopFolder() override;
    QString launcherProgram(const QString &launcherFile) override;
    bool writeLauncher(const QString &launcherFile, const QString &name, const QString &program,
                       const QString &workDir) override;
    bool copyProgram(const QString &source, const QString &target) override;
};

// True when both paths name one existing file or folder (same device and inode),
// whatever the spelling: "/a/b/", "/a/x/../b", a symbolic link to /a/b.
bool sameFile(const QString &a, const QString &b);

// Exec forms of Desktop Entry files: one program path quoted so that blanks,
// quotes, "$", "%" and backslashes survive, and the program read back from an
// Exec value ("" when there is none).
QString desktopExecFor(const QString &program);
QString programOfDesktopExec(const QString &execValue);

}  // namespace platform
