// The window finder, the key helper and the slide-show start on fake windows.
#include <gtest/gtest.h>

#include "ProtocolFixture.h"
#include "host/protocol/PptDriver.h"

using namespace host;
using platform::WindowId;

namespace {
class PptDriverTest : public ::testing::Test {
protected:
    PptDriverTest() : ppt(fakes.services(), ui) { fakes.clock->now = 0; }
    platform::FakeServices fakes;
    hosttest::RecordingUi ui;
    PptDriver ppt;
    QStringList calls() const { return fakes.log->calls(); }
    QString sw(WindowId w) const { return QString("switch %1").arg(w); }
};
}  // namespace

TEST_F(PptDriverTest, FinderModes) {
    WindowId other = fakes.windows->add("Editor - talk.pptx");
    WindowId edit1 = fakes.windows->add("talk.pptx - PowerPoint");
    WindowId edit2 = fakes.windows->add("talk - PowerPoint");
    WindowId presenter = fakes.windows->add("PowerPoint 演示者视图 - talk 幻灯片放映");
    WindowId show = fakes.windows->add("PowerPoint 幻灯片放映 - talk");
    fakes.windows->add("");
    Q_UNUSED(other);

    EXPECT_EQ(ppt.findPPTWindow(0), edit1);
    EXPECT_EQ(ppt.findPPTWindow(2), presenter);
    EXPECT_EQ(ppt.findPPTWindow(3), show);  // passes over the presenter view
    EXPECT_EQ(ppt.findPPTWindow(4), 0u);
    EXPECT_EQ(ppt.findPPTWindow(-1), 0u);

    // Mode 1 prefers a slide show holding the stem, even behind editing windows.
    ppt.setCurrentFile("talk.pptx");
    EXPECT_EQ(ppt.findPPTWindow(1), presenter);
    fakes.windows->windows.erase(fakes.windows->windows.begin() + 3);  // the presenter view
    EXPECT_EQ(ppt.findPPTWindow(1), show);
    // Without a slide show, the last match in Z order.
    fakes.windows->windows.pop_back();
    fakes.windows->windows.pop_back();
    EXPECT_EQ(ppt.findPPTWindow(1), edit2);
    // The stem is the name up to its last dot.
    ppt.setCurrentFile("my.talk.pptx");
    EXPECT_EQ(ppt.findPPTWindow(1), 0u);
    WindowId dotted = fakes.windows->add("my.talk - PowerPoint");
    EXPECT_EQ(ppt.findPPTWindow(1), dotted);
    EXPECT_EQ(ppt.findPPTWindow(1, "my"), dotted);  // no dot: the whole name
    EXPECT_EQ(ppt.findPPTWindow(1, ".pptx"), 0u);    // empty stem matches nothing
    EXPECT_EQ(ppt.currentFileMode(), 1);
    ppt.setCurrentFile("");
    EXPECT_EQ(ppt.currentFileMode(), 0);
}

TEST_F(PptDriverTest, FinderPumpsOncePerWindowAndSeesOnly254Characters) {
    fakes.windows->add(QString(250, 'x') + "Power");
    fakes.windows->add(QString(254, 'y') + "PowerPoint");
    fakes.windows->add("a");
    EXPECT_EQ(ppt.findPPTWindow(0), 0u);
    EXPECT_EQ(fakes.clock->pumps, 3);
}

TEST_F(PptDriverTest, KeyGoesOnlyToAWindowInFront) {
    WindowId w = fakes.windows->add("talk - PowerPoint");
    EXPECT_TRUE(ppt.sendKey(w, 34));
    EXPECT_EQ(calls(), QStringList({sw(w), "sleep 100", "down 34", "up 34"}));
    fakes.log->clear();
    fakes.windows->foregroundId = 0;
    fakes.windows->switchBringsToFront = false;
    EXPECT_FALSE(ppt.sendKey(w, 34));
    EXPECT_EQ(calls(), QStringList({sw(w), "sleep 100"}));
    EXPECT_EQ(ui.status.last(), PptDriver::kNotInFront);
}

