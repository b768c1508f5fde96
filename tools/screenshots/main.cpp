// Makes a PNG of every window of both programs, each tab of a tab widget and
// a few chosen states, for the README. Run it through tools/screenshots.sh,
// which gives it a private X server with a window manager.
//
//   kv_screenshots OUTPUT_DIR [README]
//
// Windows are found by walking the top-level widgets each program creates, so
// a new window or tab shows up without touching this file; windows without
// any child widget yet are left out. Where README is given, the part between
// the screenshot markers is rewritten to show every picture made.
//
// The pictures show the programs in use: the host serves a shared folder of
// presentations on a loopback port, one controller has logged in to it (its
// file window docked, listing the host's files and a folder of the user's
// own), and a second controller, from another loopback address, asks the
// first for control. Nothing is sent beyond 127.0.0.0/8: the controllers
// never scan (their scan list is only an example).
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <tuple>
#include <utility>

#include "common/IniFile.h"
#include "controller/DiscoveryAndFiles.h"
#include "controller/FileWindowLists.h"
#include "controller/TForm1.h"
#include "controller/TFormAnswer.h"
#include "controller/TFormFile.h"
#include "host/app/HostApp.h"
#include "tests/support/HostFakes.h"
#include "host/app/TForm1.h"
#include "tests/support/FakeDisplayPanel.h"
#include "platform/Language.h"
#include "tests/support/FakeMailSender.h"
#include "tests/support/Fakes.h"
#include "tests/support/Ports.h"
#include "tests/support/Wait.h"

namespace {

// A state worth its own picture: buttons clicked (by object name, in any
// window of the program) before the window is taken, and clicked after to
// leave things as they were.
struct Variant {
    QString program, window, label;  // no label: the window's own picture, in this state
    QStringList before, after;
    bool replacesPlain = false;
    int settleMs = 200;  // after the clicks: time for animations
    std::function<void()> prepare = {};  // before the clicks, once the window is shown
    QStringList companions = {};         // windows taken with it (one docked to it)
};

const QList<Variant> kVariants = {
    {"host", "FormHelp", "操作说明", {"SpeedButtonAct"}, {"SpeedButtonSoft"}},
    {"host", "FormHelp", "建议推荐", {"SpeedButtonSuggest"}, {"SpeedButtonSoft"}},
    {"pad", "FormHelp", "操作说明", {"SpeedButtonAct"}, {"SpeedButtonSoft"}},
    {"host", "FormTimer", "局部显示", {"RadioButtonPart", "SpeedButtontimer"}, {"SpeedButtontimer"}, true},
    {"host", "FormTimer", "全屏显示", {"RadioButtonGlobal", "SpeedButtontimer"},
     {"SpeedButtontimer", "RadioButtonPart"}, true},
    {"host", "FormChouqian", "制作", {"SpeedButtonMake"}, {}, true},
    {"host", "FormChouqian", "全部打开", {"SpeedButtonAllOut"}, {}, true, 4000},
};

// Windows the user never sees.
const QStringList kNeverShown = {"host/FrmSendMail"};

struct Shot {
    QString file, caption;
};

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Top-level windows with content, the main window first, then in the given
// order (the host's creation order), then by name.
QList<QWidget *> windowsNow(const QStringList &order = {}) {
    QList<QWidget *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isWindow() && !qobject_cast<QMenu *>(w) && !w->objectName().isEmpty() &&
            !w->objectName().startsWith("qt_") && !w->findChildren<QWidget *>().isEmpty())
            out << w;
    auto key = [&](QWidget *w) {
        const QString n = w->objectName();
        return std::make_tuple(n != "Form1", order.contains(n) ? order.indexOf(n) : order.size(), n);
    };
    std::sort(out.begin(), out.end(), [&](QWidget *a, QWidget *b) { return key(a) < key(b); });
    return out;
}

