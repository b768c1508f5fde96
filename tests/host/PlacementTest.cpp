// First-run placement: both programs into a chosen folder with desktop
// launchers and the hand-over to the copy there; the real host end to end.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSemaphore>

#include <csignal>
#include <sys/stat.h>

#include "HostTestSupport.h"
#include "host/setup/Placement.h"
#include "host/setup/TFormWorkDir.h"
#include "tests/support/FakeDesktop.h"
#include "platform/X11Services.h"
#include "tests/support/Files.h"
#include "tests/support/Wait.h"
#include "tests/support/XvfbSession.h"

using namespace hosttest;
using host::Placement;
using kvtest::readFile;

namespace {

// A host program folder with both programs, a fake desktop folder beside it.
struct Rig {
    HostFixture f;
    QTemporaryDir root;
    std::shared_ptr<platform::FakeDesktop> desktop =
        std::make_shared<platform::FakeDesktop>(root.filePath("home/桌面"));
    QString host = f.programDir.filePath("slidehost"), pad = f.programDir.filePath("slidepad");

    Rig() {
        EXPECT_TRUE(kvtest::writeFile(host, "host program") && kvtest::writeFile(pad, "pad program"));
        for (const QString &p : {host, pad}) ::chmod(QFile::encodeName(p).constData(), 0750);
        host::HostEnv e = f.env();
        e.desktop = desktop;
        e.programFile = host;
        f.app = host::HostApp::create(f.fakes.services(), e, f.lockDir.path());
        w()->show();
    }
    host::TFormWorkDir *w() const { return f.app->FormWorkDir(); }
    void agree(const QString &d, bool wait = true) const {  // until the buttons are back or the host ends
        w()->EditWorkDir->setText(d);
        w()->SpeedButtonOK->click();
        if (wait) {
            EXPECT_TRUE(kvtest::spinUntil([&] { return w()->SpeedButtonOK->isEnabled() || f.exits > 0; }));
        }
    }
    QString launcher(const QString &name) const { return desktop->folder + "/" + name + ".desktop"; }
    bool lockFree() const { return host::SingleInstance(f.lockDir.path()).tryLock() == host::SingleInstance::Result::Acquired; }
};

TEST(Placement, CopiesBothProgramsMakesLaunchersAndHandsOver) {
    Rig r;
    const QString target = r.root.filePath("目标 文件夹");  // made by the placement
    ASSERT_TRUE(QDir().mkpath(r.desktop->folder));
    // A launcher of that name that starts another program is replaced.
    ASSERT_TRUE(r.desktop->writeLauncher(r.launcher(Placement::kPadLauncher), "x", "/bin/true", "/"));
    r.agree("  " + target + "  ");

    for (const auto &[name, launcher] : {std::pair{"slidehost", Placement::kHostLauncher}, {"slidepad", Placement::kPadLauncher}}) {
        const QString from = r.f.programDir.filePath(name), to = target + "/" + name;
        EXPECT_TRUE(readFile(to) == readFile(from) && QFile::permissions(to) == QFile::permissions(from)) << name;
        EXPECT_EQ(r.desktop->launcherProgram(r.launcher(launcher)), to);
    }
    EXPECT_EQ(readFile(target + "/show.ini"),
              kv::toGbkLossy(QStringLiteral("[server]\r\nRunTimes=1\r\nNotDel_c=%1\r\nNotDel_s=%2\r\n").arg(r.pad, r.host)));
    EXPECT_EQ(r.f.fakes.shell->started, QStringList(target + "/slidehost"));
    EXPECT_TRUE(r.lockFree());  // the new copy's single-instance check lets it start
    EXPECT_EQ(r.f.exits, 1);
    EXPECT_FALSE(r.w()->SpeedButtonOK->isEnabled());
    EXPECT_TRUE(QFile::exists(r.host) && QFile::exists(r.pad) && r.f.iniBytes().isEmpty());  // left to the new copy
}

TEST(Placement, CopiesOffTheGuiThreadAndToldOfLaunchersItCouldNotMake) {
    Rig r;
    QSemaphore slow;  // each copy waits for it, 3 s at most
    r.desktop->whileCopying = [&] { slow.tryAcquire(1, 3000); };
    r.desktop->failLaunchers = true;
    r.agree(r.root.filePath("t"), false);
    // Back from the click while the copy runs: the host's events go on meanwhile.
    EXPECT_TRUE(r.f.exits == 0 && r.w()->statusText() == "正在更新..." && !r.w()->SpeedButtonCancel->isEnabled());
    slow.release(2);
    EXPECT_TRUE(kvtest::spinUntil([&] { return r.f.exits == 1; }));
    EXPECT_EQ(r.f.fakes.dialogs->messages, QStringList("创建快捷方式失败：" + r.launcher(Placement::kHostLauncher)));
}

TEST(Placement, OwnFolderInAnySpellingOnlyMarksItPlacedAndAddsMissingLaunchers) {
    for (int spelling = 0; spelling < 3; ++spelling) {
        Rig r;
        const QString dir = r.f.programDir.path();
        const QString text = spelling == 0   ? dir + "/"
                             : spelling == 1 ? dir + "/../" + QFileInfo(dir).fileName()
                                             : r.root.filePath("link");
        if (spelling == 2) { ASSERT_TRUE(QFile::link(dir, text)); }
        ASSERT_TRUE(QDir().mkpath(r.desktop->folder));
        ASSERT_TRUE(r.desktop->writeLauncher(r.launcher(Placement::kPadLauncher), "mine", r.pad, dir));
        const QByteArray padLauncher = readFile(r.launcher(Placement::kPadLauncher));
        r.desktop->calls.clear();
        r.agree(text);

        EXPECT_EQ(r.desktop->calls, QStringList("launcher " + Placement::kHostLauncher + ".desktop")) << spelling;
        EXPECT_EQ(readFile(r.launcher(Placement::kPadLauncher)), padLauncher);
        EXPECT_TRUE(platform::sameFile(r.desktop->launcherProgram(r.launcher(Placement::kHostLauncher)), r.host));
        EXPECT_TRUE(r.f.ini("server", "RunTimes") == "2" && r.f.ini("server", "NotDel") == "0");
        EXPECT_TRUE(r.f.fakes.shell->started.isEmpty() && !r.w()->isVisible() && r.f.exits == 0);
    }
}

TEST(Placement, FailuresLeaveThisHostRunningAndTheTargetAsItWas) {
    {  // no controller beside the host, then the host's copy fails
        Rig r;
        QFile::remove(r.pad);
        const QString target = r.root.filePath("t");
        ASSERT_TRUE(QDir().mkpath(target) && kvtest::writeFile(target + "/slidehost", "older copy"));
        r.desktop->failCopies << "slidehost";
        r.agree(target);
        EXPECT_EQ(r.w()->statusText(), Placement::kUpdateFailed);
        EXPECT_TRUE(readFile(target + "/slidehost") == "older copy" && !QFile::exists(target + "/show.ini"));
        EXPECT_TRUE(r.w()->SpeedButtonOK->isEnabled() && r.w()->isVisible() && r.f.exits == 0);
    }
    for (bool iniFails : {false, true}) {  // the new copy does not start, or show.ini cannot be written:
        Rig r;                              // this host keeps its lock and runs on, the launchers as they were
        if (iniFails) {
            ASSERT_TRUE(QDir().mkpath(r.root.filePath("t/show.ini")));
        }
        r.f.fakes.shell->startResult = false;
        ASSERT_TRUE(QDir().mkpath(r.desktop->folder) &&
                    r.desktop->writeLauncher(r.launcher(Placement::kPadLauncher), "x", "/bin/true", "/"));
        const QByteArray padLauncher = readFile(r.launcher(Placement::kPadLauncher));
        r.agree(r.root.filePath("t"));
        EXPECT_TRUE(iniFails ? r.f.fakes.dialogs->messages.size() == 1 : r.w()->statusText().startsWith("新程序启动失败"));
        EXPECT_TRUE(!r.lockFree() && r.f.exits == 0 && !QFile::exists(r.launcher(Placement::kHostLauncher)));
        EXPECT_EQ(readFile(r.launcher(Placement::kPadLauncher)), padLauncher);
    }
    {  // a folder whose parent is missing, then a desktop folder that cannot be made
        Rig r;
        r.agree(r.root.filePath("missing/t"));
        EXPECT_EQ(r.w()->statusText(), "创建文件夹" + r.root.filePath("missing/t") + "失败");
        EXPECT_TRUE(r.desktop->calls.isEmpty());
        ASSERT_TRUE(kvtest::writeFile(r.root.filePath("home"), "a file"));
        r.agree(r.f.programDir.path());
        EXPECT_TRUE(r.w()->statusText().startsWith("无法创建桌面文件夹")) << r.w()->statusText().toStdString();
        EXPECT_TRUE(r.f.ini("server", "RunTimes") == "2" && r.desktop->calls.isEmpty() && r.w()->isVisible());
    }
    {  // "取消" writes nothing
        Rig r;
        r.w()->SpeedButtonCancel->click();
        EXPECT_TRUE(!r.w()->isVisible() && !QFile::exists(r.f.iniPath()) && r.desktop->calls.isEmpty());
    }
}

TEST(Placement, LauncherExecKeepsAnyProgramPath) {
    const QString odd = QStringLiteral("/opt/a b/\"q\" $HOME `x` \\ 100% 中文/slidehost");
    EXPECT_EQ(platform::programOfDesktopExec(platform::desktopExecFor(odd)), odd);
    EXPECT_EQ(platform::programOfDesktopExec("/usr/bin/app %U"), "/usr/bin/app");
}

// The real host in A, first run: "同意" with the default folder ~/Korvelo; the
// copy there starts, deletes A's programs and marks itself placed.
TEST(PlacementEndToEnd, RealHostPlacesItselfAndTheCopyTakesOver) {
    KV_REQUIRE_OPENBOX();
    kvtest::XvfbSession x(kvtest::XvfbSession::Wm::Openbox);
    ASSERT_TRUE(x.ok()) << x.error();
    QTemporaryDir a, home, runtime;
    const QString placed = home.filePath("Korvelo/slidehost");
    for (const auto &[from, name] : {std::pair{SLIDEHOST_PATH, "slidehost"}, {SLIDEPAD_PATH, "slidepad"}})
        ASSERT_TRUE(QFile::copy(QString::fromLocal8Bit(from), a.filePath(name)));
    auto newHost = [&] {  // the copy runs detached from this test: found by its program file
        for (const QString &pid : QDir("/proc").entryList(QDir::Dirs))
            if (QFileInfo("/proc/" + pid + "/exe").symLinkTarget() == placed) return pid.toInt();
        return 0;
    };
    std::shared_ptr<void> reaper(nullptr, [&](void *) {
        if (int pid = newHost()) ::kill(pid, SIGKILL);
    });
    kvtest::ChildProcess old;
    ASSERT_TRUE(old.start({a.filePath("slidehost").toStdString()},
                          {"QT_QPA_PLATFORM=xcb", "HOME=" + home.path().toStdString(), "XDG_CONFIG_HOME",
                           "XDG_RUNTIME_DIR=" + runtime.path().toStdString()},
                          a.path().toStdString()));
    auto windows = platform::makeX11WindowSystem();
    auto keys = platform::makeX11Keyboard();
    ASSERT_TRUE(windows && keys);
    platform::WindowId dialog = 0;
    ASSERT_TRUE(kvtest::spinUntil([&] {
        for (auto w : windows->topLevelWindows())
            if (windows->isVisible(w) && windows->title(w) == "程序安放") dialog = w;
        return dialog != 0;
    }, 20000));
    windows->switchTo(dialog);
    for (int vk : {platform::vk::Tab, platform::vk::Tab, platform::vk::Space}) keys->press(vk);  // to "同意"

    const QString ini = home.filePath("Korvelo/show.ini");
    EXPECT_TRUE(kvtest::spinUntil([&] {
        return !old.running() && !QFile::exists(a.filePath("slidehost")) && !QFile::exists(a.filePath("slidepad")) &&
               kv::IniFile(ini).readString("server", "RunTimes", "") == "2";
    }, 30000)) << "old host running: " << old.running() << "; " << readFile(ini).toStdString();
    EXPECT_NE(newHost(), 0);
    EXPECT_TRUE(QFile::exists(home.filePath("Desktop/" + Placement::kHostLauncher + ".desktop")));
}

}  // namespace
