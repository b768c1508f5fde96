// Listing and upload against a scripted host on 127.0.0.1 over real sockets.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "controller/ControlClient.h"
#include "tests/support/SocketLineChannel.h"
#include "platform/QtServices.h"
#include "controller/FileListClient.h"
#include "tests/support/ManualTimers.h"
#include "controller/UploadClient.h"
#include "tests/controller/upload/ScriptedUploadHost.h"
#include "tests/support/Files.h"
#include "tests/support/Wait.h"

using pad::UploadClient;

namespace {

using kvtest::randomBytes;
using kvtest::spinUntil;

struct Rig {
    QTemporaryDir dir;
    ScriptedUploadHost host;
    pad::SocketLineChannel channel;
    pad::FileListClient list{&channel};
    std::unique_ptr<UploadClient> upload;
    QStringList status, boxes, listStatus;
    QList<int> progress;
    QList<bool> shown;
    QList<bool> results;
    int refreshes = 0;
    int starts = 0;

    explicit Rig(pad::OneShotFactory timers = pad::qtOneShotFactory()) {
        upload = std::make_unique<UploadClient>(&channel, std::move(timers));
        QObject::connect(&channel, &pad::SocketLineChannel::lineReceived, [this](const QByteArray &l) {
            if (!list.handleLine(l)) upload->handleLine(l);
        });
        QObject::connect(&channel, &pad::SocketLineChannel::unterminatedReply,
                         [this](const QByteArray &w) { upload->handleUnterminated(w); });
        auto *u = upload.get();
        QObject::connect(u, &UploadClient::statusText, [this](const QString &t) { status << t; });
        QObject::connect(u, &UploadClient::messageBox, [this](const QString &t) { boxes << t; });
        QObject::connect(u, &UploadClient::progressChanged, [this](int p) { progress << p; });
        QObject::connect(u, &UploadClient::progressVisible, [this](bool s) { shown << s; });
        QObject::connect(u, &UploadClient::finished, [this](bool ok) { results << ok; });
        QObject::connect(u, &UploadClient::started, [this] { ++starts; });
        QObject::connect(u, &UploadClient::listRefreshWanted, [this] {
            ++refreshes;
            list.refresh();
        });
        QObject::connect(&list, &pad::FileListClient::statusText, [this](const QString &t) { listStatus << t; });
    }
    bool connect() {
        if (!host.listen()) return false;
        channel.connectToHost(QStringLiteral("127.0.0.1"), host.port());
        return spinUntil([this] { return channel.isOpen(); });
    }
    QString makeFile(const QString &name, const QByteArray &content) {
        QString path = dir.filePath(name);
        EXPECT_TRUE(kvtest::writeFile(path, content)) << path.toStdString();
        return path;
    }
};

}  // namespace

TEST(UploadClient, SendsPacedChunksAndOverOnlyAfterTheLastAck) {
    Rig r;
    ASSERT_TRUE(r.connect());
    r.host.files = {"a.ppt", "2500.ppt"};
    QByteArray content = randomBytes(2500);
    QString path = r.makeFile(QStringLiteral("2500.ppt"), content);
    ASSERT_TRUE(r.upload->start(QStringLiteral("  ") + path + QStringLiteral(" ")));
    EXPECT_EQ(r.starts, 1);
    ASSERT_TRUE(spinUntil([&] { return r.refreshes == 1 && r.list.names().size() == 2; }));

    EXPECT_EQ(r.host.data, content);
    EXPECT_EQ(r.host.received.mid(0, 4),
              (QList<QByteArray>{"c_up", "c_filename2500.ppt", "c_len2500", "c_over"}));
    EXPECT_EQ(r.host.dataAtOver, 2500);
    EXPECT_LE(r.host.maxUnacked, 1024);
    EXPECT_EQ(r.progress, (QList<int>{0, 40, 81}));
    EXPECT_EQ(r.shown, (QList<bool>{true, false}));
    EXPECT_EQ(r.status, (QStringList{QString(), QStringLiteral("文件上传中......"), QStringLiteral("文件上传完成")}));
    EXPECT_EQ(r.results, QList<bool>{true});
    EXPECT_FALSE(r.upload->fileOpen());
    EXPECT_EQ(r.upload->stage(), UploadClient::Stage::Idle);
    // The order on the wire: last ack, then "c_over"; the data connection
    // closes once the host had time for "c_over", and only then the list is
    // pulled, so the two lines never share a read.
    QStringList ev = r.host.events;
    qsizetype ack3 = ev.indexOf(QStringLiteral("ack 3")), over = ev.indexOf(QStringLiteral("line c_over"));
    ASSERT_GE(ack3, 0);
    EXPECT_LT(ack3, over);
    EXPECT_GE(r.host.timeOf(QStringLiteral("line c_list")) - r.host.timeOf(QStringLiteral("line c_over")),
              UploadClient::kCloseDelayMs - 50);
    ASSERT_TRUE(spinUntil([&] { return r.host.events.contains(QStringLiteral("data closed")); }));
    EXPECT_GE(r.host.timeOf(QStringLiteral("data closed")) - r.host.timeOf(QStringLiteral("line c_over")),
              UploadClient::kCloseDelayMs - 50);
    // The listing ends through the host's lone "s_busylist", which shows nothing.
    EXPECT_EQ(r.list.names(), (QStringList{QStringLiteral("a.ppt"), QStringLiteral("2500.ppt")}));
    EXPECT_EQ(r.host.received.mid(4), (QList<QByteArray>{"c_list", "c_nextlist", "c_nextlist"}));
    EXPECT_TRUE(r.listStatus.isEmpty());
}

