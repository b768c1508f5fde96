#include "platform/Desktop.h"

#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <sys/stat.h>

namespace platform {

namespace {

// A launcher line holds one value; a line break or other control character in
// a path or name cannot be written into one faithfully.
bool hasControl(const QString &s) {
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) return true;
    return false;
}

// String escapes of a Desktop Entry value (control characters never get here).
QString escapeValue(const QString &s) {
    QString r = s;
    return r.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
}

QString unescapeValue(const QString &s) {
    QString r;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != QLatin1Char('\\') || i + 1 == s.size()) {
            r += s[i];
            continue;
        }
        const QChar c = s[++i];
        r += c == QLatin1Char('s')   ? QChar(' ')
             : c == QLatin1Char('n') ? QChar('\n')
             : c == QLatin1Char('t') ? QChar('\t')
             : c == QLatin1Char('r') ? QChar('\r')
                                     : c;
    }
    return r;
}

constexpr qint64 kLauncherReadCap = 64 * 1024;  // a launcher is a few lines

}  // namespace

bool sameFile(const QString &a, const QString &b) {
    struct stat sa{}, sb{};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString desktopExecFor(const QString &program) {
    QString quoted(QLatin1Char('"'));
    for (QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    quoted.replace(QLatin1Char('%'), QLatin1String("%%"));
    return escapeValue(quoted);
}

QString programOfDesktopExec(const QString &execValue) {
    const QString s = unescapeValue(execValue).trimmed();
    QString program;
    if (s.startsWith(QLatin1Char('"'))) {
        qsizetype i = 1;
        for (; i < s.size() && s[i] != QLatin1Char('"'); ++i) {
            if (s[i] == QLatin1Char('\\') && i + 1 < s.size()) ++i;
            program += s[i];
        }
        if (i == s.size()) return {};  // no closing quote: not a valid Exec
    } else {
        for (QChar c : s) {
            if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) break;
            program += c;
        }
    }
    return program.replace(QLatin1String("%%"), QLatin1String("%"));
}

QString XdgDesktop::desktopFolder() {
    // Qt reads XDG_DESKTOP_DIR from user-dirs.dirs and falls back to ~/Desktop.
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

QString XdgDesktop::launcherProgram(const QString &launcherFile) {
    QFile f(launcherFile);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QStringList lines = QString::fromUtf8(f.read(kLauncherReadCap)).split(QLatin1Char('\n'));
    bool inEntry = false;
    for (QString line : lines) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inEntry && eq > 0 && line.left(eq).trimmed() == QLatin1String("Exec"))
            return programOfDesktopExec(line.mid(eq + 1));
    }
    return {};
}

bool XdgDesktop::writeLauncher(const QString &launcherFile, const QString &name,
                               const QString &program, const QString &workDir) {
    if (hasControl(name) || hasControl(program) || hasControl(workDir)) return false;
    const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=") + escapeValue(name) +
                         QStringLiteral("\nExec=") + desktopExecFor(program) +
                         QStringLiteral("\nPath=") + escapeValue(workDir) +
                         QStringLiteral("\nTerminal=false\n");
    QSaveFile out(launcherFile);
    if (!out.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = text.toUtf8();
    if (out.write(bytes) != bytes.size() || ::fchmod(out.handle(), 0755) != 0) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

bool XdgDesktop::copyProgram(const QString &source, const QString &target) {
    // Even where target is source under another name (a link), the source's bytes
    // survive: they go into a new file that replaces only target's name.
    QFile in(source);
    struct stat st{};
    if (!in.open(QIODevice::ReadOnly) || ::fstat(in.handle(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) return false;
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    qint64 copied = 0, n = 0;
    while ((n = in.read(buffer.data(), buffer.size())) > 0) {
        if (out.write(buffer.constData(), n) != n) break;
        copied += n;
    }
    // Complete means every byte of the source as it was when opened, nothing short.
    if (n != 0 || copied != st.st_size || ::fchmod(out.handle(), st.st_mode & 0777) != 0) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

}  // namespace platform
