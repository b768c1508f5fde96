#include "host/lots/TFormChouqian.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

#include "common/Text.h"
#include "platform/SingleLine.h"

namespace host {

using lots::DrawRecord;

namespace {
const QString kWait = QStringLiteral("请稍等");
const QString kCountPrefix = QStringLiteral(" 做 ");
const QString kCountField = QStringLiteral(" 做         ");
const QColor kOlive(128, 128, 0), kMaroon(128, 0, 0), kSkyBlue(166, 202, 240);
constexpr int kAllOutRounds = 3000;

void fill(QWidget *w, const QColor &c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QPushButton *speedButton(const QString &name, const QString &caption, const QString &hint,
                         QWidget *parent) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setMinimumHeight(40);
    return b;
}

// The cards' "楷体_GB2312": a Kai font Debian ships stands in, then any CJK font.
QFont cardFont() {
    QFont f;
    f.setFamilies({QStringLiteral("楷体_GB2312"), QStringLiteral("KaiTi_GB2312"),
                   QStringLiteral("KaiTi"), QStringLiteral("AR PL KaitiM GB"),
                   QStringLiteral("AR PL UKai CN"), QStringLiteral("Noto Serif CJK SC"),
                   QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei")});
    f.setPixelSize(200);
    f.setBold(true);
    return f;
}

int stepToward(int offset) { return offset > 0 ? -5 : (offset < 0 ? 5 : 0); }
}  // namespace

LotPanel::LotPanel(int tag, QWidget *parent) : QLabel(parent), Tag(tag) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setAlignment(Qt::AlignCenter);
    // The caption may be far larger than the panel; it is clipped, not a size demand.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    setToolTip(QStringLiteral("点击后选择本号签并打开"));
}

void LotPanel::setCaptionFont(const QFont &font) {
    captionFont_ = font;
    fitting_ = true;
    fitCaption();
}

void LotPanel::resizeEvent(QResizeEvent *event) {
    QLabel::resizeEvent(event);
    fitCaption();
}

// At its full size the caption would show only a stroke or two of each digit
// on a small card; shrink it to fit, never past the font's own size.
void LotPanel::fitCaption() {
    if (!fitting_ || text().isEmpty()) return;
    const QRect glyphs = QFontMetrics(captionFont_).tightBoundingRect(text());
    const QRect room = contentsRect();
    const double scale = std::min({1.0, 0.9 * room.width() / std::max(glyphs.width(), 1),
                                   0.9 * room.height() / std::max(glyphs.height(), 1)});
    QFont f = captionFont_;
    f.setPixelSize(std::max(1, static_cast<int>(captionFont_.pixelSize() * scale)));
    setFont(f);
}

void LotPanel::mouseReleaseEvent(QMouseEvent *event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked(Tag);
}

TFormChouqian::TFormChouqian(std::shared_ptr<platform::Dialogs> dialogs, QWidget *parent)
    : QWidget(parent), dialogs_(std::move(dialogs)) {
    setObjectName(QStringLiteral("FormChouqian"));
    setWindowTitle(QStringLiteral("Korvelo投影助理  抽签"));
    buildUi();
    resize(696, 480);
    setWindowState(Qt::WindowMaximized);
    LotBusy = false;
    BoardWidth = Panel0->width();
    BoardHeight = Panel0->height();
    SortAscending = false;
}

void TFormChouqian::buildUi() {
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto *split = new QSplitter(Qt::Horizontal, this);
    split->setHandleWidth(5);
    split->setStyleSheet(QStringLiteral("QSplitter::handle { background: %1; }").arg(kSkyBlue.name()));
    Panel0 = new QFrame(split);
    Panel0->setObjectName(QStringLiteral("Panel0"));
    Panel0->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    fill(Panel0, kOlive);
    Panel0->installEventFilter(this);

    ListView1 = new QTableWidget(0, 2, split);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setHorizontalHeaderLabels({QStringLiteral("顺序"), QStringLiteral("姓名")});
    ListView1->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignCenter);
    ListView1->setColumnWidth(0, 45);
    ListView1->horizontalHeader()->setStretchLastSection(true);
    ListView1->horizontalHeader()->setSectionsClickable(true);
    ListView1->verticalHeader()->hide();
    ListView1->setShowGrid(true);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setToolTip(QStringLiteral("点击表格标题栏可排序"));
    connect(ListView1->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TFormChouqian::ListView1ColumnClick);
    split->addWidget(Panel0);
    split->addWidget(ListView1);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    split->setSizes({696 - 185 - 5, 185});
    root->addWidget(split, 1);