TEST(UploadClient, ChunkBoundariesAndEmptyFile) {
    Rig r;
    ASSERT_TRUE(r.connect());
    QByteArray k = randomBytes(1024);
    ASSERT_TRUE(r.upload->start(r.makeFile(QStringLiteral("k.ppt"), k)));
    ASSERT_TRUE(spinUntil([&] { return r.refreshes == 1 && r.host.received.contains("c_list"); }));
    EXPECT_EQ(r.host.data, k);
    EXPECT_EQ(r.host.acks, 1);
    EXPECT_EQ(r.progress, QList<int>{0});  // the one chunk is the last: the bar never moves

    r.host.received.clear();
    r.host.events.clear();
    ASSERT_TRUE(r.upload->start(r.makeFile(QStringLiteral("empty.ppt"), {})));
    ASSERT_TRUE(spinUntil([&] { return r.refreshes == 2 && r.host.received.contains("c_list"); }));
    EXPECT_EQ(r.host.received,
              (QList<QByteArray>{"c_up", "c_filenameempty.ppt", "c_len0", "c_over", "c_list"}));
    EXPECT_FALSE(r.host.events.contains(QStringLiteral("data open")));
    EXPECT_EQ(r.results, (QList<bool>{true, true}));
    EXPECT_FALSE(r.upload->fileOpen());
}

TEST(UploadClient, SplitAndDoubledNextLines) {
    for (auto mode : {ScriptedUploadHost::NextMode::Split, ScriptedUploadHost::NextMode::DoubleFirst}) {
        Rig r;
        r.host.nextMode = mode;
        ASSERT_TRUE(r.connect());
        QByteArray content = randomBytes(5 * 1024 + 7);
        ASSERT_TRUE(r.upload->start(r.makeFile(QStringLiteral("s.ppt"), content)));
        ASSERT_TRUE(spinUntil([&] { return !r.results.isEmpty() && r.host.dataAtOver >= 0; }));
        EXPECT_EQ(r.results, QList<bool>{true});
        EXPECT_EQ(r.host.data, content);
        EXPECT_EQ(r.host.dataAtOver, content.size());
        // Two "s_next" in one read still release only one chunk.
        EXPECT_LE(r.host.maxUnacked, 1024);
    }
}

TEST(UploadClient, RefusedNamesAndMissingFilesSendNothing) {
    Rig r;
    ASSERT_TRUE(r.connect());
    EXPECT_FALSE(r.upload->start(r.dir.filePath(QStringLiteral("nothere.ppt"))));
    EXPECT_EQ(r.boxes, QStringList{QStringLiteral("文件没找到，") + r.dir.filePath(QStringLiteral("nothere.ppt"))});
    EXPECT_FALSE(r.upload->start(r.dir.path()));  // a folder is no file

    for (const QString &name : {QStringLiteral("a\nb.ppt"), QStringLiteral("a\rb.ppt"),
                                QStringLiteral("smile\U0001F600.ppt")}) {
        r.status.clear();
        QString path = r.makeFile(name, "x");
        ASSERT_TRUE(QFile::exists(path));
        EXPECT_FALSE(r.upload->start(path));
        EXPECT_EQ(r.status.last(), QStringLiteral("文件名含有无法上传的字符：") + name);
    }
    // A GBK name travels as GBK.
    QByteArray content = randomBytes(3000);
    ASSERT_TRUE(r.upload->start(r.makeFile(QStringLiteral("演示.ppt"), content)));
    ASSERT_TRUE(spinUntil([&] { return !r.results.isEmpty(); }));
    spinUntil([] { return false; }, 50);
    ASSERT_FALSE(r.host.received.isEmpty());
    EXPECT_EQ(r.host.received.value(1), QByteArray("c_filename\xd1\xdd\xca\xbe.ppt"));
    EXPECT_EQ(r.host.data, content);
    EXPECT_EQ(r.starts, 1);
}

