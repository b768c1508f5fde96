// Host start-up: window order, the 200 ms load against the 1 s start-up timer,
// the RunTimes paths, the single-instance lock, tray and close.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include "HostTestSupport.h"
#include "host/setup/TFormWorkDir.h"

using namespace hosttest;

namespace {

QString serverIni(int port, const QString &runTimes, const QString &extra = {}) {
    return QStringLiteral("[server]\nRunTimes=%1\nAutoStart=true\nAutoCheckNew=1\nServerPort=%2\n")
               .arg(runTimes)
               .arg(port) +
           extra;
}

TEST(HostStartup, WindowsComeInTheirOrderWithTheirTimersArmed) {
    HostFixture f;
    ASSERT_TRUE(f.create());
    EXPECT_EQ(f.app->creationOrder(),
              QStringList({"Form1", "FormWorkDir", "FormHelp", "FormSet", "FrmSendMail",
                           "FormChouqian", "FormTimer"}));
    EXPECT_EQ(f.form1()->windowTitle(), "Korvelo 投影助理 启动");
    EXPECT_TRUE(f.form1()->TimerStart->isActive());
    EXPECT_EQ(f.form1()->TimerStart->interval(), 1000);
    EXPECT_TRUE(f.formSet()->TimerStart->isActive());
    EXPECT_EQ(f.formSet()->TimerStart->interval(), 200);
}

// With the real event loop: AutoCheckNew "1" is not "true", so the box starts
// unticked; only the 200 ms load ticks it, and the 1 s timer must see that.
TEST(HostStartup, StartupTimerSeesTheSettingsLoad) {
    const int port = freePortBlock();
    ASSERT_GT(port, 0);
    HostFixture f;
    f.writeIni(serverIni(port, "2"));
    ASSERT_TRUE(f.create());
    EXPECT_FALSE(f.formSet()->CheckBoxAutoCheckNew->isChecked());
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.form1()->windowTitle() == "Korvelo 投影助理"; }, 5000));
    EXPECT_TRUE(f.formSet()->loaded());
    EXPECT_EQ(f.form1()->SpeedButtonServerStart->text(), "停止投影服务");
    EXPECT_EQ(f.pages->requested.size(), 1);  // the daily check ran
    QTcpSocket c;
    c.connectToHost(QHostAddress::LocalHost, port);
    EXPECT_TRUE(c.waitForConnected(2000));
}

TEST(HostStartup, FirstRunGreetsAndShowsPlacementOnly) {
    HostFixture f;
    f.writeIni("[server]\nAutoStart=true\n");  // no RunTimes: first run
    ASSERT_TRUE(f.create());
    f.runStartup();
    EXPECT_EQ(f.form1()->windowTitle(), "Korvelo 投影助理");
    EXPECT_TRUE(f.form1()->memo1->toPlainText().startsWith("系统已启动，有疑问，请发邮件给 Korvelo软件工作室:"));
    EXPECT_TRUE(f.app->FormWorkDir()->isVisible());
    EXPECT_EQ(f.form1()->SpeedButtonServerStart->text(), "启动投影服务");
    EXPECT_TRUE(f.pages->requested.isEmpty());
    EXPECT_EQ(f.ini("server", "CheckDate"), "<none>");
}

