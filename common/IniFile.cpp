#include "common/IniFile.h"

#include <QFile>
#include <QSaveFile>

#include "common/Gbk.h"
#include "common/Text.h"

namespace kv {

IniWriteError::IniWriteError(const QString &path)
    : std::runtime_error(("Unable to write to " + path).toStdString()) {}

namespace {

// Splits after each LF, keeping the line ends, so unchanged bytes can be
// written back exactly.
QList<QByteArray> splitFileLines(const QByteArray &data) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype nl = data.indexOf('\n', start);
        if (nl < 0) {
            lines.append(data.mid(start));
            break;
        }
        lines.append(data.mid(start, nl - start + 1));  // keep the line end bytes
        start = nl + 1;
    }
    return lines;
}

QByteArray stripEnd(const QByteArray &line) {
    QByteArray l = line;
    if (l.endsWith('\n')) l.chop(1);
    if (l.endsWith('\r')) l.chop(1);
    return l;
}

bool sameName(const QByteArray &bytes, const QString &name) {
    return QString::compare(fromGbkLossy(trimmed(bytes)), trimmed(name), Qt::CaseInsensitive) == 0;
}

// Section header "[name]": returns the name bytes.
bool sectionOf(const QByteArray &line, QByteArray &name) {
    QByteArray t = trimmed(stripEnd(line));
    if (!t.startsWith('[')) return false;
    qsizetype close = t.indexOf(']');
    if (close < 0) return false;
    name = t.mid(1, close - 1);
    return true;
}

bool keyOf(const QByteArray &line, QByteArray &key, QByteArray &value) {
    QByteArray l = stripEnd(line);
    qsizetype eq = l.indexOf('=');
    if (eq < 0) return false;
    QByteArray k = trimmed(l.left(eq));
    if (k.isEmpty() || k.startsWith(';')) return false;
    key = k;
    value = l.mid(eq + 1);
    return true;
}

// The whole file in data (empty when there is none); false when the file
// exists but cannot be read.
bool readAll(const QString &path, QByteArray &data) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return !f.exists();
    data = f.readAll();
    return true;
}

}  // namespace

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const {
    QByteArray data;
    readAll(path_, data);
    const QList<QByteArray> lines = splitFileLines(data);
    bool inSection = false;
    for (const QByteArray &line : lines) {
        QByteArray name;
        if (sectionOf(line, name)) {
            inSection = sameName(name, section);
            continue;
        }
        if (!inSection) continue;
        QByteArray k, v;
        if (!keyOf(line, k, v) || !sameName(k, key)) continue;
        v = trimmed(v);
        if (v.size() >= 2 && ((v.startsWith('"') && v.endsWith('"')) ||
                              (v.startsWith('\'') && v.endsWith('\''))))
            v = v.mid(1, v.size() - 2);
        // The caller's buffer holds 2047 bytes; never cut a double-byte character in half.
        if (v.size() > kBufferSize - 1) {
            v.truncate(kBufferSize - 1);
            QString s = fromGbkLossy(v);
            if (s.endsWith(QChar(0xFFFD))) s.chop(1);
            return s;
        }
        return fromGbkLossy(v);
    }
    return defaultValue;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value) {
    // A line break inside a name or value would split it into other keys.
    for (const QString *t : {&section, &key, &value})
        if (t->contains(QLatin1Char('\n')) || t->contains(QLatin1Char('\r'))) throw IniWriteError(path_);
    QByteArray data;
    if (!readAll(path_, data)) throw IniWriteError(path_);
    QList<QByteArray> lines = splitFileLines(data);
    const QByteArray entry = toGbkLossy(trimmed(key)) + '=' + toGbkLossy(value);

    qsizetype sectionStart = -1;  // index of the header line
    qsizetype sectionEnd = -1;    // index after the section's last key line
    qsizetype keyLine = -1;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray name;
        if (sectionOf(lines[i], name)) {
            if (inSection) break;
            inSection = sameName(name, section);
            if (inSection) {
                sectionStart = i;
                sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        QByteArray k, v;
        if (keyOf(lines[i], k, v)) {
            sectionEnd = i + 1;
            if (sameName(k, key)) {
                keyLine = i;
                break;
            }
        }
    }

    auto withEnd = [](const QByteArray &l) { return l + "\r\n"; };
    if (keyLine >= 0) {
        QByteArray old = lines[keyLine];
        QByteArray ending = old.endsWith("\r\n") ? "\r\n" : (old.endsWith('\n') ? "\n" : "");
        lines[keyLine] = entry + ending;
    } else {
        // A file whose last line has no line end gets one before anything is appended.
        if (!lines.isEmpty() && !lines.last().endsWith('\n')) lines.last() += "\r\n";
        if (sectionStart >= 0) {
            lines.insert(sectionEnd, withEnd(entry));
        } else {
            lines.append(withEnd("[" + toGbkLossy(trimmed(section)) + "]"));
            lines.append(withEnd(entry));
        }
    }

    QSaveFile out(path_);
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly)) throw IniWriteError(path_);
    for (const QByteArray &l : lines)
        if (out.write(l) != l.size()) {
            out.cancelWriting();
            throw IniWriteError(path_);
        }
    if (!out.commit()) throw IniWriteError(path_);
}

}  // namespace kv
