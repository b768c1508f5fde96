// Both programs end to end on one machine: the real slidehost process on a
// private Xvfb and the controller's own windows and code in this process.
// The controller scans only 127.0.0. with its local address forced to
// 127.0.0.1 (the host's too, through KV_LOCAL_IPV4): nothing leaves loopback.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include "common/Gbk.h"
#include "common/IniFile.h"
#include "common/Text.h"
#include "tests/support/SocketLineChannel.h"
#include "controller/DiscoveryAndFiles.h"
#include "controller/FileWindowLists.h"
#include "controller/HostScanner.h"
#include "controller/TForm1.h"
#include "controller/TFormAnswer.h"
#include "controller/TFormFile.h"
#include "controller/TFormSet.h"
#include "controller/UploadClient.h"
#include "tests/support/Fakes.h"
#include "platform/QtServices.h"
#include "tests/support/Ports.h"
#include "tests/support/RealX11.h"
#include "tests/support/Wait.h"
#include "tests/support/XvfbSession.h"
#include "tests/support/Files.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

using Keys = std::vector<std::string>;

namespace {

using kvtest::readFile;
using kvtest::writeFile;

using kvtest::randomBytes;
using kvtest::spinUntil;

QStringList items(QListWidget *l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}

// The slide (1 red, 2 green, 3 blue) filling the middle of the screen at its
// left or right edge (one may lie under the controller's window), else 0: an
// editing window shows its slides smaller, between panes.
int slideOnScreen() {
    Display *d = XOpenDisplay(nullptr);
    XWindowAttributes a{};
    XGetWindowAttributes(d, DefaultRootWindow(d), &a);
    int found = 0;
    for (int x : {4, a.width - 5}) {
        XImage *img = XGetImage(d, DefaultRootWindow(d), x, a.height * 2 / 5, 1, a.height / 5, AllPlanes, ZPixmap);
        for (int slide = 1; img && slide <= 3; ++slide) {
            int y = 0;
            while (y < img->height && (XGetPixel(img, 0, y) & 0xffffff) == 0xff0000ul >> (8 * slide - 8)) ++y;
            if (y == img->height) found = slide;
        }
        if (img) XDestroyImage(img);
    }
    XCloseDisplay(d);
    return found;
}

}  // namespace

