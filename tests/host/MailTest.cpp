// Help window and mail form on a fake sender (checks, templates, watchdog,
// lists); libcurl's SMTP against a local server that logs what it received.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "HostTestSupport.h"
#include "host/setup/TFormHelp.h"
#include "host/setup/TFrmSendMail.h"

using namespace hosttest;
using platform::MailResult;

namespace {

struct SmtpServer {
    QTemporaryDir dir;
    QProcess proc;
    int port = 0;
    explicit SmtpServer(const QStringList &args = {}) {
        proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc.start(KV_PYTHON, QStringList{KV_SMTP_SERVER, "--log", dir.filePath("log")} + args);
        while (!proc.canReadLine() && proc.waitForReadyRead(10000)) {
        }
        port = QString(proc.readLine()).section(' ', 1).trimmed().toInt();
    }
    ~SmtpServer() {
        proc.kill();
        proc.waitForFinished();
    }
    QList<QJsonObject> events(const QString &kind) const {
        QFile f(dir.filePath("log"));
        f.open(QIODevice::ReadOnly);
        QList<QJsonObject> out;
        for (const QByteArray &line : f.readAll().split('\n'))
            if (auto o = QJsonDocument::fromJson(line).object(); o["ev"] == kind) out << o;
        return out;
    }
};

// A mail form on the real sender, aimed at port.
struct Form {
    platform::FakeServices fakes;
    host::TFrmSendMail form;
    QStringList status;
    QList<MailResult> results;
    explicit Form(int port)
        : form(fakes.services(), platform::makeCurlMailSender(),
               host::MailConfig{"127.0.0.1", QString::number(port), "u@test.example", "pw", "reply@test.example",
                                "dev@test.example"}) {
        form.StatusTarget = [this](const QString &t) { status << t; };
        QObject::connect(&form, &host::TFrmSendMail::sendEnded, [this](MailResult r) { results << r; });
    }
    MailResult send(const QStringList &to) {
        form.ListMail->clear();
        form.ListMail->addItems(to);
        const qsizetype before = results.size();
        form.SendMail->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return results.size() > before; }, 20000));
        return results.size() > before ? results.last() : MailResult::Broken;
    }
};

QStringList strings(const QJsonValue &v) {
    QStringList out;
    for (const QJsonValue &s : v.toArray()) out << s.toString();
    return out;
}

}  // namespace

TEST(MailCurl, TwoRecipientsOverOneConnectionWithOneLogin) {
    SmtpServer s({"--auth", "u@test.example:pw"});
    ASSERT_GT(s.port, 0);
    Form f(s.port);
    QTemporaryDir files;
    QByteArray data;
    for (int i = 0; i < 10000; ++i) data += char(i * 7);
    QFile att(files.filePath("说明 附件.bin"));
    ASSERT_TRUE(att.open(QIODevice::WriteOnly) && att.write(data) == data.size());
    att.close();
    f.form.ListFile->addItems({att.fileName(), files.filePath("gone.bin")});
    const QString subject = QString("me@x.example向您推荐一个有意思的软件，").repeated(3);
    f.form.MailTitle->setText(subject);
    f.form.setMailLines({"第一行", "", "第三行 end"});

    EXPECT_EQ(f.send({"a@one.example", "b@two.example"}), MailResult::Completed);
    EXPECT_EQ(f.status, QStringList{"邮件发送完成"});
    EXPECT_EQ(f.form.ListMail->currentRow(), 1);
    EXPECT_EQ(s.events("connect").size(), 1);
    const auto auths = s.events("auth");
    ASSERT_EQ(auths.size(), 1);
    EXPECT_EQ(auths[0]["mech"], "LOGIN");
    const auto mails = s.events("message");
    ASSERT_EQ(mails.size(), 2);
    const QStringList to{"a@one.example", "b@two.example"};
    for (int i = 0; i < 2; ++i) {
        const QJsonObject &m = mails[i];
        EXPECT_EQ(strings(m["rcpt"]), QStringList{to[i]});
        EXPECT_EQ(QStringList({m["to"].toString(), m["sender"].toString(), m["reply_to"].toString()}),
                  QStringList({to[i], "u@test.example", "reply@test.example"}));
        EXPECT_EQ(m["subject"].toString(), subject);
        EXPECT_EQ(m["body"].toString().replace("\r\n", "\n").trimmed(), "第一行\n\n第三行 end");
        EXPECT_TRUE(m["date"].toBool());
        const QJsonArray parts = m["attachments"].toArray();
        ASSERT_EQ(parts.size(), 1);
        EXPECT_EQ(parts[0]["name"], "说明 附件.bin");
        EXPECT_EQ(parts[0]["sha256"], QString(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex()));
    }
}

