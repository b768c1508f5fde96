// The settings window and show.ini: creation, the 200 ms load, the save, the
// shared folder and its new sub-folders.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "HostTestSupport.h"

using namespace hosttest;

namespace {

TEST(Settings, FreshFolderGetsTheDefaults) {
    HostFixture f;
    ASSERT_TRUE(f.create());
    auto *s = f.formSet();
    s->TimerStartTimer();
    EXPECT_EQ(s->windowTitle(), "Korvelo投影助理 设置");
    EXPECT_TRUE(s->RadioButtonCountDown->isChecked());
    EXPECT_TRUE(s->RadioButtonStartOnM->isChecked());
    EXPECT_TRUE(s->RadioButtonPart->isChecked());
    EXPECT_EQ(s->EditX->text(), "5");
    EXPECT_EQ(s->EditY->text(), "5");
    EXPECT_EQ(s->EditDelayTime->text(), "0");
    EXPECT_EQ(s->EditH->text() + s->EditM->text() + s->EditS->text(), "0100");
    EXPECT_EQ(s->ComboBox1->currentText(), "无操作");
    EXPECT_EQ(s->ComboBox2->currentText(), "无操作");
    EXPECT_EQ(s->EditSUser->text(), "tuvop");
    EXPECT_EQ(s->EditSPass->text(), "tuvop");
    EXPECT_EQ(s->EditControlPort->text(), "8220");
    EXPECT_EQ(s->EditDir->text(), QDir::homePath());
    EXPECT_EQ(f.form1()->SharedFolderPath, QDir::homePath());
    EXPECT_EQ(f.form1()->EditDir->text(), QDir::homePath());
    EXPECT_FALSE(s->CheckBoxAutoStart->isChecked());
    EXPECT_TRUE(s->CheckBoxAutoResp->isChecked());
    EXPECT_TRUE(s->CheckBoxNewType->isChecked());
    EXPECT_TRUE(s->CheckBoxAutoCheckNew->isChecked());
    EXPECT_EQ(s->LabelX->text(), "横坐标0-1919");
    EXPECT_EQ(s->LabelY->text(), "纵坐标0-1079");
    EXPECT_EQ(s->ClockFontName, "MS Sans Serif");
    EXPECT_EQ(f.form1()->LatestVersion, 1.0);
}

TEST(Settings, FlagsReadExactlyAndAutoCheckNewAsANumber) {
    const struct {
        const char *stored;
        bool on;
    } cases[] = {{"0", false}, {"1", true}, {"false", true}, {"0x0", false}, {"0x1f", true},
                 {"-1", true}, {nullptr, true}};
    for (const auto &c : cases) {
        HostFixture f;
        QString text = "[server]\nAutoStart=True\nAutoResp=false\nNewType=TRUE\n";
        if (c.stored) text += QStringLiteral("AutoCheckNew=%1\n").arg(c.stored);
        f.writeIni(text);
        ASSERT_TRUE(f.create());
        f.formSet()->TimerStartTimer();
        EXPECT_EQ(f.formSet()->CheckBoxAutoCheckNew->isChecked(), c.on) << (c.stored ? c.stored : "absent");
        EXPECT_FALSE(f.formSet()->CheckBoxAutoStart->isChecked());
        EXPECT_FALSE(f.formSet()->CheckBoxAutoResp->isChecked());
        EXPECT_FALSE(f.formSet()->CheckBoxNewType->isChecked());
    }
}

// Every key of both sections, in the order the save writes them: loading and
// saving again gives the same bytes; names are found whatever their case.
TEST(Settings, SaveRoundTripIsByteExact) {
    HostFixture f;
    QTemporaryDir shared;
    const QString text = QStringLiteral(
        "; host settings\n"
        "[server]\nAutoStart=true\nAutoResp=false\nNewType=true\nPPTdir=%1\nServerUser=张三\n"
        "ServerPass=p w\nServerPort=9100\nAutoCheckNew=0\nNewVersion=1.5\nCheckDate=2026/12/1\n"
        "RunTimes=2\nNotDel_c=0\nNotDel_s=0\nClientFile=/opt/slidepad\nMyMail=me@example.org\n"
        "[timer]\ncount=up\nstart=ppt\ndisplay=global\nX=100\nY=-20\nDelay=15\nhour=1\nminute=30\n"
        "second=45\nTimeScreen=逐渐黑屏\nTimeSound=播放音乐\nTimeSoundMp3=/music/end.mp3\n"
        "BackColor=$00123456\ncolor=clRed\nsize=20\nname=宋体\nheight=-40\nstyle=1010\n")
                             .arg(shared.path());
    f.writeIni(text);
    const QByteArray before = f.iniBytes();
    ASSERT_TRUE(f.create());
    auto *s = f.formSet();
    s->TimerStartTimer();
    EXPECT_TRUE(s->RadioButtonCountUp->isChecked());
    EXPECT_TRUE(s->RadioButtonStartOnPPT->isChecked());
    EXPECT_TRUE(f.form1()->timer().TimerPPTcount->isActive());
    EXPECT_EQ(f.form1()->timer().TimerPPTcount->interval(), 1000);
    EXPECT_TRUE(s->RadioButtonGlobal->isChecked());
    EXPECT_FALSE(s->RadioButtonPart->isChecked());
    EXPECT_EQ(s->EditSUser->text(), "张三");
    EXPECT_EQ(s->ComboBox1->currentText(), "逐渐黑屏");
    EXPECT_EQ(s->ClockFontName, "宋体");
    EXPECT_EQ(f.form1()->LatestVersion, 1.5);
    s->SpeedButtonSaveClick();
    EXPECT_EQ(s->statusText(), "保存成功");
    EXPECT_EQ(f.iniBytes(), before);

    // The same file with other spellings of section and key names reads the same.
    HostFixture g;
    g.writeIni(QString(text).replace("[server]", "[SERVER]").replace("[timer]", "[Timer]")
                   .replace("ServerUser=", "serveruser=").replace("count=", "COUNT="));
    ASSERT_TRUE(g.create());
    g.formSet()->TimerStartTimer();
    EXPECT_EQ(g.formSet()->EditSUser->text(), "张三");
    EXPECT_TRUE(g.formSet()->RadioButtonCountUp->isChecked());
}

TEST(Settings, SaveWritesEveryKeyAndAutoCheckNewLast) {
    HostFixture f;
    ASSERT_TRUE(f.create());
    auto *s = f.formSet();
    s->TimerStartTimer();
    s->EditSUser->setText("bob");
    s->EditControlPort->setText("9300");
    s->CheckBoxAutoStart->setChecked(true);
    s->CheckBoxAutoCheckNew->setChecked(false);
    s->RadioButtonNoDisp->setChecked(true);
    s->ComboBox2->setCurrentText("播放音乐");
    s->EditMp3->setText("/m/x.mp3");
    s->ClockFontName = "Noto Sans";
    s->SpeedButtonSaveClick();
    EXPECT_EQ(s->statusText(), "保存成功");
    const QStringList server = {"AutoStart=true", "AutoResp=true", "NewType=true",
                                "PPTdir=" + QDir::homePath(), "ServerUser=bob", "ServerPass=tuvop",
                                "ServerPort=9300", "AutoCheckNew=0"};
    const QStringList timer = {"count=down", "start=M", "display=NoDisplay", "X=5", "Y=5", "Delay=0",
                               "hour=0", "minute=10", "second=0", "TimeScreen=无操作",
                               "TimeSound=播放音乐", "TimeSoundMp3=/m/x.mp3", "BackColor=clNone",
                               "color=clLime", "size=16", "name=Noto Sans", "height=32", "style=0000"};
    const QString expected = "[server]\r\n" + server.join("\r\n") + "\r\n[timer]\r\n" +
                             timer.join("\r\n") + "\r\n";
    EXPECT_EQ(kv::fromGbkLossy(f.iniBytes()), expected);
}

TEST(Settings, SaveBeforeTheLoadKeepsTheStoredLook) {
    HostFixture f;
    f.writeIni("[timer]\nBackColor=clBlack\ncolor=$0000ff00\nsize=30\nname=Courier\nheight=-50\nstyle=1100\n");
    ASSERT_TRUE(f.create());
    f.formSet()->SpeedButtonSaveClick();  // the 200 ms load has not run
    EXPECT_EQ(f.ini("timer", "BackColor"), "clBlack");
    EXPECT_EQ(f.ini("timer", "color"), "$0000ff00");
    EXPECT_EQ(f.ini("timer", "name"), "Courier");
    EXPECT_EQ(f.ini("timer", "style"), "1100");
    EXPECT_EQ(f.formSet()->statusText(), "保存成功");
}

TEST(Settings, UnknownDisplaySelectsNothingAndKeepsTheKey) {
    HostFixture f;
    f.writeIni("[timer]\ndisplay=sideways\n");
    ASSERT_TRUE(f.create());
    auto *s = f.formSet();
    s->TimerStartTimer();
    EXPECT_FALSE(s->RadioButtonPart->isChecked());
    EXPECT_FALSE(s->RadioButtonGlobal->isChecked());
    EXPECT_FALSE(s->RadioButtonNoDisp->isChecked());
    s->SpeedButtonSaveClick();
    EXPECT_EQ(f.ini("timer", "display"), "sideways");
}

TEST(Settings, RefusedWriteShowsTheErrorAndStops) {
    HostFixture f;
    ASSERT_TRUE(f.create());
    f.formSet()->TimerStartTimer();
    ASSERT_TRUE(QDir(f.programDir.path()).mkdir("show.ini"));  // cannot be written as a file
    f.formSet()->SpeedButtonSaveClick();
    EXPECT_EQ(f.fakes.dialogs->messages, QStringList("Unable to write to " + f.iniPath()));
    EXPECT_TRUE(f.formSet()->statusText().isEmpty());
}

TEST(Settings, MissingSharedFolderKeepsTheOtherSettings) {
    HostFixture f;
    f.writeIni("[server]\nPPTdir=/no/such/folder\nServerUser=bob\nServerPass=pw\nServerPort=9000\n"
               "AutoStart=true\nAutoResp=false\n");
    ASSERT_TRUE(f.create());
    auto *s = f.formSet();
    EXPECT_EQ(s->EditSUser->text(), "bob");
    EXPECT_EQ(s->EditSPass->text(), "pw");
    EXPECT_EQ(s->EditControlPort->text(), "9000");
    EXPECT_TRUE(s->CheckBoxAutoStart->isChecked());
    EXPECT_FALSE(s->CheckBoxAutoResp->isChecked());
    EXPECT_EQ(f.form1()->SharedFolderPath, QDir::homePath());
}

TEST(Settings, NewSubFolderBecomesTheSharedFolder) {
    HostFixture f;
    QTemporaryDir shared;
    f.writeIni(QStringLiteral("[server]\nPPTdir=%1\n").arg(shared.path()));
    ASSERT_TRUE(f.create());
    auto *s = f.formSet();
    s->EditNew->setText("  talks ");
    s->SpeedButtonNewClick();
    const QString talks = shared.filePath("talks");
    EXPECT_TRUE(QFileInfo(talks).isDir());
    EXPECT_EQ(s->EditDir->text(), talks);
    EXPECT_EQ(f.form1()->SharedFolderPath, talks);
    EXPECT_EQ(f.form1()->EditDir->text(), talks);

    for (const char *bad : {"a/b", "..", "x..y", "../up"}) {
        s->setStatusText({});
        s->EditNew->setText(bad);
        s->SpeedButtonNewClick();
        EXPECT_FALSE(s->statusText().isEmpty()) << bad;
        EXPECT_EQ(f.form1()->SharedFolderPath, talks) << bad;
    }
    EXPECT_FALSE(QFileInfo(shared.filePath("up")).exists());

    QFile blocker(talks + "/file");  // a file where the folder should go
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    s->setStatusText({});
    s->EditNew->setText("file");
    s->SpeedButtonNewClick();
    EXPECT_TRUE(s->statusText().startsWith("无法创建文件夹"));
    EXPECT_EQ(f.form1()->SharedFolderPath, talks);

    s->EditNew->setText("   ");
    s->SpeedButtonNewClick();
    EXPECT_EQ(f.form1()->SharedFolderPath, talks);
}

TEST(Settings, MainWindowFolderEditMovesTheFolderList) {
    HostFixture f;
    QTemporaryDir other;
    ASSERT_TRUE(f.create());
    f.form1()->EditDir->setText("/no/such/place");
    f.form1()->EditDirKeyPress();
    EXPECT_EQ(f.form1()->statusText(), "该目录不存在");
    EXPECT_EQ(f.form1()->SharedFolderPath, QDir::homePath());
    f.form1()->EditDir->setText(other.path());
    f.form1()->EditDirKeyPress();
    EXPECT_EQ(f.formSet()->DirectoryListBox1->folder(), other.path());
    EXPECT_EQ(f.formSet()->DriveComboBox1->currentText(), QDir::rootPath());  // the tree it lies in
    EXPECT_EQ(f.form1()->SharedFolderPath, other.path());
}

TEST(Settings, SetupButtonShowsAndHides) {
    HostFixture f;
    ASSERT_TRUE(f.create());
    f.form1()->SpeedButtonSetupClick();
    EXPECT_TRUE(f.formSet()->isVisible());
    f.form1()->SpeedButtonSetupClick();
    EXPECT_FALSE(f.formSet()->isVisible());
}

}  // namespace
