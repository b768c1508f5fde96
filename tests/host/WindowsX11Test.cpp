// The host's windows on a private X display under openbox, with real keys:
// the draw-lots board's focus, and the windows the main window brings forward.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "HostTestSupport.h"
#include "host/lots/TFormChouqian.h"
#include "host/setup/TFormHelp.h"
#include "tests/support/RealX11.h"
#include "tests/support/XvfbSession.h"

TEST(HostWindowsX11, LotsKeepTheirNamesAndEveryWindowComesForward) {
    KV_REQUIRE_OPENBOX();
    kvtest::XvfbSession x(kvtest::XvfbSession::Wm::Openbox);
    ASSERT_TRUE(x.ok()) << x.error();
    qputenv("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "host_windows_x11_tests";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    {
        hosttest::HostFixture f;
        const platform::Services services = kvtest::withRealX11(f.fakes);
        f.app = host::HostApp::create(services, f.env(), f.lockDir.path());
        ASSERT_TRUE(f.app);
        host::TForm1 &main = *f.form1();
        main.TimerStart->stop();
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
        auto inFront = [&](QWidget *w) {
            return QTest::qWaitFor([&] { return services.windows->foreground() == w->winId(); }, 5000);
        };

        // Enter in a name field opens its lot; neither its leaving nor its
        // removal puts the focus into another name, so typing changes none.
        host::TFormChouqian &lots = *f.app->FormChouqian();
        main.SpeedButtonToClient->click();
        ASSERT_TRUE(inFront(&lots));
        lots.EditNum->setText("3");
        lots.SpeedButtonMakeClick();
        for (int i = 1; i <= 3; ++i) lots.nameField(i)->setText(QString("name%1").arg(i));
        lots.nameField(2)->setFocus();
        services.keyboard->press(platform::vk::Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return lots.timerDelayDisp->isActive(); }, 10000));
        lots.timerDelayDispTimer();
        services.keyboard->press('X');
        QTest::qWait(200);
        EXPECT_EQ(lots.nameField(1)->text() + lots.nameField(3)->text(), "name1name3");
        EXPECT_FALSE(lots.nameField(1)->hasSelectedText() || lots.nameField(3)->hasSelectedText());

        // "抽签", "帮助" and its key "p", "设置": the window comes forward,
        // minimised or behind the main window.
        auto minimise = [&](QWidget *w) {
            w->showMinimized();
            return QTest::qWaitFor([&] { return w->isMinimized() && services.windows->foreground() != w->winId(); });
        };
        ASSERT_TRUE(minimise(&lots));
        main.SpeedButtonToClient->click();
        EXPECT_TRUE(inFront(&lots) && !lots.isMinimized());
        QWidget *help = f.app->FormHelp(), *set = f.formSet();
        main.SpeedButtonHelp->click();
        ASSERT_TRUE(inFront(help));
        services.windows->switchTo(main.winId());
        services.keyboard->press('P');
        EXPECT_TRUE(inFront(help));
        main.SpeedButtonSetup->click();
        ASSERT_TRUE(inFront(set));
        ASSERT_TRUE(minimise(set));
        main.SpeedButtonSetup->click();
        EXPECT_TRUE(inFront(set) && set->isVisible());
        main.SpeedButtonSetup->click();
        EXPECT_FALSE(set->isVisible());
    }
}
