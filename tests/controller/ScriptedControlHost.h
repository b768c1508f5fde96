#pragma once
// A host stand-in on 127.0.0.1: accepts control connections, records what
// arrives and writes whatever a test scripts.
#include <QCoreApplication>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

#include "tests/support/Wait.h"

namespace padtest {

class ScriptedControlHost : public QObject {
public:
    ScriptedControlHost() {
        server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
        QObject::connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                peer = s;
                QObject::connect(s, &QTcpSocket::readyRead, this, [this, s] {
                    QByteArray b = s->readAll();
                    received += b;
                    if (onData) onData(b);
                });
                if (answerLogin) {
                    onData = [this](const QByteArray &) {
                        if (received.contains("c_user") && received.contains("\r\n") && !answered) {
                            answered = true;
                            send(loginAnswer);
                        }
                    };
                }
            }
        });
    }
    quint16 port() const { return server.serverPort(); }
    void send(const QByteArray &bytes) {
        if (peer) {
            peer->write(bytes);
            peer->flush();
        }
    }
    bool waitReceived(const QByteArray &part, int ms = 3000) {
        return kvtest::spinUntil([&] { return received.contains(part); }, ms);
    }
    // Lines received so far, without their CR LF.
    QList<QByteArray> lines() const {
        QList<QByteArray> out = received.split('\n');
        if (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
        for (auto &l : out)
            if (l.endsWith('\r')) l.chop(1);
        return out;
    }

    QTcpServer server;
    QPointer<QTcpSocket> peer;
    QByteArray received;
    std::function<void(const QByteArray &)> onData;
    bool answerLogin = true;
    bool answered = false;
    QByteArray loginAnswer = "s_ok\r\n";
};

}  // namespace padtest
