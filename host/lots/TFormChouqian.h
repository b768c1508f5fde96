#pragma once
// The draw-lots window: makes 1 to 100 covered, shuffled lots on a board,
// opens them one by one with an animation (or all at once), records who drew
// which number, sorts the record and exports it as a text file.
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/lots/LotBoard.h"
#include "platform/Platform.h"

class QFrame;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTableWidget;
class QTimer;

namespace host {

// A card or a cover: a bevelled panel with a centred caption that reports clicks.
class LotPanel : public QLabel {
    Q_OBJECT
public:
    LotPanel(int tag, QWidget *parent);
    const int Tag;
    // Draws the caption in font, made smaller where the panel is too small for it.
    void setCaptionFont(const QFont &font);

signals:
    void clicked(int tag);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitCaption();
    QFont captionFont_;
    bool fitting_ = false;
};

class TFormChouqian : public QWidget {
    Q_OBJECT
public:
    explicit TFormChouqian(std::shared_ptr<platform::Dialogs> dialogs, QWidget *parent = nullptr);

    // --- handlers ---
    void Panel0Resize();
    void SpeedButtonMakeClick();
    void EditNumKeyPress();            // Enter in the count field
    void Panelc6Click(int tag);        // a card
    void Paneld6Click(int tag);        // a cover
    void EditNamec6KeyPress(int tag);  // Enter in a name field
    void BeginOpen();
    void TimerToCenterTimer();
    void TimerOpenTimer();
    void TimerToMaxTimer();
    void timerDelayDispTimer();
    void SpeedButtonAllOutClick();
    void TimerAllOutTimer();           // one round of open all
    void SpeedButtonRecClick();
    void SpeedButtonSaveClick();
    void ListView1ColumnClick(int column);

    // --- controls ---
    QStatusBar *StatusBar1;
    QLabel *LabelNum;
    QLineEdit *EditNum;
    QPushButton *SpeedButtonMake, *SpeedButtonAllOut, *SpeedButtonRec, *SpeedButtonSave;
    QTableWidget *ListView1;
    QFrame *Panel0;
    QLabel *Panelc6, *Paneld6;
    QLineEdit *EditNamec6;
    QPlainTextEdit *Memo1;
    QTimer *TimerToCenter, *TimerOpen, *TimerToMax, *timerDelayDisp, *TimerAllOut;

    // --- window state ---
    int BoardWidth = 0, BoardHeight = 0;
    bool LotBusy = false;
    int CurrentLot = 0;
    bool EnlargePending = false;
    bool SortAscending = false;

    QString statusText() const;
    // The lots of the last making by position 1..lotCount(); null once freed.
    int lotCount() const { return made_; }
    LotPanel *card(int i) const { return at(cards_, i); }
    LotPanel *cover(int i) const { return at(covers_, i); }
    QLineEdit *nameField(int i) const { return at(names_, i); }
    QFrame *frame() const { return paneltop_; }  // "paneltop"
    std::vector<lots::DrawRecord> records() const;
    void setShuffleSeed(std::uint32_t seed) { shuffler_.reseed(seed); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    template <class T>
    using PerLot = std::array<QPointer<T>, lots::kMaxLots + 1>;
    template <class T>
    static T *at(const PerLot<T> &a, int i) {
        return i >= 1 && i <= lots::kMaxLots ? a[i].data() : nullptr;
    }

    void buildUi();
    void placeCountField();
    void setStatus(const QString &text);
    void refuseCount(const QString &message);
    void stopOpening();
    void releaseFrame();
    void freeLots();
    void keepFocusOffNames(QWidget *leaving);
    void makeLot(int i, int number, const lots::LotGrid &grid);
    void chooseLot(int tag);
    bool openingParts() const;  // card, cover and name field of CurrentLot all there
    int findName(const QString &name) const;
    bool isRecorded(const QString &number) const;
    void addRecord(const lots::DrawRecord &r);
    void setRecords(const std::vector<lots::DrawRecord> &rows);

    std::shared_ptr<platform::Dialogs> dialogs_;
    lots::LotShuffler shuffler_;
    PerLot<LotPanel> cards_, covers_;
    PerLot<QLineEdit> names_;
    QPointer<QFrame> paneltop_;
    int made_ = 0;
    int openingLot_ = 0;  // the lot a single opening is running for
    int frameLot_ = 0;    // the lot whose card and name field sit in the frame
    int allOutRounds_ = 0;
};

}  // namespace host