TEST(UploadClient, EveryFailureReleasesFileAndProgress) {
    {  // the data port refuses
        Rig r;
        ASSERT_TRUE(r.connect());
        r.host.closeDataPort();
        ASSERT_TRUE(r.upload->start(r.makeFile(QStringLiteral("f.ppt"), randomBytes(4000))));
        ASSERT_TRUE(spinUntil([&] { return !r.results.isEmpty(); }));
        EXPECT_EQ(r.results, QList<bool>{false});
        EXPECT_EQ(r.status.last(), QStringLiteral("文件上传失败"));
        EXPECT_EQ(r.shown, (QList<bool>{true, false}));
        EXPECT_FALSE(r.upload->fileOpen());
        EXPECT_FALSE(r.host.received.contains("c_over"));
    }
    {  // the host drops the data connection mid-way
        Rig r;
        r.host.closeDataAfterAcks = 2;
        ASSERT_TRUE(r.connect());
        ASSERT_TRUE(r.upload->start(r.makeFile(QStringLiteral("f.ppt"), randomBytes(10000))));
        ASSERT_TRUE(spinUntil([&] { return !r.results.isEmpty(); }));
        EXPECT_EQ(r.results, QList<bool>{false});
        EXPECT_EQ(r.shown, (QList<bool>{true, false}));
        EXPECT_FALSE(r.upload->fileOpen());
        EXPECT_FALSE(r.host.received.contains("c_over"));
    }
    {  // the file vanished before "s_len"
        Rig r;
        ASSERT_TRUE(r.connect());
        QString path = r.makeFile(QStringLiteral("gone.ppt"), "abc");
        QObject::connect(&r.channel, &pad::SocketLineChannel::lineReceived, [&](const QByteArray &l) {
            if (l == "s_name") QFile::remove(path);  // runs after the upload sent its name
        });
        ASSERT_TRUE(r.upload->start(path));
        ASSERT_TRUE(spinUntil([&] { return !r.results.isEmpty(); }));
        EXPECT_EQ(r.results, QList<bool>{false});
        EXPECT_EQ(r.status.last(), QStringLiteral("文件上传失败"));
        EXPECT_FALSE(r.host.received.contains("c_len3"));
    }
    {  // the host refuses the slot: nothing held, nothing shown
        Rig r;
        r.host.refuseUpload = true;
        ASSERT_TRUE(r.connect());
        ASSERT_TRUE(r.upload->start(r.makeFile(QStringLiteral("f.ppt"), "abc")));
        ASSERT_TRUE(spinUntil([&] { return r.upload->stage() == UploadClient::Stage::Idle; }));
        EXPECT_TRUE(r.shown.isEmpty());
        EXPECT_EQ(r.host.received, QList<QByteArray>{"c_up"});
    }
}

TEST(UploadClient, DataConnectionThatNeverComesUpTimesOut) {
    pad::ManualTimeline tl;
    Rig r(tl.factory());
    r.host.answerLen = false;
    ASSERT_TRUE(r.connect());
    QString path = r.makeFile(QStringLiteral("t.ppt"), randomBytes(2000));
    ASSERT_TRUE(r.upload->start(path));
    ASSERT_TRUE(spinUntil([&] { return r.upload->stage() == UploadClient::Stage::AwaitFile; }));
    // Deliver "s_file" by hand and let the timeout expire before the event
    // loop can complete the connect.
    r.upload->handleLine("s_file");
    ASSERT_EQ(r.upload->stage(), UploadClient::Stage::Connecting);
    tl.advance(UploadClient::kConnectTimeoutMs - 1);
    EXPECT_EQ(r.upload->stage(), UploadClient::Stage::Connecting);
    tl.advance(1);
    EXPECT_EQ(r.upload->stage(), UploadClient::Stage::Idle);
    EXPECT_EQ(r.results, QList<bool>{false});
    EXPECT_FALSE(r.upload->fileOpen());
    EXPECT_EQ(r.shown.last(), false);
}

