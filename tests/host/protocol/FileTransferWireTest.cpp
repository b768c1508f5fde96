// File list and upload on the wire: control lines on P, data on P+1.
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ProtocolFixture.h"
#include "common/Gbk.h"

using namespace hosttest;

namespace {

// The controller's data connection: chunks paced by "s_next".
class DataClient {
public:
    DataClient(int port, const QString &from) {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
        QObject::connect(&socket, &QTcpSocket::disconnected, [this] { dropped = true; });
        socket.bind(QHostAddress(from), 0);
        socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port + 1));
        socket.waitForConnected(5000);
    }
    qsizetype nexts() const { return received.size() / 8; }
    bool sendPaced(const QByteArray &data, int chunk = 1024) {
        qsizetype sent = nexts();
        for (qsizetype off = 0; off < data.size(); off += chunk) {
            socket.write(data.constData() + off, std::min<qsizetype>(chunk, data.size() - off));
            ++sent;
            if (!spinUntil([&] { return nexts() >= sent || dropped; }) || dropped) return false;
        }
        return received == QByteArray("s_next\r\n").repeated(static_cast<int>(sent));
    }
    QTcpSocket socket;
    QByteArray received;
    bool dropped = false;
};

QByteArray pattern(qsizetype n) {
    QByteArray b(n, Qt::Uninitialized);
    QRandomGenerator gen(1234);
    for (qsizetype i = 0; i < n; ++i) b[i] = static_cast<char>(gen.bounded(256));
    return b;
}

class Transfer : public HostFixture {
protected:
    // c_up, c_filename, c_len up to "s_file".
    void announce(Client &c, const QByteArray &wireName, qint64 size) {
        c.send("c_up\r\n");
        ASSERT_EQ(c.sync(), "s_name\r\n");
        c.send("c_filename" + wireName + "\r\n");
        ASSERT_EQ(c.sync(), "s_len\r\n");
        c.send("c_len" + QByteArray::number(size) + "\r\n");
        ASSERT_EQ(c.sync(), "s_file\r\n");
    }
    QByteArray fileContent(const QString &name) {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList folderEntries() {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                          QDir::Name);
    }
};

}  // namespace

// ---- listing ----

TEST_F(Transfer, ListingPagesOneNameAtATimeAndEndsWithBareBusyList) {
    makeFile("b.pptx");
    makeFile("a.ppt");
    makeFile(QString::fromUtf8("讲稿.PPTM"));
    makeFile("notes.txt");
    QDir(dir.path()).mkdir("d.ppt");
    auto c = loggedIn("127.0.0.2");
    auto other = loggedIn("127.0.0.3");
    c->send("c_list\r\n");
    EXPECT_EQ(c->sync(), "s_lista.ppt\r\n");
    EXPECT_TRUE(ui.hasLog("127.0.0.2 显示文件列表。"));
    EXPECT_EQ(service->listOwnerAddress(), "127.0.0.2");
    other->send("c_list\r\nc_nextlist\r\n");
    EXPECT_EQ(other->sync(), "s_busylists_busylist");
    c->send("c_nextlist\r\n");
    EXPECT_EQ(c->sync(), "s_listb.pptx\r\n");
    c->send("c_nextlist\r\n");
    EXPECT_EQ(c->sync(), "s_list" + *kv::toGbk(QString::fromUtf8("讲稿.PPTM")) + "\r\n");
    EXPECT_EQ(service->listOwnerAddress(), "");  // freed with the last name
    c->send("c_nextlist\r\n");
    EXPECT_EQ(c->sync(), "s_busylist");
}

TEST_F(Transfer, OwnersNewListStartsAfreshAndItsDisconnectFreesTheList) {
    makeFile("a.ppt");
    makeFile("b.ppt");
    auto c = loggedIn("127.0.0.2");
    auto other = loggedIn("127.0.0.3");
    c->send("c_list\r\n");
    EXPECT_EQ(c->sync(), "s_lista.ppt\r\n");
    c->send("c_list\r\n");
    EXPECT_EQ(c->sync(), "s_lista.ppt\r\n");
    c->close();
    ASSERT_TRUE(spinUntil([&] { return service->listOwnerAddress().isEmpty(); }));
    other->send("c_list\r\n");
    EXPECT_EQ(other->sync(), "s_lista.ppt\r\n");
}