class Camera {
public:
    Camera(QString dir, QList<Variant> variants) : dir_(std::move(dir)), variants_(std::move(variants)) {}

    void take(const QString &program, QList<QWidget *> windows) {
        for (QWidget *w : windows) {
            const QString key = program + "/" + w->objectName();
            if (kNeverShown.contains(key)) continue;
            bool plain = true;
            for (const Variant &v : variants_)
                if (v.program == program && v.window == w->objectName() && v.replacesPlain) plain = false;
            const auto tabs = w->findChildren<QTabWidget *>();
            if (plain && tabs.isEmpty()) shoot(w, program, QString(), QString(), windows);
            for (QTabWidget *t : plain ? tabs : QList<QTabWidget *>())
                for (int i = 0; i < t->count(); ++i) {
                    t->setCurrentIndex(i);
                    shoot(w, program, t->tabText(i), "-tab" + QString::number(i), windows);
                }
            for (qsizetype i = 0; i < variants_.size(); ++i) {
                const Variant &v = variants_[i];
                if (v.program != program || v.window != w->objectName()) continue;
                QList<QWidget *> with;
                for (QWidget *c : windows)
                    if (v.companions.contains(c->objectName())) with << c;
                // Clicked while shown: some windows lay out their content only then.
                shoot(w, program, v.label, v.label.isEmpty() ? QString() : "-v" + QString::number(i), windows,
                      [&] {
                          if (v.prepare) v.prepare();
                          clickAll(windows, v.before, v.settleMs);
                      },
                      with);
                clickAll(windows, v.after, 200);
            }
        }
    }
    const QList<Shot> &shots() const { return shots_; }

private:
    static void clickAll(const QList<QWidget *> &windows, const QStringList &names, int settleMs) {
        for (const QString &name : names)
            for (QWidget *w : windows)
                if (auto *b = w->findChild<QAbstractButton *>(name)) {
                    b->click();
                    break;
                }
        settle(settleMs);
    }

    void shoot(QWidget *w, const QString &program, const QString &label, const QString &suffix,
               const QList<QWidget *> &all, const std::function<void()> &prepare = {},
               const QList<QWidget *> &with = {}) {
        for (QWidget *other : all)
            if (other != w && !with.contains(other)) other->hide();
        for (QWidget *c : with) c->show();
        w->show();
        w->raise();
        w->activateWindow();
        settle(700);
        if (prepare) {
            prepare();
            w->show();  // in case a click hid it
            w->raise();
            settle(300);
        }
        // Now and then Qt misses the window manager's frame; showing the
        // window again has it framed anew.
        auto framed = [w] { return w->frameGeometry() != w->geometry(); };
        for (int i = 0; i < 3 && !(w->windowFlags() & Qt::FramelessWindowHint) && !kvtest::spinUntil(framed, 1000); ++i) {
            w->hide();
            settle(300);
            w->show();
            w->raise();
        }
        QRect r = w->frameGeometry();
        for (QWidget *c : with) r = r.united(c->frameGeometry());
        QScreen *screen = w->screen();
        r = r.intersected(screen->geometry());
        const QPixmap pm = screen->grabWindow(0, r.x(), r.y(), r.width(), r.height());
        const QString name = program + "-" + w->objectName() + suffix + ".png";
        if (!pm.save(QDir(dir_).filePath(name))) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(name));
            return;
        }
        const QString title = w->windowTitle().trimmed().isEmpty() ? w->objectName() : w->windowTitle().trimmed();
        const QString caption = (program == "host" ? "slidehost: " : "slidepad: ") + title;
        shots_ << Shot{name, label.isEmpty() ? caption : caption + " · " + label.trimmed()};
        std::printf("%s\n", qPrintable(name));
        w->hide();
        for (QWidget *c : with) c->hide();
    }

    QString dir_;
    QList<Variant> variants_;
    QList<Shot> shots_;
};

