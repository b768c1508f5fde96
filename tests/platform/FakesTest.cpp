#include <gtest/gtest.h>

#include "tests/support/Fakes.h"

using namespace platform;

TEST(Fakes, LogCarriesVirtualTimeOfKeysAndSleeps) {
    FakeServices f;
    f.clock->now = 0;
    WindowId a = f.windows->add("a - PowerPoint");
    WindowId b = f.windows->add("b");
    f.windows->switchTo(b);
    EXPECT_EQ(f.windows->foreground(), b);
    EXPECT_EQ(f.windows->topLevelWindows().front(), b);
    f.keyboard->keyDown(18);
    f.clock->sleep(10);
    f.keyboard->press(68);
    f.clock->sleep(50);
    f.windows->minimize(a);
    EXPECT_EQ(f.log->calls(), QStringList({QString("switch %1").arg(b), "down 18", "sleep 10",
                                           "down 68", "up 68", "sleep 50",
                                           QString("minimize %1").arg(a)}));
    EXPECT_EQ(f.log->entries[3].time, 10u);
    EXPECT_EQ(f.clock->tick(), 60u);
}
