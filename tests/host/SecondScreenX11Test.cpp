// The real main window and display panel window on a private X display: the
// host's real keys reach the panel, whose XRandR call is a recorder (the
// display has no second output).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <utility>

#include "host/service/HostFakes.h"
#include "host/service/SecondScreen.h"
#include "host/service/TForm1.h"
#include "platform/DisplayPanelWindow.h"
#include "platform/FakeDisplayPanel.h"
#include "tests/support/RealX11.h"
#include "tests/support/XvfbSession.h"

namespace {
// The real keyboard; after the first key the main window takes the front, as
// the second click of a double click on "第二桌面" gives it.
class DoubleClickKeyboard : public platform::Keyboard {
public:
    DoubleClickKeyboard(std::shared_ptr<platform::Keyboard> real) : real_(std::move(real)) {}
    void keyDown(int vk) override { real_->keyDown(vk); }
    void keyUp(int vk) override {
        real_->keyUp(vk);
        if (secondClick) std::exchange(secondClick, nullptr)();
    }
    std::function<void()> secondClick;

private:
    std::shared_ptr<platform::Keyboard> real_;
};

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
        platform::FakeServices fakes;
        platform::Services services = kvtest::withRealX11(fakes);
        ASSERT_TRUE(services.windows && services.keyboard);
        auto keyboard = std::make_shared<DoubleClickKeyboard>(services.keyboard);
        services.keyboard = keyboard;
        auto outputs = std::make_shared<platform::FakeOutputLayout>(fakes.screens);
        QTemporaryDir dir;
        host::HostEnv env;
        env.programDir = dir.path();
        env.pages = std::make_shared<host::FakePageLoader>();
        env.tray = std::make_shared<host::FakeTray>();
        env.choice = std::make_shared<host::FakeChoiceBox>();
        env.exitProgram = [] {};
        env.displayPanel = platform::makeDisplayPanel(outputs);
        host::TForm1 form(services, env);
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
        // The main window in front after NumPad 2: the panel comes back for the rest of its keys.
        keyboard->secondClick = [&] { services.windows->switchTo(form.winId()); };
        form.SpeedButtonShow2->click();
        EXPECT_EQ(outputs->calls, QStringList({"on", "off", "on"}));
        EXPECT_EQ(form.statusText(), host::SecondScreen::kSecondOn);
        EXPECT_FALSE(panelShown());
        // A panel left open while the second monitor went off elsewhere: the next click turns it on.
        env.displayPanel->open();
        outputs->now.secondOn = false;
        fakes.screens->desktopRect = fakes.screens->primaryRect;
        form.SpeedButtonShow2->click();
        EXPECT_EQ(outputs->calls, QStringList({"on", "off", "on", "on"}));
        EXPECT_EQ(form.statusText(), host::SecondScreen::kSecondOn);

        // The display's own XRandR: one output, which the panel tells and stays for.
        platform::DisplayPanelWindow real(platform::makeXRandrLayout());
        real.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&real));
        QTest::keyClick(&real, Qt::Key_Return);
        EXPECT_TRUE(real.isVisible());
        EXPECT_EQ(real.message->text(), platform::kNoSecondOutput);
    }
}
