#include "host/app/SecondScreen.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <vector>

#include "common/Text.h"
#include "platform/KeySequence.h"

namespace host {

namespace {

// Sent as virtual-key codes just as they stand: the character codes of "=" and "+".
constexpr int kEqualsCode = 61, kPlusCode = 43;
constexpr int kPanelBackPolls = 100, kAskAgainPolls = 50;

}  // namespace

SecondScreen::SecondScreen(platform::Services services, HostUi &ui, PptDriver &ppt,
                           std::shared_ptr<platform::DisplayPanel> panel)
    : services_(std::move(services)), ui_(ui), ppt_(ppt), panel_(std::move(panel)) {}

bool SecondScreen::poll(int polls, const std::function<bool()> &done) {
    for (int i = 0; i < polls; ++i) {
        services_.clock->processMessages();
        if (done()) return true;
        services_.clock->sleep(10);
    }
    return false;
}

bool SecondScreen::oneScreen() { return !ppt_.desktopExtended(); }

void SecondScreen::endRunningShow() {
    const platform::WindowId show = ppt_.findPPTWindow(3);
    if (!show) return;
    services_.windows->switchTo(show);
    services_.clock->sleep(300);
    // Esc only into the show: in another program it could cancel the user's work.
    if (!ppt_.inFront(show)) return;
    platform::KeySequence keys(services_);
    keys.press(platform::vk::Escape, 300);
}

bool SecondScreen::isPanel(platform::WindowId w) {
    return w && kv::trimmed(services_.windows->title(w)) == platform::kDisplayPanelTitle;
}

bool SecondScreen::panelInFront() { return isPanel(services_.windows->foreground()); }

// Up to `polls` polls for the panel to be in front. A panel that is there but
// behind (a click on the main window came after it opened, and the window
// manager keeps the focus where the user clicked) is brought forward: at once
// when it lost the front, else after half a second, and again every half second.
bool SecondScreen::panelForward(int polls, bool askAtOnce) {
    int sinceAsked = askAtOnce ? kAskAgainPolls : 0;
    return poll(polls, [&] {
        if (panelInFront()) return true;
        if (++sinceAsked < kAskAgainPolls) return false;
        const std::vector<platform::WindowId> all = services_.windows->topLevelWindows();
        const auto panel = std::find_if(all.begin(), all.end(), [&](platform::WindowId w) { return isPanel(w); });
        if (panel == all.end()) return false;
        sinceAsked = 0;
        services_.windows->switchTo(*panel);
        return panelInFront();
    });
}

bool SecondScreen::switchAndWait(platform::WindowId w) {
    services_.windows->switchTo(w);
    return ppt_.waitInFront(w);
}

void SecondScreen::secondDesktop() {
    if (running_) return;
    const QScopedValueRollback busy(running_, true);
    ui_.setStatus(QString());
    endRunningShow();
    if (!panel_ || !panel_->open() || !panelForward(500, false) || !panelKeys()) {
        ui_.setStatus(kPanelFailed);
        return;
    }
    // Either way on: the widths tell what the panel did.
    poll(1000, [&] { return !panelInFront(); });
    services_.clock->sleep(200);
    ui_.setStatus(oneScreen() ? kSecondOff : kSecondOn);
}

// NumPad 2, Alt+E, Enter. Before each key the panel must be in front: a click
// on the main window (the second of a double click) takes the front at once,
// and the keys would go there. Brought back when it left; false when it would
// not come (no further key is pressed).
bool SecondScreen::panelKeys() {
    using namespace platform::vk;
    platform::KeySequence keys(services_);
    const auto front = [this] { return panelInFront() || panelForward(kPanelBackPolls, true); };
    if (!front()) return false;
    keys.press(Numpad2, 100);
    if (!front()) return false;
    keys.down(Menu, 100);
    if (!front()) return false;
    keys.press(key('E'), 100);
    if (!front()) return false;
    keys.up(Menu, 100);
    if (!front()) return false;
    keys.press(Return, 0);
    return true;
}

void SecondScreen::presenterView() {
    if (running_) return;
    const QScopedValueRollback busy(running_, true);
    ui_.setStatus(QString());
    endRunningShow();
    const platform::WindowId w = ppt_.findPPTWindow(0);
    if (!w) {
        ui_.setStatus(PptDriver::kOpenFirst);
        return;
    }
    if (!switchAndWait(w) && !switchAndWait(w)) {
        ui_.setStatus(PptDriver::kNotInFront);
        return;
    }
    services_.clock->sleep(300);
    const bool one = oneScreen();
    if (one) ui_.setStatus(kOpenSecondFirst);
    // The front may have changed during the sleep; the keys are for PowerPoint only
    // (Ctrl+W in another program closes its document).
    if (!ppt_.inFront(w)) {
        ui_.setStatus(PptDriver::kNotInFront);
        return;
    }
    if (one) {
        platform::KeySequence(services_).press(platform::vk::F5, 0);
        return;
    }
    // Impress needs no set-up: F5 alone puts its show on the second monitor and
    // its presenter console on the first (PowerPoint's keys open its settings).
    if (ppt_.describe(w).isImpress())
        platform::KeySequence(services_).press(platform::vk::F5, 0);
    else
        powerPointSetUp();
    if (poll(300, [&] { return ppt_.findPPTWindow(2) != 0; }))
        ui_.setStatus(kPresenterShown);
    else
        ui_.setStatus(kPresenterFailed);
}

void SecondScreen::powerPointSetUp() {
    using namespace platform::vk;
    platform::KeySequence keys(services_);
    keys.press(Escape, 300);
    keys.down(Menu, 50);
    keys.down(platform::vk::key('D'), 50);
    keys.up(platform::vk::key('D'), 200);
    keys.down(platform::vk::key('S'), 50);
    keys.up(platform::vk::key('S'), 200);
    keys.press(platform::vk::key('O'), 200);
    keys.up(Menu, 200);
    keys.press(End, 200);
    keys.down(Control, 50);
    keys.down(platform::vk::key('W'), 20);
    keys.up(platform::vk::key('W'), 50);
    keys.up(Control, 200);
    keys.down(Menu, 50);
    keys.down(platform::vk::key('W'), 20);
    keys.up(platform::vk::key('W'), 50);
    keys.up(Menu, 200);
    keys.down(kEqualsCode, 100);
    keys.up(kEqualsCode, 200);
    keys.down(kPlusCode, 100);
    keys.up(kPlusCode, 200);
    keys.press(Return, 200);
    keys.press(F5, 100);
}

}  // namespace host
