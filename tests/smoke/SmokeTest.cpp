// Both programs come up and stay up: headless (offscreen) and on a real X server.
// Each runs from a private copy, since it keeps its INI files beside itself.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <ostream>
#include <thread>

#include "platform/X11Services.h"
#include "tests/support/XvfbSession.h"

namespace {

struct Program {
    const char *name;
    const char *path;
};

void PrintTo(const Program &p, std::ostream *os) { *os << p.name; }

const Program kPrograms[] = {{"slidehost", SLIDEHOST_PATH}, {"slidepad", SLIDEPAD_PATH}};

class Smoke : public ::testing::TestWithParam<Program> {
protected:
    // Copies the program into a fresh folder that also serves as HOME.
    QString copyProgram() {
        EXPECT_TRUE(dir.isValid());
        const QString target = dir.filePath(GetParam().name);
        EXPECT_TRUE(QFile::copy(QString::fromLocal8Bit(GetParam().path), target));
        return target;
    }
    bool start(const QString &program, std::vector<std::string> env) {
        env.push_back("HOME=" + dir.path().toStdString());
        // Its own runtime folder: the host's one-per-desktop lock lives there.
        env.push_back("XDG_RUNTIME_DIR=" + dir.path().toStdString());
        return child.start({program.toStdString()}, env, dir.path().toStdString());
    }
    void expectStaysUp() {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        EXPECT_TRUE(child.running()) << GetParam().name << " ended early";
    }

    QTemporaryDir dir;
    kvtest::ChildProcess child;
};

}  // namespace

TEST_P(Smoke, StartsHeadless) {
    const QString program = copyProgram();
    ASSERT_TRUE(start(program, {"QT_QPA_PLATFORM=offscreen", "DISPLAY"}));
    expectStaysUp();
    child.stop();
}

TEST_P(Smoke, StartsOnXServerAndShowsItsWindow) {
    KV_REQUIRE_XVFB();
    kvtest::XvfbSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    const QString program = copyProgram();
    ASSERT_TRUE(start(program, {"QT_QPA_PLATFORM=xcb"}));
    expectStaysUp();
    {
        auto windows = platform::makeX11WindowSystem();
        ASSERT_TRUE(windows);
        bool shown = false;
        for (int i = 0; i < 100 && !shown; ++i) {
            for (auto w : windows->topLevelWindows())
                shown = shown || (windows->isVisible(w) && windows->title(w).contains("Korvelo"));
            if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        EXPECT_TRUE(shown) << GetParam().name << " shows no window titled Korvelo...";
    }
    child.stop();
}

INSTANTIATE_TEST_SUITE_P(Programs, Smoke, ::testing::ValuesIn(kPrograms),
                         [](const auto &info) { return std::string(info.param.name); });
