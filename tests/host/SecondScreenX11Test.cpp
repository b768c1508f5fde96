// The real main window, its display panel and the windows it opens on a
// private X display under openbox: the host's real keys reach the panel, whose
// XRandR call is a recorder (the display has no second output).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "HostTestSupport.h"
#include "host/lots/TFormChouqian.h"
#include "host/app/SecondScreen.h"
#include "host/setup/TFormHelp.h"
#include "platform/DisplayPanelWindow.h"
#include "tests/support/FakeDisplayPanel.h"
#include "tests/support/RealX11.h"
#include "tests/support/XvfbSession.h"

namespace {
bool panelShown() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<platform::DisplayPanelWindow *>(w) && w->isVisible()) return true;
    return false;
}
}  // namespace

TEST(SecondScreenX11, ThePanelWindowTakesTheHostsKeys) {
    KV_REQUIRE_OPENBOX();
    kvtest::XvfbSession x(kvtest::XvfbSession::Wm::Openbox);
    ASSERT_TRUE(x.ok()) << x.error();
    qputenv("QT_QPA_PLATFORM", "xcb");  // this test's windows are real X windows
    int argc = 1;
    char name[] = "host_screen_x11_tests";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    {
        hosttest::HostFixture f;
        platform::FakeServices &fakes = f.fakes;
        platform::Services services = kvtest::withRealX11(fakes);
        ASSERT_TRUE(services.windows && services.keyboard);
        auto outputs = std::make_shared<platform::FakeOutputLayout>(fakes.screens);
        host::HostEnv env = f.env();
        env.displayPanel = platform::makeDisplayPanel(outputs);
        f.app = host::HostApp::create(services, env, f.lockDir.path());
        host::TForm1 &form = *f.form1();
        form.TimerStart->stop();
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

        // NumPad 2, Alt+E, Enter: the second monitor joins the desktop, and leaves on the next click.
        form.SpeedButtonShow2->click();
        EXPECT_EQ(outputs->calls, QStringList({"on"}));
        EXPECT_EQ(form.statusText(), host::SecondScreen::kSecondOn);
        EXPECT_FALSE(panelShown());
        form.SpeedButtonShow2->click();
        EXPECT_EQ(outputs->calls, QStringList({"on", "off"}));
        EXPECT_EQ(form.statusText(), host::SecondScreen::kSecondOff);
        // A panel left open while the second monitor came on elsewhere: the next click turns it off.
        env.displayPanel->open();
        outputs->now.secondOn = true;
        fakes.screens->desktopRect.setWidth(2 * fakes.screens->primaryRect.width());
        form.SpeedButtonShow2->click();
        EXPECT_EQ(outputs->calls, QStringList({"on", "off", "off"}));

        // The display's own XRandR: one output, which the panel tells and stays for.
        platform::DisplayPanelWindow real(platform::makeXRandrLayout());
        real.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&real));
        QTest::keyClick(&real, Qt::Key_Return);
        EXPECT_TRUE(real.isVisible());
        EXPECT_EQ(real.message->text(), platform::kNoSecondOutput);

        // "抽签", "设置", "帮助" and its key "p": the window comes forward, minimised or behind.
        auto inFront = [&](QWidget *w) {
            return QTest::qWaitFor([&] { return services.windows->foreground() == w->winId() && !w->isMinimized(); });
        };
        QWidget *lots = f.app->FormChouqian(), *help = f.app->FormHelp(), *set = f.formSet();
        for (QWidget *w : {lots, set}) {
            w->showMinimized();
            ASSERT_TRUE(QTest::qWaitFor([&] { return w->isMinimized(); }));
            (w == set ? form.SpeedButtonSetup : form.SpeedButtonToClient)->click();
            EXPECT_TRUE(inFront(w));
        }
        form.SpeedButtonHelp->click();
        services.windows->switchTo(form.winId());
        services.keyboard->press('P');
        EXPECT_TRUE(inFront(help));
    }
}
