#include "tests/support/Fakes.h"

#include <algorithm>

namespace platform {

QStringList CallLog::calls() const {
    QStringList out;
    for (const auto &e : entries) out << e.call;
    return out;
}

QStringList CallLog::calls(const QString &prefixFilter) const {
    QStringList out;
    for (const auto &e : entries)
        if (e.call.startsWith(prefixFilter)) out << e.call;
    return out;
}

void FakeClock::sleep(int ms) {
    if (log_) log_->add(now, QStringLiteral("sleep %1").arg(ms));
    now += static_cast<std::uint32_t>(ms);
    if (onSleep) onSleep(ms);
}

void FakeClock::processMessages() {
    ++pumps;
    if (onPump) onPump();
}

std::vector<WindowId> FakeWindowSystem::topLevelWindows() {
    std::vector<WindowId> out;
    for (const auto &w : windows) out.push_back(w.id);
    return out;
}

FakeWindowSystem::Window *FakeWindowSystem::find(WindowId w) {
    for (auto &win : windows)
        if (win.id == w) return &win;
    return nullptr;
}

QString FakeWindowSystem::title(WindowId w) {
    Window *win = find(w);
    return win ? win->title.left(254) : QString();
}

bool FakeWindowSystem::isVisible(WindowId w) {
    Window *win = find(w);
    return win && win->visible;
}

QString FakeWindowSystem::windowClass(WindowId w) {
    Window *win = find(w);
    return win ? win->windowClass : QString();
}

void FakeWindowSystem::switchTo(WindowId w) {
    log_->add(clock_->now, QStringLiteral("switch %1").arg(w));
    if (!switchBringsToFront) return;
    auto it = std::find_if(windows.begin(), windows.end(), [w](const Window &x) { return x.id == w; });
    if (it == windows.end()) return;
    Window win = *it;
    win.minimized = false;
    win.visible = true;
    windows.erase(it);
    windows.insert(windows.begin(), win);
    foregroundId = w;
}

void FakeWindowSystem::minimize(WindowId w) {
    log_->add(clock_->now, QStringLiteral("minimize %1").arg(w));
    if (Window *win = find(w)) win->minimized = true;
    if (foregroundId == w) foregroundId = 0;
}

void FakeWindowSystem::close(WindowId w) {
    log_->add(clock_->now, QStringLiteral("close %1").arg(w));
    std::erase_if(windows, [w](const Window &x) { return x.id == w; });
    if (foregroundId == w) foregroundId = 0;
}

WindowId FakeWindowSystem::add(const QString &title, bool visible, const QString &windowClass) {
    WindowId id = next_++;
    windows.push_back({id, title, visible, false, windowClass});
    return id;
}

void FakeKeyboard::keyDown(int vk) { log_->add(clock_->now, QStringLiteral("down %1").arg(vk)); }

void FakeKeyboard::keyUp(int vk) { log_->add(clock_->now, QStringLiteral("up %1").arg(vk)); }

bool FakeShell::openDocument(const QString &pathOrUrl) {
    opened << pathOrUrl;
    log_->add(0, QStringLiteral("open ") + pathOrUrl);
    if (onOpen) onOpen(pathOrUrl);
    return true;
}

bool FakeShell::startProgram(const QString &path, const QStringList &) {
    started << path;
    log_->add(0, QStringLiteral("start ") + path);
    return startResult;
}

FakeServices::FakeServices()
    : log(std::make_shared<CallLog>()),
      clock(std::make_shared<FakeClock>(log)),
      windows(std::make_shared<FakeWindowSystem>(log, clock)),
      keyboard(std::make_shared<FakeKeyboard>(log, clock)),
      screens(std::make_shared<FakeScreens>()),
      shell(std::make_shared<FakeShell>(log)),
      address(std::make_shared<FakeLocalAddress>()),
      dialogs(std::make_shared<FakeDialogs>()) {}

Services FakeServices::services() const {
    return {windows, keyboard, screens, shell, clock, address, dialogs};
}

}  // namespace platform
