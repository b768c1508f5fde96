// The scan, the file lists and the upload inside the controller's windows.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include "controller/DiscoveryAndFiles.h"
#include "controller/FileWindowLists.h"
#include "controller/HostScanner.h"
#include "controller/TForm1.h"
#include "controller/TFormFile.h"
#include "controller/TFormSet.h"
#include "controller/UploadClient.h"
#include "tests/support/Fakes.h"
#include "tests/controller/upload/ScriptedUploadHost.h"
#include "tests/support/Files.h"
#include "tests/support/Wait.h"

namespace {

using kvtest::spinUntil;

QStringList items(QListWidget *l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}

struct Pad : ::testing::Test {
    platform::FakeServices fakes;
    QTemporaryDir dir;
    ScriptedUploadHost host;
    std::unique_ptr<pad::TForm1> form;

    void SetUp() override {
        fakes.clock->onPump = [] { QCoreApplication::processEvents(); };
        fakes.address->address = QStringLiteral("127.0.0.1");  // forced local address
        form = std::make_unique<pad::TForm1>(fakes.services(), dir.path());
        form->TimerWpos->stop();
        form->TimerStart->stop();
        form->CheckBoxLocal->setChecked(false);
        ASSERT_TRUE(host.listen());
    }
    pad::TFormFile &file() { return *form->formFile(); }
    pad::DiscoveryAndFiles &files() { return *form->files(); }
    void login() {
        file().EditRip->setText(QStringLiteral("127.0.0.1"));
        file().editControlPort->setText(QString::number(host.port()));
        file().SpeedButtonConnect->click();
        ASSERT_TRUE(spinUntil([&] { return form->SButtonConnect->text() == QStringLiteral("断开"); }));
    }
};

}  // namespace

TEST_F(Pad, LoginListsTheHostAndPullsItsFiles) {
    host.files = {"a.ppt", "b.ppt"};
    login();
    ASSERT_TRUE(spinUntil([&] { return items(files().lists().ListBox1).size() == 2; }));
    EXPECT_EQ(items(files().lists().ListBox1), (QStringList{QStringLiteral("a.ppt"), QStringLiteral("b.ppt")}));
    ASSERT_EQ(files().lists().ListViewHost->topLevelItemCount(), 1);
    EXPECT_EQ(files().lists().ListViewHost->topLevelItem(0)->text(1), QStringLiteral("127.0.0.1"));
    // "刷新 " pulls it again from an empty list.
    host.files = {"c.ppt"};
    file().SpeedButtonRefresh->click();
    ASSERT_TRUE(spinUntil([&] { return items(files().lists().ListBox1) == QStringList{QStringLiteral("c.ppt")}; }));
}

TEST_F(Pad, UploadButtonShowsProgressAndRefreshesTheList) {
    login();
    host.files = {"up.ppt"};
    QString path = dir.filePath(QStringLiteral("up.ppt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'u'));
    }
    file().MaskEditFile->setText(QStringLiteral(" ") + path);
    bool sawBar = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { sawBar = sawBar || files().lists().ProgressBar1->isVisible(); });
    watch.start(0);
    form->show();
    file().show();
    file().SpeedButtonUp->click();
    EXPECT_EQ(form->state().clientState, pad::PadState::Uploading);
    EXPECT_EQ(form->state().localFileName, QStringLiteral("up.ppt"));
    ASSERT_TRUE(spinUntil([&] { return items(files().lists().ListBox1).contains(QStringLiteral("up.ppt")); }));
    EXPECT_TRUE(sawBar);
    EXPECT_FALSE(files().lists().ProgressBar1->isVisible());
    EXPECT_EQ(file().statusText(), QStringLiteral("文件上传完成"));
    EXPECT_EQ(host.data, QByteArray(5000, 'u'));

    // A missing file is a message box; nothing goes out. (The listing's last
    // "c_nextlist" follows the name into the list: let it arrive first.)
    ASSERT_TRUE(spinUntil([&] { return host.received.contains("c_nextlist"); }));
    host.received.clear();
    file().MaskEditFile->setText(dir.filePath(QStringLiteral("none.ppt")));
    file().SpeedButtonUp->click();
    EXPECT_EQ(fakes.dialogs->messages.value(0), QStringLiteral("文件没找到，") + dir.filePath(QStringLiteral("none.ppt")));
    spinUntil([] { return false; }, 50);
    EXPECT_TRUE(host.received.isEmpty());
}

