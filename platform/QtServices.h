#pragma once
#include "platform/Platform.h"

#include <utility>

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
    // caption: the program's own, for boxes that name none (never the file name).
    explicit QtDialogs(QString caption = QString()) : caption_(std::move(caption)) {}
    void message(const QString &text, const QString &caption) override;
    bool ask(const QString &text, const QString &caption) override;
    QString openFile(const QString &filter, const QString &initial) override;
    QString saveFile(const QString &filter, const QString &initial) override;
    QString chooseFolder(const QString &initial) override;

private:
    QString boxCaption(const QString &caption) const;
    QString caption_;
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
