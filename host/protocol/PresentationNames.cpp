#include "host/protocol/PresentationNames.h"

#include <QFileInfo>

#include "common/Gbk.h"
#include "common/Text.h"

namespace host {

QString extensionOf(const QString &name) {
    qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

QString stemOf(const QString &name) {
    qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

bool isBareName(const QString &name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
    for (QChar c : name) {
        ushort u = c.unicode();
        if (u < 0x20 || u == 0x7F || c == QLatin1Char('/') || c == QLatin1Char('\\') ||
            c == QLatin1Char(':'))
            return false;
    }
    return true;
}

bool isOpenablePresentationName(const QString &name) {
    if (!isBareName(name) || stemOf(name).isEmpty()) return false;
    const QString ext = extensionOf(name).toLower();
    return ext == QLatin1String(".ppt") || ext == QLatin1String(".pptx") ||
           ext == QLatin1String(".pptm");
}

bool isUploadName(const QString &name) {
    // A file the list would hide could never be opened: the two agree.
    if (!isListedName(name)) return false;
    auto gbk = kv::toGbk(name);
    return gbk && gbk->size() <= 255 && name.toUtf8().size() <= 255;
}

bool isListedName(const QString &name) {
    // Only names "c_open" takes as they are: it trims what it is sent.
    return isOpenablePresentationName(name) && kv::trimmed(name) == name && kv::fitsGbk(name);
}

bool isRegularFileIn(const QString &folder, const QString &name) {
    if (!isBareName(name) || folder.isEmpty()) return false;
    QFileInfo fi(folder + QLatin1Char('/') + name);
    return fi.exists() && fi.isFile() && !fi.isSymLink();
}

}  // namespace host
