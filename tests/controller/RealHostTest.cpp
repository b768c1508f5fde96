// The controller against the real host service on loopback: log in, page,
// and hand control from one controller to another through the answer window.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "common/IniFile.h"
#include "controller/TForm1.h"
#include "controller/TFormAnswer.h"
#include "controller/TFormFile.h"
#include "host/protocol/HostService.h"
#include "host/protocol/HostUi.h"
#include "host/protocol/ServiceListeners.h"
#include "tests/support/Fakes.h"
#include "tests/controller/ScriptedControlHost.h"
#include "tests/support/Files.h"
#include "tests/support/HostProgram.h"
#include "tests/support/Ports.h"
#include "tests/support/RecordingHostUi.h"
#include "tests/support/XvfbSession.h"

using kvtest::spinUntil;

namespace {

struct Pad {
    platform::FakeServices fakes;
    QTemporaryDir dir;
    std::unique_ptr<pad::TForm1> form;

    Pad(int port, const QString &from) {
        fakes.clock->onPump = [] { QCoreApplication::processEvents(); };
        fakes.address->address = from;
        kv::IniFile(dir.filePath(QStringLiteral("slidepad.ini")))
            .writeString(QStringLiteral("client"), QStringLiteral("port"), QString::number(port));
        form = std::make_unique<pad::TForm1>(fakes.services(), dir.path());
        form->TimerWpos->stop();
        form->TimerStart->stop();
        form->setMainWindowId(fakes.windows->add(QStringLiteral("Korvelo投影助理")));
        form->CheckBoxLocal->setChecked(false);
        form->bindSocketsTo(from);
        form->formFile()->EditRip->setText(QStringLiteral("127.0.0.1"));
        form->formFile()->editControlPort->setText(QString::number(port));
    }
    bool login() {
        form->formFile()->SpeedButtonConnect->click();
        return spinUntil([&] { return form->statusText() == QStringLiteral("与投影端连接成功"); }, 5000);
    }
    bool status(const QString &s) {
        return spinUntil([&] { return form->statusText() == s; }, 5000);
    }
};

using kvtest::startOnFreeBlock;

TEST(RealHost, LogInPageAndHandOverControl) {
    platform::FakeServices hostFakes;
    auto ppt = hostFakes.windows->add(QStringLiteral("talk.ppt - PowerPoint"));
    QTemporaryDir shared;
    kvtest::RecordingHostUi ui;
    ui.folder = shared.path();
    host::ServiceListeners listeners;
    host::HostService service(listeners, hostFakes.services(), ui);
    const int port = startOnFreeBlock(listeners);
    ASSERT_NE(port, 0);

    Pad a(port, QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(a.login());
    EXPECT_TRUE(a.form->CheckBoxRemote->isEnabled());

    // Paging reaches the host's PowerPoint window as the same virtual keys.
    a.form->SpeedButton2Next->click();
    a.form->SpeedButton2Pre->click();
    ASSERT_TRUE(spinUntil([&] { return hostFakes.log->calls("up").size() == 2; }, 5000));
    EXPECT_EQ(hostFakes.log->calls("down"), (QStringList{"down 34", "down 33"}));
    EXPECT_TRUE(hostFakes.log->calls("switch").contains(QStringLiteral("switch %1").arg(ppt)));
    EXPECT_EQ(ui.controllerText, QStringLiteral("127.0.0.1"));

    // A second controller asks; the holder answers from its answer window.
    Pad b(port, QStringLiteral("127.0.0.2"));
    ASSERT_TRUE(b.login());
    b.form->SpeedButtonAsk->click();
    pad::TFormAnswer &answer = *a.form->formAnswer();
    ASSERT_TRUE(spinUntil([&] { return answer.isVisible(); }, 5000));
    EXPECT_EQ(answer.Label1->text(), QStringLiteral("127.0.0.2申请控制投影，同意吗？"));
    answer.SpeedButtonAgree->click();
    EXPECT_FALSE(answer.isVisible());
    ASSERT_TRUE(b.status(QStringLiteral("申请控制投影成功")));
    EXPECT_EQ(ui.controllerText, QStringLiteral("127.0.0.2"));

    // Now the first controller is refused and the second pages.
    a.form->SpeedButton2Next->click();
    ASSERT_TRUE(a.status(QStringLiteral("其他人正在使用")));
    b.form->SpeedButton2End->click();
    ASSERT_TRUE(spinUntil([&] { return hostFakes.log->calls("down").size() == 3; }, 5000));
    EXPECT_EQ(hostFakes.log->calls("down").last(), QStringLiteral("down 35"));

    // The timer button reaches the host's timer; the host's answers to c_idle are ignored.
    b.form->SpeedButtonTimer->click();
    ASSERT_TRUE(spinUntil([&] { return ui.timerClicks == 1; }, 5000));
    b.form->client()->keepAliveTick();
    EXPECT_TRUE(b.form->client()->isLoggedIn());

    // Both scan on one reply port, each from its own address; b uploads from its address too.
    for (Pad *p : {&a, &b}) p->form->SpeedButtonScan->click();
    auto found = [](Pad &p) { return p.form->formFile()->Memo1->toPlainText().contains(QStringLiteral("收到：s_hi")); };
    EXPECT_TRUE(spinUntil([&] { return found(a) && found(b); }, 8000));
    ASSERT_TRUE(kvtest::writeFile(b.dir.filePath(QStringLiteral("t.ppt")), "slides"));
    b.form->formFile()->MaskEditFile->setText(b.dir.filePath(QStringLiteral("t.ppt")));
    b.form->formFile()->SpeedButtonUp->click();
    EXPECT_TRUE(spinUntil([&] { return kvtest::readFile(shared.filePath(QStringLiteral("t.ppt"))) == "slides"; }, 8000));
}

// The host program itself, started from a private copy.
TEST(RealHost, TheHostProgramAnswersLoginPagingAndRequest) {
    QTemporaryDir dir;
    const int port = kvtest::freePortBlock();
    ASSERT_NE(port, 0);
    kvtest::ChildProcess child;
    // Its own runtime folder: the single-instance lock of a host started by a
    // parallel run must not stop this one.
    ASSERT_TRUE(kvtest::startHostCopy(child, dir.path(), port,
                                      "AutoResp=true\r\nVersionPage=http://127.0.0.1:9/\r\nPPTdir=" +
                                          dir.path().toLocal8Bit() + "\r\n",
                                      {"QT_QPA_PLATFORM=offscreen", "DISPLAY", "HOME=" + dir.path().toStdString(),
                                       "XDG_RUNTIME_DIR=" + dir.path().toStdString()}))
        << "the host program did not start its service";

    Pad a(port, QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(a.login()) << a.form->statusText().toStdString() << "|"
                           << a.form->memo1->toPlainText().toStdString();
    a.form->SpeedButton2Next->click();  // no PowerPoint on that host
    EXPECT_TRUE(a.status(QStringLiteral("投影端幻灯片文件已关闭")));
    // The page made a the controller; b asks and a grants from its answer window.
    Pad b(port, QStringLiteral("127.0.0.2"));
    ASSERT_TRUE(b.login());
    b.form->SpeedButtonAsk->click();
    pad::TFormAnswer &answer = *a.form->formAnswer();
    ASSERT_TRUE(spinUntil([&] { return answer.isVisible(); }, 5000));
    answer.SpeedButtonAgree->click();
    EXPECT_TRUE(b.status(QStringLiteral("申请控制投影成功")));
    a.form->formFile()->SpeedButtonConnect->click();
    EXPECT_EQ(a.form->statusText(), QStringLiteral("与投影端断开"));
    child.stop();
}

}  // namespace
