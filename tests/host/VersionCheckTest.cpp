// The daily version check: page decoding and parsing, and the whole check
// against a page served on 127.0.0.1 by the test itself.
#include <gtest/gtest.h>

#include <QNetworkProxy>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "HostTestSupport.h"
#include "host/app/VersionCheck.h"

using namespace hosttest;

namespace {

// Answers every request with one canned response; with hang set it accepts
// and says nothing.
class TinyHttp : public QObject {
public:
    QByteArray response;
    bool hang = false;
    int requests = 0;
    TinyHttp() {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = server_.nextPendingConnection()) {
                ++requests;
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    buffer_ += s->readAll();
                    if (hang || !buffer_.contains("\r\n\r\n")) return;
                    s->write(response);
                    s->disconnectFromHost();
                });
            }
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/version.html").arg(server_.serverPort()); }
    void serve(const QByteArray &body, const QByteArray &type = "text/html; charset=utf-8") {
        response = "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: " +
                   QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }

private:
    QTcpServer server_;
    QByteArray buffer_;
};

QByteArray announce(const QString &version, const QString &tail) {
    return QStringLiteral("<html><body><p>新闻</p><p>Korvelo投影助理最新版本：%1，下载地址：%2</p></body></html>")
        .arg(version, tail)
        .toUtf8();
}

struct Check : HostFixture {
    TinyHttp http;
    std::shared_ptr<host::PageLoader> loader = host::makeNetworkPageLoader();
    explicit Check(const QString &extra = {}) {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        writeIni(QStringLiteral("[server]\nVersionPage=%1\n").arg(http.url()) + extra);
        create(loader);
    }
    // Runs the daily check and the poll once the page is in.
    void run() {
        form1()->dailyVersionCheck();
        ASSERT_TRUE(QTest::qWaitFor([&] { return loader->complete(); }, 5000));
        form1()->TimerHomePageTimer();
    }
    QStringList log() const { return form1()->memo1->toPlainText().split('\n', Qt::SkipEmptyParts); }
};

TEST(VersionPage, DecodesByHeaderMetaUtf8OrGbk) {
    const QString text = QStringLiteral("最新版本");
    const QByteArray gbk = kv::toGbkLossy(text);
    EXPECT_EQ(host::decodePage(gbk, "text/html; charset=GBK"), text);
    EXPECT_EQ(host::decodePage("<meta charset=\"gb2312\">" + gbk, ""), "<meta charset=\"gb2312\">" + text);
    EXPECT_EQ(host::decodePage(text.toUtf8(), "text/plain"), text);
    EXPECT_EQ(host::decodePage(gbk, ""), text);  // not UTF-8: GBK
}

TEST(VersionPage, OnlyTheFirstAnnouncementCounts) {
    const QStringList lines = {"Memo2", "x Korvelo投影助理最新版本：1.5，下载地址：https://a.example/x.zip，欢迎下载 y",
                               "Korvelo投影助理最新版本：9，下载地址：https://b.example/，欢迎下载"};
    auto v = host::findVersionLine(lines);
    ASSERT_EQ(v.kind, host::VersionLine::Found);
    EXPECT_EQ(v.version, 1.5);
    EXPECT_TRUE(v.hasAddress);
    EXPECT_EQ(v.address, "https://a.example/x.zip");
    EXPECT_EQ(host::findVersionLine({"Korvelo投影助理最新版本：1.5 no address part"}).kind,
              host::VersionLine::None);
    EXPECT_EQ(host::findVersionLine({"Korvelo投影助理最新版本：1,5，下载地址：x"}).kind,
              host::VersionLine::NotANumber);
}

TEST(VersionPage, OnlyWebAddressesAreSafe) {
    EXPECT_TRUE(host::isSafeDownloadAddress("https://korvelo.example/slidehost-1.5.tar.gz"));
    EXPECT_TRUE(host::isSafeDownloadAddress("HTTP://korvelo.example/"));
    for (const char *bad : {"", "file:///etc/passwd", "/usr/bin/xterm", "javascript:alert(1)",
                            "http://", "https://a.example/x y", "ftp://a.example/", "slidehost.zip"})
        EXPECT_FALSE(host::isSafeDownloadAddress(bad)) << bad;
}

TEST(VersionCheck, NewerVersionOpensTheDownload) {
    Check c;
    c.http.serve(announce("1.5", "https://korvelo.example/get，欢迎下载"));
    c.run();
    EXPECT_EQ(c.ini("server", "NewVersion"), "1.5");
    EXPECT_EQ(c.log(), QStringList({"找到新版本：1.5", "最新版本下载地址：https://korvelo.example/get"}));
    EXPECT_EQ(c.fakes.shell->opened, QStringList("https://korvelo.example/get"));
    EXPECT_EQ(c.form1()->statusText(), "请在打开的浏览器中下载最新版本。完成后请解压覆盖原文件完成升级");
    EXPECT_FALSE(c.form1()->TimerHomePage->isActive());

    // The next day's check asks first; Cancel requests nothing.
    Check next;
    next.writeIni("[server]\nNewVersion=1.5\nVersionPage=" + next.http.url() + "\n");
    next.app.reset();
    next.create(next.loader);
    next.form1()->dailyVersionCheck();
    ASSERT_EQ(next.choice->questions.size(), 1);
    EXPECT_TRUE(next.choice->questions[0].startsWith("最新版本是1.5，如果您已经下载了最新版本，"));
    EXPECT_EQ(next.choice->captions[0], "提示");
    EXPECT_EQ(next.http.requests, 0);
    EXPECT_EQ(next.ini("server", "CheckDate"), next.fakes.clock->dateText);
    next.choice->answer = host::ChoiceBox::Yes;
    next.form1()->dailyVersionCheck();
    EXPECT_EQ(next.exits, 1);
}

