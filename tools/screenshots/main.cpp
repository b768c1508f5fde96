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
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QPixmap>
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

#include "controller/TForm1.h"
#include "host/service/HostApp.h"
#include "tests/support/HostFakes.h"
#include "host/service/TForm1.h"
#include "tests/support/FakeDisplayPanel.h"
#include "platform/Language.h"
#include "tests/support/FakeMailSender.h"

namespace {

// A state worth its own picture: buttons clicked (by object name, in any
// window of the program) before the window is taken, and clicked after to
// leave things as they were.
struct Variant {
    QString program, window, label;
    QStringList before, after;
    bool replacesPlain = false;
    int settleMs = 200;  // after the clicks: time for animations
    bool operator==(const Variant &) const = default;
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
    explicit Camera(QString dir) : dir_(std::move(dir)) {}

    void take(const QString &program, QList<QWidget *> windows) {
        for (QWidget *w : windows) {
            const QString key = program + "/" + w->objectName();
            if (kNeverShown.contains(key)) continue;
            bool plain = true;
            for (const Variant &v : kVariants)
                if (v.program == program && v.window == w->objectName() && v.replacesPlain) plain = false;
            const auto tabs = w->findChildren<QTabWidget *>();
            if (plain && tabs.isEmpty()) shoot(w, program, QString(), QString(), windows);
            for (QTabWidget *t : plain ? tabs : QList<QTabWidget *>())
                for (int i = 0; i < t->count(); ++i) {
                    t->setCurrentIndex(i);
                    shoot(w, program, t->tabText(i), "-tab" + QString::number(i), windows);
                }
            for (const Variant &v : kVariants) {
                if (v.program != program || v.window != w->objectName()) continue;
                // Clicked while shown: some windows lay out their content only then.
                shoot(w, program, v.label, "-v" + QString::number(kVariants.indexOf(v)), windows,
                      [&] { clickAll(windows, v.before, v.settleMs); });
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
               const QList<QWidget *> &all, const std::function<void()> &prepare = {}) {
        for (QWidget *other : all)
            if (other != w) other->hide();
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
        QRect r = w->frameGeometry();
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
    }

    QString dir_;
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
    QTemporaryDir hostDir(QDir::tempPath() + "/korvelo-XXXXXX"), padDir, lockDir;
    const QString shared = hostDir.filePath("slides");
    QDir().mkpath(shared);
    for (const char *name : {"年度总结.ppt", "项目汇报.pptx", "新员工培训.ppt"})
        QFile(QDir(shared).filePath(QString::fromUtf8(name))).open(QIODevice::WriteOnly);
    QFile ini(hostDir.filePath("show.ini"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[server]\r\nRunTimes=2\r\nAutoStart=false\r\nAutoCheckNew=0\r\nPPTdir=" + shared.toLocal8Bit() + "\r\n");
    ini.close();

    host::HostEnv env;
    env.programDir = hostDir.path();
    env.pages = std::make_shared<host::FakePageLoader>();
    env.tray = std::make_shared<host::FakeTray>();
    env.choice = std::make_shared<host::FakeChoiceBox>();
    env.mail = std::make_shared<platform::FakeMailSender>();
    env.exitProgram = [] {};
    // The display panel of "第二桌面", with a second monitor to offer.
    env.displayPanel = platform::makeDisplayPanel(std::make_shared<platform::FakeOutputLayout>());
    const platform::Services services = platform::realServices();
    auto hostApp = host::HostApp::create(services, env, lockDir.path());
    if (!hostApp) return 1;
    hostApp->Form1()->show();
    env.displayPanel->open();
    settle(1500);  // the start-up timer
    const QList<QWidget *> hostWindows = windowsNow(hostApp->creationOrder());

    pad::TForm1 pad(services, padDir.path());
    pad.show();
    settle(1500);
    QList<QWidget *> padWindows;
    for (QWidget *w : windowsNow())
        if (!hostWindows.contains(w)) padWindows << w;

    Camera camera(out);
    camera.take("host", hostWindows);
    camera.take("pad", padWindows);
    if (argc > 2) writeReadme(QString::fromLocal8Bit(argv[2]), out, camera.shots());
    return camera.shots().isEmpty() ? 1 : 0;
}
