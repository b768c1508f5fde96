#pragma once
// The log box lines the protocol side writes: each ends with the time of day,
// and the box is emptied once it holds more than 1000 lines.
#include <QString>

#include "host/protocol/HostUi.h"
#include "platform/Platform.h"

namespace host {

inline constexpr int kLogCap = 1000;

inline void clearLogWhenFull(HostUi &ui) {
    if (ui.logLineCount() > kLogCap) ui.clearLog();
}

inline void appendTimedLog(HostUi &ui, platform::Clock &clock, const QString &text) {
    clearLogWhenFull(ui);
    ui.appendLog(text + clock.timeOfDay());
}

// Hostile text shown in the log box: no control characters, bounded length.
inline QString shownText(const QString &text) {
    QString out = text.left(80);
    for (QChar &c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char('?');
    return out;
}

}  // namespace host
