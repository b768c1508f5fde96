// "第二桌面" and "异步投影" on fake windows, keys, screens and display panel.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <stdexcept>

#include "host/protocol/PptDriver.h"
#include "host/app/SecondScreen.h"
#include "tests/support/FakeDisplayPanel.h"
#include "tests/support/RecordingHostUi.h"

using namespace host;
using platform::WindowId;

namespace {

// Can fail, and can write each key as it goes (a death test reads them from stderr).
class NoisyKeyboard : public platform::FakeKeyboard {
public:
    using FakeKeyboard::FakeKeyboard;
    void keyDown(int vk) override {
        if (vk == failOn) throw std::runtime_error("keyboard gone");
        if (echo) std::fprintf(stderr, "down %d\n", vk);
        FakeKeyboard::keyDown(vk);
    }
    void keyUp(int vk) override {
        if (echo) std::fprintf(stderr, "up %d\n", vk);
        FakeKeyboard::keyUp(vk);
    }
    int failOn = -1;
    bool echo = false;
};

class SecondScreenTest : public ::testing::Test {
protected:
    SecondScreenTest() { fakes.clock->now = 0; }
    void widen(bool two) { fakes.screens->desktopRect.setWidth(two ? 3840 : 1920); }
    int count(const QString &call) const { return int(fakes.log->calls().count(call)); }
    QStringList keyCalls() const { return fakes.log->calls("down") + fakes.log->calls("up"); }
    // Runs f on the n-th sleep of 10 ms: the n+1-th poll of a wait sees what it did.
    void onTenth(int n, std::function<void()> f) {
        fakes.clock->onSleep = [this, n, f, tens = 0](int ms) mutable {
            if (ms == 10 && ++tens == n) f();
        };
    }

    platform::FakeServices fakes;
    std::shared_ptr<NoisyKeyboard> keys = std::make_shared<NoisyKeyboard>(fakes.log, fakes.clock);
    platform::Services services = [this] {
        platform::Services s = fakes.services();
        s.keyboard = keys;
        return s;
    }();
    kvtest::RecordingHostUi ui;
    PptDriver ppt{services, ui};
    std::shared_ptr<platform::FakeDisplayPanel> panel =
        std::make_shared<platform::FakeDisplayPanel>(fakes.log, fakes.windows);
    SecondScreen screen{services, ui, ppt, panel};
};

const QStringList kSetUp = {
    "down 27", "up 27", "sleep 300", "down 18", "sleep 50", "down 68", "sleep 50", "up 68", "sleep 200",
    "down 83", "sleep 50", "up 83", "sleep 200", "down 79", "up 79", "sleep 200", "up 18", "sleep 200",
    "down 35", "up 35", "sleep 200", "down 17", "sleep 50", "down 87", "sleep 20", "up 87", "sleep 50",
    "up 17", "sleep 200", "down 18", "sleep 50", "down 87", "sleep 20", "up 87", "sleep 50", "up 18",
    "sleep 200", "down 61", "sleep 100", "up 61", "sleep 200", "down 43", "sleep 100", "up 43",
    "sleep 200", "down 13", "up 13", "sleep 200", "down 116", "up 116", "sleep 100"};

}  // namespace

TEST_F(SecondScreenTest, SecondDesktopEndsTheShowDrivesThePanelAndReadsTheWidths) {
    const WindowId show = fakes.windows->add("PowerPoint 幻灯片放映 - talk");
    // The panel applies on Enter: it leaves and the desktop widens.
    fakes.clock->onPump = [&] {
        if (panel->window && fakes.log->calls().endsWith("up 13")) {
            panel->close(show);
            widen(true);
        }
    };
    screen.secondDesktop();
    EXPECT_EQ(fakes.log->calls(),
              QStringList({QString("switch %1").arg(show), "sleep 300", "down 27", "up 27", "sleep 300",
                           "control desk.cpl ,3", "down 98", "up 98", "sleep 100", "down 18", "sleep 100",
                           "down 69", "up 69", "sleep 100", "up 18", "sleep 100", "down 13", "up 13",
                           "sleep 200"}));
    EXPECT_EQ(ui.status, QStringList({"", SecondScreen::kSecondOn}));

    // A panel that stays: the whole wait, the same keys, and the widths decide.
    fakes.windows->windows.clear();
    fakes.clock->onPump = nullptr;
    fakes.log->clear();
    widen(false);
    screen.secondDesktop();
    EXPECT_EQ(count("sleep 10"), 1000);
    EXPECT_EQ(count("down 98") + count("down 69") + count("down 13"), 3);
    EXPECT_EQ(ui.status.last(), SecondScreen::kSecondOff);
}

TEST_F(SecondScreenTest, PanelWaitCountsTheLastPollAndKnowsOnlyItsTitle) {
    panel->appears = false;
    onTenth(499, [&] {
        panel->appears = true;
        panel->open();
    });
    panel->title = "  显示 属性 ";  // trimmed before the compare
    screen.secondDesktop();
    EXPECT_EQ(count("down 98"), 1);
    EXPECT_EQ(count("sleep 10"), 499 + 1000);

    for (const QString title : {"Display Properties", "显示属性"}) {
        fakes.log->clear();
        fakes.windows->windows.clear();
        panel->window = 0;
        panel->title = title;
        fakes.clock->onSleep = nullptr;
        screen.secondDesktop();
        EXPECT_EQ(count("sleep 10"), 500);
        EXPECT_TRUE(keyCalls().isEmpty());
        EXPECT_EQ(ui.status.last(), SecondScreen::kPanelFailed);
    }
}

