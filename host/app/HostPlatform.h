#pragma once
// Desktop services only the host needs: loading the maker's version page, the
// notification-area icon and a three-way question box. Each has a real side
// (HostPlatform.cpp) and a recording fake (tests/support/HostFakes.h).
#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

#include "platform/Desktop.h"
#include "platform/DisplayPanel.h"
#include "platform/MailSender.h"
#include "host/timer/TimerServices.h"

class QMenu;

namespace host {

// Loads one web page in the background; the caller polls complete().
class PageLoader {
public:
    struct Page {
        bool ok = false;         // the whole body arrived
        QByteArray body;
        QByteArray contentType;  // the Content-Type header, "" when none
        QString error;
    };
    virtual ~PageLoader() = default;
    // Starts a load, dropping one still running. Only http and https are fetched;
    // a body beyond maxBytes or a transfer slower than timeoutMs fails the load.
    virtual void load(const QUrl &url, int timeoutMs, qint64 maxBytes) = 0;
    virtual bool complete() const = 0;
    virtual Page page() const = 0;
    virtual void abort() = 0;
};

// The icon in the notification area.
class Tray {
public:
    virtual ~Tray() = default;
    // False where the desktop has no notification area.
    virtual bool available() const = 0;
    // Shows the icon with its tip and right-click menu (again: no second icon).
    virtual void add(const QString &tip, QMenu *menu) = 0;
    virtual void remove() = 0;
    virtual bool shown() const = 0;
    // Left click on the icon.
    std::function<void()> onActivated;
};

// Yes / No / Cancel question.
class ChoiceBox {
public:
    enum Answer { Yes, No, Cancel };
    virtual ~ChoiceBox() = default;
    virtual Answer ask(const QString &text, const QString &caption) = 0;
};

std::shared_ptr<PageLoader> makeNetworkPageLoader();
std::shared_ptr<Tray> makeSystemTray();
std::shared_ptr<ChoiceBox> makeMessageChoiceBox();

// Everything a host start needs besides the platform services.
struct HostEnv {
    QString programDir;  // where show.ini lives; "" = the running program's folder
    // The running host program, which the placement copies; "" = programDir + this program's name.
    QString programFile;
    std::shared_ptr<platform::Desktop> desktop;  // desktop folder and launchers for the placement
    std::shared_ptr<PageLoader> pages;
    std::shared_ptr<Tray> tray;
    std::shared_ptr<ChoiceBox> choice;
    std::shared_ptr<platform::DisplayPanel> displayPanel;  // "control" "desk.cpl ,3"
    std::shared_ptr<platform::MailSender> mail;
    TimerServices timer;
    // Ends the program (the message loop); tests record it instead.
    std::function<void()> exitProgram;

    // Fills whatever is missing with the real implementations.
    HostEnv completed() const;
};

}  // namespace host