TEST(MailCurl, FailuresTellConnectingFromSendingAndStopTheList) {
    {
        QTcpServer probe;  // a port nobody listens on any more
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        const int closed = probe.serverPort();
        probe.close();
        Form f(closed);
        EXPECT_EQ(f.send({"a@one.example"}), MailResult::ConnectFailed);
        EXPECT_TRUE(f.status.isEmpty());
    }
    {
        SmtpServer s({"--auth", "u@test.example:other"});
        Form f(s.port);
        EXPECT_EQ(f.send({"a@one.example"}), MailResult::SendFailed);
        EXPECT_EQ(f.status, QStringList{host::TFrmSendMail::kFailed});
        EXPECT_TRUE(s.events("message").isEmpty());
    }
    SmtpServer s({"--auth", "u@test.example:pw", "--refuse", "b@two.example"});
    Form f(s.port);
    EXPECT_EQ(f.send({"a@one.example", "b@two.example", "c@three.example"}), MailResult::SendFailed);
    ASSERT_EQ(s.events("message").size(), 1);
    EXPECT_EQ(s.events("refused").size(), 1);
    // The next send starts from a fresh connection.
    EXPECT_EQ(f.send({"c@three.example"}), MailResult::Completed);
    EXPECT_EQ(s.events("connect").size(), 2);
    EXPECT_EQ(strings(s.events("message").last()["rcpt"]), QStringList{"c@three.example"});
}

TEST(MailCurl, SizeRefusalSaysSoAndTheAttachedProgramsCarryNoDebugInformation) {
    SmtpServer s({"--size-limit", "4000"});
    Form f(s.port);
    f.form.ListFile->addItem(SLIDEHOST_PATH);
    EXPECT_EQ(f.send({"a@one.example"}), MailResult::TooLarge);
    EXPECT_EQ(f.status, QStringList{host::TFrmSendMail::kTooLarge +
                                    "552 Error: message size exceeds fixed maximum message size"});
    if (QString(KV_BUILD_TYPE) == "Debug") GTEST_SKIP() << "a debug build chosen on purpose";
    for (const char *program : {SLIDEHOST_PATH, SLIDEPAD_PATH})  // 22 and 11 MB with it
        EXPECT_LT(QFileInfo(program).size(), 4 << 20) << program;
}

