#pragma once
// A private copy of the host program in dir, its service started by itself on
// port (moreIni: further lines of its server section); true once port answers.
#include <QFile>
#include <QTcpSocket>
#include <QThread>

#include "tests/support/XvfbSession.h"

namespace kvtest {

inline bool startHostCopy(ChildProcess &child, const QString &dir, int port, const QByteArray &moreIni,
                          const std::vector<std::string> &env) {
    const QString program = dir + QStringLiteral("/slidehost");
    QFile ini(dir + QStringLiteral("/show.ini"));
    if (!QFile::copy(QStringLiteral(SLIDEHOST_PATH), program) || !ini.open(QIODevice::WriteOnly)) return false;
    ini.write("[server]\r\nRunTimes=2\r\nAutoStart=true\r\nAutoCheckNew=0\r\nServerPort=" + QByteArray::number(port) +
              "\r\n" + moreIni);
    ini.close();
    if (!child.start({program.toStdString()}, env, dir.toStdString())) return false;
    for (int i = 0; i < 100 && child.running(); ++i, QThread::msleep(100)) {  // it starts after a second
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
        if (probe.waitForConnected(100)) return true;
    }
    return false;
}

}  // namespace kvtest