    auto *bar = new QWidget(this);
    bar->setFixedHeight(58);
    auto *barRow = new QHBoxLayout(bar);
    // The count field sits inside the label's blanks: "make [count] lots".
    LabelNum = new QLabel(QStringLiteral(" 做         只签  "), bar);
    QFont big = LabelNum->font();
    big.setPointSize(14);
    LabelNum->setFont(big);
    LabelNum->installEventFilter(this);
    EditNum = new QLineEdit(QStringLiteral("10"), LabelNum);
    EditNum->setObjectName(QStringLiteral("EditNum"));
    EditNum->setAlignment(Qt::AlignCenter);
    connect(EditNum, &QLineEdit::returnPressed, this, &TFormChouqian::EditNumKeyPress);
    SpeedButtonMake = speedButton(QStringLiteral("SpeedButtonMake"), QStringLiteral(" 制 作 "),
                                  QStringLiteral("制作指定数量的签"), bar);
    SpeedButtonAllOut = speedButton(QStringLiteral("SpeedButtonAllOut"), QStringLiteral("全部打开"),
                                    QStringLiteral("打开所有剩下的签"), bar);
    SpeedButtonRec = speedButton(QStringLiteral("SpeedButtonRec"), QStringLiteral("全部记录"),
                                 QStringLiteral("记录抽签信息"), bar);
    SpeedButtonSave = speedButton(QStringLiteral("SpeedButtonSave"), QStringLiteral(" 输 出 "),
                                  QStringLiteral("将抽签记录输出为您指定名称的文本文件"), bar);
    connect(SpeedButtonMake, &QPushButton::clicked, this, &TFormChouqian::SpeedButtonMakeClick);
    connect(SpeedButtonAllOut, &QPushButton::clicked, this, &TFormChouqian::SpeedButtonAllOutClick);
    connect(SpeedButtonRec, &QPushButton::clicked, this, &TFormChouqian::SpeedButtonRecClick);
    connect(SpeedButtonSave, &QPushButton::clicked, this, &TFormChouqian::SpeedButtonSaveClick);
    barRow->addWidget(LabelNum);
    for (auto *b : {SpeedButtonMake, SpeedButtonAllOut, SpeedButtonRec, SpeedButtonSave})
        barRow->addWidget(b);
    barRow->addStretch(1);
    root->addWidget(bar);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    root->addWidget(StatusBar1);

    // Hidden templates on the board.
    Panelc6 = new LotPanel(0, Panel0);
    Panelc6->setObjectName(QStringLiteral("Panelc6"));
    fill(Panelc6, QApplication::palette().color(QPalette::Light));
    Panelc6->setFont(cardFont());
    Panelc6->hide();
    Paneld6 = new LotPanel(0, Panel0);
    Paneld6->setObjectName(QStringLiteral("Paneld6"));
    fill(Paneld6, kMaroon);
    Paneld6->hide();
    EditNamec6 = new QLineEdit(Panel0);
    EditNamec6->setObjectName(QStringLiteral("EditNamec6"));
    EditNamec6->setFixedHeight(21);
    EditNamec6->hide();
    Memo1 = new QPlainTextEdit(Panel0);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->hide();

