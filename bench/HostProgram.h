#pragma once
// The slidehost program for a benchmark: copied into a folder of its own with
// a show.ini that starts the service on a free port block and shares `shared`,
// run offscreen with that folder as its home, ended with the object.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>

#include "common/Gbk.h"
#include "tests/support/HostProgram.h"
#include "tests/support/Ports.h"

namespace bench {

class HostProgram {
public:
    // The control port once the program answers on it, or 0 and error() says why.
    quint16 start(const QString &programDir, const QString &shared) {
        QDir().mkpath(shared);
        const quint16 port = static_cast<quint16>(kvtest::freePortBlock());
        if (!port) return fail(QStringLiteral("no free port block"));
        const QString program = kvtest::prepareHostCopy(programDir, port, "PPTdir=" + kv::toGbkLossy(shared) + "\r\n");
        if (program.isEmpty()) return fail(QStringLiteral("slidehost and its show.ini could not be written to ") + programDir);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), programDir);
        env.insert(QStringLiteral("KV_LOCAL_IPV4"), QStringLiteral("127.0.0.1"));
        // Its own runtime folder: another slidehost of this user and display
        // holds the single-instance lock in the shared one, and this host would
        // only show "already running" in a box nobody sees.
        const QString runtime = programDir + QStringLiteral("/runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(programDir);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(program, {});
        if (!process_.waitForStarted(5000)) return fail(QStringLiteral("slidehost did not start: ") + process_.errorString());
        if (kvtest::waitForHostPort(port, [this] { return !process_.waitForFinished(0); })) return port;
        if (process_.state() == QProcess::NotRunning)
            return fail(QStringLiteral("slidehost ended at once (exit status %1)").arg(process_.exitCode()));
        return fail(QStringLiteral("slidehost did not listen on port %1 within 20 s").arg(port));
    }
    const QString &error() const { return error_; }
    ~HostProgram() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
        process_.waitForFinished(1000);
    }

private:
    quint16 fail(const QString &why) {
        error_ = why;
        return 0;
    }
    QProcess process_;
    QString error_;
};

}  // namespace bench