TEST(UploadClient, HostThatStopsAnsweringEndsTheUploadAfterThirtySeconds) {
    pad::ManualTimeline tl;
    Rig r(tl.factory());
    r.host.holdAcksAfter = 2;
    ASSERT_TRUE(r.connect());
    int moves = 0;
    QObject::connect(r.upload.get(), &UploadClient::activity, [&] { ++moves; });
    ASSERT_TRUE(r.upload->start(r.makeFile(QStringLiteral("slow.ppt"), randomBytes(10000))));
    ASSERT_TRUE(spinUntil([&] { return r.host.acks == 3; }));  // the third chunk is never acknowledged
    tl.advance(UploadClient::kStallLimitMs - UploadClient::kWatchStepMs);
    EXPECT_EQ(r.upload->stage(), UploadClient::Stage::Sending);
    EXPECT_GT(moves, 0);
    tl.advance(2 * UploadClient::kWatchStepMs);
    EXPECT_EQ(r.upload->stage(), UploadClient::Stage::Idle);
    EXPECT_FALSE(r.upload->fileOpen());
    EXPECT_EQ(r.results, QList<bool>{false});
    EXPECT_EQ(r.shown, (QList<bool>{true, false}));
    EXPECT_EQ(r.status.last(), QStringLiteral("文件上传失败"));
}