TEST_F(SecondScreenTest, APanelBehindTheMainWindowComesForwardBeforeItsKeys) {
    // The second click of a double click, as the panel opens and after its first key.
    const WindowId mainWindow = fakes.windows->add("Korvelo 投影助理");
    for (const QString clickAfter : {"control desk.cpl ,3", "up 98"}) {
        fakes.log->clear();
        fakes.clock->onPump = [&, clicked = false]() mutable {
            if (fakes.log->calls().contains(clickAfter) && !std::exchange(clicked, true)) fakes.windows->foregroundId = mainWindow;
        };
        fakes.clock->onSleep = [&](int) { fakes.clock->onPump(); };
        screen.secondDesktop();
        EXPECT_EQ(count(QString("switch %1").arg(panel->window)) + count("down 13"), 2) << clickAfter.toStdString();
    }
}

TEST_F(SecondScreenTest, PresenterViewRunsTheSetUpAndWaitsForThePresenterView) {
    widen(true);
    const WindowId w = fakes.windows->add("talk - PowerPoint");
    onTenth(299, [&] { fakes.windows->add("PowerPoint 演示者视图 - talk"); });
    screen.presenterView();
    EXPECT_EQ(fakes.log->calls().mid(0, 2), QStringList({QString("switch %1").arg(w), "sleep 300"}));
    EXPECT_EQ(fakes.log->calls().mid(2, kSetUp.size()), kSetUp);
    EXPECT_EQ(count("sleep 10"), 299);  // found on the last of the 300 polls
    EXPECT_EQ(ui.status, QStringList({"", SecondScreen::kPresenterShown}));

    fakes.windows->windows.pop_back();
    fakes.clock->onSleep = nullptr;
    fakes.log->clear();
    screen.presenterView();
    EXPECT_EQ(count("sleep 10"), 300);
    EXPECT_EQ(ui.status.last(), SecondScreen::kPresenterFailed);
}

TEST_F(SecondScreenTest, PresenterViewOfImpressIsF5AndItsConsole) {
    widen(true);
    fakes.windows->add("talk.pptx - LibreOffice Impress", true, "libreoffice-impress");
    onTenth(3, [&] { fakes.windows->add("talk.pptx - LibreOffice Impress", true, "LibreOffice 7.4"); });
    screen.presenterView();
    EXPECT_EQ(keyCalls(), QStringList({"down 116", "up 116"}));
    EXPECT_EQ(ui.status.last(), SecondScreen::kPresenterShown);
}

TEST_F(SecondScreenTest, PresenterViewFailuresAndOneScreen) {
    screen.presenterView();
    EXPECT_EQ(ui.status.last(), PptDriver::kOpenFirst);

    const WindowId w = fakes.windows->add("talk - PowerPoint");
    fakes.windows->switchBringsToFront = false;
    screen.presenterView();
    EXPECT_EQ(count(QString("switch %1").arg(w)), 2);
    EXPECT_EQ(count("sleep 10"), 600);
    EXPECT_EQ(ui.status.last(), PptDriver::kNotInFront);

    // One screen: told so, and the show starts there all the same.
    fakes.windows->switchBringsToFront = true;
    fakes.log->clear();
    screen.presenterView();
    EXPECT_EQ(fakes.log->calls().mid(1), QStringList({"sleep 300", "down 116", "up 116"}));
    EXPECT_EQ(ui.status.last(), SecondScreen::kOpenSecondFirst);

    // PowerPoint lost the front during the last sleep: no key at all.
    widen(true);
    const WindowId terminal = fakes.windows->add("terminal");
    fakes.clock->onSleep = [&](int ms) {
        if (ms == 300) fakes.windows->foregroundId = terminal;
    };
    fakes.log->clear();
    screen.presenterView();
    EXPECT_TRUE(keyCalls().isEmpty());
    EXPECT_EQ(ui.status.last(), PptDriver::kNotInFront);
}

TEST_F(SecondScreenTest, ClicksDuringARunAreIgnored) {
    fakes.windows->add("talk - PowerPoint");
    int nested = 0;
    fakes.clock->onPump = [&] {
        ++nested;
        screen.secondDesktop();
        screen.presenterView();
    };
    screen.secondDesktop();
    EXPECT_EQ(count("control desk.cpl ,3"), 1);
    EXPECT_EQ(count("down 98"), 1);
    EXPECT_GT(nested, 1000);
    EXPECT_FALSE(screen.running());
}

TEST_F(SecondScreenTest, AFailingKeyboardLeavesNoKeyHeld) {
    widen(true);
    fakes.windows->add("talk - PowerPoint");
    keys->failOn = 87;  // W, while Ctrl is down
    EXPECT_THROW(screen.presenterView(), std::runtime_error);
    EXPECT_EQ(fakes.log->calls().last(), "up 17");
    EXPECT_FALSE(screen.running());
}

TEST_F(SecondScreenTest, TheShowStartsSetUpKeysAreLetGoWhenCutShort) {
    widen(true);
    fakes.windows->add("talk - PowerPoint");
    keys->failOn = 87;  // W, while Alt is down
    EXPECT_THROW(ppt.startSlideShow(), std::runtime_error);
    EXPECT_EQ(fakes.log->calls().last(), "up 18");
}

TEST_F(SecondScreenTest, AnEndingSignalWaitsUntilTheHeldKeyIsUp) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    widen(true);
    fakes.windows->add("talk - PowerPoint");
    keys->echo = true;
    fakes.clock->onSleep = [&](int) {
        if (fakes.log->calls().contains("down 17")) std::raise(SIGTERM);
    };
    EXPECT_EXIT(screen.presenterView(), ::testing::KilledBySignal(SIGTERM), "down 17\nup 17\n$");
}
