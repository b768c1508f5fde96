#include "ProtocolFixture.h"

#include <QCoreApplication>
#include <QFile>

#include "tests/support/Ports.h"
#include "tests/support/Wait.h"

namespace hosttest {

int startOnFreeBlock(host::ServiceListeners &listeners) { return kvtest::startOnFreeBlock(listeners); }

Client::Client(int port, const QString &from) : address(from) {
    QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
        const QByteArray b = socket.readAll();
        received += b;
        receivedAll += b;
    });
    socket.bind(QHostAddress(from), 0);
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    socket.waitForConnected(5000);
}

void Client::send(const QByteArray &bytes) {
    sentAll += bytes;
    socket.write(bytes);
    socket.flush();
}

bool Client::waitForTail(const QByteArray &tail, int ms) {
    return spinUntil([&] { return received.endsWith(tail); }, ms);
}

bool Client::waitForBytes(qsizetype n, int ms) {
    return spinUntil([&] { return received.size() >= n; }, ms);
}

QByteArray Client::sync() {
    send("c_idle\r\n");
    const qsizetype asked = sentAll.count("c_idle");
    if (!spinUntil([&] {
            return receivedAll.count("s_idle\r\n") >= asked && received.endsWith("s_idle\r\n");
        })) {
        ADD_FAILURE() << "no s_idle from " << address.toStdString();
        return take();
    }
    QByteArray before = received.left(received.size() - 8);
    received.clear();
    return before;
}

QByteArray Client::take() {
    QByteArray out = received;
    received.clear();
    return out;
}

bool Client::login(const QByteArray &user, const QByteArray &pass) {
    send("c_user" + user + "|" + pass + "\r\n");
    bool ok = waitForTail("s_ok\r\n");
    received.clear();
    return ok;
}

void Client::close() {
    socket.disconnectFromHost();
    if (socket.state() != QAbstractSocket::UnconnectedState) socket.waitForDisconnected(2000);
}

void HostFixture::SetUp() {
    ASSERT_TRUE(dir.isValid());
    ui.folder = dir.path();
    listeners = std::make_unique<host::ServiceListeners>();
    service = std::make_unique<host::HostService>(*listeners, fakes.services(), ui);
    port = startOnFreeBlock(*listeners);
    ASSERT_NE(port, 0) << "no free port block";
}

void HostFixture::TearDown() {
    service.reset();
    if (listeners) listeners->stop();
    listeners.reset();
    QCoreApplication::processEvents();
}

std::unique_ptr<Client> HostFixture::client(const QString &from) {
    auto c = std::make_unique<Client>(port, from);
    EXPECT_TRUE(c->connected()) << from.toStdString();
    return c;
}

std::unique_ptr<Client> HostFixture::loggedIn(const QString &from) {
    auto c = client(from);
    EXPECT_TRUE(c->login()) << from.toStdString();
    return c;
}

QString HostFixture::makeFile(const QString &name, const QByteArray &content) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
    f.write(content);
    return f.fileName();
}

QStringList HostFixture::keyCalls() const {
    QStringList out;
    for (const QString &c : fakes.log->calls())
        if (c.startsWith("down") || c.startsWith("up") || c.startsWith("sleep") ||
            c.startsWith("switch") || c.startsWith("minimize"))
            out << c;
    return out;
}

}  // namespace hosttest
