// Draw lots: count check, grid, shuffle, one opening, open all, record all,
// sorting and export, with the window's timers ticked by hand.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <set>

#include "../HostTestSupport.h"
#include "common/Gbk.h"
#include "host/lots/TFormChouqian.h"
#include "tests/support/Files.h"

using host::TFormChouqian;
using namespace host::lots;

namespace {

TEST(DrawLots, CountCheckGridAndShuffle) {
    const QString range = "制作数量范围为1-100个签", format = "左边框内数字格式有错";
    for (auto [text, n, message] : std::vector<std::tuple<QString, int, QString>>{
             {"100", 100, ""}, {" 7", 7, ""}, {"7 ", 7, ""}, {"101", 0, range}, {"0", 0, range},
             {"99999999999999999999", 0, range}, {"7a", 0, format}, {"", 0, format}})
        EXPECT_TRUE(checkLotCount(text).n == n && checkLotCount(text).message == message)
            << text.toStdString();

    const LotGrid g = layoutLots(10, 494, 365, 21);
    EXPECT_EQ(std::vector<int>({g.cols, g.rows, g.cardW, g.cardH, g.perRow}),
              std::vector<int>({4, 3, 101, 77, 4}));
    EXPECT_EQ(g.position(5), QPoint(10, 128));
    EXPECT_EQ(g.position(10), QPoint(131, 246));
    const LotGrid one = layoutLots(1, 500, 400, 21);
    EXPECT_EQ(QRect(one.position(1), QSize(one.cardW, one.cardH)), QRect(10, 10, 163, 130));
    // 100 lots on a low, narrow board: every card at least 1 x 1, all in a 10 x 10 grid on it.
    const LotGrid low = layoutLots(100, 110, 365, 21);
    EXPECT_EQ(low.perRow, 10);
    EXPECT_LT(low.position(100).y(), 365);
    for (const LotGrid &t :
         {layoutLots(100, 0, 0, 21), layoutLots(100, 5, 12, 21), layoutLots(9, 40, 40, 21)})
        EXPECT_TRUE(t.cardW >= 1 && t.cardH >= 1 && t.perRow >= 1 && t.stepX >= 1 && t.stepY >= 1);

    // One generator seeded once: every order of 5 lots comes up.
    LotShuffler shuffler(20240607);
    std::set<std::vector<int>> orders;
    for (int k = 0; k < 3000; ++k) orders.insert(shuffler.deal(5));
    EXPECT_EQ(orders.size(), 120u);
}

TEST(DrawLots, RecordOrderAndExportBytes) {
    const DrawRecord li{"2", "李四"}, zhang{"10", "张三"};
    EXPECT_LT(CompareDrawRecords(li, zhang, 1, true), 0);
    EXPECT_GT(CompareDrawRecords(li, zhang, 1, false), 0);
    EXPECT_LT(CompareDrawRecords(li, zhang, 0, true), 0);  // 2 before 10
    EXPECT_EQ(CompareDrawRecords({"1", "abc"}, {"2", "ABC"}, 1, true), 0);

    EXPECT_EQ(exportBytes({{"7", "张三"}, {"12", ""}}),
              QByteArray("7\t \xD5\xC5\xC8\xFD\r\n12\t \r\n"));
    // A name outside GBK survives the file.
    EXPECT_EQ(kv::fromGbk(exportBytes({{"3", "㐀𠀀"}})), QString("3\t 㐀𠀀\r\n"));
}

TEST(DrawLots, MainWindowButtonShowsTheWindowMaximised) {
    hosttest::HostFixture f;
    ASSERT_TRUE(f.create());
    f.form1()->SpeedButtonToClient->click();
    EXPECT_TRUE(f.app->FormChouqian()->isVisible() && f.app->FormChouqian()->isMaximized());
}

class DrawLotsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        form.setShuffleSeed(7);
        form.setWindowState(Qt::WindowNoState);
        form.resize(900, 640);
        form.show();
    }
    void make(const QString &count) {
        form.EditNum->setText(count);
        QTest::keyClick(form.EditNum, Qt::Key_Return);
    }
    template <class Tick>
    static void drive(QTimer *t, Tick tick) {
        for (int k = 0; t->isActive() && k < 100000; ++k) tick();
    }
    void openAll() {
        form.SpeedButtonAllOutClick();
        drive(form.TimerAllOut, [&] { form.TimerAllOutTimer(); });
    }
    // Centring, uncovering and enlarging; the lot then shows until timerDelayDisp.
    void runOpening() {
        for (int k = 0; !form.timerDelayDisp->isActive() && k < 100000; ++k) {
            if (form.TimerToCenter->isActive()) form.TimerToCenterTimer();
            else if (form.TimerOpen->isActive()) form.TimerOpenTimer();
            if (form.TimerToMax->isActive()) form.TimerToMaxTimer();
        }
    }

    std::shared_ptr<platform::FakeDialogs> dialogs = std::make_shared<platform::FakeDialogs>();
    TFormChouqian form{dialogs};
};

