#pragma once
// Recording fakes of the platform services. They share one call log that
// stamps every call with the fake clock's virtual time, sleeps included, so a
// test can assert an exact key and sleep sequence.
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

#include "platform/Platform.h"

namespace platform {

struct CallLog {
    struct Entry {
        std::uint32_t time;
        QString call;  // "down 27", "up 27", "sleep 300", "switch 5", ...
    };
    std::vector<Entry> entries;
    void add(std::uint32_t t, const QString &c) { entries.push_back({t, c}); }
    QStringList calls() const;             // just the call texts
    QStringList calls(const QString &prefixFilter) const;
    void clear() { entries.clear(); }
};

class FakeClock : public Clock {
public:
    explicit FakeClock(std::shared_ptr<CallLog> log) : log_(std::move(log)) {}
    std::uint32_t tick() override { return now; }
    void sleep(int ms) override;
    void processMessages() override;
    QString timeOfDay() override { return timeText; }
    QString shortDate() override { return dateText; }

    std::uint32_t now = 1000;
    QString timeText = QStringLiteral("9:05:07");
    QString dateText = QStringLiteral("2026/12/8");
    int pumps = 0;
    // Runs on each pump and each sleep, so a test can change the world mid-wait.
    std::function<void()> onPump;
    std::function<void(int)> onSleep;

private:
    std::shared_ptr<CallLog> log_;
};

class FakeWindowSystem : public WindowSystem {
public:
    struct Window {
        WindowId id;
        QString title;
        bool visible = true;
        bool minimized = false;
        QString windowClass;
    };
    FakeWindowSystem(std::shared_ptr<CallLog> log, std::shared_ptr<FakeClock> clock)
        : log_(std::move(log)), clock_(std::move(clock)) {}

    std::vector<WindowId> topLevelWindows() override;
    QString title(WindowId w) override;
    bool isVisible(WindowId w) override;
    QString windowClass(WindowId w) override;
    WindowId foreground() override { return foregroundId; }
    void switchTo(WindowId w) override;
    void minimize(WindowId w) override;
    void close(WindowId w) override;  // the window goes

    // Windows topmost first.
    std::vector<Window> windows;
    WindowId foregroundId = 0;
    // When false, switchTo leaves the foreground alone (a window that will not come forward).
    bool switchBringsToFront = true;

    WindowId add(const QString &title, bool visible = true,
                 const QString &windowClass = QString());  // appended at the bottom
    Window *find(WindowId w);

private:
    std::shared_ptr<CallLog> log_;
    std::shared_ptr<FakeClock> clock_;
    WindowId next_ = 100;
};

class FakeKeyboard : public Keyboard {
public:
    FakeKeyboard(std::shared_ptr<CallLog> log, std::shared_ptr<FakeClock> clock)
        : log_(std::move(log)), clock_(std::move(clock)) {}
    void keyDown(int vk) override;
    void keyUp(int vk) override;

private:
    std::shared_ptr<CallLog> log_;
    std::shared_ptr<FakeClock> clock_;
};

class FakeScreens : public Screens {
public:
    QRect primary() override { return primaryRect; }
    QRect virtualDesktop() override { return desktopRect; }
    QRect primaryRect{0, 0, 1920, 1080};
    QRect desktopRect{0, 0, 1920, 1080};
};

class FakeShell : public Shell {
public:
    explicit FakeShell(std::shared_ptr<CallLog> log) : log_(std::move(log)) {}
    bool openDocument(const QString &pathOrUrl) override;
    bool startProgram(const QString &path, const QStringList &args = {}) override;
    QStringList opened;
    QStringList started;
    bool startResult = true;
    std::function<void(const QString &)> onOpen;

private:
    std::shared_ptr<CallLog> log_;
};

class FakeLocalAddress : public LocalAddress {
public:
    QString localIPv4() override { return address; }
    QString address = QStringLiteral("127.0.0.1");
};

class FakeDialogs : public Dialogs {
public:
    void message(const QString &text, const QString &) override { messages << text; }
    bool ask(const QString &text, const QString &) override {
        questions << text;
        return askAnswer;
    }
    QString openFile(const QString &, const QString &) override { return take(openFileAnswers); }
    QString saveFile(const QString &, const QString &) override { return take(saveFileAnswers); }
    QString chooseFolder(const QString &) override { return take(folderAnswers); }

    QStringList messages, questions;
    bool askAnswer = true;
    QStringList openFileAnswers, saveFileAnswers, folderAnswers;

private:
    static QString take(QStringList &l) { return l.isEmpty() ? QString() : l.takeFirst(); }
};

// A full set of fakes sharing one log and one clock.
struct FakeServices {
    FakeServices();
    std::shared_ptr<CallLog> log;
    std::shared_ptr<FakeClock> clock;
    std::shared_ptr<FakeWindowSystem> windows;
    std::shared_ptr<FakeKeyboard> keyboard;
    std::shared_ptr<FakeScreens> screens;
    std::shared_ptr<FakeShell> shell;
    std::shared_ptr<FakeLocalAddress> address;
    std::shared_ptr<FakeDialogs> dialogs;
    Services services() const;
};

}  // namespace platform