TEST_F(Transfer, EmptyFolderAnswersNothing) {
    auto c = loggedIn();
    c->send("c_list\r\n");
    EXPECT_EQ(c->sync(), "");
    EXPECT_EQ(service->listOwnerAddress(), "");
    c->send("c_list \r\nc_nextlist\r\n");
    EXPECT_EQ(c->sync(), "s_busylist");
}

// ---- upload ----

TEST_F(Transfer, UploadOfFourMiBArrivesByteForByte) {
    const QByteArray data = pattern(4 * 1024 * 1024 + 123);
    const QString name = QString::fromUtf8("讲稿 一.pptx");
    auto c = loggedIn("127.0.0.2");
    announce(*c, *kv::toGbk(name), data.size());
    EXPECT_EQ(service->uploaderAddress(), "127.0.0.2");
    EXPECT_TRUE(ui.hasLog(QString::fromUtf8("127.0.0.2 上传文件：讲稿 一.pptx。")));
    DataClient d(port, "127.0.0.2");
    ASSERT_TRUE(d.sendPaced(data));
    // "c_over" and the list pull in one read: both are handled.
    c->send("c_over\r\nc_list\r\n");
    EXPECT_EQ(c->sync(), "s_list" + *kv::toGbk(name) + "\r\n");
    EXPECT_EQ(fileContent(name), data);
    EXPECT_EQ(folderEntries(), QStringList({name}));  // no temporary file left
    EXPECT_EQ(service->uploaderAddress(), "");
    EXPECT_EQ(ui.refreshes, 1);
    EXPECT_TRUE(ui.hasLog(QString::fromUtf8("127.0.0.2 文件:讲稿 一.pptx 上传完成。")));
}

TEST_F(Transfer, BytesStillOnTheirWayAfterOverAreWaitedFor) {
    const QByteArray data = pattern(3000);
    auto c = loggedIn();
    announce(*c, "late.ppt", data.size());
    DataClient d(port, "127.0.0.1");
    ASSERT_TRUE(d.sendPaced(data.left(2000)));
    c->send("c_over\r\n");
    c->sync();
    EXPECT_TRUE(service->transfer().finishing());
    EXPECT_FALSE(QFile::exists(dir.filePath("late.ppt")));
    // Other commands are served meanwhile.
    c->send("c_idle\r\n");
    EXPECT_TRUE(c->waitForTail("s_idle\r\n"));
    ASSERT_TRUE(d.sendPaced(data.mid(2000)));
    ASSERT_TRUE(spinUntil([&] { return service->uploaderAddress().isEmpty(); }));
    EXPECT_EQ(fileContent("late.ppt"), data);
}

TEST_F(Transfer, ShortUploadIsDeletedAndTheOldFileKept) {
    makeFile("talk.ppt", "original");
    service->transfer().setFinishWait(200);
    auto c = loggedIn();
    announce(*c, "talk.ppt", 5000);
    DataClient d(port, "127.0.0.1");
    ASSERT_TRUE(d.sendPaced(pattern(3000)));
    EXPECT_EQ(fileContent("talk.ppt"), "original");  // untouched until the upload completes
    c->send("c_over\r\n");
    c->sync();
    ASSERT_TRUE(spinUntil([&] { return service->uploaderAddress().isEmpty(); }));
    EXPECT_EQ(fileContent("talk.ppt"), "original");
    EXPECT_EQ(folderEntries(), QStringList({"talk.ppt"}));
    EXPECT_TRUE(ui.hasLog("127.0.0.1 文件:talk.ppt 上传未完成，已删除。"));
    EXPECT_EQ(ui.refreshes, 0);
    // Too many bytes is as bad as too few.
    announce(*c, "big.ppt", 10);
    ASSERT_TRUE(d.sendPaced(pattern(20)));
    c->send("c_over\r\n");
    c->sync();
    EXPECT_FALSE(QFile::exists(dir.filePath("big.ppt")));
    EXPECT_EQ(service->uploaderAddress(), "");
}