    const auto timer = [this](const char *name, int ms, void (TFormChouqian::*handler)()) {
        auto *t = new QTimer(this);
        t->setObjectName(QLatin1String(name));
        t->setInterval(ms);
        t->setTimerType(Qt::PreciseTimer);
        connect(t, &QTimer::timeout, this, handler);
        return t;
    };
    TimerToCenter = timer("TimerToCenter", 1, &TFormChouqian::TimerToCenterTimer);
    TimerOpen = timer("TimerOpen", 10, &TFormChouqian::TimerOpenTimer);
    TimerToMax = timer("TimerToMax", 10, &TFormChouqian::TimerToMaxTimer);
    timerDelayDisp = timer("timerDelayDisp", 5000, &TFormChouqian::timerDelayDispTimer);
    TimerAllOut = timer("TimerAllOut", 10, &TFormChouqian::TimerAllOutTimer);
}

bool TFormChouqian::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Resize) {
        if (watched == Panel0) Panel0Resize();
        else if (watched == LabelNum) placeCountField();
    }
    return QWidget::eventFilter(watched, event);
}

void TFormChouqian::placeCountField() {
    const QFontMetrics fm(LabelNum->font());
    const int left = fm.horizontalAdvance(kCountPrefix);
    const int width = std::max(fm.horizontalAdvance(kCountField) - left, 30);
    const int height = EditNum->sizeHint().height();
    EditNum->setGeometry(left, (LabelNum->height() - height) / 2, width, height);
}

QString TFormChouqian::statusText() const { return StatusBar1->currentMessage(); }

void TFormChouqian::setStatus(const QString &text) {
    if (text.isEmpty()) StatusBar1->clearMessage();
    else StatusBar1->showMessage(text);
}

// ---- making the lots --------------------------------------------------------------

void TFormChouqian::Panel0Resize() {
    BoardWidth = Panel0->width();
    BoardHeight = Panel0->height();
}

void TFormChouqian::EditNumKeyPress() { SpeedButtonMake->click(); }

void TFormChouqian::refuseCount(const QString &message) {
    setStatus(message);
    EditNum->setFocus();
    EditNum->selectAll();
}

void TFormChouqian::SpeedButtonMakeClick() {
    stopOpening();
    const lots::LotCount count = lots::checkLotCount(EditNum->text());
    if (count.n == 0) {
        refuseCount(count.message);
        return;
    }
    setStatus(QString());
    freeLots();
    ListView1->setRowCount(0);
    BoardWidth = Panel0->width();
    BoardHeight = Panel0->height();
    const lots::LotGrid grid = lots::layoutLots(count.n, BoardWidth, BoardHeight, EditNamec6->height());
    Panelc6->resize(grid.cardW, grid.cardH);
    const std::vector<int> numbers = shuffler_.deal(count.n);
    for (int i = 1; i <= count.n; ++i) makeLot(i, numbers[static_cast<std::size_t>(i - 1)], grid);
    made_ = count.n;

    delete paneltop_.data();
    paneltop_ = new QFrame(Panel0);
    paneltop_->setObjectName(QStringLiteral("paneltop"));
    paneltop_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    paneltop_->setAutoFillBackground(true);
    auto *frameLayout = new QVBoxLayout(paneltop_);
    frameLayout->setContentsMargins(1, 1, 1, 1);
    frameLayout->setSpacing(0);
    paneltop_->hide();
}