TEST(UploadClient, SizesAreSixtyFourBit) {
    Rig r;
    ASSERT_TRUE(r.connect());
    QString path = r.dir.filePath(QStringLiteral("big.ppt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(5LL << 30));  // sparse
    }
    ASSERT_TRUE(r.upload->start(path));
    ASSERT_TRUE(spinUntil([&] { return r.host.acks >= 3; }));
    EXPECT_EQ(r.host.announced, 5LL << 30);
    EXPECT_EQ(r.upload->total(), 5LL << 30);
    r.upload->abort();  // the control connection went away
    EXPECT_FALSE(r.upload->fileOpen());
    EXPECT_EQ(r.shown.last(), false);
    EXPECT_EQ(r.upload->stage(), UploadClient::Stage::Idle);
}

namespace {
struct RecordingChannel : pad::ControlLineChannel {
    void sendLine(const QByteArray &l) override { sent << l; }
    bool isOpen() const override { return true; }
    QString peerAddress() const override { return QStringLiteral("127.0.0.1"); }
    quint16 peerPort() const override { return 1; }
    QList<QByteArray> sent;
};
}  // namespace

TEST(FileListClient, PullsNameByName) {
    RecordingChannel ch;
    pad::FileListClient list(&ch);
    QStringList status;
    int cleared = 0;
    QObject::connect(&list, &pad::FileListClient::statusText, [&](const QString &t) { status << t; });
    QObject::connect(&list, &pad::FileListClient::cleared, [&] { ++cleared; });
    list.refresh();
    EXPECT_EQ(ch.sent, QList<QByteArray>{"c_list"});
    EXPECT_TRUE(list.handleLine("s_list\xd1\xdd.ppt"));
    EXPECT_TRUE(list.handleLine("s_list"));  // an empty name is still an item
    EXPECT_TRUE(list.handleLine("s_list b.ppt "));
    EXPECT_EQ(ch.sent, (QList<QByteArray>{"c_list", "c_nextlist", "c_nextlist", "c_nextlist"}));
    EXPECT_EQ(list.names(), (QStringList{QStringLiteral("演.ppt"), QString(), QStringLiteral(" b.ppt ")}));
    EXPECT_FALSE(list.handleLine("s_name"));
    EXPECT_TRUE(status.isEmpty());
    EXPECT_TRUE(list.handleLine("s_busylists_name"));  // glued: the busy word is what shows
    EXPECT_EQ(status, QStringList{QStringLiteral("投影端文件列表服务正忙")});
    list.refresh();
    EXPECT_TRUE(list.names().isEmpty());
    EXPECT_EQ(cleared, 2);
}

TEST(FileListClient, NamesOnlyWhenAskedAndBounded) {
    RecordingChannel ch;
    pad::FileListClient list(&ch);
    EXPECT_TRUE(list.handleLine("s_lista.ppt"));  // nobody asked
    EXPECT_TRUE(list.names().isEmpty());
    EXPECT_TRUE(ch.sent.isEmpty());
    list.refresh();
    list.handleLine("s_list" + QByteArray(300, 'x'));  // no file name: not listed
    for (int i = 0; i < pad::FileListClient::kMaxNames + 5; ++i) list.handleLine("s_list" + QByteArray::number(i));
    EXPECT_EQ(list.names().size(), pad::FileListClient::kMaxNames);
    EXPECT_EQ(ch.sent.size(), pad::FileListClient::kMaxNames + 1);  // "c_list", then one "c_nextlist" per line
    list.refresh();
    list.handleLine("s_lista.ppt");
    list.handleUnterminated("s_busylist");  // the end of the listing
    list.handleLine("s_listb.ppt");
    EXPECT_EQ(list.names(), QStringList{QStringLiteral("a.ppt")});
}

TEST(ControlChannel, UnterminatedRepliesAreNeitherLostNorGlued) {
    ScriptedUploadHost host;
    ASSERT_TRUE(host.listen());
    pad::SocketLineChannel channel;
    channel.connectToHost(QStringLiteral("127.0.0.1"), host.port());
    ASSERT_TRUE(spinUntil([&] { return channel.isOpen(); }));
    QList<QByteArray> lines, words;
    QObject::connect(&channel, &pad::SocketLineChannel::lineReceived, [&](const QByteArray &l) { lines << l; });
    QObject::connect(&channel, &pad::SocketLineChannel::unterminatedReply, [&](const QByteArray &w) { words << w; });
    ASSERT_TRUE(spinUntil([&] { return host.hasControl(); }));
    host.send("s_busylist");
    ASSERT_TRUE(spinUntil([&] { return words.size() == 1; }));
    host.send("s_busylists_list\xd1\xdd.ppt\r\ns_li");
    ASSERT_TRUE(spinUntil([&] { return lines.size() == 1; }));
    host.send("st\r\ns_agree\r\ns_agree");
    ASSERT_TRUE(spinUntil([&] { return lines.size() == 3 && words.size() == 3; }));
    EXPECT_EQ(words, (QList<QByteArray>{"s_busylist", "s_busylist", "s_agree"}));
    EXPECT_EQ(lines, (QList<QByteArray>{"s_list\xd1\xdd.ppt", "s_list", "s_agree"}));
    channel.sendLine("c_idle");
    ASSERT_TRUE(spinUntil([&] { return !host.received.isEmpty(); }));
    EXPECT_EQ(host.received, QList<QByteArray>{"c_idle"});
    channel.close();
    channel.sendLine("c_list");  // closed: nothing goes out
    EXPECT_FALSE(channel.isOpen());
}

TEST(ControlChannel, TheProgramsClientDropsOnlyTheGluedWord) {
    ScriptedUploadHost host;
    ASSERT_TRUE(host.listen());
    pad::ControlClient client(std::make_shared<platform::SystemClock>());
    QList<QByteArray> unhandled;
    QList<pad::ControlClient::Reply> replies;
    QObject::connect(&client, &pad::ControlClient::unhandledReply, [&](const QByteArray &l) { unhandled << l; });
    QObject::connect(&client, &pad::ControlClient::reply,
                     [&](pad::ControlClient::Reply r, const QByteArray &) { replies << r; });
    ASSERT_EQ(client.connectAndLogin(QStringLiteral("127.0.0.1"), host.port(), "tuvop", "tuvop"),
              pad::ControlClient::ConnectResult::LoginSent);
    ASSERT_TRUE(spinUntil([&] { return replies.contains(pad::ControlClient::Reply::Ok); }));  // the login
    replies.clear();
    // The end of a listing, then the answer to "c_up", in one read.
    host.send("s_busylists_name\r\n");
    ASSERT_TRUE(spinUntil([&] { return !unhandled.isEmpty(); }));
    EXPECT_EQ(unhandled, QList<QByteArray>{"s_name"});
    host.send("s_agrees_other\r\n");
    ASSERT_TRUE(spinUntil([&] { return !replies.isEmpty(); }));
    EXPECT_EQ(replies, QList<pad::ControlClient::Reply>{pad::ControlClient::Reply::Other});
}
