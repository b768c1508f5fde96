#pragma once
// The clock window of the presentation timer: a borderless window with one
// large label, the small clock where the user put it or the whole screen with
// four buttons at its top right. It lays itself out from the timer's options;
// the timer writes the time into it.
#include <QColor>
#include <QWidget>

#include "host/timer/TimerOptions.h"
#include "platform/LayeredWindow.h"

class QLabel;
class QPushButton;
class QTimer;

namespace host {

class PresentationTimer;

class TFormTimer : public QWidget, public TimerClock {
    Q_OBJECT
public:
    explicit TFormTimer(PresentationTimer *timer, QWidget *parent = nullptr);

    static constexpr int kButtonWidth = 90;
    static inline const QColor kTransparentColorValue{192, 192, 192};  // silver

    QLabel *Label1 = nullptr;
    QPushButton *SpeedButtonTimer = nullptr, *SpeedButtonPause = nullptr, *SpeedButtonStopMp3 = nullptr,
                *SpeedButtonClose = nullptr;

    // Drag by the label: the window follows the cursor (dragged tells where,
    // relative to the clock's screen).
    void Label1MouseDown(const QPoint &cursor);
    void Label1MouseMove(const QPoint &cursor);
    void Label1MouseUp();

    void SpeedButtonTimerClick();
    void SpeedButtonPauseClick();
    void SpeedButtonStopMp3Click();
    void SpeedButtonCloseClick();

    // Automatic sizing: the window fits its visible controls.
    void setAutoSize(bool on);
    void setColor(const QColor &color);
    QColor color() const { return color_; }
    platform::LayeredWindow &layers() { return layers_; }
    void setStayOnTop(bool on) override;
    bool stayOnTop() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

    void setClockText(const QString &text) override;
    void layOut(const TimerOptions &options) override;
    bool clockShown() const override { return isVisible(); }
    void setClockShown(bool shown) override { setVisible(shown); }
    void setFade(int alpha) override { layers_.setAlphaBlendValue(alpha); }
    void showRun(bool inProgress, bool paused) override;
    // Background of the clock text, the window's colour and the see-through key.
    void applyBackground(ColorValue back);
    // Font, its colour and the label's background (invalid: none of its own).
    void setClockLook(const QFont &font, const QColor &fontColor, const QColor &back);
    QColor labelBackColor() const { return labelBack_; }
    QColor labelFontColor() const;
    // After the controls changed: fits the window when sizing is on, keeps a
    // centred label in the middle and cuts the shape anew.
    void contentChanged();
    // The label in the middle of the window from now on (full screen), or at
    // its top left corner (the small clock).
    void setLabelCentred(bool centred);

    // Time-up: the window turns black over the screen, at once or fading in.
    void coverScreen(bool fade) override;

signals:
    void dragged(const QPoint &onScreen);
    // A layout showed the clock or hid it.
    void laidOut(bool shown);
    void closeClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // The buttons' text and background follow the label and the window.
    void colorButtons();
    PresentationTimer *timer_;
    platform::LayeredWindow layers_;
    bool autoSize_ = true;
    bool labelCentred_ = false;
    QColor color_{Qt::black};
    QColor labelBack_;
    bool dragging_ = false;
    QPoint dragOffset_;
    QTimer *keepAbove_;  // raises the window while it stays on top
};

}  // namespace host