TEST(VersionCheck, SameVersion) {
    Check c;
    c.http.serve(announce("1.41", "https://korvelo.example/get，欢迎下载"));
    c.run();
    EXPECT_EQ(c.form1()->statusText(), "已经是最新版本1.41");
    EXPECT_EQ(c.ini("server", "NewVersion"), "1.41");
    EXPECT_TRUE(c.fakes.shell->opened.isEmpty());
}

TEST(VersionCheck, NoDownloadAddressOrAnUnsafeOne) {
    for (const QString &tail : {QStringLiteral("https://korvelo.example/get"),
                                QStringLiteral("file:///etc/passwd，欢迎下载"),
                                QStringLiteral("/bin/sh，欢迎下载")}) {
        Check c;
        c.http.serve(announce("2", tail));
        c.run();
        EXPECT_EQ(c.form1()->statusText(), "没有找到最新版本下载地址") << tail.toStdString();
        EXPECT_EQ(c.ini("server", "NewVersion"), "2");
        EXPECT_TRUE(c.fakes.shell->opened.isEmpty());
    }
}

TEST(VersionCheck, VersionThatIsNotANumberRecordsNothing) {
    Check c("NewVersion=1.2\n");
    c.http.serve(announce("1.x", "https://korvelo.example/get，欢迎下载"));
    c.run();
    EXPECT_EQ(c.fakes.dialogs->messages.size(), 1);
    EXPECT_EQ(c.ini("server", "NewVersion"), "1.2");
    EXPECT_TRUE(c.log().isEmpty());
}

TEST(VersionCheck, StartupValueThatIsNotANumberReadsAsOne) {
    HostFixture f;
    f.writeIni("[server]\nNewVersion=1,5\nServerUser=kept\n");
    ASSERT_TRUE(f.create());
    EXPECT_EQ(f.form1()->LatestVersion, 1.0);
    EXPECT_EQ(f.form1()->ServiceUser, "kept");
}

TEST(VersionCheck, PageThatNeverCompletesTimesOut) {
    Check c;
    c.http.hang = true;
    c.form1()->dailyVersionCheck();
    EXPECT_TRUE(c.form1()->TimerHomePage->isActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.http.requests == 1; }, 3000));
    c.fakes.clock->now += 600000;
    c.form1()->TimerHomePageTimer();
    EXPECT_EQ(c.form1()->statusText(), "检测软件最新版本");  // not yet: exactly the limit
    c.fakes.clock->now += 1;
    c.form1()->TimerHomePageTimer();
    EXPECT_EQ(c.form1()->statusText(), "检测最新版本超时");
    EXPECT_FALSE(c.form1()->TimerHomePage->isActive());
}

TEST(VersionCheck, TickWrapDoesNoHarm) {
    HostFixture f;
    ASSERT_TRUE(f.create());
    f.fakes.clock->now = 0xFFFFFF00u;
    f.form1()->requestVersionPage();
    f.fakes.clock->now = 0x100;  // wrapped, 512 ms later
    f.form1()->TimerHomePageTimer();
    EXPECT_EQ(f.form1()->statusText(), "检测软件最新版本");
    f.pages->finish(announce("1.41", "x，欢迎下载"), "text/html");
    f.form1()->TimerHomePageTimer();
    EXPECT_EQ(f.form1()->statusText(), "已经是最新版本1.41");
    EXPECT_EQ(f.pages->lastCap, 1024 * 1024);
}

TEST(VersionCheck, OversizedPageIsDropped) {
    TinyHttp http;
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    http.serve(QByteArray(1024 * 1024 + 10, 'a') + announce("9", "https://a.example/，欢迎下载"), "text/plain");
    auto loader = host::makeNetworkPageLoader();
    loader->load(QUrl(http.url()), 5000, host::kVersionPageCap);
    ASSERT_TRUE(QTest::qWaitFor([&] { return loader->complete(); }, 5000));
    EXPECT_FALSE(loader->page().ok);
    EXPECT_TRUE(loader->page().body.isEmpty());

    loader->load(QUrl("file:///etc/hostname"), 5000, host::kVersionPageCap);
    EXPECT_TRUE(loader->complete());
    EXPECT_FALSE(loader->page().ok);
}

}  // namespace

namespace {

TEST(VersionNumbers, DotWhateverTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(host::versionText(1.5), "1.5");
    EXPECT_EQ(host::versionText(1.41), "1.41");
    EXPECT_EQ(host::versionText(2), "2");
    EXPECT_EQ(host::parseVersionNumber(" 1.5 "), 1.5);
    EXPECT_FALSE(host::parseVersionNumber("1,5"));
    EXPECT_FALSE(host::parseVersionNumber("1e3"));
    EXPECT_FALSE(host::parseVersionNumber(""));
    QLocale::setDefault(before);
}

}  // namespace