TEST_F(DrawLotsWindow, MakingLaysOutEachNumberOnceAndRefusesBadCounts) {
    make("7 ");
    ASSERT_EQ(form.lotCount(), 7);
    const LotGrid g = layoutLots(7, form.BoardWidth, form.BoardHeight, 21);
    std::set<int> numbers;
    for (int i = 1; i <= 7; ++i) {
        numbers.insert(form.card(i)->text().toInt());
        EXPECT_EQ(form.card(i)->geometry(), QRect(g.position(i), QSize(g.cardW, g.cardH)));
        EXPECT_EQ(form.cover(i)->geometry(), form.card(i)->geometry());
    }
    EXPECT_EQ(numbers, std::set<int>({1, 2, 3, 4, 5, 6, 7}));

    make("7a");
    EXPECT_EQ(form.statusText(), "左边框内数字格式有错");
    EXPECT_EQ(form.EditNum->selectedText(), "7a");
    EXPECT_TRUE(form.lotCount() == 7 && form.card(7));
}

TEST_F(DrawLotsWindow, OpeningOneLotRecordsItAndRemovesItAfterwards) {
    QApplication::setActiveWindow(&form);
    make("5");
    form.nameField(2)->setText(" 张三 ");
    form.nameField(2)->setFocus();
    QTest::keyClick(form.nameField(2), Qt::Key_Return);
    EXPECT_TRUE(form.LotBusy && form.TimerToCenter->isActive());
    form.Paneld6Click(3);
    EXPECT_EQ(form.statusText(), "请稍等");
    EXPECT_EQ(form.cover(3)->pos(), form.card(3)->pos());

    drive(form.TimerToCenter, [&] { form.TimerToCenterTimer(); });
    const QRect c = form.card(2)->geometry();
    EXPECT_LT(std::abs(c.x() + c.width() / 2 - form.BoardWidth / 2), 5);
    EXPECT_LT(std::abs(c.y() + c.height() / 2 - form.BoardHeight / 2), 5);
    EXPECT_EQ(form.nameField(2)->pos(), c.bottomLeft() + QPoint(0, 1));

    runOpening();
    EXPECT_TRUE(form.card(2)->parentWidget() == form.frame() && form.frame()->isVisible());
    EXPECT_TRUE(form.frame()->width() + 100 > form.Panel0->width() ||
                form.frame()->height() + 100 > form.Panel0->height());
    ASSERT_EQ(form.records().size(), 1u);
    EXPECT_EQ(form.records()[0].number + form.records()[0].name, form.card(2)->text() + "张三");

    form.timerDelayDispTimer();
    EXPECT_FALSE(form.card(2) || form.cover(2) || form.nameField(2) || form.frame()->isVisible() ||
                 form.LotBusy);
    EXPECT_EQ(QApplication::focusWidget(), form.Panel0);  // not the next name, all selected
    EXPECT_EQ(form.statusText(), "");

    form.nameField(4)->insert("王五\r\n6\t ");  // as a paste: a line break is refused
    EXPECT_EQ(form.nameField(4)->text(), "");
    form.nameField(4)->setText("张三");
    form.Panelc6Click(4);
    EXPECT_EQ(form.statusText(), "张三 已经抽过签了");
    EXPECT_FALSE(form.LotBusy || form.TimerToCenter->isActive());
}