// A server that falls silent after the hello: given up once the reply limit
// passed, the goodbye not waited for again; a break ends the wait at once.
TEST(MailCurl, SilentServerIsGivenUpAtTheLimitAndABreakEndsTheWait) {
    SmtpServer s({"--stall"});
    auto sender = platform::makeCurlMailSender();
    std::optional<MailResult> result;
    sender->onFinished = [&](MailResult r, const QString &) { result = r; };
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(sender->start({"127.0.0.1", s.port, "", "", 15000, 2}, {"u@test.example", "", "s", {}, {}}, {"a@b.cn"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 10000));
    EXPECT_TRUE(*result == MailResult::SendFailed && t.elapsed() < 3500) << t.elapsed();

    Form f(s.port);  // the form's own limits: 30 s
    QTimer::singleShot(500, [&] { t.restart(); f.form.BreakSend->click(); });
    EXPECT_EQ(f.send({"a@one.example"}), MailResult::Broken);
    EXPECT_TRUE(t.elapsed() < 1000 && f.status.isEmpty()) << t.elapsed();
}

TEST(MailCurl, NoAuthServerEmptyListAndBreak) {
    SmtpServer s;  // offers no AUTH: the user name is not used
    Form f(s.port);
    EXPECT_EQ(f.send({}), MailResult::Completed);
    EXPECT_EQ(s.events("connect").size(), 1);
    EXPECT_TRUE(s.events("message").isEmpty());

    QObject::connect(f.form.ListMail, &QListWidget::currentRowChanged, [&](int row) {
        if (row == 0) f.form.BreakSend->click();
    });
    f.status.clear();
    EXPECT_EQ(f.send({"a@one.example", "b@two.example", "c@three.example"}), MailResult::Broken);
    EXPECT_TRUE(f.status.isEmpty());
    EXPECT_EQ(s.events("message").size(), 1);
    EXPECT_TRUE(s.events("auth").isEmpty());
    f.form.ListMail->setCurrentRow(-1);
    EXPECT_EQ(f.send({"d@four.example"}), MailResult::Completed);
}

// A recommendation and a feedback mail through the running host reach the
// server while a controller logs in and gets its answer.
TEST(MailCurl, HostSendsBothMailsAndKeepsServingControllers) {
    SmtpServer s({"--delay", "1.5"});
    HostFixture f;
    const int port = freePortBlock();
    f.writeIni(QStringLiteral("[server]\nServerPort=%1\nServerUser=alice\nServerPass=secret\n"
                              "[mail]\nSmtp=127.0.0.1\nPort=%2\nUser=u@test.example\nDeveloper=dev@test.example\n")
                   .arg(port)
                   .arg(s.port));
    f.mail = platform::makeCurlMailSender();
    ASSERT_TRUE(f.create());
    f.form1()->SpeedButtonServerStart->click();
    host::TFormHelp *help = f.app->FormHelp();
    for (const char *name : {"host", "slidepad"}) {
        QFile file(f.programDir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(name) > 0);
    }
    help->HostProgramPath = f.programDir.filePath("host");
    help->EditMail0->setText("me@x.example");
    help->EditMail1->setText("pal@y.example");
    help->SpeedButtonSend->click();
    EXPECT_EQ(help->statusText(), "发送邮件......");

    QTcpSocket c;
    c.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    QByteArray got;
    ASSERT_TRUE(c.waitForConnected(2000));
    c.write("c_user alice | secret\r\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return (got += c.readAll()).contains("s_ok\r\n"); }, 1000));
    EXPECT_TRUE(f.app->FrmSendMail()->sending());
    ASSERT_TRUE(QTest::qWaitFor([&] { return help->statusText() == "邮件发送完成"; }, 10000));

    help->RadioButtonHome->setChecked(true);
    help->SpeedButtonSend->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return help->statusText() == "邮件发送完成"; }, 10000));
    const auto mails = s.events("message");
    ASSERT_EQ(mails.size(), 2);
    EXPECT_EQ(strings(mails[0]["rcpt"]), QStringList{"pal@y.example"});
    EXPECT_EQ(mails[0]["subject"], "me@x.example向您推荐一个有意思的软件");
    EXPECT_EQ(mails[0]["attachments"].toArray().size(), 2);
    EXPECT_EQ(mails[0]["attachments"].toArray()[1].toObject()["name"], "slidepad");
    EXPECT_EQ(strings(mails[1]["rcpt"]), QStringList{"dev@test.example"});
    EXPECT_EQ(mails[1]["subject"], "me@x.example意见反馈");
    EXPECT_TRUE(mails[1]["attachments"].toArray().isEmpty());
}

TEST(MailHeaders, EncodedWordsHoldWholeCharacters) {
    const QString text = QString("推荐一个软件😀，") .repeated(9);
    const QByteArray folded = platform::encodedHeaderText(text);
    QString decoded;
    for (QByteArray word : folded.split('\n')) {
        word = word.trimmed();
        EXPECT_LE(word.size(), 75);
        ASSERT_TRUE(word.startsWith("=?GB18030?B?") && word.endsWith("?="));
        const auto part = kv::fromGbk(QByteArray::fromBase64(word.mid(12, word.size() - 14)));
        ASSERT_TRUE(part.has_value());  // no character cut in two
        decoded += *part;
    }
    EXPECT_EQ(decoded, text);
    EXPECT_EQ(platform::encodedHeaderText("plain words"), "plain words");
}

