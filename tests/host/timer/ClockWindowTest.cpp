// The clock window's layouts, corners, drag, font and background, run once on
// one screen and once on two (the clock then stands on the second).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "TimerSupport.h"

using namespace timertest;
using host::clockScreen;

namespace {

// A button as drawn, flat on the window: its background against the pixel most unlike it.
double drawnContrast(QWidget *button) {
    const QImage img = button->grab().toImage();
    double most = 1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            most = std::max(most, host::contrastRatio(img.pixelColor(1, 1), img.pixelColor(x, y)));
    return most;
}

TEST(ClockWindow, PartAndFullScreenLayoutsStandOnTheClocksScreen) {
    TimerFixture f("X=5\nY=7\n");
    auto *s = f.formSet();
    auto *c = f.clock();
    const QRect screen = clockScreen();
    if (QGuiApplication::screens().size() > 1) { EXPECT_EQ(screen, QGuiApplication::screens().at(1)->geometry()); }
    s->SpeedButtonTimer->click();
    EXPECT_EQ(s->SpeedButtonTimer->text(), "关闭");
    EXPECT_EQ(c->geometry(), QRect(screen.topLeft() + QPoint(5, 7), c->Label1->size()));
    EXPECT_FALSE(c->SpeedButtonClose->isVisible());

    // Full screen after a black time-up: the digits are back, in the middle.
    c->coverScreen(false);
    s->RadioButtonGlobal->setChecked(true);
    EXPECT_TRUE(s->ComboBox1->isHidden());
    s->SpeedButtonTimer->click();
    s->SpeedButtonTimer->click();
    EXPECT_EQ(c->geometry(), screen);
    EXPECT_TRUE(c->Label1->isVisible());
    c->setClockText("3");  // a delay digit, then the time: each in the middle
    EXPECT_LE((c->Label1->geometry().center() - c->rect().center()).manhattanLength(), 2);
    EXPECT_FALSE(c->layers().alphaBlend());
    int left = screen.width() - 380;
    for (auto *b : {c->SpeedButtonTimer, c->SpeedButtonPause, c->SpeedButtonStopMp3, c->SpeedButtonClose}) {
        EXPECT_EQ(b->pos(), QPoint(left, 20));
        EXPECT_TRUE(b->isVisible());
        EXPECT_EQ(b->grab().toImage().pixelColor(1, 1), c->color());
        EXPECT_GE(drawnContrast(b), 4.5);
        left += 90;
    }
    s->ClockFontColor = "clBlack";  // on black: the buttons take a colour of their own
    s->ApplyTimerDisplay();
    EXPECT_GE(drawnContrast(c->SpeedButtonClose), 4.5);
    s->RadioButtonNoDisp->setChecked(true);
    EXPECT_FALSE(c->isVisible());
    EXPECT_FALSE(s->ComboBox1->isHidden());
    EXPECT_EQ(s->SpeedButtonTimer->text(), "显示");
}

TEST(ClockWindow, CornersAndTheDragKeepPositionsRelativeToTheClocksScreen) {
    TimerFixture f;
    auto *s = f.formSet();
    auto *c = f.clock();
    const QRect screen = clockScreen();
    s->RadioButtonGlobal->setChecked(true);
    s->ApplyTimerDisplay();  // a full-screen window must not spoil the corner
    s->RadioButtonRB->setChecked(true);
    const QPoint corner(screen.width() - c->Label1->width() - 5, screen.height() - c->Label1->height() - 5);
    EXPECT_EQ(QPoint(s->EditX->text().toInt(), s->EditY->text().toInt()), corner);
    EXPECT_EQ(c->pos(), screen.topLeft() + corner);
    c->move(screen.topLeft());
    s->RadioButtonRB->setChecked(true);  // already chosen: nothing moves
    EXPECT_EQ(c->pos(), screen.topLeft());

    s->RadioButtonLT->setChecked(true);
    s->RadioButtonPart->setChecked(true);
    s->ApplyTimerDisplay();
    c->Label1MouseDown(c->pos() + QPoint(10, 10));
    c->Label1MouseMove(c->pos() + QPoint(10 + 100, 10 + 40));
    c->Label1MouseUp();
    EXPECT_EQ(c->pos(), screen.topLeft() + QPoint(105, 45));
    EXPECT_EQ(s->EditX->text() + "," + s->EditY->text(), "105,45");
    s->ApplyTimerDisplay();
    EXPECT_EQ(c->pos(), screen.topLeft() + QPoint(105, 45));
}

TEST(ClockWindow, FontDialogKeepsADockedClockDockedWithExactlyTheChosenStyles) {
    TimerFixture f("style=1000\nheight=-20\n");
    auto *s = f.formSet();
    auto *c = f.clock();
    const QRect screen = clockScreen();
    s->RadioButtonRT->setChecked(true);
    s->SpeedButtonFont->click();  // cancelled
    ASSERT_EQ(f.looks->fontAsked.size(), 1u);
    EXPECT_TRUE(f.looks->fontAsked[0].font.bold());
    EXPECT_EQ(f.looks->fontAsked[0].font.pixelSize(), 20);
    EXPECT_EQ(s->ClockFontStyle, "1000");

    QFont big(c->Label1->font());
    big.setPixelSize(60);
    big.setBold(false);
    f.looks->fontAnswers.push_back(platform::LookDialogs::FontChoice{big, Qt::red});
    s->SpeedButtonFont->click();
    EXPECT_EQ(s->ClockFontStyle + " " + s->ClockFontHeight + " " + s->ClockFontColor, "0000 -60 clRed");
    EXPECT_EQ(s->EditX->text().toInt(), screen.width() - c->Label1->width() - 5);
    EXPECT_EQ(c->geometry().right(), screen.right() - 5);
    // Saved and loaded again, a non-bold choice stays non-bold.
    s->SpeedButtonSaveClick();
    s->TimerStartTimer();
    s->ApplyTimerDisplay();
    EXPECT_FALSE(c->Label1->font().bold());
    EXPECT_EQ(c->Label1->font().pixelSize(), 60);
}

TEST(ClockWindow, NoBackgroundLeavesOnlyTheDigitsUntilAColourIsChosen) {
    TimerFixture f("X=0\nY=0\n");
    auto *s = f.formSet();
    auto *c = f.clock();
    s->SpeedButtonNoBack->click();  // the hidden clock is shown first
    EXPECT_TRUE(c->isVisible());
    EXPECT_EQ(s->ClockBackColor, "clSilver");
    const QRegion shape = c->mask();
    ASSERT_FALSE(shape.isEmpty());
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));
    int area = 0;
    for (const QRect &r : shape) area += r.width() * r.height();
    EXPECT_LT(area, c->width() * c->height() / 2);
    c->setClockText("88:88:88");  // new digits, new shape
    EXPECT_NE(c->mask(), shape);
    s->SpeedButtonSaveClick();
    EXPECT_EQ(f.ini("timer", "BackColor"), "clSilver");

    f.looks->colorAnswers.push_back(QColor(0x56, 0x34, 0x12));
    s->SpeedButtonBackColor->click();
    EXPECT_EQ(s->ClockBackColor, "$00123456");
    EXPECT_TRUE(c->mask().isEmpty());
    EXPECT_EQ(c->color(), QColor(0x56, 0x34, 0x12));
}

TEST(ClockWindow, LookValuesReadByNameOrNumberAndUnusableOnesFallBack) {
    TimerFixture f("BackColor=clBtnFace\ncolor=greenish\nsize=x\nheight=99999\nstyle=bold\nname=\n");
    auto *s = f.formSet();
    EXPECT_EQ(QStringList({s->ClockBackColor, s->ClockFontColor, s->ClockFontSize, s->ClockFontHeight,
                           s->ClockFontStyle, s->ClockFontName}),
              QStringList({"clNone", "clLime", "16", "32", "0000", "MS Sans Serif"}));
    EXPECT_EQ(host::colorFromText("clskyblue"), 0xF0CAA6u);
    EXPECT_EQ(host::colorToText(*host::colorFromText("12345")), "$00003039");
    EXPECT_EQ(host::colorToText(*host::colorFromText("$00C0C0C0")), "clSilver");
    EXPECT_FALSE(host::colorFromText("$FF00000F"));
}

}  // namespace