TEST_F(Pad, NothingOfAnUploadOutlivesItsConnection) {
    login();
    file().MaskEditFile->setText(QCoreApplication::applicationFilePath());  // a file that exists
    host.dropControl();
    ASSERT_TRUE(spinUntil([&] { return !file().SpeedButtonUp->isEnabled(); }));
    EXPECT_FALSE(file().SpeedButtonRefresh->isEnabled());
    files().SpeedButtonUpClick();  // a click queued before the reset
    EXPECT_TRUE(form->state().localFileName.isEmpty());
    file().SpeedButtonOpen->click();  // only "远端" ticked: it says why nothing happens
    EXPECT_EQ(form->statusText(), QStringLiteral("尚未联网"));
    login();
    file().SpeedButtonConnect->click();
    EXPECT_EQ(file().statusText(), QString());  // no "文件上传失败" for an upload never tried here
}

TEST_F(Pad, UploadProgressKeepsTheSessionFromTheIdleCutOff) {
    login();
    const QString path = dir.filePath(QStringLiteral("long.ppt"));
    ASSERT_TRUE(kvtest::writeFile(path, QByteArray(5000, 'l')));
    // Five minutes pass between the upload's steps, twenty-five in all.
    QObject::connect(&files().upload(), &pad::UploadClient::progressChanged,
                     [&](int) { fakes.clock->now += 5 * 60 * 1000; });
    file().MaskEditFile->setText(path);
    file().SpeedButtonUp->click();
    ASSERT_TRUE(spinUntil([&] { return file().statusText() == QStringLiteral("文件上传完成"); }));
    form->client()->keepAliveTick();
    EXPECT_EQ(form->SButtonConnect->text(), QStringLiteral("断开"));
}

// The host's lone "s_qitaup" (another controller holds the upload slot)
// reaches the upload, which lets go of the file at once.
TEST_F(Pad, RefusedUploadReleasesTheFile) {
    login();
    host.refuseUpload = true;
    const QString path = dir.filePath(QStringLiteral("refused.ppt"));
    ASSERT_TRUE(kvtest::writeFile(path, QByteArray(3000, 'r')));
    file().MaskEditFile->setText(path);
    file().SpeedButtonUp->click();
    ASSERT_TRUE(spinUntil([&] { return host.received.contains("c_up"); }, 3000));
    ASSERT_TRUE(spinUntil([&] { return !files().upload().busy(); }, 3000));
    EXPECT_FALSE(files().upload().fileOpen());
    for (const QByteArray &l : host.received) EXPECT_FALSE(l.startsWith("c_filename"));
}