void TFormChouqian::makeLot(int i, int number, const lots::LotGrid &grid) {
    const QRect bounds(grid.position(i), QSize(grid.cardW, grid.cardH));
    auto *card = new LotPanel(i, Panel0);
    card->setObjectName(QStringLiteral("panela%1").arg(i));
    card->setText(QString::number(number));
    card->setGeometry(bounds);
    card->setPalette(Panelc6->palette());
    card->setAutoFillBackground(true);
    card->setCaptionFont(Panelc6->font());
    connect(card, &LotPanel::clicked, this, &TFormChouqian::Panelc6Click);
    card->show();
    cards_[i] = card;

    auto *cover = new LotPanel(i, Panel0);
    cover->setObjectName(QStringLiteral("panelb%1").arg(i));
    cover->setGeometry(bounds);
    cover->setPalette(Paneld6->palette());
    cover->setAutoFillBackground(true);
    connect(cover, &LotPanel::clicked, this, &TFormChouqian::Paneld6Click);
    cover->show();
    covers_[i] = cover;

    auto *name = new QLineEdit(Panel0);
    name->setObjectName(QStringLiteral("EditName%1").arg(i));
    name->setFixedHeight(EditNamec6->height());
    name->setGeometry(bounds.left(), bounds.bottom() + 1, bounds.width(), EditNamec6->height());
    name->setToolTip(QStringLiteral("输入姓名。回车或点击上图选择本号签并打开"));
    platform::refuseLineBreaks(name);  // a name is one line of the export
    connect(name, &QLineEdit::returnPressed, this, [this, i] { EditNamec6KeyPress(i); });
    name->show();
    names_[i] = name;
}

void TFormChouqian::freeLots() {
    for (int i = 1; i <= lots::kMaxLots; ++i) {
        keepFocusOffNames(names_[i].data());
        delete cards_[i].data();
        delete covers_[i].data();
        delete names_[i].data();
    }
    made_ = 0;
    frameLot_ = 0;
}

void TFormChouqian::stopOpening() {
    for (QTimer *t : {TimerToCenter, TimerOpen, TimerToMax, timerDelayDisp, TimerAllOut}) t->stop();
    releaseFrame();
    openingLot_ = 0;
    LotBusy = false;
}

// A stopped opening leaves its lot uncovered where the frame showed it, so the
// frame is free for the next one.
void TFormChouqian::releaseFrame() {
    if (!paneltop_) return;
    keepFocusOffNames(paneltop_);
    const QRect r = paneltop_->geometry();
    const int nameH = EditNamec6->height();
    if (LotPanel *c = card(frameLot_)) {
        c->setParent(Panel0);
        c->setGeometry(r.x(), r.y(), r.width(), std::max(r.height() - nameH, 1));
        c->show();
    }
    if (QLineEdit *e = nameField(frameLot_)) {
        e->setParent(Panel0);
        e->setGeometry(r.x(), r.y() + std::max(r.height() - nameH, 1), r.width(), nameH);
        e->show();
    }
    paneltop_->hide();
    frameLot_ = 0;
}

// A name field that leaves the board (freed, hidden or moved into the frame)
// hands the focus on to the next one with its whole text selected, and typing
// would replace a name already written: the board takes the focus instead.
void TFormChouqian::keepFocusOffNames(QWidget *leaving) {
    QWidget *f = QApplication::focusWidget();
    if (f && leaving && (f == leaving || leaving->isAncestorOf(f))) Panel0->setFocus(Qt::OtherFocusReason);
}

// ---- opening one lot --------------------------------------------------------------

void TFormChouqian::Panelc6Click(int tag) { chooseLot(tag); }
void TFormChouqian::Paneld6Click(int tag) { chooseLot(tag); }
void TFormChouqian::EditNamec6KeyPress(int tag) { chooseLot(tag); }

void TFormChouqian::chooseLot(int tag) {
    if (LotBusy) {
        setStatus(kWait);
        return;
    }
    CurrentLot = tag;
    LotBusy = true;
    BeginOpen();
}

bool TFormChouqian::openingParts() const {
    return card(CurrentLot) && cover(CurrentLot) && nameField(CurrentLot);
}

