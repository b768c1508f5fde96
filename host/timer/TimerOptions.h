#pragma once
// What the presentation timer and its clock are told: the options of one run,
// as the settings window holds them, and the two small interfaces the timer
// drives (the clock window, the settings window's music players).
#include <QString>

#include <cstdint>
#include <optional>

namespace host {

using ColorValue = std::uint32_t;  // 00BBGGRR; clNone and clDefault above that
inline constexpr ColorValue kClNone = 0x1FFFFFFF;
inline constexpr ColorValue kClDefault = 0x20000000;
inline constexpr ColorValue kClSilver = 0x00C0C0C0;

struct FontLook {
    QString name;
    int size = 16;
    int height = 32;
    QString style = QStringLiteral("0000");
};

struct TimerOptions {
    enum class Count { Down, Up, Neither };  // Neither: counts up from the set time
    enum class Display { Part, Global, None, Unset };
    enum class TimeUp { Nothing, Black, FadeToBlack, CloseSlides };

    QString hours, minutes, seconds, delay;  // as typed, checked at the start
    Count count = Count::Down;
    Display display = Display::Part;
    std::optional<int> x, y;  // the small clock on its screen; none when not a usable number
    bool startMusic = false;
    TimeUp timeUp = TimeUp::Nothing;
    bool endMusic = false;
    QString endMusicPath;
    ColorValue backColor = kClNone, fontColor = 0x0000FF00;
    FontLook font;

    // The message a layout of the clock would fail with; "" when it would not.
    QString displayError() const {
        if (display != Display::Part) return {};
        if (!x) return QStringLiteral("横坐标须为整数");
        if (!y) return QStringLiteral("纵坐标须为整数");
        return {};
    }
};

// The clock window as the timer drives it.
class TimerClock {
public:
    virtual ~TimerClock() = default;
    virtual void setClockText(const QString &text) = 0;
    // Text, look and layout for options' display; nothing when displayError() says why not.
    virtual void layOut(const TimerOptions &options) = 0;
    virtual void setStayOnTop(bool on) = 0;
    virtual bool clockShown() const = 0;
    virtual void setClockShown(bool shown) = 0;
    // Time-up: the window turns black over the screen, at once or fading in.
    virtual void coverScreen(bool fade) = 0;
    virtual void setFade(int alpha) = 0;
    // The start/stop and pause buttons' captions.
    virtual void showRun(bool inProgress, bool paused) = 0;
};

// The music of the start and of the time-up.
class TimerMusic {
public:
    virtual ~TimerMusic() = default;
    virtual void playStartMusic() = 0;
    virtual void stopStartMusic() = 0;
    // Plays once loaded: the caller does not wait for it.
    virtual void playEndMusic(const QString &path) = 0;
    virtual void stopEndMusic() = 0;
};

}  // namespace host
