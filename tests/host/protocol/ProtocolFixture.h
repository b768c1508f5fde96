#pragma once
// Shared helpers of the host protocol tests: a recording main window, a service
// on a free port block with fake platform services, and scripted controller
// clients on 127.0.0.x addresses.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <memory>

#include "host/protocol/HostService.h"
#include "host/protocol/HostUi.h"
#include "host/protocol/ServiceListeners.h"
#include "tests/support/Fakes.h"
#include "tests/support/RecordingHostUi.h"
#include "tests/support/Wait.h"

namespace hosttest {

using RecordingUi = kvtest::RecordingHostUi;

// A controller connection from a chosen loopback address.
class Client {
public:
    Client(int port, const QString &from = QStringLiteral("127.0.0.1"));
    bool connected() const { return socket.state() == QAbstractSocket::ConnectedState; }
    void send(const QByteArray &bytes);
    // Waits until the bytes received so far end with `tail` (or time runs out).
    bool waitForTail(const QByteArray &tail, int ms = 5000);
    bool waitForBytes(qsizetype n, int ms = 5000);
    // Sends c_idle and waits for its answer; returns what came before it and
    // clears the buffer (replies keep their order, so this is "everything so far").
    QByteArray sync();
    QByteArray take();
    bool login(const QByteArray &user = "tuvop", const QByteArray &pass = "tuvop");
    void close();

    QTcpSocket socket;
    QByteArray received;
    QString address;
    QByteArray sentAll, receivedAll;  // whole streams, to pair each c_idle with its answer
};

class HostFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<Client> client(const QString &from = QStringLiteral("127.0.0.1"));
    std::unique_ptr<Client> loggedIn(const QString &from = QStringLiteral("127.0.0.1"));
    // A file in the shared folder.
    QString makeFile(const QString &name, const QByteArray &content = "x");
    QStringList keyCalls() const;  // "down"/"up"/"sleep"/"switch"/"minimize" entries

    platform::FakeServices fakes;
    RecordingUi ui;
    QTemporaryDir dir;
    std::unique_ptr<host::ServiceListeners> listeners;
    std::unique_ptr<host::HostService> service;
    int port = 0;
};

using kvtest::spinUntil;

// Starts the listeners on a block P, P+1, P+3 that is free right now.
int startOnFreeBlock(host::ServiceListeners &listeners);

}  // namespace hosttest
