#include "controller/LocalPpt.h"

namespace pad {

namespace {
const QString kPowerPoint = QStringLiteral("PowerPoint");
const QString kSlideShow = QStringLiteral("幻灯片放映");
constexpr int kAlt = 18, kD = 68, kV = 86, kF4 = 115, kF5 = 116;
}  // namespace

LocalPpt::LocalPpt(platform::Services services, std::function<platform::WindowId()> mainWindow)
    : services_(std::move(services)), mainWindow_(std::move(mainWindow)) {}

platform::WindowId LocalPpt::find(int mode, const QString &fileName) const {
    if (mode != 0 && mode != 1) return 0;
    platform::WindowSystem &ws = *services_.windows;
    platform::WindowId candidate = 0;
    for (platform::WindowId w : ws.topLevelWindows()) {
        const QString title = ws.title(w).left(254);
        if (title.isEmpty() || !ws.isVisible(w)) continue;
        if (!title.contains(kPowerPoint)) continue;
        if (mode == 0) return w;
        if (!title.contains(fileName)) continue;
        candidate = w;
        if (title.contains(kSlideShow)) return w;
    }
    return candidate;
}

platform::WindowId LocalPpt::findFor(const QString &localFileName) const {
    return find(localFileName.isEmpty() ? 0 : 1, localFileName);
}

void LocalPpt::backToMain() {
    services_.windows->switchTo(mainWindow_());
    services_.clock->sleep(50);
}

LocalPpt::Result LocalPpt::pressKey(platform::WindowId w, int vk, int pause) {
    if (!w) return Result::NoWindow;
    services_.windows->switchTo(w);
    services_.clock->sleep(pause);
    if (!inFront(w)) return Result::NotInFront;
    services_.keyboard->press(vk);
    services_.clock->sleep(30);
    backToMain();
    return Result::Pressed;
}

LocalPpt::Result LocalPpt::startShow(platform::WindowId w, bool fullScreen,
                                     const std::function<void()> &pump) {
    if (!w) return Result::NoWindow;
    platform::Clock &clock = *services_.clock;
    services_.windows->switchTo(w);
    for (int i = 0; i < kShowWaitPolls; ++i) {
        if (pump) pump();
        if (inFront(w)) break;
        clock.sleep(10);
    }
    clock.sleep(200);
    if (!inFront(w)) return Result::NotInFront;
    platform::Keyboard &kb = *services_.keyboard;
    if (fullScreen) {
        kb.press(kF5);
    } else {
        kb.keyDown(kAlt);
        clock.sleep(50);
        kb.press(kD);
        clock.sleep(50);
        kb.press(kV);
        clock.sleep(20);
        kb.keyUp(kAlt);
    }
    clock.sleep(50);
    return Result::Pressed;
}

LocalPpt::Result LocalPpt::closeWindow(platform::WindowId w) {
    if (!w) return Result::NoWindow;
    platform::Clock &clock = *services_.clock;
    services_.windows->switchTo(w);
    clock.sleep(100);
    if (!inFront(w)) return Result::NotInFront;
    platform::Keyboard &kb = *services_.keyboard;
    kb.keyDown(kAlt);
    clock.sleep(10);
    kb.press(kF4);
    clock.sleep(10);
    kb.keyUp(kAlt);
    backToMain();
    return Result::Pressed;
}

}  // namespace pad
