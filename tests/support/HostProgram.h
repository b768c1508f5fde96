#pragma once
// A private copy of the slidehost program: copied into dir with a show.ini
// that starts its service on port by itself, started, and waited for until
// the port answers.
#include <QFile>
#include <QHostAddress>
#include <QString>
#include <QTcpSocket>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/XvfbSession.h"

namespace kvtest {

// moreIni: further "Key=value\r\n" lines of the server section.
inline bool startHostCopy(ChildProcess &child, const QString &dir, int port, const QByteArray &moreIni,
                          const std::vector<std::string> &env) {
    const QString program = dir + QStringLiteral("/slidehost");
    QFile ini(dir + QStringLiteral("/show.ini"));
    if (!QFile::copy(QStringLiteral(SLIDEHOST_PATH), program) || !ini.open(QIODevice::WriteOnly)) return false;
    ini.write("[server]\r\nRunTimes=2\r\nAutoStart=true\r\nAutoCheckNew=0\r\nServerPort=" + QByteArray::number(port) +
              "\r\n" + moreIni);
    ini.close();
    if (!child.start({program.toStdString()}, env, dir.toStdString())) return false;
    // The host starts its service one second after start-up.
    for (int i = 0; i < 100 && child.running(); ++i) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        if (probe.waitForConnected(100)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace kvtest
