#pragma once
// Finds the presentation program's top-level windows (PowerPoint or
// LibreOffice Impress) and drives them with keystrokes. Keys go out only while
// the target window is in front; otherwise nothing is pressed and the status
// text says the program is in a bad state.
#include <QString>

#include "host/protocol/HostUi.h"
#include "platform/Platform.h"
#include "platform/PresentationWindows.h"

namespace host {

class PptDriver {
public:
    PptDriver(platform::Services services, HostUi &ui);

    static inline const QString kNotInFront = QStringLiteral("PPT状态不正常，请关闭后重新打开");
    static inline const QString kOpenFirst = QStringLiteral("请先打开PPT文件");

    // Modes: 0 any window of the presentation program; 1 the window of the
    // current file, preferring its slide show; 2 the presenter view; 3 a running
    // slide show other than the presenter view. 0 = none found.
    platform::WindowId findPPTWindow(int mode) { return findPPTWindow(mode, currentFile_); }
    // The same walk with mode 1 searching for `file` instead of the current file.
    platform::WindowId findPPTWindow(int mode, const QString &file);
    // 1 while a current file is set, else 0.
    int currentFileMode() const { return currentFile_.isEmpty() ? 0 : 1; }
    // The window a command goes to: the current file's, else any PowerPoint window.
    platform::WindowId currentWindow() { return findPPTWindow(currentFileMode()); }

    const QString &currentFile() const { return currentFile_; }
    void setCurrentFile(const QString &name) { currentFile_ = name; }

    // What w is to the presentation rules (which program, show, presenter view).
    platform::PresentationWindow describe(platform::WindowId w) {
        return platform::describePresentationWindow(*services_.windows, w);
    }

    // The desktop reaches beyond the primary screen (a second monitor is on).
    bool desktopExtended();
    // True when w is the foreground window.
    bool inFront(platform::WindowId w);
    // Up to 300 polls of 10 ms, events pumped, for w to be in front.
    bool waitInFront(platform::WindowId w);
    // Brings w to the front, sleeps, and checks it came; sets the status text when not.
    bool bringToFront(platform::WindowId w, int sleepMs);

    // A key command: w to the front, 100 ms, then a press of vk when w is in front.
    bool sendKey(platform::WindowId w, int vk);
    // Esc in w, then Alt+F4 in the current file's window, the main window back
    // in front unless the program keeps a window there (its save question). False when a window would not come to the front (nothing
    // closed, the current file kept).
    bool closePresentation(platform::WindowId w);
    // Starts the show in `target` (found with mode 0 when 0): Esc, then F5 in
    // the window found again. PowerPoint on an extended desktop gets its set-up
    // sequence and its editing window minimised; Impress puts its presenter
    // console on the other screen by itself.
    void startSlideShow(platform::WindowId target = 0);
    // After an Esc: the window of `mode` once no show of it is left, brought to
    // the front; 0 (and no status text) when it would not come.
    platform::WindowId fileWindowAfterEsc(int mode);

private:
    void notInFront();
    bool isShowing(platform::WindowId w);
    platform::WindowId frontWindowAfterEsc(int mode);
    bool programInFrontAfterClose(platform::WindowId closed);

    platform::Services services_;
    HostUi &ui_;
    QString currentFile_;
};

}  // namespace host