void TFormChouqian::BeginOpen() {
    if (!openingParts()) {
        LotBusy = false;
        return;
    }
    const QString name = kv::trimmed(nameField(CurrentLot)->text());
    if (!name.isEmpty() && findName(name) >= 0) {
        setStatus(name + QStringLiteral(" 已经抽过签了"));
        LotBusy = false;
        return;
    }
    openingLot_ = CurrentLot;
    // The chosen lot travels above the others.
    card(CurrentLot)->raise();
    cover(CurrentLot)->raise();
    nameField(CurrentLot)->raise();
    EnlargePending = true;
    TimerToCenter->start();
}

void TFormChouqian::TimerToCenterTimer() {
    if (!openingParts()) {
        TimerToCenter->stop();
        return;
    }
    LotPanel *c = card(CurrentLot), *v = cover(CurrentLot);
    QLineEdit *e = nameField(CurrentLot);
    const auto offsetX = [&] { return c->x() + c->width() / 2 - BoardWidth / 2; };
    const auto offsetY = [&] { return c->y() + c->height() / 2 - BoardHeight / 2; };
    c->move(c->x() + stepToward(offsetX()), c->y());
    // A cover already slid off the board stays where it is.
    if (v->x() < Panel0->width()) v->move(c->x(), v->y());
    e->move(c->x(), e->y());
    c->move(c->x(), c->y() + stepToward(offsetY()));
    if (v->x() < Panel0->width()) v->move(v->x(), c->y());
    e->move(e->x(), c->y() + c->height());
    if (std::abs(offsetX()) < 5 && std::abs(offsetY()) < 5) {
        TimerToCenter->stop();
        TimerOpen->start();
    }
}

void TFormChouqian::TimerOpenTimer() {
    if (!openingParts() || !paneltop_) {
        TimerOpen->stop();
        return;
    }
    LotPanel *c = card(CurrentLot), *v = cover(CurrentLot);
    QLineEdit *e = nameField(CurrentLot);
    v->move(v->x() + 3, v->y());
    // A card so near the right edge that its cover leaves the board before
    // passing it is enlarged once the cover is gone.
    const bool passed = v->x() > c->x() + c->width() + 20 || v->x() >= Panel0->width();
    if (passed && EnlargePending) {
        EnlargePending = false;
        paneltop_->setGeometry(c->geometry());
        paneltop_->show();
        paneltop_->raise();
        keepFocusOffNames(e);
        e->setParent(paneltop_);
        c->setParent(paneltop_);
        paneltop_->layout()->addWidget(c);
        paneltop_->layout()->addWidget(e);
        c->show();
        e->show();
        frameLot_ = CurrentLot;
        setStatus(QStringLiteral("提示：点击记录抽签表中表头标题可以排序"));
        TimerToMax->start();
    }
    if (v->x() >= Panel0->width()) TimerOpen->stop();
}

void TFormChouqian::TimerToMaxTimer() {
    TimerToMax->stop();
    QFrame *f = paneltop_;
    if (!f) return;
    f->setGeometry(f->x() - 5, f->y() - 5, f->width() + 10, f->height() + 10);
    if (f->width() + 100 <= Panel0->width() && f->height() + 100 <= Panel0->height()) {
        TimerToMax->start();
        return;
    }
    timerDelayDisp->start();
    LotPanel *c = card(CurrentLot);
    QLineEdit *e = nameField(CurrentLot);
    // "全部记录" may have taken the lot while it was being opened.
    if (c && e && !isRecorded(c->text())) addRecord({c->text(), kv::trimmed(e->text())});
}

void TFormChouqian::timerDelayDispTimer() {
    timerDelayDisp->stop();
    keepFocusOffNames(paneltop_);
    keepFocusOffNames(nameField(CurrentLot));
    if (paneltop_) paneltop_->hide();
    delete card(CurrentLot);
    delete cover(CurrentLot);
    delete nameField(CurrentLot);
    frameLot_ = 0;
    openingLot_ = 0;
    setStatus(QString());
    LotBusy = false;
}

// ---- open all, record all ---------------------------------------------------------