void writeReadme(const QString &path, const QString &picturesDir, const QList<Shot> &shots) {
    const QString begin = "<!-- screenshots: made by tools/screenshots.sh -->";
    const QString end = "<!-- /screenshots -->";
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return;
    QString text = QString::fromUtf8(f.readAll());
    f.close();
    const qsizetype a = text.indexOf(begin), b = text.indexOf(end);
    if (a < 0 || b < a) {
        std::fprintf(stderr, "%s has no screenshot markers\n", qPrintable(path));
        return;
    }
    QString gallery = begin + "\n\n";
    const QString rel = QFileInfo(path).absoluteDir().relativeFilePath(picturesDir);
    for (const Shot &s : shots) gallery += QString("**%1**\n\n![%1](%2/%3)\n\n").arg(s.caption, rel, s.file);
    text.replace(a, b - a, gallery);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(text.toUtf8());
}

}  // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    platform::installChineseQtTranslations(app);  // as both programs start
    platform::preferPlainChineseFont();
    if (argc < 2) {
        std::fprintf(stderr, "usage: kv_screenshots OUTPUT_DIR [README]\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);
    for (const QString &old : QDir(out).entryList({"*.png"})) QFile::remove(QDir(out).filePath(old));

    // Own program folders: nothing of the user's is read, no version check or
    // scan goes out, and the first-run placement does not pop up by itself.
    QTemporaryDir base(QDir::tempPath() + "/korvelo-XXXXXX");
    const QDir root(base.path());
    const QString hostDir = root.filePath("projector"), padDir = root.filePath("speaker"),
                  pad2Dir = root.filePath("speaker2"), lockDir = root.filePath("runtime");
    const QString shared = root.filePath("projector/共享课件");
    // A home of the speaker's own: the file window starts there and shows a
    // folder of talks (the drive box and folder list follow HOME).
    const QString home = root.filePath("home/lilei"), talks = home + "/文档/讲座";
    for (const QString &d : {hostDir, padDir, pad2Dir, lockDir, shared, talks + "/旧版", home + "/下载", home + "/桌面"})
        QDir().mkpath(d);
    qputenv("HOME", QFile::encodeName(home));
    auto touch = [](const QString &folder, const QStringList &names) {
        for (const QString &n : names) QFile(QDir(folder).filePath(n)).open(QIODevice::WriteOnly);
    };
    touch(shared, {"年度总结.ppt", "项目汇报.pptx", "新员工培训.ppt", "2026春季开学典礼.pptx", "安全教育讲座.pptm"});
    touch(talks, {"第三季度销售汇报.pptx", "产品培训.ppt", "开题报告.pptx", "讲稿.docx"});
    touch(talks + "/旧版", {"第三季度销售汇报(初稿).pptx"});

    // The default port where it is free, as a user would see it.
    const bool defaultFree = kvtest::tcpFree(8220) && kvtest::tcpFree(8221) && kvtest::udpFree(8222) &&
                             kvtest::udpFree(8223);
    const int port = defaultFree ? 8220 : kvtest::freePortBlock();
    if (!port) {
        std::fprintf(stderr, "no free loopback port block\n");
        return 1;
    }
    // The INI files are GBK, as the programs write them.
    {
        kv::IniFile ini(hostDir + "/show.ini");
        const QString server = "server";
        // The service starts by itself on the free port; requests go to the holder.
        for (const auto &[key, value] : {std::pair<QString, QString>{"RunTimes", "2"}, {"AutoStart", "true"},
                                         {"AutoCheckNew", "0"}, {"NewType", "true"},
                                         {"ServerPort", QString::number(port)}, {"PPTdir", shared}})
            ini.writeString(server, key, value);
    }
    for (const QString &d : {padDir, pad2Dir})
        kv::IniFile(d + "/slidepad.ini").writeString("client", "port", QString::number(port));
    QFile scan(padDir + "/scan.ini");
    if (scan.open(QIODevice::WriteOnly)) scan.write("192.168.1.\r\n192.168.10.\r\n10.20.0.\r\n");
    scan.close();

    host::HostEnv env;
    env.programDir = hostDir;
    env.pages = std::make_shared<host::FakePageLoader>();
    env.tray = std::make_shared<host::FakeTray>();
    env.choice = std::make_shared<host::FakeChoiceBox>();
    env.mail = std::make_shared<platform::FakeMailSender>();
    env.exitProgram = [] {};
    // The display panel of "第二桌面", with a second monitor to offer.
    env.displayPanel = platform::makeDisplayPanel(std::make_shared<platform::FakeOutputLayout>());
    const platform::Services services = platform::realServices();
    auto hostApp = host::HostApp::create(services, env, lockDir);
    if (!hostApp) return 1;
    hostApp->Form1()->show();
    env.displayPanel->open();
    settle(1500);  // the start-up timer starts the service
    const QList<QWidget *> hostWindows = windowsNow(hostApp->creationOrder());

    pad::TForm1 pad(services, padDir);
    pad.onScan = [] {};
    pad.show();
    settle(1500);
    QList<QWidget *> padWindows;
    for (QWidget *w : windowsNow({"Form1", "FormFile", "FormSet", "FormHelp", "FormAnswer"}))
        if (!hostWindows.contains(w)) padWindows << w;

    // The second controller stays hidden; only its request is seen.
    platform::Services secondServices = services;
    auto secondAddress = std::make_shared<platform::FakeLocalAddress>();
    secondAddress->address = QStringLiteral("127.0.0.2");  // as KV_LOCAL_IPV4 gives the first one
    secondServices.address = secondAddress;
    pad::TForm1 second(secondServices, pad2Dir);
    second.onScan = [] {};
    second.bindSocketsTo("127.0.0.2");
    pad.SpeedButtonFile->click();
    second.formFile()->reloadLoginFields();  // as the button does, without showing the window
    for (pad::TForm1 *p : {&pad, &second}) {
        p->CheckBoxLocal->setChecked(false);  // the host's presentation windows are on this display too
        p->formFile()->EditRip->setText("127.0.0.1");
        p->formFile()->SpeedButtonConnect->click();
        if (!kvtest::spinUntil([p] { return p->client()->isLoggedIn(); }, 5000)) {
            std::fprintf(stderr, "a controller could not log in to the host on port %d\n", port);
            return 1;
        }
    }
    if (!kvtest::spinUntil([&] { return pad.files()->lists().ListBox1->count() > 0; }, 5000))
        std::fprintf(stderr, "the host's file list did not arrive\n");
    pad.files()->lists().ListBox1->setCurrentRow(0);
    pad.files()->lists().setFolder(talks);

    QList<Variant> variants = kVariants;
    // The file window docked at the main window, as its button opens it.
    variants << Variant{"pad", "FormFile", {}, {}, {}, true, 200, [&] { pad.openFileWindowDocked(false); }, {"Form1"}};
    // The holder's answer window: the first controller pages (and so holds
    // control), the second asks.
    variants << Variant{"pad", "FormAnswer", {}, {}, {}, true, 200, [&] {
                            pad.SpeedButton2NextClick();
                            settle(500);
                            second.SpeedButtonAskClick();
                            kvtest::spinUntil([&] { return pad.formAnswer()->isVisible(); }, 5000);
                        }};

    // The controllers first: the host's pictures then show the request and
    // who holds control; the README lists the host first all the same.
    Camera camera(out, variants);
    camera.take("pad", padWindows);
    camera.take("host", hostWindows);
    QList<Shot> shots = camera.shots();
    std::stable_partition(shots.begin(), shots.end(), [](const Shot &s) { return s.file.startsWith("host-"); });
    if (argc > 2) writeReadme(QString::fromLocal8Bit(argv[2]), out, shots);
    return camera.shots().isEmpty() ? 1 : 0;
}
