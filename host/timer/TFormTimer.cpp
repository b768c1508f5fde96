#include "host/timer/TFormTimer.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "host/timer/ClockLook.h"
#include "host/timer/PresentationTimer.h"

namespace host {

using namespace caption;

TFormTimer::TFormTimer(PresentationTimer *timer, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      timer_(timer),
      layers_(this) {
    setObjectName(QStringLiteral("FormTimer"));
    // Nothing in it is typed into: the keyboard stays with the show.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("计时显示"));
    setAutoFillBackground(true);
    setColor(Qt::black);
    layers_.setTransparentColorValue(kTransparentColorValue);
    layers_.setAlphaBlendValue(200);

    Label1 = new QLabel(QStringLiteral("00:00:00"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(67);
    f.setBold(true);
    setClockLook(f, Qt::green, QColor());
    Label1->setGeometry(0, 0, 280, 67);
    Label1->installEventFilter(this);

    auto button = [this](const char *name, const QString &text, int left) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setFlat(true);  // on the window's own colour
        b->setFocusPolicy(Qt::NoFocus);
        QFont bf(QStringLiteral("MS Sans Serif"));
        bf.setPixelSize(16);
        b->setFont(bf);
        b->setGeometry(left, 32, kButtonWidth, 30);
        b->hide();
        return b;
    };
    SpeedButtonTimer = button("SpeedButtonTimer", kClockStart, 6);
    SpeedButtonPause = button("SpeedButtonPause", kPause, 106);
    SpeedButtonStopMp3 = button("SpeedButtonStopMp3", QStringLiteral("停止音乐"), 204);
    SpeedButtonClose = button("SpeedButtonClose", QStringLiteral("关闭"), 303);
    connect(SpeedButtonTimer, &QPushButton::clicked, this, &TFormTimer::SpeedButtonTimerClick);
    connect(SpeedButtonPause, &QPushButton::clicked, this, &TFormTimer::SpeedButtonPauseClick);
    connect(SpeedButtonStopMp3, &QPushButton::clicked, this, &TFormTimer::SpeedButtonStopMp3Click);
    connect(SpeedButtonClose, &QPushButton::clicked, this, &TFormTimer::SpeedButtonCloseClick);
    colorButtons();

    setGeometry(283, 105, 393, 67);
    contentChanged();

    keepAbove_ = new QTimer(this);
    keepAbove_->setInterval(100);
    connect(keepAbove_, &QTimer::timeout, this, [this] {
        // A box the program waits on (its message boxes are modal) stands
        // above the clock: under it, nothing on the screen could be clicked.
        QWidget *box = QApplication::activeModalWidget();
        if (box && box != this && box->isVisible()) platform::stackUnder(this, box);
        else raise();
    });
}

// ---- look --------------------------------------------------------------------

void TFormTimer::setColor(const QColor &color) {
    color_ = color;
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
    colorButtons();
}

void TFormTimer::colorButtons() {
    if (!Label1) return;  // still being made
    // The label's colour where it reads on the window, on which the buttons stand.
    const QColor text = readableOn(color_, labelFontColor());
    for (QPushButton *b : {SpeedButtonTimer, SpeedButtonPause, SpeedButtonStopMp3, SpeedButtonClose}) {
        if (!b) return;
        QPalette p = b->palette();
        p.setColor(QPalette::Button, color_);
        p.setColor(QPalette::ButtonText, text);
        b->setPalette(p);
    }
}

void TFormTimer::setStayOnTop(bool on) {
    if (stayOnTop() == on) return;
    const bool shown = isVisible();
    // A window manager stacks the focused full-screen slide show above every
    // "stay on top" window: only a window it does not manage, raised again
    // while it shows, stays in front of the show. Qt hides a window whose
    // flags change.
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    setWindowFlag(Qt::X11BypassWindowManagerHint, on);
    if (shown) show();
}

void TFormTimer::showEvent(QShowEvent *event) {
    if (stayOnTop()) keepAbove_->start();
    QWidget::showEvent(event);
}

void TFormTimer::hideEvent(QHideEvent *event) {
    keepAbove_->stop();
    QWidget::hideEvent(event);
}

void TFormTimer::setAutoSize(bool on) {
    autoSize_ = on;
    contentChanged();
}

void TFormTimer::setClockText(const QString &text) {
    if (Label1->text() == text) return;
    Label1->setText(text);
    contentChanged();
}

void TFormTimer::setClockLook(const QFont &font, const QColor &fontColor, const QColor &back) {
    labelBack_ = back;
    Label1->setFont(font);
    QPalette p = Label1->palette();
    p.setColor(QPalette::WindowText, fontColor);
    if (back.isValid()) p.setColor(QPalette::Window, back);
    Label1->setPalette(p);
    Label1->setAutoFillBackground(back.isValid());
    colorButtons();
    contentChanged();
}

QColor TFormTimer::labelFontColor() const { return Label1->palette().color(QPalette::WindowText); }

void TFormTimer::setLabelCentred(bool centred) {
    labelCentred_ = centred;
    if (!centred) Label1->move(0, 0);
    contentChanged();
}

void TFormTimer::contentChanged() {
    Label1->adjustSize();
    // Each new text stays in the middle, whatever its width.
    if (labelCentred_)
        Label1->move(roundHalfEven((width() - Label1->width()) / 2.0),
                     roundHalfEven((height() - Label1->height()) / 2.0));
    if (autoSize_) {
        QRect used;
        for (QWidget *w : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (!w->isHidden()) used |= w->geometry();
        if (!used.isEmpty()) resize(used.right() + 1, used.bottom() + 1);
    }
    if (layers_.transparentColor()) layers_.reshape();
}

void TFormTimer::coverScreen(bool fade) {
    const QRect screen = clockScreen();
    const int w = screen.width();
    SpeedButtonTimer->hide();
    autoSize_ = false;
    Label1->hide();
    setColor(Qt::black);
    layers_.setTransparentColor(false);
    layers_.setAlphaBlendValue(0);
    layers_.setAlphaBlend(fade);
    SpeedButtonStopMp3->move(w - 2 * kButtonWidth - 20, 20);
    SpeedButtonStopMp3->show();
    SpeedButtonClose->move(w - kButtonWidth - 20, 20);
    SpeedButtonClose->show();
    setGeometry(screen);
    hide();
    show();
    raise();
}

// ---- layout -------------------------------------------------------------------

void TFormTimer::applyBackground(ColorValue back) {
    const QColor color = toQColor(back);
    setClockLook(Label1->font(), labelFontColor(), color);
    setColor(color.isValid() ? color : QColor(Qt::black));
    layers_.setTransparentColor(back == kClSilver);
}

void TFormTimer::layOut(const TimerOptions &o) {
    if (!o.displayError().isEmpty()) return;
    setClockText(clockFieldsText(o.hours, o.minutes, o.seconds));
    setClockLook(toQFont(o.font), toQColor(o.fontColor), toQColor(o.backColor));
    QPushButton *buttons[] = {SpeedButtonTimer, SpeedButtonPause, SpeedButtonStopMp3, SpeedButtonClose};
    auto layOutBack = [&] {
        layers_.setAlphaBlend(false);
        applyBackground(o.backColor);
    };
    switch (o.display) {
    case TimerOptions::Display::Part:
        for (QPushButton *b : buttons) b->hide();
        Label1->show();
        setLabelCentred(false);
        setAutoSize(true);
        layOutBack();
        move(clockScreen().topLeft() + QPoint(*o.x, *o.y));
        // In front of the show, which keeps the keyboard (a clicker pages on).
        show();
        raise();
        emit laidOut(true);
        break;
    case TimerOptions::Display::Global: {
        const QRect screen = clockScreen();
        const int w = screen.width();
        setAutoSize(false);
        setGeometry(screen);
        Label1->show();
        setLabelCentred(true);
        for (int i = 0; i < 4; ++i) {
            buttons[i]->move(w - (4 - i) * kButtonWidth - 20, 20);
            buttons[i]->show();
        }
        layOutBack();
        show();
        emit laidOut(true);
        break;
    }
    case TimerOptions::Display::None:
        hide();
        emit laidOut(false);
        break;
    case TimerOptions::Display::Unset:
        break;
    }
}

// ---- drag ---------------------------------------------------------------------

bool TFormTimer::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Label1) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            Label1MouseDown(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
            return true;
        case QEvent::MouseMove:
            Label1MouseMove(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
            return true;
        case QEvent::MouseButtonRelease:
            Label1MouseUp();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormTimer::Label1MouseDown(const QPoint &cursor) {
    dragging_ = true;
    dragOffset_ = cursor - pos();
}

void TFormTimer::Label1MouseMove(const QPoint &cursor) {
    if (!dragging_) return;
    move(cursor - dragOffset_);
    emit dragged(pos() - clockScreen().topLeft());
}

void TFormTimer::Label1MouseUp() { dragging_ = false; }

// ---- buttons --------------------------------------------------------------------

void TFormTimer::SpeedButtonTimerClick() {
    timer_->startOrStop(true);  // sets the captions from the timer's state
}

void TFormTimer::SpeedButtonPauseClick() { timer_->setPaused(!timer_->TimerPaused); }

void TFormTimer::SpeedButtonStopMp3Click() { timer_->stopMusic(); }

void TFormTimer::SpeedButtonCloseClick() {
    timer_->stopFade();
    emit closeClicked();
    if (timer_->timerInProgress()) timer_->startOrStop(true);
    hide();
}

void TFormTimer::showRun(bool inProgress, bool paused) {
    SpeedButtonTimer->setText(inProgress ? kClockStop : kClockStart);
    SpeedButtonPause->setText(paused ? kResume : kPause);
}

}  // namespace host