TEST_F(DrawLotsWindow, OpenAllThenRecordAllOnceWithRepeats) {
    make("5");
    form.nameField(1)->setText("amy");
    form.nameField(3)->setText("amy");
    form.SpeedButtonRecClick();
    EXPECT_EQ(form.statusText(), "请先全部打开");
    EXPECT_TRUE(form.records().empty());

    form.SpeedButtonAllOutClick();
    form.Panelc6Click(1);
    EXPECT_EQ(form.statusText(), "请稍等");
    drive(form.TimerAllOut, [&] { form.TimerAllOutTimer(); });
    EXPECT_EQ(form.statusText(), "已全部打开");
    EXPECT_FALSE(form.LotBusy);
    EXPECT_GT(form.cover(5)->x(), form.Panel0->width());

    form.EditNum->setText("100");
    form.SpeedButtonRecClick();
    form.SpeedButtonRecClick();
    ASSERT_EQ(form.records().size(), 5u);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(form.records()[i - 1].number, form.card(i)->text());
        EXPECT_FALSE(form.card(i)->isVisible());
    }
    EXPECT_EQ(form.records()[0].name + form.records()[2].name + form.records()[3].name,
              "amyamy(重复)");
}

TEST_F(DrawLotsWindow, RecordAllDuringAnOpeningRecordsThatLotOnce) {
    make("3");
    openAll();
    form.Paneld6Click(2);
    drive(form.TimerToCenter, [&] { form.TimerToCenterTimer(); });
    form.SpeedButtonRecClick();
    EXPECT_EQ(form.records().size(), 3u);
    EXPECT_TRUE(form.card(2)->isVisible());
    runOpening();
    EXPECT_EQ(form.records().size(), 3u);
}

TEST_F(DrawLotsWindow, MakingStopsOpenAllAndAnOpening) {
    make("4");
    form.SpeedButtonAllOutClick();
    form.TimerAllOutTimer();
    make("4");
    EXPECT_FALSE(form.TimerAllOut->isActive() || form.LotBusy);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(form.cover(i)->pos(), form.card(i)->pos());

    form.Panelc6Click(1);
    runOpening();
    ASSERT_EQ(form.records().size(), 1u);
    make("4");
    EXPECT_TRUE(form.records().empty());
    EXPECT_FALSE(form.timerDelayDisp->isActive() || form.TimerOpen->isActive() || form.LotBusy);
}

TEST_F(DrawLotsWindow, CollapsedBoardStillOpensALotToTheEnd) {
    static_cast<QSplitter *>(form.Panel0->parentWidget())->setSizes({0, 900});
    make("100");
    ASSERT_EQ(form.lotCount(), 100);
    form.Panelc6Click(100);
    runOpening();
    ASSERT_TRUE(form.timerDelayDisp->isActive());
    form.timerDelayDispTimer();
    EXPECT_FALSE(form.LotBusy || form.card(100));
}

TEST_F(DrawLotsWindow, HeaderClicksSortAndExportWritesTheShownOrder) {
    QTemporaryDir dir;
    dialogs->saveFileAnswers << dir.filePath("record") << dir.filePath("missing/record.txt");
    form.SpeedButtonSaveClick();  // empty list: no dialog
    make("3");
    openAll();
    for (int i = 1; i <= 3; ++i)
        form.nameField(i)->setText(QStringList{"张三", "李四", "bob"}[i - 1]);
    form.SpeedButtonRecClick();
    form.ListView1ColumnClick(0);
    EXPECT_EQ(form.records()[0].number, "3");
    form.ListView1ColumnClick(1);
    EXPECT_EQ(form.records()[1].name + form.records()[2].name, "李四张三");

    form.SpeedButtonSaveClick();
    EXPECT_EQ(kvtest::readFile(dir.filePath("record.txt")), exportBytes(form.records()));
    form.SpeedButtonSaveClick();
    EXPECT_EQ(dialogs->messages.size(), 1);
    EXPECT_EQ(form.records().size(), 3u);
}

}  // namespace
