#pragma once
// The main window's "第二桌面" and "异步投影": extending the desktop onto a
// second monitor through the display panel, and a slide show full screen on
// the second monitor with the presenter view and its notes on the first.
// Both report only through the main window's status text. A click on either
// while one of them runs is ignored: the waits handle events, and a second
// run inside the first would press the panel's keys twice.
#include <QString>

#include <functional>
#include <memory>

#include "host/protocol/HostUi.h"
#include "host/protocol/PptDriver.h"
#include "platform/DisplayPanel.h"
#include "platform/Platform.h"

namespace host {

class SecondScreen {
public:
    SecondScreen(platform::Services services, HostUi &ui, PptDriver &ppt,
                 std::shared_ptr<platform::DisplayPanel> panel);

    static inline const QString kPanelFailed = QStringLiteral("开启  显示 属性 窗口失败");
    static inline const QString kSecondOff = QStringLiteral("已关闭第二桌面");
    static inline const QString kSecondOn = QStringLiteral("已开启第二桌面");
    static inline const QString kOpenSecondFirst = QStringLiteral("请先开启第二桌面");
    static inline const QString kPresenterShown = QStringLiteral("异步投影成功");
    static inline const QString kPresenterFailed =
        QStringLiteral("异步投影不成功，请手工设置，参见帮助信息");

    // "第二桌面": the panel toggles the extension; the status says what the
    // screen widths show afterwards.
    void secondDesktop();
    // "异步投影": PowerPoint's set-up keys, then a wait for its presenter view.
    void presenterView();
    bool running() const { return running_; }

private:
    // Up to `polls` rounds of {handle events; done() ends the wait; sleep 10 ms}.
    bool poll(int polls, const std::function<bool()> &done);
    void endRunningShow();
    bool isPanel(platform::WindowId w);
    bool panelInFront();
    bool panelForward(int polls, bool askAtOnce);
    bool panelKeys();
    bool switchAndWait(platform::WindowId w);
    bool oneScreen();
    void powerPointSetUp();

    platform::Services services_;
    HostUi &ui_;
    PptDriver &ppt_;
    std::shared_ptr<platform::DisplayPanel> panel_;
    bool running_ = false;
};

}  // namespace host
