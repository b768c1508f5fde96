#pragma once
// One host per user and display: an advisory lock on a file named after both.
// The kernel drops the lock when the process ends, however it ends, so a
// crashed host never blocks the next start.
#include <QString>

namespace host {

class SingleInstance {
public:
    // lockDir "" = the user's runtime folder (else the temporary folder).
    explicit SingleInstance(QString lockDir = QString());
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    enum class Result { Acquired, HeldElsewhere, Unavailable };
    // Unavailable: the lock file cannot be made (no such folder, no rights);
    // the caller lets the start go on rather than never start at all.
    Result tryLock();
    // Lets another host take the lock (the copy this one hands over to).
    void unlock();
    bool locked() const { return fd_ >= 0; }
    QString lockPath() const { return path_; }

    // "slidehost-<uid>-<display>.lock"; display from DISPLAY or WAYLAND_DISPLAY.
    static QString lockFileName();

private:
    QString path_;
    int fd_ = -1;
};

}  // namespace host