TEST_F(Transfer, UploadersLastDisconnectAbandonsTheUpload) {
    auto c = loggedIn("127.0.0.2");
    auto c2 = loggedIn("127.0.0.2");
    auto other = loggedIn("127.0.0.3");
    announce(*c, "gone.ppt", 5000);
    {
        DataClient d(port, "127.0.0.2");
        ASSERT_TRUE(d.sendPaced(pattern(2048)));
    }
    c->close();
    ASSERT_TRUE(spinUntil([&] { return ui.hasLog("127.0.0.2 断开连接。"); }));
    EXPECT_EQ(service->uploaderAddress(), "127.0.0.2");  // another connection remains
    c2->close();
    ASSERT_TRUE(spinUntil([&] { return service->uploaderAddress().isEmpty(); }));
    EXPECT_TRUE(folderEntries().isEmpty());
    EXPECT_TRUE(ui.hasLog("127.0.0.2 文件:gone.ppt 上传未完成，已删除。"));
    other->send("c_up\r\n");
    EXPECT_EQ(other->sync(), "s_name\r\n");
}

TEST_F(Transfer, SlotBelongsToOneAddress) {
    auto a = loggedIn("127.0.0.2");
    auto b = loggedIn("127.0.0.3");
    a->send("c_up\r\nc_up\r\n");
    EXPECT_EQ(a->sync(), "s_name\r\ns_name\r\n");
    b->send("c_up\r\n");
    EXPECT_EQ(b->sync(), "s_qitaup");
    b->send("c_filenamex.ppt\r\n");
    EXPECT_EQ(b->sync(), "s_qitaup");
    b->send("c_len5\r\n");
    EXPECT_EQ(b->sync(), "s_qitaup");
    b->send("c_over\r\n");
    EXPECT_EQ(b->sync(), "s_qitaup");
    // Size before name, or a size that is not a non-negative decimal.
    a->send("c_len5\r\n");
    EXPECT_EQ(a->sync(), "s_qitaup");
    a->send("c_filenamex.ppt\r\n");
    EXPECT_EQ(a->sync(), "s_len\r\n");
    for (const char *bad : {"c_len-1", "c_lenabc", "c_len", "c_len99999999999999999999", "c_len0x10"}) {
        a->send(QByteArray(bad) + "\r\n");
        EXPECT_EQ(a->sync(), "s_qitaup") << bad;
    }
    EXPECT_TRUE(ui.hasLog("127.0.0.2 文件长度无效:abc。"));
    // Sizes are 64-bit.
    a->send("c_len5000000000\r\n");
    EXPECT_EQ(a->sync(), "s_file\r\n");
    a->send("c_filenamex.ppt\r\n");  // a new name abandons that file
    EXPECT_EQ(a->sync(), "s_len\r\n");
    EXPECT_TRUE(fakes.dialogs->messages.isEmpty());
    EXPECT_TRUE(folderEntries().isEmpty());
    EXPECT_EQ(service->uploaderAddress(), "127.0.0.2");
    // c_over without a file frees the slot quietly.
    a->send("c_over\r\n");
    a->sync();
    EXPECT_EQ(service->uploaderAddress(), "");
}

TEST_F(Transfer, HostileUploadNamesAreRefused) {
    QTemporaryDir outside;
    auto c = loggedIn();
    c->send("c_up\r\n");
    ASSERT_EQ(c->sync(), "s_name\r\n");
    const QByteArray names[] = {"../x.ppt", "a/b.ppt", "a\\b.ppt", "c:x.ppt", "x.txt", "", ".",
                                "..", ".ppt", "x.ppt\x01", QByteArray(252, 'a') + ".ppt",
                                "\xff\xff.ppt", " x.ppt", QFile::encodeName(outside.filePath("x.ppt"))};
    for (const QByteArray &n : names) {
        c->send("c_filename" + n + "\r\n");
        EXPECT_EQ(c->sync(), "s_qitaup") << n.constData();
    }
    EXPECT_TRUE(ui.hasLog("127.0.0.1 上传文件名无效。"));
    EXPECT_TRUE(folderEntries().isEmpty());
    EXPECT_TRUE(QDir(outside.path()).isEmpty());
    // A name with a trailing blank is taken as sent, and is not a presentation name.
    c->send("c_filenamex.ppt \r\n");
    EXPECT_EQ(c->sync(), "s_qitaup");
}

