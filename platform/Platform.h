#pragma once
// Narrow stand-ins for the desktop services the programs drive: the window
// system, the keyboard, screens, the shell, the clock, the local address and
// dialogs. Each has a real implementation and a recording fake for tests.
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/VirtualKeys.h"

namespace platform {

using WindowId = std::uint64_t;  // 0 = no window

class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    // Top-level windows in Z order, topmost first.
    virtual std::vector<WindowId> topLevelWindows() = 0;
    // Title as the user sees it; at most 254 characters take part in tests.
    virtual QString title(WindowId w) = 0;
    virtual bool isVisible(WindowId w) = 0;
    // The class part of WM_CLASS; "" when unknown.
    virtual QString windowClass(WindowId) { return {}; }
    virtual WindowId foreground() = 0;
    // Raise, restore and give the keyboard focus (SwitchToThisWindow).
    virtual void switchTo(WindowId w) = 0;
    virtual void minimize(WindowId w) = 0;
    // Asks w to close, as the close button of its title bar does.
    virtual void close(WindowId) {}
};

class Keyboard {
public:
    virtual ~Keyboard() = default;
    // keybd_event key down / key up; an unmapped code sends nothing.
    virtual void keyDown(int vk) = 0;
    virtual void keyUp(int vk) = 0;
    void press(int vk) {
        keyDown(vk);
        keyUp(vk);
    }
};

class Screens {
public:
    virtual ~Screens() = default;
    virtual QRect primary() = 0;
    virtual QRect virtualDesktop() = 0;
};

class Shell {
public:
    virtual ~Shell() = default;
    // Opens a document with its associated program, or a URL in the browser.
    virtual bool openDocument(const QString &pathOrUrl) = 0;
    // Starts a program detached; true when it started.
    virtual bool startProgram(const QString &path, const QStringList &args = {}) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t tick() = 0;    // milliseconds, wraps at 2^32
    virtual void sleep(int ms) = 0;      // does not pump events
    virtual void processMessages() = 0;  // pumps the event queue once
    // A wait during which other events run: pumps and sleeps 10 ms at a time.
    void pumpFor(int ms) {
        for (int waited = 0; waited < ms; waited += 10) {
            processMessages();
            sleep(10);
        }
    }
    virtual QString timeOfDay() = 0;     // H:mm:ss
    virtual QString shortDate() = 0;     // yyyy/M/d
};

class LocalAddress {
public:
    virtual ~LocalAddress() = default;
    // First non-loopback IPv4 address of an up interface; "" when none.
    virtual QString localIPv4() = 0;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void message(const QString &text, const QString &caption = QString()) = 0;
    // Yes/no question; true for yes.
    virtual bool ask(const QString &text, const QString &caption = QString()) = 0;
    // File to open; "" when cancelled.
    virtual QString openFile(const QString &filter, const QString &initial = QString()) = 0;
    virtual QString saveFile(const QString &filter, const QString &initial = QString()) = 0;
    // Folder; "" when cancelled.
    virtual QString chooseFolder(const QString &initial = QString()) = 0;
};

// The services one program uses, owned together.
struct Services {
    std::shared_ptr<WindowSystem> windows;
    std::shared_ptr<Keyboard> keyboard;
    std::shared_ptr<Screens> screens;
    std::shared_ptr<Shell> shell;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<LocalAddress> address;
    std::shared_ptr<Dialogs> dialogs;
};

// Real services: X11 when a display is reachable (else a window system that
// finds no windows and a keyboard that presses nothing), Qt for the rest.
// caption: the program's own, on message boxes that name none.
Services realServices(const QString &caption = QString());

}  // namespace platform
