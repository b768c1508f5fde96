#include "platform/DisplayPanelWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace platform {

namespace {
QPushButton *monitorButton(const QString &digit, QWidget *parent) {
    auto *b = new QPushButton(digit, parent);
    b->setCheckable(true);
    b->setMinimumSize(96, 72);
    QFont f = b->font();
    f.setPointSize(f.pointSize() * 2);
    f.setBold(true);
    b->setFont(f);
    return b;
}
}  // namespace

DisplayPanelWindow::DisplayPanelWindow(std::shared_ptr<OutputLayout> layout, QWidget *parent)
    : QDialog(parent), layout_(std::move(layout)) {
    setObjectName(QStringLiteral("DisplayPanel"));
    setWindowTitle(kDisplayPanelTitle);
    setSizeGripEnabled(false);

    auto *page = new QGroupBox(QStringLiteral("设置"), this);
    auto *pageLay = new QVBoxLayout(page);
    pageLay->addWidget(new QLabel(QStringLiteral("单击显示器图标，选择要更改的显示器。"), page));
    auto *icons = new QHBoxLayout;
    monitor1 = monitorButton(QStringLiteral("1"), page);
    monitor2 = monitorButton(QStringLiteral("2"), page);
    auto *group = new QButtonGroup(this);
    group->addButton(monitor1, 1);
    group->addButton(monitor2, 2);
    icons->addStretch();
    icons->addWidget(monitor1);
    icons->addWidget(monitor2);
    icons->addStretch();
    pageLay->addLayout(icons);

    auto *listRow = new QHBoxLayout;
    monitorList = new QComboBox(page);
    auto *listLabel = new QLabel(QStringLiteral("显示(&D):"), page);
    listLabel->setBuddy(monitorList);
    listRow->addWidget(listLabel);
    listRow->addWidget(monitorList, 1);
    pageLay->addLayout(listRow);
    extendBox = new QCheckBox(QStringLiteral("将桌面扩展到该显示器上(&E)"), page);
    pageLay->addWidget(extendBox);
    message = new QLabel(page);
    message->setWordWrap(true);
    message->setStyleSheet(QStringLiteral("color: #b00000;"));
    pageLay->addWidget(message);

    okButton = new QPushButton(QStringLiteral("确定"), this);
    cancelButton = new QPushButton(QStringLiteral("取消"), this);
    applyButton = new QPushButton(QStringLiteral("应用(&A)"), this);
    okButton->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    buttons->addWidget(applyButton);
    auto *root = new QVBoxLayout(this);
    root->addWidget(page);
    root->addLayout(buttons);

    connect(group, &QButtonGroup::idClicked, this, &DisplayPanelWindow::selectMonitor);
    connect(monitorList, &QComboBox::activated, this, [this](int i) { selectMonitor(i + 1); });
    connect(extendBox, &QCheckBox::clicked, this, [this](bool on) {
        if (selected_ == 2) wantOn_ = on;
        showChoice();
    });
    connect(okButton, &QPushButton::clicked, this, &DisplayPanelWindow::accept);
    connect(cancelButton, &QPushButton::clicked, this, &DisplayPanelWindow::reject);
    connect(applyButton, &QPushButton::clicked, this, &DisplayPanelWindow::apply);

    // The panel's own keys come first, whichever control has the focus.
    installEventFilter(this);
    for (QWidget *w : findChildren<QWidget *>()) w->installEventFilter(this);
    refresh();
    monitorList->setFocus();
}

void DisplayPanelWindow::refresh() {
    state_ = layout_->state();
    wantOn_ = state_.secondOn;
    monitorList->clear();
    monitorList->addItem(QStringLiteral("1. %1 (主显示器)").arg(state_.primaryName));
    if (!state_.secondName.isEmpty()) monitorList->addItem(QStringLiteral("2. %1").arg(state_.secondName));
    message->setText(state_.problem);
    message->setVisible(!state_.problem.isEmpty());
    if (selected_ == 2 && state_.secondName.isEmpty()) selected_ = 1;
    showChoice();
}

