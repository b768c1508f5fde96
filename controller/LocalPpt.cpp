#include "controller/LocalPpt.h"

#include "platform/KeySequence.h"

namespace pad {

namespace {
constexpr int kAfterEscPolls = 100;
}  // namespace

LocalPpt::LocalPpt(platform::Services services, std::function<platform::WindowId()> mainWindow)
    : services_(std::move(services)), mainWindow_(std::move(mainWindow)) {}

platform::WindowId LocalPpt::find(int mode, const QString &fileName) const {
    if (mode != 0 && mode != 1) return 0;
    platform::WindowSystem &ws = *services_.windows;
    platform::WindowId candidate = 0;
    for (platform::WindowId w : ws.topLevelWindows()) {
        const platform::PresentationWindow pw = describe(w);
        if (!pw.isProgramWindow() || !ws.isVisible(w)) continue;
        if (mode == 0) return w;
        if (!pw.showsFile(fileName, fileName)) continue;
        candidate = w;
        if (pw.slideShow) return w;
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
    platform::KeySequence(services_).press(vk, 30);
    backToMain();
    return Result::Pressed;
}

LocalPpt::Result LocalPpt::startShow(platform::WindowId w, bool fullScreen,
                                     const std::function<void()> &pump) {
    if (!w) return Result::NoWindow;
    platform::Clock &clock = *services_.clock;
    const bool impress = describe(w).isImpress();
    if (impress) platform::closeImpressTips(*services_.windows);
    services_.windows->switchTo(w);
    for (int i = 0; i < kShowWaitPolls; ++i) {
        if (pump) pump();
        if (inFront(w)) break;
        clock.sleep(10);
    }
    clock.sleep(200);
    if (!inFront(w)) return Result::NotInFront;
    // Alt+D, V opens Impress's View menu.
    if (impress || fullScreen) {
        platform::KeySequence(services_).press(platform::vk::F5, 0);
        if (impress) platform::waitForImpressShow(*services_.windows, clock);
    } else {
        platform::KeySequence keys(services_);
        keys.down(platform::vk::Menu, 50);
        keys.press(platform::vk::key('D'), 50);
        keys.press(platform::vk::key('V'), 20);
        keys.up(platform::vk::Menu, 0);
    }
    clock.sleep(50);
    return Result::Pressed;
}

// Once the show that Esc ended has gone, the file's window, in front.
platform::WindowId LocalPpt::documentAfterEsc(const QString &fileName) {
    platform::Clock &clock = *services_.clock;
    for (int i = 0; i < kAfterEscPolls; ++i) {
        const platform::WindowId doc = findFor(fileName);
        if (!doc) return 0;
        if (!describe(doc).slideShow) {
            if (!inFront(doc)) {
                services_.windows->switchTo(doc);
                clock.sleep(100);
            }
            return inFront(doc) ? doc : 0;
        }
        clock.sleep(10);
    }
    return 0;
}

LocalPpt::Result LocalPpt::closeWindow(platform::WindowId w, const QString &fileName) {
    if (!w) return Result::NoWindow;
    platform::Clock &clock = *services_.clock;
    services_.windows->switchTo(w);
    clock.sleep(100);
    if (!inFront(w)) return Result::NotInFront;
    const platform::PresentationWindow pw = describe(w);
    if (pw.isImpress() && pw.slideShow) {
        platform::KeySequence(services_).press(platform::vk::Escape, 100);
        w = documentAfterEsc(fileName);
        if (!w) return Result::NotInFront;
    }
    {
        platform::KeySequence keys(services_);
        keys.down(platform::vk::Menu, 10);
        keys.press(platform::vk::F4, 10);
        keys.up(platform::vk::Menu, 0);
    }
    backToMain();
    return Result::Pressed;
}

}  // namespace pad
