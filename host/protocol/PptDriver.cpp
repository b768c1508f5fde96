#include "host/protocol/PptDriver.h"

#include "host/protocol/PresentationNames.h"
#include "platform/KeySequence.h"

namespace host {

namespace {
constexpr int kForegroundPolls = 300;
constexpr int kClosePolls = 100;
}  // namespace

PptDriver::PptDriver(platform::Services services, HostUi &ui)
    : services_(std::move(services)), ui_(ui) {}

platform::WindowId PptDriver::findPPTWindow(int mode, const QString &file) {
    if (mode < 0 || mode > 3) return 0;
    QString stem;
    if (mode == 1) {
        stem = stemOf(file);
        if (stem.isEmpty()) return 0;
    }
    platform::WindowId lastMatch = 0;
    for (platform::WindowId w : services_.windows->topLevelWindows()) {
        services_.clock->processMessages();
        const platform::PresentationWindow pw = describe(w);
        if (!pw.isProgramWindow()) continue;
        switch (mode) {
        case 0:
            return w;
        case 1:
            if (!pw.showsFile(file, stem)) break;
            if (pw.slideShow) return w;
            lastMatch = w;
            break;
        case 2:
            if (pw.presenterView) return w;
            break;
        case 3:
            if (pw.slideShow && !pw.presenterView) return w;
            break;
        }
    }
    return lastMatch;
}

bool PptDriver::desktopExtended() {
    return services_.screens->virtualDesktop().width() > services_.screens->primary().width();
}

bool PptDriver::inFront(platform::WindowId w) {
    return w != 0 && services_.windows->foreground() == w;
}

void PptDriver::notInFront() { ui_.setStatus(kNotInFront); }

bool PptDriver::bringToFront(platform::WindowId w, int sleepMs) {
    services_.windows->switchTo(w);
    if (sleepMs > 0) services_.clock->sleep(sleepMs);
    if (inFront(w)) return true;
    notInFront();
    return false;
}

bool PptDriver::sendKey(platform::WindowId w, int vk) {
    if (!bringToFront(w, 100)) return false;
    platform::KeySequence(services_).press(vk, 0);
    return true;
}

bool PptDriver::isShowing(platform::WindowId w) {
    const platform::PresentationWindow pw = describe(w);
    return pw.slideShow || pw.presenterView;
}

bool PptDriver::waitInFront(platform::WindowId w) {
    for (int i = 0; i < kForegroundPolls; ++i) {
        services_.clock->processMessages();
        if (inFront(w)) return true;
        services_.clock->sleep(10);
    }
    return false;
}

// Esc ends a running show, and its window goes with it (a moment later), so
// the front is no longer the window the Esc went to: the file's own window is
// found again once no show is left and brought forward before the next key.
platform::WindowId PptDriver::fileWindowAfterEsc(int mode) {
    for (int i = 0; i < kForegroundPolls; ++i) {
        const platform::WindowId w = findPPTWindow(mode);
        if (!w) break;
        if (isShowing(w)) {
            services_.clock->sleep(10);
            continue;
        }
        if (!inFront(w)) {
            services_.windows->switchTo(w);
            if (!waitInFront(w)) break;
        }
        return w;
    }
    return 0;
}

platform::WindowId PptDriver::frontWindowAfterEsc(int mode) {
    const platform::WindowId w = fileWindowAfterEsc(mode);
    if (!w) notInFront();
    return w;
}

bool PptDriver::closePresentation(platform::WindowId w) {
    if (!bringToFront(w, 200)) return false;
    platform::KeySequence(services_).press(platform::vk::Escape, 100);
    // Alt+F4 closes whatever is in front: only the file's window may be.
    const platform::WindowId file = frontWindowAfterEsc(currentFileMode());
    if (!file) return false;
    {
        platform::KeySequence keys(services_);
        keys.down(platform::vk::Menu, 10);
        keys.press(platform::vk::F4, 10);
        keys.up(platform::vk::Menu, 0);
    }
    // A changed document asks first ("Save Document?"): the question must stay
    // in view, not go under the main window.
    if (!programInFrontAfterClose(file)) ui_.activateMainWindow();
    currentFile_.clear();
    services_.clock->sleep(50);
    return true;
}

// Waits until the closed window has gone or another window of its program
// (its question, which comes some tens of milliseconds after Alt+F4) has the
// front, about a second at most; true when a window of the program is in front.
bool PptDriver::programInFrontAfterClose(platform::WindowId closed) {
    platform::WindowSystem &ws = *services_.windows;
    for (int i = 0; i < kClosePolls && ws.isVisible(closed); ++i) {
        const platform::WindowId front = ws.foreground();
        if (front != closed && platform::isPresentationProgramWindow(ws, front)) return true;
        services_.clock->sleep(10);
    }
    return platform::isPresentationProgramWindow(ws, ws.foreground());
}

void PptDriver::startSlideShow(platform::WindowId target) {
    services_.clock->sleep(500);
    ui_.setStatus(QString());
    const platform::WindowId found = target ? target : findPPTWindow(0);
    if (!found) {
        ui_.setStatus(kOpenFirst);
        return;
    }
    if (describe(found).isImpress()) platform::closeImpressTips(*services_.windows);
    services_.windows->switchTo(found);
    if (!waitInFront(found)) {
        notInFront();
        return;
    }
    platform::KeySequence(services_).press(platform::vk::Escape, 300);
    const platform::WindowId w = frontWindowAfterEsc(target ? currentFileMode() : 0);
    if (!w) return;
    const bool extended = desktopExtended();
    // Impress needs no set-up: F5 alone puts the show on the second screen and
    // its presenter console on the first. PowerPoint's set-up keys would open
    // Impress's settings dialog, which then swallows the F5.
    const bool impress = describe(w).isImpress();
    if (!extended || impress) {
        platform::KeySequence(services_).press(platform::vk::F5, 0);
        if (impress) platform::waitForImpressShow(*services_.windows, *services_.clock, true);
        return;
    }
    // The set-up dialog takes the front during the sequence, so the window was
    // checked once before it.
    {
        using namespace platform::vk;
        platform::KeySequence keys(services_);
        keys.down(Menu, 10);
        keys.down(platform::vk::key('D'), 50);
        keys.up(platform::vk::key('D'), 100);
        keys.down(platform::vk::key('S'), 50);
        keys.up(platform::vk::key('S'), 200);
        keys.press(platform::vk::key('O'), 200);
        keys.up(Menu, 200);
        keys.press(End, 200);
        keys.down(Menu, 10);
        keys.down(platform::vk::key('W'), 20);
        keys.up(platform::vk::key('W'), 100);
        keys.up(Menu, 200);
        keys.down(OemMinus, 50);
        keys.up(OemMinus, 200);
        keys.press(Return, 300);
        keys.press(F5, 1200);
    }
    services_.windows->minimize(w);
}

}  // namespace host
