#include "host/app/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace host {

QString SingleInstance::lockFileName() {
    QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty()) display = QStringLiteral("none");
    // Keep the name a plain file name whatever the variable holds.
    QString safe;
    for (QChar c : display) safe += (c.isLetterOrNumber() || c == '.' || c == '-') ? c : QChar('_');
    return QStringLiteral("slidehost-%1-%2.lock").arg(::getuid()).arg(safe);
}

SingleInstance::SingleInstance(QString lockDir) {
    if (lockDir.isEmpty()) lockDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (lockDir.isEmpty()) lockDir = QDir::tempPath();
    path_ = QDir(lockDir).filePath(lockFileName());
}

SingleInstance::~SingleInstance() { unlock(); }

void SingleInstance::unlock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    fd_ = -1;
}

SingleInstance::Result SingleInstance::tryLock() {
    if (fd_ >= 0) return Result::Acquired;
    const QByteArray p = QFile::encodeName(path_);
    int fd = ::open(p.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return Result::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy ? Result::HeldElsewhere : Result::Unavailable;
    }
    fd_ = fd;
    return Result::Acquired;
}

}  // namespace host
