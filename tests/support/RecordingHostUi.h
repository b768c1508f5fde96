#pragma once
// A stand-in for the host's main window: records what the control service
// shows and serves the live settings a test sets.
#include <QString>
#include <QStringList>

#include "host/protocol/HostUi.h"

namespace kvtest {

class RecordingHostUi : public host::HostUi {
public:
    void appendLog(const QString &line) override { log << line; }
    int logLineCount() const override { return static_cast<int>(log.size()); }
    void clearLog() override {
        log.clear();
        ++clears;
    }
    void setStatus(const QString &text) override { status << text; }
    void setControllerText(const QString &address) override { controllerText = address; }
    void clickTimerButton() override { ++timerClicks; }
    void activateMainWindow() override { ++activations; }
    void refreshFileLists() override { ++refreshes; }
    bool autoRespChecked() const override { return autoResp; }
    bool newTypeChecked() const override { return newType; }
    QString sharedFolder() const override { return folder; }
    QString serviceUser() const override { return user; }
    QString servicePassword() const override { return password; }
    QString hostAddress() const override { return host; }

    bool hasLog(const QString &part) const {
        for (const QString &l : log)
            if (l.contains(part)) return true;
        return false;
    }

    QStringList log, status;
    QString controllerText;
    int clears = 0, timerClicks = 0, activations = 0, refreshes = 0;
    bool autoResp = true, newType = true;
    QString folder, user = QStringLiteral("tuvop"), password = QStringLiteral("tuvop");
    QString host = QStringLiteral("127.0.0.1");
};

}  // namespace kvtest
