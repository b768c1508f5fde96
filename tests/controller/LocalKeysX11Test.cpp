// Local commands on a real X display: the keys reach the PowerPoint-titled
// helper window and nothing else.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "controller/TForm1.h"
#include "controller/TFormSet.h"
#include "tests/support/Fakes.h"
#include "tests/support/RealX11.h"
#include "tests/support/XvfbSession.h"

using kvtest::KeyRecorder;
using kvtest::XvfbSession;
using Keys = std::vector<std::string>;

TEST(ControllerX11, LocalButtonsAndKeysPressIntoPowerPointOnly) {
    KV_REQUIRE_XVFB();
    XvfbSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    {
        platform::FakeServices fakes;
        platform::Services services = kvtest::withRealX11(fakes);
        ASSERT_TRUE(services.windows && services.keyboard);

        KeyRecorder ppt("talk.ppt - PowerPoint");
        KeyRecorder self("Korvelo投影助理");  // stands in for the controller's own window
        ASSERT_TRUE(ppt.ok() && self.ok());

        QTemporaryDir dir;
        pad::TForm1 form(services, dir.path());
        form.TimerWpos->stop();
        form.TimerStart->stop();
        form.setMainWindowId(self.window());
        form.formSet()->CheckBoxFullScreen->setChecked(true);

        form.SpeedButton2Next->click();
        EXPECT_EQ(ppt.waitForKeys(2), (Keys{"press Next", "release Next"}));
        form.FormKeyDown(Qt::Key_PageUp);
        EXPECT_EQ(ppt.waitForKeys(4), (Keys{"press Next", "release Next", "press Prior", "release Prior"}));
        form.SpeedButton2show->click();
        EXPECT_EQ(ppt.waitForKeys(6).back(), "release F5");
        form.SpeedButtonClose->click();
        EXPECT_EQ(ppt.waitForKeys(10),
                  (Keys{"press Next", "release Next", "press Prior", "release Prior", "press F5",
                        "release F5", "press Alt_L", "press F4", "release F4", "release Alt_L"}));
        EXPECT_TRUE(self.settle(100).empty()) << "a key went to the controller's own window";
        EXPECT_EQ(form.statusText(), QString());
    }
}
