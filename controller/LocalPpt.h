#pragma once
// The presentation program on this PC (PowerPoint or LibreOffice Impress):
// the search for its window and the key sequences of the local commands. Keys
// are pressed only after the target window is known to be in front, so they
// can never land in another program (or in this one, which would forward them
// again).
#include <QString>

#include <functional>

#include "platform/Platform.h"
#include "platform/PresentationWindows.h"

namespace pad {

class LocalPpt {
public:
    enum class Result { Pressed, NoWindow, NotInFront };

    // mainWindow gives the controller's own top-level window, taken back after each key.
    LocalPpt(platform::Services services, std::function<platform::WindowId()> mainWindow);

    // Mode 0: the first visible window of the presentation program. Mode 1: the
    // last such window of fileName (a PowerPoint title holding it), a slide
    // show of it at once. The foreground window is walked like any other.
    platform::WindowId find(int mode, const QString &fileName) const;
    // Mode 1 when a file was opened locally, else mode 0.
    platform::WindowId findFor(const QString &localFileName) const;

    // Brings w forward, waits `pause` ms, presses vk, then hands the foreground back.
    Result pressKey(platform::WindowId w, int vk, int pause);
    // Starts the slide show in w: F5 for full screen, else Alt+D, V (PowerPoint's
    // windowed show; Impress has no such keys and always gets F5).
    // `pump` runs while waiting for w to come forward.
    Result startShow(platform::WindowId w, bool fullScreen, const std::function<void()> &pump);
    // Alt+F4 in w. Alt+F4 in an Impress show ends only the show, so there Esc
    // comes first and the Alt+F4 goes to fileName's window found again.
    Result closeWindow(platform::WindowId w, const QString &fileName = QString());

    static constexpr int kShowWaitPolls = 300;

private:
    bool inFront(platform::WindowId w) const { return services_.windows->foreground() == w; }
    platform::PresentationWindow describe(platform::WindowId w) const {
        return platform::describePresentationWindow(*services_.windows, w);
    }
    platform::WindowId documentAfterEsc(const QString &fileName);
    void backToMain();

    platform::Services services_;
    std::function<platform::WindowId()> mainWindow_;
};

}  // namespace pad