namespace {

struct Help : HostFixture {
    host::TFormHelp *help = nullptr;
    host::TFrmSendMail *mailForm = nullptr;
    platform::FakeMailSender *sender = nullptr;
    Help() {
        create();
        help = app->FormHelp();
        mailForm = app->FrmSendMail();
        sender = static_cast<platform::FakeMailSender *>(mail.get());
    }
    const platform::FakeMailSender::Send &last() const { return sender->sends.back(); }
};

}  // namespace

TEST(HelpWindow, OpensOnKeyLoadsTheOwnAddressAndFillsTemplates) {
    Help h;
    kv::IniFile(h.iniPath()).writeString("server", "MyMail", "me@x.example");
    QTest::keyClick(h.form1()->EditMain, 'p');
    EXPECT_TRUE(h.help->isVisible());
    EXPECT_TRUE(h.help->TimerStart->isActive());
    h.help->TimerStart->stop();
    h.help->TimerStartTimer();
    EXPECT_EQ(h.help->EditMail0->text(), "me@x.example");
    h.help->SpeedButtonSuggest->click();
    EXPECT_TRUE(h.help->Panel3->isVisibleTo(h.help) && !h.help->MemoSoft->isVisibleTo(h.help));
    EXPECT_EQ(h.mailForm->vPass->text(), "");  // no password built in

    QStringList lines = h.help->memoLines();
    ASSERT_EQ(lines.size(), 52);
    EXPECT_EQ(lines[5], "    网址：http://korvelo.example/");
    h.help->RadioButtonHome->setChecked(true);
    EXPECT_EQ(h.help->memoLines().size(), 6);
    EXPECT_EQ(h.help->EditMail1->text(), "support@korvelo.example");
    h.help->RadioButtonFriend->setChecked(true);
    lines = h.help->memoLines();
    ASSERT_EQ(lines.size(), 54);
    EXPECT_EQ(lines.mid(0, 3), QStringList({"", "Hi，你好！", ""}));
    EXPECT_EQ(lines[7], QString(43, ' ') + "2026/12/8");
    h.help->RadioButton3->setChecked(true);
    h.help->RadioButton1->setChecked(true);
    EXPECT_EQ(h.help->memoLines().mid(54), QStringList({"这个软件太差了,很多问题  ", "这个软件对我有很大帮助  "}));
}

TEST(HelpWindow, SendChecksAddressesAndFillsTheMailForm) {
    Help h;
    h.help->TimerStartTimer();
    h.help->EditMail0->setText(" me@x.example ");
    h.help->SpeedButtonSend->click();
    EXPECT_EQ(h.help->statusText(), "请输入您朋友的邮箱地址");
    EXPECT_EQ(h.ini("server", "MyMail"), "me@x.example");  // stored before the checks
    EXPECT_TRUE(h.sender->sends.empty());

    QFile pad(h.programDir.filePath("slidepad"));
    ASSERT_TRUE(pad.open(QIODevice::WriteOnly));
    h.help->EditMail1->setText("first.last@example.com");
    h.help->SpeedButtonSend->click();
    ASSERT_EQ(h.sender->sends.size(), 1u);
    EXPECT_EQ(h.last().recipients, QStringList{"first.last@example.com"});
    EXPECT_EQ(h.last().message.subject, " me@x.example 向您推荐一个有意思的软件");
    EXPECT_EQ(h.last().message.attachments, QStringList({h.help->HostProgramPath, pad.fileName()}));
    EXPECT_EQ(h.last().message.bodyLines, h.help->memoLines());
    EXPECT_EQ(h.help->statusText(), "发送邮件......");
    // No second send while one runs.
    EXPECT_FALSE(h.help->SpeedButtonSend->isEnabled());
    h.mailForm->SendMail->click();
    EXPECT_EQ(h.sender->sends.size(), 1u);
    h.sender->finish(MailResult::Completed);
    EXPECT_TRUE(h.help->SpeedButtonSend->isEnabled());

    h.help->RadioButtonHome->setChecked(true);
    h.help->EditMail1->setText("other@example.com");
    h.help->SpeedButtonSend->click();
    ASSERT_EQ(h.sender->sends.size(), 2u);
    EXPECT_EQ(h.last().recipients, QStringList{"support@korvelo.example"});
    EXPECT_EQ(h.last().message.subject, " me@x.example 意见反馈");
    EXPECT_TRUE(h.last().message.attachments.isEmpty());
    h.sender->finish(MailResult::SendFailed);

    h.help->EditMail0->setText("@");
    h.help->SpeedButtonSend->click();
    EXPECT_EQ(h.help->statusText(), "请写上您的邮箱地址");
    EXPECT_EQ(h.ini("server", "MyMail"), "@");
}

