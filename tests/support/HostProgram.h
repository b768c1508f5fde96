#pragma once
// A private copy of the host program in dir, its service started by itself on
// port (moreIni: further lines of its server section); true once port answers.
#include <QFile>
#include <QTcpSocket>
#include <QThread>

#include "tests/support/XvfbSession.h"

namespace kvtest {

// The program copied into dir with a show.ini that starts its service on port;
// its path, or "" when either could not be written.
inline QString prepareHostCopy(const QString &dir, int port, const QByteArray &moreIni) {
    const QString program = dir + QStringLiteral("/slidehost");
    QFile ini(dir + QStringLiteral("/show.ini"));
    if ((!QFile::exists(program) && !QFile::copy(QStringLiteral(SLIDEHOST_PATH), program)) ||
        !ini.open(QIODevice::WriteOnly))
        return {};
    ini.write("[server]\r\nRunTimes=2\r\nAutoStart=true\r\nAutoCheckNew=0\r\nServerPort=" + QByteArray::number(port) +
              "\r\n" + moreIni);
    return program;
}

// True once port answers; false when running() says the program ended, or
// after about 20 s (it starts its service a second after start-up).
template <class Running>
bool waitForHostPort(int port, Running running) {
    for (int i = 0; i < 100 && running(); ++i, QThread::msleep(100)) {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
        if (probe.waitForConnected(100)) return true;
    }
    return false;
}

inline bool startHostCopy(ChildProcess &child, const QString &dir, int port, const QByteArray &moreIni,
                          const std::vector<std::string> &env) {
    const QString program = prepareHostCopy(dir, port, moreIni);
    return !program.isEmpty() && child.start({program.toStdString()}, env, dir.toStdString()) &&
           waitForHostPort(port, [&] { return child.running(); });
}

}  // namespace kvtest
