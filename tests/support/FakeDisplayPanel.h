#pragma once
// Recording stand-ins for the display panel and the output layout it changes.
#include <QStringList>

#include "platform/DisplayPanel.h"
#include "tests/support/Fakes.h"

namespace platform {

// A panel that logs "control desk.cpl ,3" and puts a window of that title in
// front; a test closes it (for instance once Enter was pressed).
class FakeDisplayPanel : public DisplayPanel {
public:
    FakeDisplayPanel(std::shared_ptr<CallLog> log, std::shared_ptr<FakeWindowSystem> windows)
        : log_(std::move(log)), windows_(std::move(windows)) {}
    bool open() override {
        log_->add(0, QStringLiteral("control desk.cpl ,3"));
        if (appears && !window) {
            window = windows_->add(title);
            windows_->foregroundId = window;
        }
        return true;
    }
    // The window goes and the front passes to `next`.
    void close(WindowId next = 0) {
        auto &all = windows_->windows;
        for (auto it = all.begin(); it != all.end(); ++it)
            if (it->id == window) {
                all.erase(it);
                break;
            }
        window = 0;
        windows_->foregroundId = next;
    }
    bool appears = true;
    QString title = kDisplayPanelTitle;
    WindowId window = 0;

private:
    std::shared_ptr<CallLog> log_;
    std::shared_ptr<FakeWindowSystem> windows_;
};

// Outputs that record each change and widen or narrow `screens` to match.
class FakeOutputLayout : public OutputLayout {
public:
    explicit FakeOutputLayout(std::shared_ptr<FakeScreens> screens = nullptr) : screens_(std::move(screens)) {}
    State state() override { return now; }
    QString setSecondOn(bool on) override {
        calls << (on ? QStringLiteral("on") : QStringLiteral("off"));
        if (!failure.isEmpty()) return failure;
        now.secondOn = on;
        if (screens_) screens_->desktopRect.setWidth(screens_->primaryRect.width() * (on ? 2 : 1));
        return {};
    }
    State now{{}, QStringLiteral("HDMI-1"), QStringLiteral("VGA-1"), false};
    QString failure;
    QStringList calls;

private:
    std::shared_ptr<FakeScreens> screens_;
};

}  // namespace platform
