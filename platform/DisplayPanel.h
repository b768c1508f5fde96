#pragma once
// The display control panel ("control" started with "desk.cpl ,3") as this
// Linux desktop has it: a small window of the program titled "显示 属性" that
// turns the extension of the desktop onto a second monitor on or off, and the
// X screen layout it changes through XRandR.
//
// Keys: NumPad 2 picks the second monitor (NumPad 1 the first), Alt+E toggles
// "extend the desktop onto this monitor", Enter applies the choice and closes
// the window, Esc closes it unchanged. The mouse does the same with the
// monitor buttons, the list, the check box and the buttons.
#include <QString>

#include <memory>

#include "platform/Platform.h"

namespace platform {

inline const QString kDisplayPanelTitle = QStringLiteral("显示 属性");

// The two outputs the panel deals with: the primary one and the first other
// connected one, which is placed to the right of the primary or turned off.
class OutputLayout {
public:
    struct State {
        // Why nothing can be changed ("" when the second output can be switched).
        QString problem;
        QString primaryName, secondName;  // output names, "" when unknown or missing
        bool secondOn = false;            // the second output shows part of the desktop
    };
    virtual ~OutputLayout() = default;
    virtual State state() = 0;
    // Extends the desktop onto the second output (right of the primary) or turns
    // it off. "" when done, else what went wrong, for the panel to show.
    virtual QString setSecondOn(bool on) = 0;
};

class DisplayPanel {
public:
    virtual ~DisplayPanel() = default;
    // Starts the panel on its settings page; one already open comes to the front.
    virtual bool open() = 0;
};

// XRandR on $DISPLAY, opened at each call; reports a problem where there is no
// display, no XRandR 1.2 or no second output.
std::shared_ptr<OutputLayout> makeXRandrLayout();
// The panel as a window of this program, changing `layout` (XRandR when null).
std::shared_ptr<DisplayPanel> makeDisplayPanel(std::shared_ptr<OutputLayout> layout = nullptr);
// Screen widths read from the X server at each call, so they are right at once
// after a change (Qt learns of it only when its events are next handled);
// nullptr without an X display or where Qt draws elsewhere than on X.
std::shared_ptr<Screens> makeXRandrScreens();

// Texts the panel shows when it cannot change anything.
inline const QString kNoXRandr = QStringLiteral("没有 XRandR：无法更改显示器设置");
inline const QString kNoSecondOutput = QStringLiteral("只连接了一台显示器，无法扩展桌面");

}  // namespace platform