TEST(HostStartup, AfterPlacementDeletesOldCopiesButNeverItsOwnFiles) {
    const int port = freePortBlock();
    ASSERT_GT(port, 0);
    HostFixture f;
    QTemporaryDir oldDir;
    const QString oldPad = oldDir.filePath("slidepad"), oldHost = oldDir.filePath("slidehost");
    const QString mine = f.programDir.filePath("slidehost");
    for (const QString &p : {oldPad, oldHost, mine}) {
        QFile file(p);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    f.writeIni(serverIni(port, "1", QStringLiteral("NotDel_c=%1\nNotDel_s=%2\n").arg(oldPad, mine)));
    ASSERT_TRUE(f.create());
    f.runStartup();
    EXPECT_FALSE(QFile::exists(oldPad));
    EXPECT_TRUE(QFile::exists(mine));    // lies in the program's own folder
    EXPECT_TRUE(QFile::exists(oldHost)); // not named
    EXPECT_EQ(f.ini("server", "NotDel_c"), "0");
    EXPECT_EQ(f.ini("server", "NotDel_s"), "0");
    EXPECT_EQ(f.ini("server", "RunTimes"), "2");
    EXPECT_EQ(f.form1()->SpeedButtonServerStart->text(), "停止投影服务");
    EXPECT_TRUE(f.pages->requested.isEmpty());  // not before the next start
}

TEST(HostStartup, DailyCheckOnlyOnANewDay) {
    HostFixture f;
    f.writeIni(QStringLiteral("[server]\nRunTimes=2\nCheckDate=%1\n").arg(f.fakes.clock->dateText));
    ASSERT_TRUE(f.create());
    f.runStartup();
    EXPECT_TRUE(f.pages->requested.isEmpty());

    HostFixture g;
    g.writeIni("[server]\nRunTimes=2\nCheckDate=2026/12/7\nVersionPage=http://127.0.0.1:9/v\n");
    ASSERT_TRUE(g.create());
    g.runStartup();
    EXPECT_EQ(g.pages->requested, QStringList("http://127.0.0.1:9/v"));
    EXPECT_EQ(g.ini("server", "CheckDate"), g.fakes.clock->dateText);
    EXPECT_EQ(g.form1()->statusText(), "检测软件最新版本");
    EXPECT_EQ(g.form1()->SpeedButtonServerStart->text(), "启动投影服务");  // AutoStart absent
}

TEST(HostStartup, RunTimesNotANumberStopsAfterTheCaption) {
    HostFixture f;
    f.writeIni("[server]\nRunTimes=two\nAutoStart=true\n");
    ASSERT_TRUE(f.create());
    f.runStartup();
    EXPECT_EQ(f.form1()->windowTitle(), "Korvelo 投影助理");
    ASSERT_EQ(f.fakes.dialogs->messages.size(), 1);
    EXPECT_TRUE(f.fakes.dialogs->messages[0].contains("two"));
    EXPECT_EQ(f.form1()->SpeedButtonServerStart->text(), "启动投影服务");
}

TEST(HostStartup, AutomaticStartLeavesARunningServiceRunning) {
    const int port = freePortBlock();
    ASSERT_GT(port, 0);
    HostFixture f;
    f.writeIni(serverIni(port, "2", "CheckDate=2026/12/8\n"));
    ASSERT_TRUE(f.create());
    f.formSet()->TimerStartTimer();
    f.form1()->SpeedButtonServerStart->click();
    ASSERT_TRUE(f.form1()->listeners().running());
    f.form1()->TimerStartTimer();
    EXPECT_TRUE(f.form1()->listeners().running());
    EXPECT_EQ(f.form1()->SpeedButtonServerStart->text(), "停止投影服务");
}

TEST(HostStartup, SecondHostOfTheSameUserAndDisplayIsRefused) {
    HostFixture f;
    ASSERT_TRUE(f.create());
    auto second = host::HostApp::create(f.fakes.services(), f.env(), f.lockDir.path());
    EXPECT_FALSE(second);
    EXPECT_EQ(f.fakes.dialogs->messages, QStringList("系统已在运行，请关闭后重新启动"));
    f.app.reset();  // the first ends: the lock is free again
    auto third = host::HostApp::create(f.fakes.services(), f.env(), f.lockDir.path());
    EXPECT_TRUE(third);
}

TEST(HostStartup, LockFileNamesUserAndDisplay) {
    const QString name = host::SingleInstance::lockFileName();
    EXPECT_TRUE(name.startsWith(QStringLiteral("slidehost-%1-").arg(::getuid())));
    EXPECT_FALSE(name.contains('/'));
    host::SingleInstance nowhere("/nonexistent-folder/for/locks");
    EXPECT_EQ(nowhere.tryLock(), host::SingleInstance::Result::Unavailable);
}

TEST(HostTray, MinimiseHidesIntoTheTrayAndALeftClickRestores) {
    HostFixture f;
    ASSERT_TRUE(f.create());
    f.form1()->show();
    f.form1()->SysCommandToTray();
    EXPECT_FALSE(f.form1()->isVisible());
    EXPECT_EQ(f.tray->calls, QStringList("add Korvelo投影助理"));
    EXPECT_EQ(f.tray->menu, f.form1()->PopupMenu1);
    f.form1()->activateMainWindow();  // as after a remote close of the slides
    EXPECT_FALSE(f.form1()->isVisible());
    ASSERT_TRUE(f.tray->onActivated);
    f.tray->onActivated();
    EXPECT_TRUE(f.form1()->isVisible());
    EXPECT_TRUE(f.tray->isShown);  // the icon stays
    f.form1()->NClose->trigger();
    EXPECT_FALSE(f.tray->isShown);
    EXPECT_GE(f.exits, 1);
}

TEST(HostTray, WithoutATrayMinimiseIsOrdinary) {
    HostFixture f;
    f.tray->hasTray = false;
    ASSERT_TRUE(f.create());
    f.form1()->show();
    f.form1()->SysCommandToTray();
    EXPECT_TRUE(f.tray->calls.isEmpty());
    EXPECT_TRUE(f.form1()->isVisible());  // still reachable from the task bar
    EXPECT_TRUE(f.form1()->isMinimized());
}

TEST(HostWindow, CloseDropsClientsAndEndsTheProgram) {
    const int port = freePortBlock();
    ASSERT_GT(port, 0);
    HostFixture f;
    f.writeIni(QStringLiteral("[server]\nServerPort=%1\n").arg(port));
    ASSERT_TRUE(f.create());
    f.form1()->SpeedButtonServerStart->click();
    bool stopped = false;
    QObject::connect(&f.form1()->listeners(), &host::ServiceListeners::serviceStopped,
                     [&] { stopped = true; });
    QTcpSocket c;
    c.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(c.waitForConnected(2000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.form1()->listeners().controlConnections().isEmpty(); }, 2000));
    f.form1()->show();
    f.form1()->close();
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(f.form1()->timer().TimerStopRequest);
    EXPECT_TRUE(QTest::qWaitFor([&] { return c.state() == QAbstractSocket::UnconnectedState; }, 2000));
    EXPECT_EQ(f.exits, 1);
}

