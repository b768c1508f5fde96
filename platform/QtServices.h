#pragma once
#include "platform/Platform.h"

namespace platform {

class QtScreens : public Screens {
public:
    QRect primary() override;
    QRect virtualDesktop() override;
};

class QtShell : public Shell {
public:
    bool openDocument(const QString &pathOrUrl) override;
    bool startProgram(const QString &path, const QStringList &args = {}) override;
};

class SystemClock : public Clock {
public:
    std::uint32_t tick() override;
    void sleep(int ms) override;
    void processMessages() override;
    QString timeOfDay() override;
    QString shortDate() override;
};

class InterfaceAddress : public LocalAddress {
public:
    QString localIPv4() override;
};

class QtDialogs : public Dialogs {
public:
    void message(const QString &text, const QString &caption) override;
    bool ask(const QString &text, const QString &caption) override;
    QString openFile(const QString &filter, const QString &initial) override;
    QString saveFile(const QString &filter, const QString &initial) override;
    QString chooseFolder(const QString &initial) override;
};

// No display: nothing to find, nothing to press.
class NullWindowSystem : public WindowSystem {
public:
    std::vector<WindowId> topLevelWindows() override { return {}; }
    QString title(WindowId) override { return {}; }
    bool isVisible(WindowId) override { return false; }
    WindowId foreground() override { return 0; }
    void switchTo(WindowId) override {}
    void minimize(WindowId) override {}
};

class NullKeyboard : public Keyboard {
public:
    void keyDown(int) override {}
    void keyUp(int) override {}
};

}  // namespace platform