void TFormChouqian::SpeedButtonAllOutClick() {
    if (LotBusy) {
        setStatus(kWait);
        return;
    }
    LotBusy = true;
    allOutRounds_ = 0;
    TimerAllOut->start();
}

void TFormChouqian::TimerAllOutTimer() {
    bool moved = false;
    for (int i = 1; i <= lots::kMaxLots; ++i) {
        LotPanel *v = cover(i);
        if (v && v->x() <= Panel0->width()) {
            v->move(v->x() + 10, v->y());
            moved = true;
        }
    }
    if (moved && ++allOutRounds_ < kAllOutRounds) return;
    TimerAllOut->stop();
    setStatus(QStringLiteral("已全部打开"));
    LotBusy = false;
}

void TFormChouqian::SpeedButtonRecClick() {
    for (int i = 1; i <= made_; ++i) {
        LotPanel *c = card(i), *v = cover(i);
        QLineEdit *e = nameField(i);
        if (!c || !v || !e) continue;  // opened singly and removed
        if (isRecorded(c->text())) continue;
        if (c->parentWidget() == Panel0 && c->x() == v->x()) {
            setStatus(QStringLiteral("请先全部打开"));
            return;
        }
        const QString name = kv::trimmed(e->text());
        const bool repeat = !name.isEmpty() && findName(name) >= 0;
        addRecord({c->text(), repeat ? name + QStringLiteral("(重复)") : name});
        // A lot being opened stays in view; its removal takes it off the board.
        if (i == openingLot_) continue;
        keepFocusOffNames(e);
        c->hide();
        v->hide();
        e->hide();
    }
}

// ---- record list --------------------------------------------------------------------

int TFormChouqian::findName(const QString &name) const {
    for (int r = 0; r < ListView1->rowCount(); ++r)
        if (ListView1->item(r, 1)->text() == name) return r;
    return -1;
}

bool TFormChouqian::isRecorded(const QString &number) const {
    for (int r = 0; r < ListView1->rowCount(); ++r)
        if (ListView1->item(r, 0)->text() == number) return true;
    return false;
}

void TFormChouqian::addRecord(const DrawRecord &r) {
    const int row = ListView1->rowCount();
    ListView1->insertRow(row);
    ListView1->setItem(row, 0, new QTableWidgetItem(r.number));
    auto *name = new QTableWidgetItem(r.name);
    name->setTextAlignment(Qt::AlignCenter);
    ListView1->setItem(row, 1, name);
}

std::vector<DrawRecord> TFormChouqian::records() const {
    std::vector<DrawRecord> rows;
    for (int r = 0; r < ListView1->rowCount(); ++r)
        rows.push_back({ListView1->item(r, 0)->text(), ListView1->item(r, 1)->text()});
    return rows;
}

void TFormChouqian::setRecords(const std::vector<DrawRecord> &rows) {
    ListView1->setRowCount(0);
    for (const auto &r : rows) addRecord(r);
}

void TFormChouqian::ListView1ColumnClick(int column) {
    std::vector<DrawRecord> rows = records();
    std::stable_sort(rows.begin(), rows.end(), [&](const DrawRecord &a, const DrawRecord &b) {
        return lots::CompareDrawRecords(a, b, column, SortAscending) < 0;
    });
    setRecords(rows);
    SortAscending = !SortAscending;
}

void TFormChouqian::SpeedButtonSaveClick() {
    const std::vector<DrawRecord> rows = records();
    if (rows.empty()) return;
    QString path = dialogs_->saveFile(QStringLiteral("*.txt"), QDir::homePath());
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".txt");
    QStringList lines;
    for (const auto &r : rows) lines << lots::exportLine(r);
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    const QByteArray bytes = lots::exportBytes(rows);
    // Written aside and renamed, so a failed write leaves any old file whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        dialogs_->message(QStringLiteral("Cannot create file %1. %2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
}

}  // namespace host
