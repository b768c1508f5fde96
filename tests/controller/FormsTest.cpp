#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSplitter>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <random>

#include "controller/DiscoveryAndFiles.h"
#include "controller/FileWindowLists.h"
#include "controller/StatusLine.h"
#include "controller/TForm1.h"
#include "controller/TFormAnswer.h"
#include "controller/TFormFile.h"
#include "controller/TFormSet.h"
#include "tests/support/Fakes.h"
#include "tests/controller/ScriptedControlHost.h"
#include "tests/support/Files.h"

using padtest::ScriptedControlHost;
using kvtest::spinUntil;

namespace {

using kvtest::readFile;
using kvtest::writeFile;

struct FormFixture : ::testing::Test {
    platform::FakeServices fakes;
    QTemporaryDir dir;
    ScriptedControlHost host;
    std::unique_ptr<pad::TForm1> form;
    platform::WindowId mainId = 0;

    void SetUp() override { makeForm(); }

    void makeForm() {
        form.reset();
        fakes.clock->onPump = [] { QCoreApplication::processEvents(); };
        if (!mainId) mainId = fakes.windows->add(QStringLiteral("Korvelo投影助理"));
        fakes.windows->foregroundId = mainId;
        form = std::make_unique<pad::TForm1>(fakes.services(), dir.path());
        form->setMainWindowId(mainId);
        form->TimerWpos->stop();
        form->TimerStart->stop();
        QObject::connect(form->client(), &pad::ControlClient::lineSent, [this](const QByteArray &l) {
            fakes.log->add(fakes.clock->now, QStringLiteral("send ") + QString::fromLatin1(l));
        });
    }
    pad::TFormFile &file() { return *form->formFile(); }
    void connectTo() {
        file().EditRip->setText(QStringLiteral("127.0.0.1"));
        file().editControlPort->setText(QString::number(host.port()));
        file().SpeedButtonConnect->click();
    }
    void login() {
        connectTo();
        ASSERT_TRUE(spinUntil([&] { return form->SButtonConnect->text() == QStringLiteral("断开"); }));
        ASSERT_TRUE(host.waitReceived("c_list\r\n"));  // later checks of what the host got come after it
    }
    void reply(const QByteArray &bytes, const QString &status) {
        host.send(bytes);
        ASSERT_TRUE(spinUntil([&] { return form->statusText() == status; })) << bytes.constData();
    }
    QStringList actions() {
        QStringList out;
        for (const QString &c : fakes.log->calls())
            if (!c.startsWith(QStringLiteral("pump"))) out << c;
        return out;
    }
    QString sw(platform::WindowId w) { return QStringLiteral("switch %1").arg(w); }
    void key(int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, qtKey, mods);
        QCoreApplication::sendEvent(form.get(), &e);
    }
    bool remoteLime() {
        const QImage face = form->CheckBoxRemote->grab().toImage();
        return face.pixelColor(face.width() - 2, face.height() / 2) == QColor(0, 255, 0);
    }
};