TEST(HostWindow, KeysPreviewAndFileListOpensLocally) {
    const int port = freePortBlock();
    ASSERT_GT(port, 0);
    HostFixture f;
    QTemporaryDir shared;
    for (const char *n : {"b.ppt", "a.PPT", "c.pptx", "notes.txt"}) {
        QFile file(shared.filePath(n));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    f.writeIni(QStringLiteral("[server]\nPPTdir=%1\nServerPort=%2\n").arg(shared.path()).arg(port));
    ASSERT_TRUE(f.create());
    auto *list = f.form1()->FileListBox1;
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "a.PPT");
    EXPECT_EQ(list->item(2)->text(), "c.pptx");
    QString opened;
    f.form1()->onLocalOpen = [&](const QString &p) { opened = p; };
    list->setCurrentRow(1);
    emit list->itemActivated(list->item(1));
    EXPECT_EQ(opened, shared.filePath("b.ppt"));

    QTest::keyClick(f.form1()->EditDir, '{');
    EXPECT_EQ(f.form1()->statusText(), "投影服务已启动");
    EXPECT_EQ(f.form1()->EditDir->text(), shared.path() + "{");  // the key still reaches the edit
    // A control that ignores the key passes it up through its parents: still one click.
    QTest::keyClick(f.form1()->SpeedButtonHelp, '{');
    EXPECT_EQ(f.form1()->statusText(), "投影服务已停止");
    QTest::keyClick(f.form1()->EditMain, '{');
    EXPECT_EQ(f.form1()->statusText(), "投影服务已启动");
    QTest::keyClick(f.form1()->PopupMenu1, '{');  // the tray menu is no part of the window
    EXPECT_EQ(f.form1()->statusText(), "投影服务已启动");
}

TEST(HostWindow, SwitchToControllerEndsOnlyAfterAStart) {
    HostFixture f;
    ASSERT_TRUE(f.create());
    f.form1()->SpeedButton1->click();  // no slidepad, dialog cancelled
    EXPECT_EQ(f.form1()->statusText(), "没有找到客户端文件：" + f.programDir.filePath("slidepad"));
    EXPECT_EQ(f.exits, 0);

    f.fakes.dialogs->openFileAnswers << "/opt/pad/slidepad";
    f.fakes.shell->startResult = false;
    f.form1()->SpeedButton1->click();
    EXPECT_EQ(f.ini("Server", "ClientFile"), "/opt/pad/slidepad");
    EXPECT_EQ(f.exits, 0);

    QFile pad(f.programDir.filePath("pad"));
    ASSERT_TRUE(pad.open(QIODevice::WriteOnly));
    kv::IniFile(f.iniPath()).writeString("server", "clientfile", pad.fileName());
    f.fakes.shell->startResult = true;
    f.form1()->SpeedButton1->click();
    EXPECT_EQ(f.fakes.shell->started.last(), pad.fileName());
    EXPECT_EQ(f.exits, 1);
}

}  // namespace