void DisplayPanelWindow::showChoice() {
    const bool canSwitch = state_.problem.isEmpty();
    monitor2->setEnabled(!state_.secondName.isEmpty());
    // A monitor outside the desktop looks switched off.
    monitor2->setStyleSheet(wantOn_ ? QString() : QStringLiteral("color: gray; border: 2px dashed gray;"));
    monitor1->setChecked(selected_ == 1);
    monitor2->setChecked(selected_ == 2);
    monitorList->setCurrentIndex(selected_ - 1);
    // The primary monitor always carries the desktop.
    extendBox->setChecked(selected_ == 1 || wantOn_);
    extendBox->setEnabled(selected_ == 2 && canSwitch);
    okButton->setEnabled(true);
    applyButton->setEnabled(canSwitch && wantOn_ != state_.secondOn);
}

void DisplayPanelWindow::selectMonitor(int n) {
    if (n == 2 && state_.secondName.isEmpty()) n = 1;
    selected_ = n == 2 ? 2 : 1;
    showChoice();
}

void DisplayPanelWindow::toggleExtend() {
    if (selected_ != 2 || !state_.problem.isEmpty()) return;
    wantOn_ = !wantOn_;
    showChoice();
}

bool DisplayPanelWindow::apply() {
    if (!state_.problem.isEmpty()) return false;
    if (wantOn_ == state_.secondOn) return true;
    const bool want = wantOn_;
    const QString failure = layout_->setSecondOn(want);
    refresh();
    if (!failure.isEmpty()) {
        wantOn_ = want;
        message->setText(failure);
        message->setVisible(true);
        showChoice();
        return false;
    }
    return true;
}

void DisplayPanelWindow::accept() {
    // Where nothing can be changed the window stays, so its reason can be read.
    if (apply()) QDialog::accept();
}

bool DisplayPanelWindow::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return QDialog::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers mods = key->modifiers();
    const int k = key->key();
    // Alt+E is handled here at once, not by the check box's mnemonic, which
    // would toggle it only after a delay: Enter may already be waiting.
    const bool altE = k == Qt::Key_E && (mods & Qt::AltModifier);
    // The number pad gives digits with Num Lock on, arrows and End with it off.
    const bool pad = mods & Qt::KeypadModifier;
    const int monitor = !pad ? 0 : (k == Qt::Key_1 || k == Qt::Key_End) ? 1 : (k == Qt::Key_2 || k == Qt::Key_Down) ? 2 : 0;
    if (!altE && !monitor) return QDialog::eventFilter(watched, event);
    if (type == QEvent::ShortcutOverride) {
        event->accept();  // a key press follows instead of a shortcut
        return true;
    }
    if (altE)
        toggleExtend();
    else
        selectMonitor(monitor);
    return true;
}

namespace {
class WindowDisplayPanel : public DisplayPanel {
public:
    explicit WindowDisplayPanel(std::shared_ptr<OutputLayout> layout) : layout_(std::move(layout)) {}
    ~WindowDisplayPanel() override { delete window_.data(); }

    bool open() override {
        if (!qApp) return false;
        if (!window_) {
            window_ = new DisplayPanelWindow(layout_ ? layout_ : makeXRandrLayout());
            window_->setAttribute(Qt::WA_DeleteOnClose);
        } else {
            // Left open meanwhile: the monitors may have changed since.
            window_->refresh();
        }
        if (window_->isMinimized())
            window_->showNormal();
        else
            window_->show();
        window_->raise();
        window_->activateWindow();
        return true;
    }

private:
    std::shared_ptr<OutputLayout> layout_;
    QPointer<DisplayPanelWindow> window_;
};
}  // namespace

std::shared_ptr<DisplayPanel> makeDisplayPanel(std::shared_ptr<OutputLayout> layout) {
    return std::make_shared<WindowDisplayPanel>(std::move(layout));
}

}  // namespace platform
