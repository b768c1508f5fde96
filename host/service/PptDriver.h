#pragma once
// Finds PowerPoint's top-level windows by their titles and drives them with
// keystrokes. Keys go out only while the target window is in front; otherwise
// nothing is pressed and the status text says PowerPoint is in a bad state.
#include <QString>

#include "host/service/HostUi.h"
#include "platform/Platform.h"

namespace host {

class PptDriver {
public:
    PptDriver(platform::Services services, HostUi &ui);

    // Title words.
    static inline const QString kPowerPoint = QStringLiteral("PowerPoint");
    static inline const QString kSlideShow = QStringLiteral("幻灯片放映");
    static inline const QString kPresenterView = QStringLiteral("演示者视图");
    static inline const QString kNotInFront = QStringLiteral("PPT状态不正常，请关闭后重新打开");
    static inline const QString kOpenFirst = QStringLiteral("请先打开PPT文件");

    // Modes: 0 any PowerPoint window; 1 the window of the current file,
    // preferring its slide show; 2 the presenter view; 3 a running slide show
    // other than the presenter view. 0 = none found.
    platform::WindowId findPPTWindow(int mode) { return findPPTWindow(mode, currentFile_); }
    // The same walk with mode 1 searching for `file` instead of the current file.
    platform::WindowId findPPTWindow(int mode, const QString &file);
    // 1 while a current file is set, else 0.
    int currentFileMode() const { return currentFile_.isEmpty() ? 0 : 1; }
    // The window a command goes to: the current file's, else any PowerPoint window.
    platform::WindowId currentWindow() { return findPPTWindow(currentFileMode()); }

    const QString &currentFile() const { return currentFile_; }
    void setCurrentFile(const QString &name) { currentFile_ = name; }

    // True when w is the foreground window.
    bool inFront(platform::WindowId w);
    // Brings w to the front, sleeps, and checks it came; sets the status text when not.
    bool bringToFront(platform::WindowId w, int sleepMs);

    // A key command: w to the front, 100 ms, then a press of vk when w is in front.
    bool sendKey(platform::WindowId w, int vk);
    // Esc and Alt+F4 in w, the main window back in front. False when w would not
    // come to the front (nothing closed, the current file kept).
    bool closePresentation(platform::WindowId w);
    // Starts the show in `target` (found with mode 0 when 0); with an extended
    // desktop runs the set-up sequence and minimises the editing window.
    void startSlideShow(platform::WindowId target = 0);

private:
    void down(int vk, int sleepMs);
    void up(int vk, int sleepMs);
    void press(int vk, int sleepMs);
    void notInFront();

    platform::Services services_;
    HostUi &ui_;
    QString currentFile_;
};

}  // namespace host