TEST(HelpWindow, WatchdogCountsEachSendAfreshAndStopsOnConnectFailure) {
    Help h;
    h.help->EditMail0->setText("me@x.example");
    h.help->EditMail1->setText("pal@y.example");
    h.help->SpeedButtonSend->click();
    for (int i = 0; i < 300; ++i) h.help->TimerSuccCheckTimer();
    EXPECT_EQ(h.help->statusText(), "发送邮件......");
    h.help->TimerSuccCheckTimer();
    EXPECT_EQ(h.help->statusText(), host::TFormHelp::kNoResultHint);
    EXPECT_FALSE(h.help->TimerSuccCheck->isActive());
    h.sender->finish(MailResult::ConnectFailed);
    EXPECT_EQ(h.help->statusText(), "连接邮件服务器失败!");

    h.help->SpeedButtonSend->click();
    EXPECT_EQ(h.help->SendCheckTicks, 0);
    for (int i = 0; i < 5; ++i) h.help->TimerSuccCheckTimer();
    h.sender->finish(MailResult::ConnectFailed);
    EXPECT_FALSE(h.help->TimerSuccCheck->isActive());
    EXPECT_EQ(h.help->SendCheckTicks, 0);
    EXPECT_EQ(h.help->statusText(), "连接邮件服务器失败!");
}

TEST(MailForm, ListsAddressChecksAndClosing) {
    Help h;
    auto *form = h.mailForm;
    std::optional<QString> answer = QString("first.last@example.com");
    form->inputBox = [&](const QString &, const QString &, const QString &) { return answer; };
    form->N4Click();
    answer = "abcdef.g";
    form->N4Click();
    answer.reset();
    form->N4Click();
    ASSERT_EQ(form->ListMail->count(), 2);
    EXPECT_EQ(form->ListMail->item(1)->text(), "first.last@example.com");

    QTemporaryDir dir;
    QFile in(dir.filePath("in.txt"));
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write("  a@b.cn \r\n\r\n   \r\nc@d.cn");
    in.close();
    h.fakes.dialogs->openFileAnswers << in.fileName();
    form->InputMailClick();
    h.fakes.dialogs->saveFileAnswers << dir.filePath("out") << dir.filePath("x.TXT");
    form->OutMailClick();
    form->OutMailClick();
    for (const char *name : {"out.txt", "x.TXT"}) {
        QFile out(dir.filePath(name));
        ASSERT_TRUE(out.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(out.readAll(), "a@b.cn\r\nc@d.cn\r\n");
    }

    form->ListMail->addItem("x@y.z, w@v.u");
    QString status;
    form->StatusTarget = [&](const QString &t) { status = t; };
    form->SendMail->click();
    EXPECT_EQ(status, "邮件发送失败，邮件地址不正确：x@y.z, w@v.u");
    EXPECT_TRUE(h.sender->sends.empty());

    QPointer<host::TFrmSendMail> alive(form);
    form->show();
    form->ExitSystem->click();
    EXPECT_TRUE(alive && form->isHidden());
}
