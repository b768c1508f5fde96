#include <gtest/gtest.h>

#include <stdexcept>

#include "controller/LocalPpt.h"
#include "tests/support/Fakes.h"

using pad::LocalPpt;

namespace {

struct LocalFixture : ::testing::Test {
    platform::FakeServices fakes;
    platform::WindowId mainId = 0;
    std::unique_ptr<LocalPpt> ppt;
    void SetUp() override {
        mainId = fakes.windows->add(QStringLiteral("Korvelo投影助理"));
        ppt = std::make_unique<LocalPpt>(fakes.services(), [this] { return mainId; });
    }
};

TEST_F(LocalFixture, ModeZeroTakesFirstVisibleTitledPowerPointAlsoInFront) {
    auto hidden = fakes.windows->add(QStringLiteral("a.ppt - PowerPoint"), false);
    auto visible = fakes.windows->add(QStringLiteral("b.ppt - Microsoft PowerPoint"));
    (void)hidden;
    fakes.windows->switchTo(visible);  // already in front: still found
    EXPECT_EQ(ppt->find(0, {}), visible);
    EXPECT_EQ(ppt->find(0, QStringLiteral("zzz")), visible);  // mode 0 ignores the name
    EXPECT_EQ(ppt->find(2, {}), 0u);
    fakes.windows->find(visible)->title = QStringLiteral("b.ppt - powerpoint");  // case matters
    EXPECT_EQ(ppt->find(0, {}), 0u);
}

TEST_F(LocalFixture, ModeOnePrefersTheShowElseTheLowestMatch) {
    auto upper = fakes.windows->add(QStringLiteral("Microsoft PowerPoint - [a.ppt]"));
    auto other = fakes.windows->add(QStringLiteral("Microsoft PowerPoint - [b.ppt]"));
    auto lower = fakes.windows->add(QStringLiteral("PowerPoint a.ppt (2)"));
    (void)upper;
    (void)other;
    EXPECT_EQ(ppt->findFor(QStringLiteral("a.ppt")), lower);
    auto show = fakes.windows->add(QStringLiteral("PowerPoint 幻灯片放映 - [a.ppt]"));
    fakes.windows->switchTo(show);  // topmost now; still the answer
    EXPECT_EQ(ppt->findFor(QStringLiteral("a.ppt")), show);
    EXPECT_EQ(ppt->findFor(QStringLiteral("a")), show);
    EXPECT_EQ(ppt->findFor(QStringLiteral("c.ppt")), 0u);
}

TEST_F(LocalFixture, KeyPressSequenceAndHandBack) {
    auto w = fakes.windows->add(QStringLiteral("x.ppt - PowerPoint"));
    fakes.log->clear();
    EXPECT_EQ(ppt->pressKey(w, 34, 50), LocalPpt::Result::Pressed);
    EXPECT_EQ(fakes.log->calls(),
              (QStringList{QStringLiteral("switch %1").arg(w), "sleep 50", "down 34", "up 34",
                           "sleep 30", QStringLiteral("switch %1").arg(mainId), "sleep 50"}));
}

TEST_F(LocalFixture, NoKeyUnlessTheTargetIsInFront) {
    auto w = fakes.windows->add(QStringLiteral("x.ppt - PowerPoint"));
    fakes.windows->switchBringsToFront = false;
    fakes.windows->foregroundId = mainId;
    EXPECT_EQ(ppt->pressKey(w, 34, 100), LocalPpt::Result::NotInFront);
    EXPECT_EQ(ppt->closeWindow(w), LocalPpt::Result::NotInFront);
    int pumps = 0;
    EXPECT_EQ(ppt->startShow(w, true, [&] { ++pumps; }), LocalPpt::Result::NotInFront);
    EXPECT_EQ(pumps, LocalPpt::kShowWaitPolls);
    EXPECT_TRUE(fakes.log->calls("down").isEmpty());
    EXPECT_TRUE(fakes.log->calls("up").isEmpty());
    EXPECT_EQ(ppt->pressKey(0, 34, 100), LocalPpt::Result::NoWindow);
}

TEST_F(LocalFixture, ShowAndCloseSequences) {
    auto w = fakes.windows->add(QStringLiteral("x.ppt - PowerPoint"));
    const QString sw = QStringLiteral("switch %1").arg(w);
    fakes.log->clear();
    ppt->startShow(w, true, nullptr);
    EXPECT_EQ(fakes.log->calls(), (QStringList{sw, "sleep 200", "down 116", "up 116", "sleep 50"}));
    fakes.log->clear();
    ppt->startShow(w, false, nullptr);
    EXPECT_EQ(fakes.log->calls(),
              (QStringList{sw, "sleep 200", "down 18", "sleep 50", "down 68", "up 68", "sleep 50",
                           "down 86", "up 86", "sleep 20", "up 18", "sleep 50"}));
    fakes.log->clear();
    ppt->closeWindow(w);
    EXPECT_EQ(fakes.log->calls(),
              (QStringList{sw, "sleep 100", "down 18", "sleep 10", "down 115", "up 115", "sleep 10",
                           "up 18", QStringLiteral("switch %1").arg(mainId), "sleep 50"}));
    fakes.log->clear();
    fakes.clock->onSleep = [&](int) {  // cut short while Alt is held: it is let go
        if (fakes.log->calls().contains("down 18")) throw std::runtime_error("keyboard gone");
    };
    EXPECT_THROW(ppt->startShow(w, false, nullptr), std::runtime_error);
    EXPECT_EQ(fakes.log->calls().last(), "up 18");
}

}  // namespace
