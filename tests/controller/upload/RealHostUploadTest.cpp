// The controller's list and upload clients against the real host service on
// 127.0.0.1: a few MiB arrive byte for byte and show in the next listing.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTemporaryDir>

#include "tests/support/SocketLineChannel.h"
#include "controller/FileListClient.h"
#include "controller/UploadClient.h"
#include "host/protocol/HostService.h"
#include "host/protocol/HostUi.h"
#include "host/protocol/ServiceListeners.h"
#include "tests/support/Fakes.h"
#include "tests/support/Files.h"
#include "tests/support/RecordingHostUi.h"
#include "tests/support/Wait.h"

namespace {

using kvtest::randomBytes;
using kvtest::spinUntil;

struct RealHost : ::testing::Test {
    QTemporaryDir shared, local;
    platform::FakeServices fakes;
    kvtest::RecordingHostUi ui;
    host::ServiceListeners listeners;
    std::unique_ptr<host::HostService> service;
    pad::SocketLineChannel channel;
    pad::FileListClient list{&channel};
    pad::UploadClient upload{&channel, pad::qtOneShotFactory()};
    QList<QByteArray> other;
    QList<bool> results;
    int port = 0;

    void SetUp() override {
        ui.folder = shared.path();
        service = std::make_unique<host::HostService>(listeners, fakes.services(), ui);
        for (int i = 0; i < 100 && !port; ++i) {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost, 0)) continue;
            int p = probe.serverPort();
            probe.close();
            if (p <= host::ServiceListeners::kMaxPort &&
                listeners.start(p) == host::ServiceListeners::StartError::None)
                port = p;
        }
        ASSERT_NE(port, 0);
        QObject::connect(&channel, &pad::SocketLineChannel::lineReceived, [this](const QByteArray &l) {
            if (!list.handleLine(l) && !upload.handleLine(l)) other << l;
        });
        QObject::connect(&channel, &pad::SocketLineChannel::unterminatedReply,
                         [this](const QByteArray &w) { upload.handleUnterminated(w); });
        QObject::connect(&upload, &pad::UploadClient::listRefreshWanted, [this] { list.refresh(); });
        QObject::connect(&upload, &pad::UploadClient::finished, [this](bool ok) { results << ok; });
        channel.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
        ASSERT_TRUE(spinUntil([&] { return channel.isOpen(); }));
        channel.sendLine("c_usertuvop|tuvop");
        ASSERT_TRUE(spinUntil([&] { return other.contains("s_ok"); }));
    }
    void TearDown() override {
        channel.close();
        listeners.stop();
    }
    QString put(const QString &name, const QByteArray &bytes) {
        QString path = local.filePath(name);
        EXPECT_TRUE(kvtest::writeFile(path, bytes)) << path.toStdString();
        return path;
    }
    QByteArray stored(const QString &name) {
        QFile f(shared.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

}  // namespace

TEST_F(RealHost, UploadsArriveByteForByteAndShowInTheList) {
    QFile(shared.filePath(QStringLiteral("intro.ppt"))).open(QIODevice::WriteOnly);
    const QByteArray big = randomBytes(3 * 1024 * 1024 + 123);
    ASSERT_TRUE(upload.start(put(QStringLiteral("talk.ppt"), big)));
    ASSERT_TRUE(spinUntil([&] { return list.names().contains(QStringLiteral("talk.ppt")); }, 60000));
    EXPECT_EQ(results, QList<bool>{true});
    EXPECT_TRUE(stored(QStringLiteral("talk.ppt")) == big) << "uploaded file differs";
    EXPECT_EQ(list.names(), (QStringList{QStringLiteral("intro.ppt"), QStringLiteral("talk.ppt")}));
    EXPECT_FALSE(upload.fileOpen());

    // Again over the same name, then an empty file and a GBK name.
    const QByteArray small = randomBytes(2500);
    ASSERT_TRUE(upload.start(put(QStringLiteral("talk.ppt"), small)));
    ASSERT_TRUE(spinUntil([&] { return results.size() == 2 && upload.stage() == pad::UploadClient::Stage::Idle; }));
    EXPECT_TRUE(stored(QStringLiteral("talk.ppt")) == small);
    ASSERT_TRUE(upload.start(put(QStringLiteral("empty.ppt"), {})));
    ASSERT_TRUE(spinUntil([&] { return list.names().contains(QStringLiteral("empty.ppt")); }));
    EXPECT_EQ(stored(QStringLiteral("empty.ppt")), QByteArray());
    const QByteArray named = randomBytes(5000);
    ASSERT_TRUE(upload.start(put(QStringLiteral("演示.ppt"), named)));
    ASSERT_TRUE(spinUntil([&] { return list.names().contains(QStringLiteral("演示.ppt")); }));
    EXPECT_TRUE(stored(QStringLiteral("演示.ppt")) == named);
    EXPECT_EQ(results, (QList<bool>{true, true, true, true}));
}

TEST_F(RealHost, AHostThatGoesAwayMidUploadReleasesEverything) {
    QList<bool> shown;
    QObject::connect(&upload, &pad::UploadClient::progressVisible, [&](bool s) { shown << s; });
    QObject::connect(&upload, &pad::UploadClient::progressChanged, [&](int p) {
        if (p >= 10) listeners.stop();  // the service stops under the upload
    });
    ASSERT_TRUE(upload.start(put(QStringLiteral("big.ppt"), randomBytes(4 * 1024 * 1024))));
    ASSERT_TRUE(spinUntil([&] { return !results.isEmpty(); }));
    EXPECT_EQ(results, QList<bool>{false});
    EXPECT_EQ(shown, (QList<bool>{true, false}));
    EXPECT_FALSE(upload.fileOpen());
    EXPECT_FALSE(QFile::exists(shared.filePath(QStringLiteral("big.ppt"))));
}