TEST(EndToEnd, ScanConnectListUploadOpenPageAndHandOver) {
    KV_REQUIRE_XVFB();
    kvtest::XvfbSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    QTemporaryDir hostDir, padDir, localDir;
    const auto port = static_cast<quint16>(kvtest::freePortBlock());
    ASSERT_NE(port, 0);

    // The host program runs from its own folder with its show.ini beside it.
    const QString shared = hostDir.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_TRUE(writeFile(shared + QStringLiteral("/intro.ppt"), "intro"));
    const QString hostProgram = hostDir.filePath(QStringLiteral("slidehost"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(SLIDEHOST_PATH), hostProgram));
    {
        kv::IniFile ini(hostDir.filePath(QStringLiteral("show.ini")));
        const QString s = QStringLiteral("server");
        ini.writeString(s, QStringLiteral("RunTimes"), QStringLiteral("2"));
        ini.writeString(s, QStringLiteral("AutoStart"), QStringLiteral("true"));
        ini.writeString(s, QStringLiteral("AutoCheckNew"), QStringLiteral("0"));
        ini.writeString(s, QStringLiteral("CheckDate"), kv::shortDateText(QDate::currentDate()));
        ini.writeString(s, QStringLiteral("ServerPort"), QString::number(port));
        ini.writeString(s, QStringLiteral("PPTdir"), shared);
    }

    // The presentation's window: the key recorder titled like PowerPoint's.
    kvtest::KeyRecorder ppt("talk - PowerPoint");
    ASSERT_TRUE(ppt.ok());

    kvtest::ChildProcess host;
    ASSERT_TRUE(host.start({hostProgram.toStdString()},
                           {"QT_QPA_PLATFORM=xcb", "KV_LOCAL_IPV4=127.0.0.1",
                            "HOME=" + hostDir.path().toStdString(),
                            "XDG_RUNTIME_DIR=" + hostDir.path().toStdString()},
                           hostDir.path().toStdString()));
    ASSERT_TRUE(spinUntil([&] {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        return probe.waitForConnected(200);
    }, 20000)) << "the host did not start its service";

    {
        // The controller: scan at start-up, connect automatically.
        {
            kv::IniFile ini(padDir.filePath(QStringLiteral("slidepad.ini")));
            const QString c = QStringLiteral("client");
            ini.writeString(c, QStringLiteral("port"), QString::number(port));
            ini.writeString(c, QStringLiteral("AutoScan"), QStringLiteral("True"));
            ini.writeString(c, QStringLiteral("AutoConnect"), QStringLiteral("True"));
        }
        ASSERT_TRUE(writeFile(padDir.filePath(QStringLiteral("scan.ini")), "127.0.0.\r\n"));
        platform::FakeServices fakes;
        fakes.address->address = QStringLiteral("127.0.0.1");  // the forced local address
        platform::Services services = fakes.services();
        services.clock = std::make_shared<platform::SystemClock>();
        pad::TForm1 form(services, padDir.path());
        pad::DiscoveryAndFiles *files = form.files();
        ASSERT_NE(files, nullptr);
        form.show();
        pad::TFormFile &ff = *form.formFile();

        ASSERT_TRUE(spinUntil([&] { return form.SButtonConnect->text() == QStringLiteral("断开"); }, 20000))
            << form.statusText().toStdString() << "; listed: " << files->scanner().hosts().join(",").toStdString()
            << "; received: " << ff.Memo1->toPlainText().toStdString();
        EXPECT_TRUE(files->scanner().hosts().contains(QStringLiteral("127.0.0.1")));
        // The only prefix probed: scan.ini's, which is also the forced local one.
        EXPECT_EQ(form.formSet()->scanLines(), QStringList{QStringLiteral("127.0.0.")});
        EXPECT_EQ(ff.EditRip->text(), QStringLiteral("127.0.0.1"));
        ASSERT_TRUE(spinUntil([&] { return items(files->lists().ListBox1).contains(QStringLiteral("intro.ppt")); }));

        // Upload 10 MiB; it arrives byte for byte and the list shows it.
        const QByteArray big = randomBytes(10 * 1024 * 1024);
        const QString local = localDir.filePath(QStringLiteral("talk.ppt"));
        ASSERT_TRUE(writeFile(local, big));
        ff.MaskEditFile->setText(local);
        ASSERT_TRUE(ff.SpeedButtonUp->isEnabled());
        ff.SpeedButtonUp->click();
        ASSERT_TRUE(spinUntil([&] { return items(files->lists().ListBox1).contains(QStringLiteral("talk.ppt")); },
                              60000))
            << ff.statusText().toStdString() << "; stage " << int(files->upload().stage()) << "; shared: "
            << QDir(shared).entryList(QDir::Files | QDir::Hidden).join(",").toStdString()
            << "; remote list: " << items(files->lists().ListBox1).join(",").toStdString();
        EXPECT_EQ(ff.statusText(), QStringLiteral("文件上传完成"));
        EXPECT_TRUE(readFile(shared + QStringLiteral("/talk.ppt")) == big) << "uploaded file differs";

        // Open it and page it: the keys reach the helper window. Only the
        // host's presentation is driven here, none on this machine.
        form.CheckBoxLocal->setChecked(false);
        ff.EditRFile->setText(QStringLiteral("talk.ppt"));
        ff.SpeedButtonOpen->click();
        ASSERT_TRUE(spinUntil([&] { return form.statusText() == QStringLiteral("投影端已打开文件"); }))
            << form.statusText().toStdString();
        form.SpeedButton2Next->click();
        form.SpeedButton2Pre->click();
        spinUntil([] { return false; }, 300);
        EXPECT_EQ(ppt.waitForKeys(4), (Keys{"press Next", "release Next", "press Prior", "release Prior"}));

        // A second controller (127.0.0.2) asks; this one agrees and is refused afterwards.
        pad::SocketLineChannel second;
        QList<QByteArray> secondLines;
        QObject::connect(&second, &pad::SocketLineChannel::lineReceived,
                         [&](const QByteArray &l) { secondLines << l; });
        second.connectToHost(QStringLiteral("127.0.0.1"), port, QStringLiteral("127.0.0.2"));
        ASSERT_TRUE(spinUntil([&] { return second.isOpen(); }));
        second.sendLine("c_usertuvop|tuvop");
        ASSERT_TRUE(spinUntil([&] { return secondLines.contains("s_ok"); }));
        second.sendLine("c_ask");
        ASSERT_TRUE(spinUntil([&] { return form.formAnswer()->isVisible(); }));
        form.formAnswer()->SpeedButtonAgree->click();
        ASSERT_TRUE(spinUntil([&] { return secondLines.contains("s_agree"); }));
        second.sendLine("VD35");
        spinUntil([] { return false; }, 300);
        EXPECT_EQ(ppt.waitForKeys(6), (Keys{"press Next", "release Next", "press Prior", "release Prior",
                                            "press End", "release End"}));
        form.SpeedButton2Next->click();
        ASSERT_TRUE(spinUntil([&] { return form.statusText() == QStringLiteral("其他人正在使用"); }))
            << form.statusText().toStdString();
        EXPECT_EQ(ppt.settle(200).size(), 6u);
        second.close();
    }
    EXPECT_TRUE(host.running());
    host.stop();
}

