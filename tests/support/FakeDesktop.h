#pragma once
// The real desktop side on a desktop folder of the test's choosing, recording
// every call; copies and launchers fail on request, the way a full disk or a
// refused write would (tests run as root, so file rights cannot make them fail).
#include <QFileInfo>
#include <QStringList>

#include <functional>

#include "platform/Desktop.h"

namespace platform {

class FakeDesktop : public XdgDesktop {
public:
    explicit FakeDesktop(QString folder) : folder(std::move(folder)) {}
    QString desktopFolder() override { return folder; }
    bool writeLauncher(const QString &file, const QString &name, const QString &program,
                       const QString &workDir) override {
        calls << QStringLiteral("launcher ") + QFileInfo(file).fileName();
        return !failLaunchers && XdgDesktop::writeLauncher(file, name, program, workDir);
    }
    bool copyProgram(const QString &source, const QString &target) override {
        calls << QStringLiteral("copy ") + QFileInfo(target).fileName();
        if (whileCopying) whileCopying();
        return !failCopies.contains(QFileInfo(target).fileName()) &&
               XdgDesktop::copyProgram(source, target);
    }

    QString folder;
    QStringList calls;
    QStringList failCopies;  // file names of targets whose copy fails
    bool failLaunchers = false;
    std::function<void()> whileCopying;  // a slow target; runs where the copy runs
};

}  // namespace platform