TEST_F(FormFixture, StartUpLook) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Korvelo投影助理"));
    EXPECT_EQ(form->width(), 171);
    EXPECT_TRUE(form->SButtonConnect->isHidden());
    EXPECT_EQ(form->SButtonConnect->text(), QStringLiteral("连接"));
    EXPECT_TRUE(form->CheckBoxRemote->isChecked());
    EXPECT_FALSE(form->CheckBoxRemote->isEnabled());
    EXPECT_TRUE(form->CheckBoxLocal->isChecked());
    EXPECT_EQ(form->CheckBoxRemote->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(form->CheckBoxLocal->focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(file().SpeedButtonUp->isEnabled());
    EXPECT_FALSE(file().SpeedButtonRefresh->isEnabled());
    EXPECT_EQ(file().EditRFile->text(), QStringLiteral("2.ppt"));
    form->TimerWposTimer();  // moves focus inside the program, never by a synthesized Tab
    EXPECT_TRUE(fakes.log->calls("down").isEmpty());
}

TEST_F(FormFixture, LoginBytesAndLoggedInLook) {
    file().editUser->setText(QStringLiteral(" tuvop "));
    file().EditPass->setText(QStringLiteral("\tpw "));
    login();
    // The accepted login pulls the file list.
    EXPECT_EQ(host.received, QByteArray("c_usertuvop|pw\r\nc_list\r\n"));
    EXPECT_EQ(file().SpeedButtonConnect->text(), QStringLiteral("断开"));
    EXPECT_TRUE(form->CheckBoxRemote->isEnabled());
    EXPECT_TRUE(remoteLime());
    EXPECT_EQ(form->statusText(), QStringLiteral("与投影端连接成功"));
    EXPECT_TRUE(form->memo1->toPlainText().contains(QStringLiteral("连接投影端成功")));
    EXPECT_TRUE(file().Memo1->toPlainText().contains(QStringLiteral("connect...")));
    EXPECT_TRUE(file().Memo1->toPlainText().contains(QStringLiteral("Send c_user")));
    EXPECT_TRUE(file().SpeedButtonUp->isEnabled());
    EXPECT_TRUE(file().SpeedButtonRefresh->isEnabled());
    EXPECT_TRUE(form->client()->keepAliveTimer()->isActive());
    EXPECT_EQ(form->state().clientState, pad::PadState::Connecting);
    EXPECT_EQ(form->hostAddress(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(form->controlPort(), host.port());
    // Enter in the address field while logged in does nothing.
    host.received.clear();
    file().EditRipReturnPressed();
    EXPECT_EQ(form->SButtonConnect->text(), QStringLiteral("断开"));
}

TEST_F(FormFixture, RefusedAndFullHostLooks) {
    host.loginAnswer = "s_no\r\n";
    connectTo();
    ASSERT_TRUE(spinUntil([&] { return form->statusText() == QStringLiteral("用户名或密码错"); }));
    EXPECT_EQ(form->SButtonConnect->text(), QStringLiteral("连接"));
    EXPECT_FALSE(form->CheckBoxRemote->isEnabled());
    EXPECT_TRUE(form->client()->isConnected());  // the connection stays open

    host.answered = false;
    host.loginAnswer = "s_ok\r\ns_toomany\r\n";
    connectTo();  // the toggle reads "连接": connects anew
    ASSERT_TRUE(spinUntil([&] { return form->statusText() == QStringLiteral("投影端连接数已满"); }));
    EXPECT_EQ(form->SButtonConnect->text(), QStringLiteral("连接"));
    EXPECT_EQ(file().SpeedButtonConnect->text(), QStringLiteral("连接"));
    EXPECT_FALSE(form->CheckBoxRemote->isEnabled());
    EXPECT_FALSE(remoteLime());
    EXPECT_FALSE(file().SpeedButtonUp->isEnabled());
}

TEST_F(FormFixture, InputChecksBeforeConnecting) {
    file().EditRip->setText(QStringLiteral("  "));
    file().SpeedButtonConnect->click();
    EXPECT_EQ(form->statusText(), QStringLiteral("请输入投影端IP和端口"));
    EXPECT_TRUE(file().isVisible());
    file().EditRip->setText(QStringLiteral("127.0.0.1"));
    for (const char *bad : {"0", "65533", "8x", "-1", "99999999999"}) {
        file().editControlPort->setText(QString::fromLatin1(bad));
        file().SpeedButtonConnect->click();
        EXPECT_EQ(form->statusText(), QStringLiteral("端口应为1到65532之间的数字")) << bad;
    }
    EXPECT_TRUE(fakes.log->calls("sleep").isEmpty());  // nothing was attempted
    EXPECT_EQ(host.server.hasPendingConnections(), false);
}

TEST_F(FormFixture, HostDropShowsDisconnectedAndNextClickConnects) {
    login();
    host.peer->disconnectFromHost();
    ASSERT_TRUE(spinUntil([&] { return form->statusText() == QStringLiteral("与投影端断开"); }));
    EXPECT_EQ(form->SButtonConnect->text(), QStringLiteral("连接"));
    EXPECT_FALSE(form->CheckBoxRemote->isEnabled());
    EXPECT_FALSE(form->client()->keepAliveTimer()->isActive());
    host.answered = false;
    host.received.clear();
    login();
    EXPECT_EQ(host.received, QByteArray("c_usertuvop|tuvop\r\nc_list\r\n"));
}

TEST_F(FormFixture, UserDisconnectSendsNothing) {
    login();
    QPointer<QTcpSocket> peer = host.peer;
    host.received.clear();
    file().SpeedButtonConnect->click();
    EXPECT_EQ(form->statusText(), QStringLiteral("与投影端断开"));
    EXPECT_EQ(form->SButtonConnect->text(), QStringLiteral("连接"));
    ASSERT_TRUE(spinUntil([&] { return !peer || peer->state() != QAbstractSocket::ConnectedState; }));
    EXPECT_TRUE(host.received.isEmpty());
}

TEST_F(FormFixture, ClosingTheMainWindowSendsNothing) {
    login();
    QSignalSpy ended(form.get(), &pad::TForm1::programEnd);
    host.received.clear();
    form->close();
    EXPECT_EQ(ended.count(), 1);
    form.reset();
    ASSERT_TRUE(spinUntil([&] { return !host.peer || host.peer->state() != QAbstractSocket::ConnectedState; }));
    EXPECT_TRUE(host.received.isEmpty());
}

TEST_F(FormFixture, IdleCutOffAfterFifteenMinutes) {
    login();
    fakes.clock->now = form->client()->lastActivity() + 900001u;
    form->client()->keepAliveTick();
    EXPECT_EQ(form->statusText(), QStringLiteral("空闲超过15分钟断开"));
    EXPECT_EQ(form->SButtonConnect->text(), QStringLiteral("连接"));
    EXPECT_FALSE(form->client()->isConnected());
}

TEST_F(FormFixture, ReplyTable) {
    login();
    reply("s_busylist\r\n", QStringLiteral("投影端文件列表服务正忙"));
    reply("s_succ_open\r\n", QStringLiteral("投影端已打开文件"));
    reply("s_fail_open\r\n", QStringLiteral("投影端打开文件失败"));
    reply("s_haveno\r\n", QStringLiteral("投影端没找到指定文件"));
    reply("s_close\r\n", QStringLiteral("投影端幻灯片文件已关闭"));
    reply("s_agree\r\ns_agree", QStringLiteral("申请控制投影成功"));
    reply("s_reject\r\n", QStringLiteral("申请控制投影被拒绝"));
    reply("s_idle\r\ns_other\r\n", QStringLiteral("其他人正在使用"));
    EXPECT_FALSE(file().isVisible());
    reply("s_needopen\r\n", QStringLiteral("请先打开投影端文件"));
    EXPECT_TRUE(file().isVisible());
    // Two replies in one read: both act, in order.
    reply("s_haveno\r\ns_succ_open\r\n", QStringLiteral("投影端已打开文件"));
}

TEST_F(FormFixture, AnswerWindow) {
    login();
    pad::TFormAnswer &answer = *form->formAnswer();
    EXPECT_FALSE(answer.isVisible());
    EXPECT_FALSE(answer.Timer1AutoClose->isActive());  // counts only once shown
    host.send("s_ask 127.0.0.5 \r\n");
    ASSERT_TRUE(spinUntil([&] { return answer.isVisible(); }));
    EXPECT_EQ(answer.Label1->text(), QStringLiteral("127.0.0.5申请控制投影，同意吗？"));
    EXPECT_TRUE(answer.Timer1AutoClose->isActive());
    EXPECT_EQ(answer.Timer1AutoClose->interval(), 30000);
    host.send("s_ask127.0.0.6\r\n");  // the question follows the latest applicant
    ASSERT_TRUE(spinUntil([&] { return answer.Label1->text().startsWith(QStringLiteral("127.0.0.6")); }));

    host.received.clear();
    answer.SpeedButtonAgree->click();
    answer.SpeedButtonAgree->click();  // a second "c_agree" would take control from the applicant again
    form->SpeedButtonAsk->click();
    ASSERT_TRUE(host.waitReceived("c_ask\r\n"));
    EXPECT_EQ(host.received, QByteArray("c_agree\r\nc_ask\r\n"));
    EXPECT_FALSE(answer.isVisible());
    EXPECT_FALSE(answer.Timer1AutoClose->isActive());

    host.send("s_ask127.0.0.7\r\n");
    ASSERT_TRUE(spinUntil([&] { return answer.isVisible(); }));
    host.received.clear();
    answer.Timer1AutoCloseTimer();  // 30 s passed: hidden, no answer sent
    EXPECT_FALSE(answer.isVisible());
    host.send("s_ask127.0.0.7\r\n");
    ASSERT_TRUE(spinUntil([&] { return answer.isVisible(); }));
    answer.SpeedButtonReject->click();
    ASSERT_TRUE(host.waitReceived("c_reject\r\n"));
    EXPECT_EQ(host.received, QByteArray("c_reject\r\n"));
    EXPECT_FALSE(answer.isVisible());
    host.send("s_ask127.0.0.8\r\n");  // a request dies with its connection
    ASSERT_TRUE(spinUntil([&] { return answer.isVisible(); }));
    host.peer->disconnectFromHost();
    EXPECT_TRUE(spinUntil([&] { return !answer.isVisible(); }));
}

TEST_F(FormFixture, PageButtonsPressLocallyThenSend) {
    login();
    auto ppt = fakes.windows->add(QStringLiteral("talk.ppt - PowerPoint"));
    struct Case {
        QPushButton *button;
        int vk;
        int pause;
        const char *line;
    };
    const Case cases[] = {{form->SpeedButton2Next, 34, 50, "VD34"},
                          {form->SpeedButton2Pre, 33, 100, "VD33"},
                          {form->SpeedButton2Home, 36, 100, "VD36"},
                          {form->SpeedButton2End, 35, 100, "VD35"}};
    for (const Case &c : cases) {
        fakes.log->clear();
        form->TimerTOP->stop();
        c.button->click();
        EXPECT_EQ(actions(), (QStringList{sw(ppt), QStringLiteral("sleep %1").arg(c.pause),
                                          QStringLiteral("down %1").arg(c.vk),
                                          QStringLiteral("up %1").arg(c.vk), "sleep 30", sw(mainId),
                                          "sleep 50", QStringLiteral("send ") + c.line}))
            << c.line;
        EXPECT_TRUE(form->TimerTOP->isActive());
    }
    fakes.log->clear();
    form->setStayOnTop(true);
    form->SpeedButtonQuit->click();
    EXPECT_EQ(actions(), (QStringList{sw(ppt), "sleep 100", "down 27", "up 27", "sleep 30", sw(mainId),
                                      "sleep 50", "send VD27"}));
    EXPECT_FALSE(form->TimerTOP->isActive());
    EXPECT_FALSE(form->isStayOnTop());
    EXPECT_TRUE(host.waitReceived("VD34\r\nVD33\r\nVD36\r\nVD35\r\nVD27\r\n"));
}

TEST_F(FormFixture, NoLocalPowerPointBlocksPageButtonsButNotKeys) {
    login();
    fakes.log->clear();
    form->SpeedButton2Next->click();
    EXPECT_EQ(form->statusText(), QStringLiteral("请先打开PPT文件"));
    EXPECT_TRUE(actions().isEmpty());
    key(Qt::Key_PageDown);
    EXPECT_EQ(actions(), QStringList{"send VD34"});

    form->CheckBoxLocal->setChecked(false);
    auto ppt = fakes.windows->add(QStringLiteral("talk.ppt - PowerPoint"));
    (void)ppt;
    fakes.log->clear();
    form->SpeedButton2Next->click();
    EXPECT_EQ(actions(), QStringList{"send VD34"});  // no key synthesized
}

TEST_F(FormFixture, LocalKeyNeedsTheWindowInFront) {
    login();
    form->CheckBoxRemote->setChecked(false);
    fakes.windows->add(QStringLiteral("talk.ppt - PowerPoint"));
    fakes.windows->switchBringsToFront = false;
    fakes.log->clear();
    form->SpeedButton2Next->click();
    key(Qt::Key_PageDown);
    EXPECT_TRUE(fakes.log->calls("down").isEmpty());
    EXPECT_TRUE(fakes.log->calls("send").isEmpty());
}

TEST_F(FormFixture, NotLoggedInButtonsSendNothing) {
    form->CheckBoxLocal->setChecked(false);
    form->SpeedButton2Next->click();
    form->SpeedButtonClose->click();
    form->SpeedButtonTimer->click();
    EXPECT_EQ(form->statusText(), QStringLiteral("尚未联网"));
    form->SpeedButtonAsk->click();
    EXPECT_EQ(form->statusText(), QStringLiteral("尚未联网"));
    EXPECT_TRUE(fakes.log->calls("send").isEmpty());
}

TEST_F(FormFixture, KeysGoOutAsVirtualKeyCodes) {
    login();
    form->CheckBoxLocal->setChecked(false);
    fakes.log->clear();
    key(Qt::Key_1);
    key(Qt::Key_2);
    key(Qt::Key_Return);
    key(Qt::Key_5, Qt::KeypadModifier);
    key(Qt::Key_Period);
    key(Qt::Key_VolumeUp);  // no code: not forwarded
    QKeyEvent other(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QCoreApplication::sendEvent(file().EditRip, &other);  // another window's key stays there
    EXPECT_EQ(actions(), (QStringList{"send VD49", "send VD50", "send VD13", "send VD101", "send VD190"}));
    EXPECT_TRUE(host.waitReceived("VD49\r\nVD50\r\nVD13\r\nVD101\r\nVD190\r\n"));

    // Remote first, then the same key locally.
    form->CheckBoxLocal->setChecked(true);
    auto ppt = fakes.windows->add(QStringLiteral("talk.ppt - PowerPoint"));
    fakes.log->clear();
    key(Qt::Key_Space);
    EXPECT_EQ(actions(), (QStringList{"send VD32", sw(ppt), "sleep 100", "down 32", "up 32", "sleep 30",
                                      sw(mainId), "sleep 50"}));
    EXPECT_TRUE(form->TimerTOP->isActive());
}

TEST_F(FormFixture, KeysAreWrittenWhileConnectedEvenIfRefused) {
    host.loginAnswer = "s_no\r\n";
    connectTo();
    ASSERT_TRUE(spinUntil([&] { return form->statusText() == QStringLiteral("用户名或密码错"); }));
    form->CheckBoxLocal->setChecked(false);
    host.received.clear();
    key(Qt::Key_PageDown);
    form->SpeedButton2Next->click();  // buttons need the login
    ASSERT_TRUE(host.waitReceived("VD34\r\n"));
    spinUntil([] { return false; }, 50);
    EXPECT_EQ(host.received, QByteArray("VD34\r\n"));
}

TEST_F(FormFixture, ShowStartsLocallyThenRemotely) {
    login();
    auto ppt = fakes.windows->add(QStringLiteral("talk.ppt - PowerPoint"));
    form->SpeedButtonFile->click();
    ASSERT_TRUE(file().isVisible());
    fakes.log->clear();
    form->SpeedButton2show->click();
    EXPECT_EQ(actions(), (QStringList{sw(ppt), "sleep 200", "down 18", "sleep 50", "down 68", "up 68",
                                      "sleep 50", "down 86", "up 86", "sleep 20", "up 18", "sleep 50",
                                      "send c_show"}));
    EXPECT_EQ(form->x(), 1920 - 5);
    EXPECT_TRUE(form->isStayOnTop());
    EXPECT_TRUE(form->TimerTOP->isActive());
    EXPECT_FALSE(file().isVisible());

    form->formSet()->CheckBoxFullScreen->setChecked(true);
    fakes.log->clear();
    form->SpeedButton2show->click();
    EXPECT_EQ(actions(), (QStringList{sw(ppt), "sleep 200", "down 116", "up 116", "sleep 50", "send c_show"}));
    form->CheckBoxLocal->setChecked(false);  // the show ended on the host alone: back to the normal style
    form->SpeedButtonQuit->click();
    EXPECT_FALSE(form->isStayOnTop());
}

TEST_F(FormFixture, ShowWithoutLocalPowerPointOpensTheFileWindow) {
    login();
    bool focused = false;
    file().focusLocalFileList = [&] { focused = true; };
    fakes.log->clear();
    form->SpeedButton2show->click();
    EXPECT_EQ(form->statusText(), QStringLiteral("请先打开PPT文件"));
    EXPECT_TRUE(file().isVisible());
    EXPECT_TRUE(focused);
    EXPECT_TRUE(actions().isEmpty());
}

TEST_F(FormFixture, CloseAlwaysSendsAfterTheLocalClose) {
    login();
    fakes.log->clear();
    form->SpeedButtonClose->click();
    EXPECT_EQ(actions(), QStringList{"send c_close"});
    auto ppt = fakes.windows->add(QStringLiteral("talk.ppt - PowerPoint"));
    fakes.log->clear();
    form->SpeedButtonClose->click();
    EXPECT_EQ(actions(), (QStringList{sw(ppt), "sleep 100", "down 18", "sleep 10", "down 115", "up 115",
                                      "sleep 10", "up 18", sw(mainId), "sleep 50", "send c_close"}));
}

TEST_F(FormFixture, OpenRemoteFirstThenLocal) {
    const QString local = QDir(dir.path()).filePath(QStringLiteral("talk.ppt"));
    ASSERT_TRUE(writeFile(local, "x"));
    // Neither box.
    form->CheckBoxRemote->setChecked(false);
    form->CheckBoxLocal->setChecked(false);
    form->SpeedButtonOpen->click();
    EXPECT_EQ(form->statusText(), QStringLiteral("请勾选远端、本地"));
    // Not logged in: only the local file opens.
    form->CheckBoxRemote->setChecked(true);
    form->CheckBoxLocal->setChecked(true);
    file().MaskEditFile->setText(local);
    form->SpeedButtonOpen->click();
    EXPECT_EQ(fakes.shell->opened, QStringList{local});
    EXPECT_EQ(form->state().localFileName, QStringLiteral("talk.ppt"));
    EXPECT_EQ(form->state().localFilePath, local);

    login();
    fakes.log->clear();
    fakes.shell->opened.clear();
    file().EditRFile->setText(QStringLiteral("  "));
    file().EditPass->setText(QStringLiteral("typed"));
    form->SpeedButtonOpen->click();
    EXPECT_EQ(form->statusText(), QStringLiteral("请选择远端的文件"));
    EXPECT_TRUE(file().isVisible());
    EXPECT_EQ(file().EditPass->text(), QStringLiteral("typed"));  // shown, not reopened by its button
    EXPECT_TRUE(fakes.shell->opened.isEmpty());  // the local part is skipped too
    EXPECT_TRUE(fakes.log->calls("send").isEmpty());

    file().EditRFile->setText(QStringLiteral(" 讲稿.ppt "));
    form->SpeedButtonOpen->click();
    EXPECT_TRUE(host.waitReceived(QByteArray("c_open\xbd\xb2\xb8\xe5.ppt\r\n")));
    EXPECT_EQ(fakes.shell->opened, QStringList{local});

    // No local file: bring any PowerPoint forward, else ask for a file.
    file().MaskEditFile->setText(local + QStringLiteral(".missing"));
    form->CheckBoxRemote->setChecked(false);
    fakes.log->clear();
    form->SpeedButtonOpen->click();
    EXPECT_EQ(form->statusText(), QStringLiteral("请选择本地的文件"));
    auto ppt = fakes.windows->add(QStringLiteral("other.ppt - PowerPoint"));
    form->SpeedButtonOpen->click();
    EXPECT_EQ(actions(), QStringList{sw(ppt)});
}

TEST_F(FormFixture, SettingsLoadSaveAndPrefixes) {
    ASSERT_TRUE(writeFile(QDir(dir.path()).filePath("slidepad.ini"),
              "[client]\r\nAutoScan=True\r\nAutoConnect=true\r\nport=9000\r\n"));
    ASSERT_TRUE(writeFile(QDir(dir.path()).filePath("scan.ini"), "127.0.9.\r\n"));
    makeForm();
    pad::TFormSet &set = *form->formSet();
    EXPECT_TRUE(set.CheckBoxAutoScan->isChecked());
    EXPECT_FALSE(set.CheckBoxAutoConnect->isChecked());
    EXPECT_EQ(set.EditControlPort->text(), QStringLiteral("9000"));
    EXPECT_EQ(set.scanLines(), QStringList{"127.0.9."});

    set.MemoIP->setPlainText(QStringLiteral("10.0.0\n 192.168.1.25\n172.16.5. \n"));
    set.SpeedButtonSave->click();
    EXPECT_EQ(set.statusText(), QStringLiteral("已保存"));
    EXPECT_EQ(set.scanLines(), (QStringList{"10.0.0.", "192.168.1.", "172.16.5."}));
    EXPECT_EQ(readFile(QDir(dir.path()).filePath("scan.ini")), QByteArray("10.0.0.\r\n192.168.1.\r\n172.16.5.\r\n"));
    const QByteArray ini = readFile(QDir(dir.path()).filePath("slidepad.ini"));
    EXPECT_TRUE(ini.contains("AutoConnect=False"));

    set.MemoIP->setPlainText(QStringLiteral("10.0.0\n192.168\n1.1.1."));
    set.EditUser->setText(QStringLiteral("changed"));
    set.SpeedButtonSave->click();
    EXPECT_EQ(set.statusText(), QStringLiteral("IP格式有错，保存失败"));
    EXPECT_EQ(set.scanLines(), (QStringList{"10.0.0.", "192.168", "1.1.1."}));
    EXPECT_EQ(readFile(QDir(dir.path()).filePath("scan.ini")), QByteArray("10.0.0.\r\n192.168.1.\r\n172.16.5.\r\n"));
    EXPECT_TRUE(readFile(QDir(dir.path()).filePath("slidepad.ini")).contains("ClientUser=changed"));

    set.MemoIP->clear();
    set.SpeedButtonSave->click();
    EXPECT_EQ(set.statusText(), QStringLiteral("已保存"));
    EXPECT_EQ(readFile(QDir(dir.path()).filePath("scan.ini")), QByteArray());

    form->state().localAddress.clear();
    set.SpeedButtonAddSelf->click();
    EXPECT_EQ(set.statusText(), QStringLiteral("未检测到本机IP"));
    EXPECT_TRUE(set.scanLines().isEmpty());
    form->state().localAddress = QStringLiteral("127.0.0.1");
    set.MemoIP->setPlainText(QStringLiteral("10.0.0."));
    set.SpeedButtonAddSelf->click();
    EXPECT_EQ(set.scanLines(), (QStringList{"127.0.0.", "10.0.0."}));
    set.SpeedButtonAddSelf->click();
    EXPECT_EQ(set.statusText(), QStringLiteral("本机所属网段已经在列表中"));
}

TEST_F(FormFixture, FileWindowReloadsSavedLogin) {
    ASSERT_TRUE(writeFile(QDir(dir.path()).filePath("slidepad.ini"), "[client]\r\nClientPass=secret\r\nport=8300\r\n"));
    file().EditPass->setText(QStringLiteral("typed"));
    form->SpeedButtonFile->click();
    EXPECT_TRUE(file().isVisible());
    EXPECT_EQ(file().EditPass->text(), QStringLiteral("secret"));
    EXPECT_EQ(file().editControlPort->text(), QStringLiteral("8300"));
    form->SpeedButtonFile->click();
    EXPECT_FALSE(file().isVisible());
}

TEST_F(FormFixture, DockingFollowsTheMainWindow) {
    form->show();
    form->move(600, 200);
    form->SpeedButtonFile->click();
    pad::TFormFile &ff = file();
    EXPECT_EQ(ff.frameGeometry().right() + 1, form->frameGeometry().x());
    EXPECT_EQ(ff.y(), form->y());
    EXPECT_EQ(ff.frameGeometry().height(), form->frameGeometry().height());
    QCoreApplication::processEvents();
    const pad::FileWindowLists &lists = form->files()->lists();
    for (QWidget *w : {lists.ListBox1, lists.DirectoryListBox1, lists.FileListBox1})
        EXPECT_GE(w->height(), 5 * w->fontMetrics().height()) << w->objectName().toStdString();
    EXPECT_TRUE(ff.SplitterRemote->widget(0)->isAncestorOf(lists.ListBox1));  // remote part | connection part
    EXPECT_TRUE(ff.SplitterRemote->widget(1)->isAncestorOf(ff.EditRip));
    form->TimerWposTimer();
    form->move(700, 250);
    form->TimerWposTimer();
    EXPECT_EQ(ff.frameGeometry().right() + 1, 700);
    EXPECT_EQ(ff.y(), 250);

    ff.move(10, 10);  // dragged away: stays
    form->TimerWposTimer();
    EXPECT_FALSE(form->state().fileWindowDocked);
    form->move(720, 260);
    form->TimerWposTimer();
    EXPECT_EQ(ff.pos(), QPoint(10, 10));

    ff.move(720 - ff.frameGeometry().width() - 15, 270);  // near again: snaps
    form->TimerWposTimer();
    EXPECT_TRUE(form->state().fileWindowDocked);
    EXPECT_EQ(ff.frameGeometry().right() + 1, 720);
    EXPECT_EQ(ff.y(), 260);
}

TEST_F(FormFixture, LogBoxesAreEmptiedAsTheHostsIs) {
    for (int i = 0; i < 2500; ++i) {
        form->log(QStringLiteral("x"));
        file().log(QStringLiteral("y"));
    }
    EXPECT_LE(form->memo1->document()->blockCount(), 1001);
    EXPECT_LE(file().Memo1->document()->blockCount(), 1001);
}

TEST_F(FormFixture, EdgeHidingWhilePowerPointIsInFront) {
    form->show();
    const int width = form->frameGeometry().width();
    auto ppt = fakes.windows->add(QStringLiteral("talk.ppt - PowerPoint 幻灯片放映"));
    form->move(1920 - width + 3, 100);
    form->SpeedButtonFile->click();
    fakes.windows->foregroundId = ppt;
    fakes.log->clear();
    form->TimerTOPTimer();
    EXPECT_EQ(form->x(), 1915);
    EXPECT_TRUE(form->state().hiddenAtEdge);
    EXPECT_FALSE(file().isVisible());
    EXPECT_EQ(actions(), QStringList{sw(mainId)});
    EXPECT_TRUE(form->TimerTOP->isActive());
    form->Panel3MouseMove();
    EXPECT_EQ(form->x(), 1920 - width);
    EXPECT_FALSE(form->state().hiddenAtEdge);

    form->move(-10, 100);
    fakes.windows->foregroundId = ppt;
    form->TimerTOPTimer();
    EXPECT_EQ(form->x(), 5 - width);
    form->Panel3MouseMove();
    EXPECT_EQ(form->x(), 0);

    form->move(800, 100);  // in the middle: not moved, focus still taken back
    fakes.windows->foregroundId = ppt;
    fakes.log->clear();
    form->TimerTOPTimer();
    EXPECT_EQ(form->x(), 800);
    EXPECT_EQ(actions(), QStringList{sw(mainId)});
    fakes.windows->foregroundId = mainId;
    fakes.log->clear();
    form->TimerTOPTimer();
    EXPECT_TRUE(actions().isEmpty());
}

TEST_F(FormFixture, SettingsAndHelpOpenBesideTheMainWindow) {
    form->show();
    form->move(100, 50);
    form->SpeedButtonSet->click();
    EXPECT_TRUE(form->formSet()->isVisible());
    EXPECT_EQ(form->formSet()->x(), form->frameGeometry().right() + 1);
    EXPECT_EQ(form->formSet()->y(), 50);
    form->move(1920 - form->frameGeometry().width() - 10, 50);
    form->SpeedButtonHelp->click();
    QWidget *help = reinterpret_cast<QWidget *>(form->formHelp());
    EXPECT_EQ(help->frameGeometry().right() + 1, form->x());
}

TEST_F(FormFixture, StartUpTimerShowsAddressAndRunsTheScanHook) {
    int scans = 0;
    form->onScan = [&] { ++scans; };
    form->TimerStartTimer();
    EXPECT_EQ(form->LabelLocalip->text(), QStringLiteral("本机IP:127.0.0.1"));
    EXPECT_EQ(scans, 0);
    form->formSet()->CheckBoxAutoScan->setChecked(true);
    form->TimerStartTimer();
    EXPECT_EQ(scans, 1);
    file().SpeedButtonScan->click();
    EXPECT_EQ(scans, 2);
}

TEST_F(FormFixture, SwitchToHostEndsOnlyWhenItStarted) {
    QSignalSpy ended(form.get(), &pad::TForm1::programEnd);
    form->SpeedButtonToServer->click();  // no host program, dialog cancelled
    EXPECT_EQ(form->statusText(), QStringLiteral("没有找到服务端文件"));
    EXPECT_TRUE(fakes.shell->started.isEmpty());

    const QString host = QDir(dir.path()).filePath(QStringLiteral("slidehost"));
    fakes.dialogs->openFileAnswers << host;
    fakes.shell->startResult = false;
    form->SpeedButtonToServer->click();
    EXPECT_EQ(fakes.shell->started, QStringList{host});
    EXPECT_TRUE(readFile(QDir(dir.path()).filePath("slidepad.ini")).contains("ServerFile="));
    EXPECT_EQ(ended.count(), 0);

    ASSERT_TRUE(writeFile(host, "#!/bin/sh\n"));
    fakes.shell->startResult = true;
    form->SpeedButtonToServer->click();
    EXPECT_EQ(ended.count(), 1);
}

}  // namespace

// A host that talks nonsense: reply words with junk, lone words, binary bytes,
// an endless line. The controller survives, stays usable, and presses no key for it.
TEST_F(FormFixture, HostileHostLeavesTheControllerUsable) {
    login();
    std::mt19937 rng(8122026);
    static const QByteArray words[] = {"s_ok", "s_no", "s_list", "s_busylist", "s_name", "s_len",
                                       "s_file", "s_next", "s_qitaup", "s_agree", "s_ask",
                                       "s_reject", "s_toomany", "s_idle", "s_hi", "\r\n", "\xff",
                                       "|"};
    for (int round = 0; round < 300; ++round) {
        QByteArray b;
        const int len = static_cast<int>(rng() % 200);
        while (b.size() < len)
            b += (rng() % 2) ? words[rng() % std::size(words)] : QByteArray(1, char(rng() % 256));
        // "s_no" or "s_toomany" where a line may begin end the session by design, and no "s_ok" undoes that.
        static const QRegularExpression refusal(QStringLiteral("(^|\n|s_busylist|s_qitaup|s_agree)s_(no|toomany)"));
        if (refusal.match(QString::fromLatin1(b)).hasMatch()) continue;
        host.send(b);
        if (round % 30 == 0) spinUntil([] { return false; }, 5);
    }
    host.send(QByteArray(300 * 1024, 'z'));
    host.send("\r\n");
    spinUntil([] { return false; }, 50);
    EXPECT_EQ(form->SButtonConnect->text(), QStringLiteral("断开"));
    EXPECT_TRUE(fakes.log->calls("down").isEmpty());
    form->formAnswer()->hide();

    // Still a working session: a page command goes out as its line.
    form->CheckBoxLocal->setChecked(false);
    host.received.clear();
    form->SpeedButton2Next->click();
    EXPECT_TRUE(host.waitReceived("VD34\r\n"));
}
