#pragma once
// What the host's protocol service needs of the main window and the settings
// window: the log box, status text, the "主控人" edit, the timer button and the
// live settings. The main window implements it; tests use a recording stand-in.
#include <QString>

namespace host {

class HostUi {
public:
    virtual ~HostUi() = default;

    // Log box "信息记录" (memo1).
    virtual void appendLog(const QString &line) = 0;
    virtual int logLineCount() const = 0;
    virtual void clearLog() = 0;

    // Main window status text (empty string clears it).
    virtual void setStatus(const QString &text) = 0;
    // EditMain ("主控人"): always shows the controlling address.
    virtual void setControllerText(const QString &address) = 0;
    // Click of the main window's timer button SpeedButtontimer.
    virtual void clickTimerButton() = 0;
    // Brings the main window to the front (after closing PowerPoint).
    virtual void activateMainWindow() = 0;
    // Re-reads the folder lists after an upload so the new file shows.
    virtual void refreshFileLists() = 0;

    // Live settings, read at the moment they are needed.
    virtual bool autoRespChecked() const = 0;   // FormSet.CheckBoxAutoResp
    virtual bool newTypeChecked() const = 0;    // FormSet.CheckBoxNewType
    virtual QString sharedFolder() const = 0;   // SharedFolderPath
    virtual QString serviceUser() const = 0;    // stored at the last successful start
    virtual QString servicePassword() const = 0;
    virtual QString hostAddress() const = 0;    // HostAddress, read at each switch click
};

}  // namespace host