TEST_F(Pad, DisconnectingMidUploadReleasesTheFile) {
    login();
    host.holdAcksAfter = 2;
    QString path = dir.filePath(QStringLiteral("stuck.ppt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(50000, 's'));
    }
    file().MaskEditFile->setText(path);
    file().SpeedButtonUp->click();
    ASSERT_TRUE(spinUntil([&] { return host.acks >= 2 && files().upload().fileOpen(); }));
    file().SpeedButtonConnect->click();  // reads "断开": disconnect
    ASSERT_TRUE(spinUntil([&] { return !files().upload().busy(); }));
    EXPECT_FALSE(files().upload().fileOpen());
    EXPECT_FALSE(files().lists().ProgressBar1->isVisible());
    EXPECT_EQ(file().statusText(), QStringLiteral("文件上传失败"));
}

TEST_F(Pad, ScanButtonsScanTheLoopbackPrefixAndConnectTheAnswer) {
    // A responder on 127.0.0.1 at P+3 answering to the port named in the probe.
    const quint16 base = host.port();
    QUdpSocket responder;
    if (!responder.bind(QHostAddress::LocalHost, quint16(base + 3))) GTEST_SKIP() << "discovery port taken";
    QObject::connect(&responder, &QUdpSocket::readyRead, [&] {
        while (responder.hasPendingDatagrams()) {
            QByteArray d = responder.receiveDatagram().data();
            QByteArray text = d.left(d.indexOf('\0'));
            quint16 port = text.mid(text.indexOf('|') + 1).toUShort();
            responder.writeDatagram("s_hi127.0.0.1|" + QByteArray::number(base + 3) + '\0', QHostAddress::LocalHost,
                                    port);
        }
    });
    form->formSet()->EditControlPort->setText(QString::number(base));
    form->formSet()->setScanLines({});
    form->formSet()->CheckBoxAutoConnect->setChecked(true);
    form->show();
    file().show();  // open already: the scan does not reload its login fields
    file().editControlPort->setText(QString::number(base));
    form->SpeedButtonScan->click();
    EXPECT_EQ(form->SpeedButtonScan->text(), QStringLiteral("停止"));
    EXPECT_EQ(file().SpeedButtonScan->text(), QStringLiteral("停止"));
    EXPECT_EQ(form->state().clientState, pad::PadState::Scanning);
    EXPECT_TRUE(file().isVisible());
    EXPECT_EQ(form->formSet()->scanLines(), QStringList{QStringLiteral("127.0.0.")});  // the local prefix
    ASSERT_TRUE(spinUntil([&] { return form->SButtonConnect->text() == QStringLiteral("断开"); }));
    EXPECT_EQ(file().EditRip->text(), QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(spinUntil([&] { return !files().scanner().running(); }, 5000));
    EXPECT_EQ(form->SpeedButtonScan->text(), QStringLiteral(" 扫描"));
    EXPECT_EQ(file().SpeedButtonScan->text(), QStringLiteral(" 扫描 "));
    EXPECT_EQ(files().lists().ListViewHost->topLevelItemCount(), 1);
    EXPECT_TRUE(file().Memo1->toPlainText().contains(QStringLiteral("收到：s_hi127.0.0.1|")));

    // Scanning again while connected lists the host but never cuts the session.
    form->SpeedButtonScan->click();
    ASSERT_TRUE(spinUntil([&] { return files().lists().ListViewHost->topLevelItemCount() == 1 && !files().scanner().running(); }, 5000));
    EXPECT_EQ(form->state().clientState, pad::PadState::Idle);
    EXPECT_EQ(form->SButtonConnect->text(), QStringLiteral("断开"));
    EXPECT_EQ(host.received.count("c_usertuvop|tuvop"), 1);
}

TEST_F(Pad, CommandsFocusTheFileListsAndTheListsOpenAfterARefusal) {
    const QString ppt = dir.filePath(QStringLiteral("talk.ppt"));
    QFile(ppt).open(QIODevice::WriteOnly);
    auto &L = files().lists();
    L.setFolder(dir.path());
    form->CheckBoxLocal->setChecked(true);  // no PowerPoint window on this PC
    form->show();
    form->SpeedButton2show->click();
    EXPECT_EQ(form->statusText(), QStringLiteral("请先打开PPT文件"));
    EXPECT_EQ(file().focusWidget(), L.FileListBox1);
    // Focus alone picks no file.
    file().activateWindow();
    spinUntil([] { return false; }, 50);
    EXPECT_TRUE(file().MaskEditFile->text().isEmpty());

    login();
    file().EditRFile->clear();
    form->SpeedButtonOpen->click();
    EXPECT_EQ(form->statusText(), QStringLiteral("请选择远端的文件"));
    EXPECT_EQ(file().focusWidget(), L.ListViewHost);

    // A refused login disables "打开" in the file window; a double-click in a list still opens.
    host.send("s_no\r\n");
    ASSERT_TRUE(spinUntil([&] { return !file().SpeedButtonOpen->isEnabled(); }));
    L.FileListBox1->setCurrentRow(0);
    emit L.FileListBox1->itemDoubleClicked(L.FileListBox1->item(0));
    EXPECT_EQ(fakes.shell->opened, QStringList{ppt});
}

TEST_F(Pad, TheLocalPrefixJoinsTheListAsALine) {
    // A list typed with a final line end, and a port the scan refuses: nothing is sent.
    form->formSet()->MemoIP->setPlainText(QStringLiteral("127.0.1.\n"));
    form->formSet()->EditControlPort->setText(QStringLiteral("x"));
    form->SpeedButtonScan->click();
    EXPECT_EQ(form->statusText(), QStringLiteral("扫描终止"));
    EXPECT_EQ(form->formSet()->MemoIP->toPlainText(), QStringLiteral("127.0.1.\n127.0.0."));
    form->formSet()->SpeedButtonSaveClick();
    EXPECT_EQ(form->formSet()->statusText(), QStringLiteral("已保存"));
}

TEST_F(Pad, AConnectEndsTheProbedPrefixAsItStarts) {
    form->formSet()->EditControlPort->setText(QString::number(host.port()));
    form->formSet()->setScanLines({});  // the local prefix 127.0.0. only
    form->SpeedButtonScan->click();
    if (form->statusText() == QStringLiteral("扫描终止")) GTEST_SKIP() << "reply port taken";
    ASSERT_TRUE(files().scanner().probing());
    bool probedWhileConnecting = false;
    bool stopClicked = false;
    fakes.clock->onPump = [&] {
        probedWhileConnecting = probedWhileConnecting || files().scanner().probing();
        if (!stopClicked) {  // "停止" inside the connect's wait still stops the scan
            stopClicked = true;
            form->SpeedButtonScan->click();
        }
        QCoreApplication::processEvents();
    };
    login();
    EXPECT_FALSE(probedWhileConnecting);
    EXPECT_FALSE(files().scanner().running());
    EXPECT_EQ(form->SpeedButtonScan->text(), QStringLiteral(" 扫描"));
}