TEST_F(PptDriverTest, CloseSendsEscThenAltF4AndNeverBlind) {
    WindowId w = fakes.windows->add("talk - PowerPoint");
    ppt.setCurrentFile("talk.pptx");
    // Alt+F4 closes the window a moment later; the main window then comes forward.
    fakes.clock->onSleep = [&](int) { fakes.windows->windows.resize(fakes.log->calls("up 18").isEmpty()); };
    EXPECT_TRUE(ppt.closePresentation(w));
    EXPECT_EQ(calls(), QStringList({sw(w), "sleep 200", "down 27", "up 27", "sleep 100", "down 18",
                                    "sleep 10", "down 115", "up 115", "sleep 10", "up 18",
                                    "sleep 10", "sleep 50"}));
    EXPECT_EQ(ui.activations, 1);
    EXPECT_EQ(ppt.currentFile(), QString());

    // Another window takes the front after Esc and keeps it: no Alt+F4.
    w = fakes.windows->add("talk - PowerPoint");
    fakes.log->clear();
    ppt.setCurrentFile("talk.pptx");
    WindowId intruder = fakes.windows->add("terminal");
    fakes.clock->onSleep = [&](int ms) {
        if (ms != 100) return;
        fakes.windows->foregroundId = intruder;
        fakes.windows->switchBringsToFront = false;
    };
    EXPECT_FALSE(ppt.closePresentation(w));
    EXPECT_EQ(fakes.log->calls("down"), QStringList({"down 27"}));
    EXPECT_EQ(ui.status.last(), PptDriver::kNotInFront);
    EXPECT_EQ(ppt.currentFile(), "talk.pptx");
}

TEST_F(PptDriverTest, SlideShowOnOneScreenIsEscThenF5) {
    WindowId first = fakes.windows->add("a - PowerPoint");
    fakes.windows->add("b - PowerPoint");
    ppt.startSlideShow();
    EXPECT_EQ(calls(), QStringList({"sleep 500", sw(first), "down 27", "up 27", "sleep 300",
                                    "down 116", "up 116"}));
    EXPECT_EQ(ui.status, QStringList({""}));
}

TEST_F(PptDriverTest, SlideShowDrivesTheGivenWindow) {
    fakes.windows->add("a - PowerPoint");
    WindowId b = fakes.windows->add("b - PowerPoint");
    ppt.startSlideShow(b);
    EXPECT_EQ(calls().at(1), sw(b));
    EXPECT_EQ(fakes.log->calls("down"), QStringList({"down 27", "down 116"}));
}

TEST_F(PptDriverTest, SlideShowOnExtendedDesktopRunsTheSetUpAndMinimisesTheEditor) {
    fakes.screens->desktopRect = QRect(0, 0, 3840, 1080);
    WindowId w = fakes.windows->add("a - PowerPoint");
    ppt.startSlideShow();
    EXPECT_EQ(calls(), QStringList({"sleep 500", sw(w), "down 27", "up 27", "sleep 300",
                                    "down 18", "sleep 10", "down 68", "sleep 50", "up 68",
                                    "sleep 100", "down 83", "sleep 50", "up 83", "sleep 200",
                                    "down 79", "up 79", "sleep 200", "up 18", "sleep 200",
                                    "down 35", "up 35", "sleep 200", "down 18", "sleep 10",
                                    "down 87", "sleep 20", "up 87", "sleep 100", "up 18",
                                    "sleep 200", "down 189", "sleep 50", "up 189", "sleep 200",
                                    "down 13", "up 13", "sleep 300", "down 116", "up 116",
                                    "sleep 1200", QString("minimize %1").arg(w)}));
}

TEST_F(PptDriverTest, SlideShowWithoutWindowOrFrontSendsNoKey) {
    ppt.startSlideShow();
    EXPECT_EQ(ui.status.last(), PptDriver::kOpenFirst);
    EXPECT_TRUE(fakes.log->calls("down").isEmpty());

    WindowId w = fakes.windows->add("a - PowerPoint");
    fakes.windows->switchBringsToFront = false;
    fakes.log->clear();
    ppt.startSlideShow(w);
    EXPECT_TRUE(fakes.log->calls("down").isEmpty());
    EXPECT_EQ(fakes.log->calls("sleep 10").size(), 300);  // the whole foreground wait
    EXPECT_EQ(ui.status.last(), PptDriver::kNotInFront);
}

TEST_F(PptDriverTest, ForegroundWaitEndsWhenTheWindowComesForward) {
    WindowId w = fakes.windows->add("a - PowerPoint");
    fakes.windows->switchBringsToFront = false;
    int polls = 0;
    fakes.clock->onPump = [&] {
        if (++polls == 5) fakes.windows->foregroundId = w;
    };
    ppt.startSlideShow(w);
    EXPECT_EQ(fakes.log->calls("sleep 10").size(), 4);
    EXPECT_EQ(fakes.log->calls("down"), QStringList({"down 27", "down 116"}));
}