TEST_F(Transfer, UploadThatCannotBeStoredEndsAtOnceAndLeavesNothing) {
    auto c = loggedIn();
    // Each failure closes the data connection: that is what the controller reports.
    ui.folder = dir.filePath("no-such-folder");
    c->send("c_up\r\nc_filenamex.ppt\r\nc_len3\r\n");
    EXPECT_EQ(c->sync(), "s_name\r\ns_len\r\ns_file\r\n");
    EXPECT_TRUE(ui.hasLog("127.0.0.1 无法创建文件:x.ppt。"));
    EXPECT_FALSE(DataClient(port, "127.0.0.1").sendPaced("abc"));
    c->send("c_len0\r\n");  // no connection to close: not "s_file", which reads as stored
    EXPECT_EQ(c->sync(), "s_qitaup");
    ui.folder = dir.path();
    QDir(dir.path()).mkdir("d.ppt");
    c->send("c_filenamed.ppt\r\nc_len3\r\n");
    EXPECT_EQ(c->sync(), "s_len\r\ns_file\r\n");
    EXPECT_TRUE(ui.hasLog("127.0.0.1 文件:d.ppt 无法保存：共享文件夹里有同名的文件夹。"));
    EXPECT_FALSE(DataClient(port, "127.0.0.1").sendPaced("abc"));
    // A write fails (as on a full disk): no "s_next" after it.
    c->send("c_filenamefull.ppt\r\nc_len1048576\r\n");
    EXPECT_EQ(c->sync(), "s_len\r\ns_file\r\n");
    rlimit keep{};
    getrlimit(RLIMIT_FSIZE, &keep);
    const rlimit small{256 * 1024, keep.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    DataClient d(port, "127.0.0.1");
    const bool acked = d.sendPaced(pattern(1024 * 1024));
    setrlimit(RLIMIT_FSIZE, &keep);
    EXPECT_FALSE(acked);
    EXPECT_LE(d.nexts(), 320);
    EXPECT_TRUE(ui.hasLog("127.0.0.1 文件:full.ppt 无法保存：文件太大。"));
    c->send("c_over\r\n");
    c->sync();
    EXPECT_EQ(folderEntries(), QStringList({"d.ppt"}));
}

TEST_F(Transfer, DataFromOthersIsRefusedAndStrayBytesDropped) {
    auto a = loggedIn("127.0.0.2");
    a->send("c_up\r\nc_filenamex.ppt\r\n");
    EXPECT_EQ(a->sync(), "s_name\r\ns_len\r\n");
    // The uploader's bytes before "c_len" are read and dropped.
    DataClient early(port, "127.0.0.2");
    early.socket.write("junk");
    QTest::qWait(50);
    EXPECT_TRUE(early.received.isEmpty());
    EXPECT_FALSE(early.dropped);
    a->send("c_len3\r\n");
    EXPECT_EQ(a->sync(), "s_file\r\n");
    // Another address on the data port is closed; nothing of it is written.
    DataClient intruder(port, "127.0.0.3");
    intruder.socket.write("evil");
    ASSERT_TRUE(spinUntil([&] { return intruder.dropped; }));
    EXPECT_TRUE(intruder.received.isEmpty());
    ASSERT_TRUE(early.sendPaced("abc"));
    a->send("c_over\r\n");
    a->sync();
    EXPECT_EQ(fileContent("x.ppt"), "abc");
}

TEST_F(Transfer, EmptyUploadCreatesAnEmptyFile) {
    auto c = loggedIn();
    announce(*c, "empty.pptx", 0);
    c->send("c_over\r\n");
    c->sync();
    EXPECT_TRUE(QFile::exists(dir.filePath("empty.pptx")));
    EXPECT_EQ(fileContent("empty.pptx"), "");
}

TEST_F(Transfer, ServiceStopDropsARunningUpload) {
    auto c = loggedIn();
    announce(*c, "cut.ppt", 100);
    DataClient d(port, "127.0.0.1");
    ASSERT_TRUE(d.sendPaced(pattern(50)));
    listeners->stop();
    EXPECT_TRUE(folderEntries().isEmpty());
    EXPECT_EQ(service->uploaderAddress(), "");
    EXPECT_EQ(service->listOwnerAddress(), "");
}

TEST_F(Transfer, NothingPastTheAnnouncedLengthIsStoredOrAcknowledged) {
    auto c = loggedIn();
    announce(*c, "cap.ppt", 1500);
    DataClient d(port, "127.0.0.1");
    ASSERT_TRUE(d.sendPaced(pattern(1024)));
    // The rest and far more in one go: one "s_next" for the part that fits, then silence.
    d.socket.write(pattern(1024 * 1024));
    ASSERT_TRUE(spinUntil([&] { return d.nexts() == 2; }));
    spinUntil([] { return false; }, 200);
    EXPECT_EQ(d.nexts(), 2);
    // The upload's file (open, maybe still unnamed) never grew past the announced length.
    qint64 largest = -1;
    for (const QString &fd : QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::System)) {
        char target[4096];
        const QByteArray link = "/proc/self/fd/" + fd.toLatin1();
        const ssize_t n = ::readlink(link.constData(), target, sizeof target);
        struct stat st;
        if (n > 0 && QByteArray(target, n).startsWith(QFile::encodeName(dir.path())) && ::stat(link, &st) == 0)
            largest = std::max<qint64>(largest, st.st_size);
    }
    EXPECT_EQ(largest, 1500);
    c->send("c_over\r\n");
    c->sync();
    EXPECT_TRUE(folderEntries().isEmpty());
    EXPECT_EQ(service->uploaderAddress(), "");
}

