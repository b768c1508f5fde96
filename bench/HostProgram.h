#pragma once
// The slidehost program for a benchmark: copied into a folder of its own with
// a show.ini that starts the service on a free port block and shares `shared`,
// run offscreen with that folder as its home, ended with the object.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>

#include "common/IniFile.h"
#include "tests/support/Ports.h"

namespace bench {

class HostProgram {
public:
    // The control port once the program answers on it, or 0.
    quint16 start(const QString &programDir, const QString &shared) {
        QDir().mkpath(shared);
        const QString program = programDir + QStringLiteral("/slidehost");
        if (!QFile::exists(program) && !QFile::copy(QStringLiteral(SLIDEHOST_PATH), program)) return 0;
        const quint16 port = static_cast<quint16>(kvtest::freePortBlock());
        if (!port) return 0;
        {
            kv::IniFile ini(programDir + QStringLiteral("/show.ini"));
            const QString s = QStringLiteral("server");
            ini.writeString(s, QStringLiteral("RunTimes"), QStringLiteral("2"));
            ini.writeString(s, QStringLiteral("AutoStart"), QStringLiteral("true"));
            ini.writeString(s, QStringLiteral("AutoCheckNew"), QStringLiteral("0"));
            ini.writeString(s, QStringLiteral("ServerPort"), QString::number(port));
            ini.writeString(s, QStringLiteral("PPTdir"), shared);
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), programDir);
        env.insert(QStringLiteral("KV_LOCAL_IPV4"), QStringLiteral("127.0.0.1"));
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(programDir);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(program, {});
        if (!process_.waitForStarted(5000)) return 0;
        for (int i = 0; i < 150; ++i) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            if (probe.waitForConnected(100)) return port;
            QThread::msleep(100);
        }
        return 0;
    }
    ~HostProgram() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
        process_.waitForFinished(1000);
    }

private:
    QProcess process_;
};

}  // namespace bench