// A real LibreOffice Impress (profile under the test's HOME), under openbox
// closing windows on Alt+F4 as desktops do: the host drives it for a scripted
// controller, then the controller's "本地" drives one of its own.
TEST(EndToEnd, ImpressOpenedShownPagedAndClosedRemotelyAndLocally) {
    KV_REQUIRE_OPENBOX();
    if (QStandardPaths::findExecutable("soffice").isEmpty() || QStandardPaths::findExecutable("xdg-open").isEmpty())
        GTEST_SKIP() << "LibreOffice Impress (soffice) or xdg-open is not installed";
    kvtest::XvfbSession x(kvtest::XvfbSession::Wm::OpenboxAltF4Closes);
    ASSERT_TRUE(x.ok()) << x.error();
    QTemporaryDir dir;
    const std::string home = dir.path().toStdString(), profile = "-env:UserInstallation=file://" + home;
    // xdg-open's own way to Impress, in a UTF-8 locale for the Chinese names.
    const std::vector<std::string> env = {"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config", "LC_ALL=C.UTF-8",
                                          "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "QT_QPA_PLATFORM=xcb",
                                          "KV_LOCAL_IPV4=127.0.0.1"};
    kvtest::ChildProcess convert, host, localImpress;
    ASSERT_TRUE(convert.start({"soffice", profile, "--headless", "--convert-to", "pptx", "--outdir", home, SLIDES_FODP},
                              env));
    ASSERT_TRUE(spinUntil([&] { return !convert.running(); }, 90000));
    const QString slides = dir.filePath("three-slides.pptx"), name = QStringLiteral("季度 报告.pptx");
    const QString local = dir.filePath(QStringLiteral("本地 讲稿.pptx"));
    ASSERT_TRUE(QFile::copy(slides, dir.filePath(name)) && QFile::copy(slides, local));
    auto ws = platform::makeX11WindowSystem();
    auto impressOpen = [&] {
        const auto all = ws->topLevelWindows();
        return std::any_of(all.begin(), all.end(),
                           [&](auto w) { return platform::describePresentationWindow(*ws, w).isImpress(); });
    };
    auto onScreen = [](int slide, int ms = 15000) { return spinUntil([&] { return slideOnScreen() == slide; }, ms); };

    const auto port = static_cast<quint16>(kvtest::freePortBlock());
    ASSERT_TRUE(kvtest::writeFile(dir.filePath("show.ini"), "[server]\r\nRunTimes=2\r\nAutoStart=true\r\nAutoCheckNew=0\r\n"
        "CheckDate=" + kv::shortDateText(QDate::currentDate()).toLatin1() + "\r\nServerPort=" + QByteArray::number(port) +
        "\r\nPPTdir=" + dir.path().toUtf8() + "\r\n"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(SLIDEHOST_PATH), dir.filePath("slidehost")));
    ASSERT_TRUE(host.start({home + "/slidehost"}, env, home));
    pad::SocketLineChannel ctl;
    QList<QByteArray> replies;
    QObject::connect(&ctl, &pad::SocketLineChannel::lineReceived, [&](const QByteArray &l) { replies << l; });
    ASSERT_TRUE(spinUntil([&] {
        if (!ctl.isOpen()) ctl.connectToHost("127.0.0.1", port, "127.0.0.1");
        return spinUntil([&] { return ctl.isOpen(); }, 300);
    }, 20000));
    ctl.sendLine("c_usertuvop|tuvop");
    // Impress's first start may outlast the host's wait; asked again, the host finds its window.
    for (int i = 0; i < 2 && !replies.contains("s_succ_open"); ++i) {
        replies.clear();
        ctl.sendLine("c_open" + *kv::toGbk(name));
        spinUntil([&] { return replies.contains("s_succ_open") || replies.contains("s_fail_open"); }, 45000);
    }
    ASSERT_TRUE(replies.contains("s_succ_open")) << replies.join(' ').toStdString();
    ctl.sendLine("c_show");
    ASSERT_TRUE(onScreen(1, 30000));
    ctl.sendLine("VD34");
    EXPECT_TRUE(onScreen(2));
    ctl.sendLine("c_show");  // in a running show: from the start again
    EXPECT_TRUE(onScreen(1));
    ctl.sendLine("VD27");
    EXPECT_TRUE(onScreen(0));  // the editing window again
    auto keys = platform::makeX11Keyboard();
    auto chord = [&](int modifier, int key) { keys->keyDown(modifier), keys->press(key), keys->keyUp(modifier); };
    chord(platform::vk::Control, 'M');  // a new slide: the document is changed
    ctl.sendLine("c_show");
    ASSERT_TRUE(onScreen(1, 30000));
    ctl.sendLine("c_close");  // ends the show, then closes the document, which asks first
    auto asks = [&] { return ws->title(ws->foreground()) == "Save Document?" && ws->topLevelWindows()[0] == ws->foreground(); };
    EXPECT_TRUE(spinUntil(asks, 10000) && !spinUntil([&] { return !asks(); }, 1500)) << "the question was covered";
    chord(platform::vk::Menu, 'N');  // "Don't Save"
    EXPECT_TRUE(spinUntil([&] { return !impressOpen(); }, 30000));
    host.stop();

    // "本地", in a profile of its own: the host's Impress may still be ending and take the file.
    platform::FakeServices fakes;
    fakes.shell->onOpen = [&](const QString &path) { localImpress.start({"soffice", profile + "/l", path.toStdString()}, env); };
    kvtest::KeyRecorder self("Korvelo投影助理", 120);  // stands in for the controller's own window
    QTemporaryDir padDir;
    pad::TForm1 form(kvtest::withRealX11(fakes), padDir.path());
    form.TimerWpos->stop();
    form.TimerStart->stop();
    form.setMainWindowId(self.window());
    form.CheckBoxRemote->setChecked(false);
    form.formFile()->MaskEditFile->setText(local);
    form.SpeedButtonOpen->click();
    ASSERT_TRUE(spinUntil(impressOpen, 60000));
    spinUntil([] { return false; }, 3000);  // the speaker reaches for "放映" once Impress has loaded the file
    form.SpeedButton2show->click();
    ASSERT_TRUE(onScreen(1, 30000));
    form.SpeedButton2Next->click();
    EXPECT_TRUE(onScreen(2));
    form.SpeedButtonClose->click();  // ends the show, then closes the document
    EXPECT_TRUE(spinUntil([&] { return !impressOpen(); }, 30000));
}