TEST_F(Transfer, UploadersListingWaitsUntilItsUploadSettled) {
    const QByteArray data = pattern(3000);
    auto c = loggedIn();
    announce(*c, "new.ppt", data.size());
    DataClient d(port, "127.0.0.1");
    ASSERT_TRUE(d.sendPaced(data.left(2048)));
    // The last chunk comes only once the listing waits for it.
    bool sent = false;
    fakes.clock->onPump = [] { QCoreApplication::processEvents(); };
    fakes.clock->onSleep = [&](int ms) {
        if (!std::exchange(sent, true)) d.socket.write(data.mid(2048));
        QThread::msleep(static_cast<unsigned long>(ms));
    };
    c->send("c_over\r\nc_list\r\n");
    EXPECT_EQ(c->sync(), "s_listnew.ppt\r\n");
    EXPECT_EQ(fileContent("new.ppt"), data);
}

TEST_F(Transfer, AnUploadTakesItsBytesFromOneDataConnection) {
    auto c = loggedIn();
    const QByteArray data = pattern(2048);
    announce(*c, "one.ppt", data.size());
    DataClient d1(port, "127.0.0.1"), d2(port, "127.0.0.1");
    // The first carries the upload; the second is closed.
    ASSERT_TRUE(d1.sendPaced(data.left(1024)));
    d2.socket.write(pattern(1024));
    ASSERT_TRUE(spinUntil([&] { return d2.dropped; }));
    EXPECT_TRUE(d2.received.isEmpty());
    ASSERT_TRUE(d1.sendPaced(data.mid(1024)));
    c->send("c_over\r\n");
    c->sync();
    EXPECT_EQ(fileContent("one.ppt"), data);
    // A carrying connection that breaks ends its upload; no other finishes it.
    announce(*c, "two.ppt", data.size());
    std::make_unique<DataClient>(port, "127.0.0.1")->sendPaced(data.left(1024));
    ASSERT_TRUE(spinUntil([&] { return ui.hasLog("127.0.0.1 文件:two.ppt 上传未完成，已删除。"); }));
    DataClient d3(port, "127.0.0.1");
    EXPECT_FALSE(d3.sendPaced(data.mid(1024)));
    c->send("c_over\r\n");
    c->sync();
    EXPECT_EQ(folderEntries(), QStringList({"one.ppt"}));
}
