#include "controller/TFormAnswer.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "common/Protocol.h"
#include "controller/ControlClient.h"

namespace pad {

namespace wire = kv::wire;

TFormAnswer::TFormAnswer(ControlClient *client, platform::Services services, QWidget *parent)
    : QWidget(parent, Qt::Window), client_(client), services_(std::move(services)) {
    setObjectName(QStringLiteral("FormAnswer"));
    setWindowTitle(QStringLiteral("提示：有人申请使用投影"));
    // A fixed size: no text the host sends can push the window off the screen.
    setFixedSize(kWidth, kHeight);
    centreOnScreen();

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setTextFormat(Qt::PlainText);  // the applicant's text comes from the network
    Label2 = new QLabel(QStringLiteral("如未选择，30秒钟后本窗口会自动关闭"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignCenter);

    auto button = [this](const char *name, const QString &text, const QString &hint) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        return b;
    };
    SpeedButtonAgree = button("SpeedButtonAgree", QStringLiteral("同意"), QStringLiteral("移交投影控制权"));
    SpeedButtonReject = button("SpeedButtonReject", QStringLiteral("拒绝"), QStringLiteral("继续由自己掌控投影"));
    SpeedButtonIgnore = button("SpeedButtonIgnore", QStringLiteral("忽略"), QStringLiteral("不回复信息"));
    connect(SpeedButtonAgree, &QPushButton::clicked, this, &TFormAnswer::SpeedButtonAgreeClick);
    connect(SpeedButtonReject, &QPushButton::clicked, this, &TFormAnswer::SpeedButtonRejectClick);
    connect(SpeedButtonIgnore, &QPushButton::clicked, this, &TFormAnswer::SpeedButtonIgnoreClick);

    Timer1AutoClose = new QTimer(this);
    Timer1AutoClose->setSingleShot(true);
    Timer1AutoClose->setInterval(kAutoCloseMs);
    connect(Timer1AutoClose, &QTimer::timeout, this, &TFormAnswer::Timer1AutoCloseTimer);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(SpeedButtonAgree);
    buttons->addWidget(SpeedButtonReject);
    buttons->addWidget(SpeedButtonIgnore);
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(Label1);
    layout->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(Label2);
}

void TFormAnswer::centreOnScreen() {
    const QRect screen = services_.screens->primary();
    QRect r(QPoint(), frameGeometry().size());
    r.moveCenter(screen.center());
    move(std::max(r.left(), screen.left()), std::max(r.top(), screen.top()));
}

void TFormAnswer::showRequest(const QString &applicant) {
    // The question always names the latest applicant, whom the host now holds
    // as pending: on one line, cut to fit the window.
    QString who = applicant;
    for (QChar &c : who)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
    const QString question = QStringLiteral("申请控制投影，同意吗？");
    const QFontMetrics fm(Label1->font());
    const int room = kWidth - 40 - fm.horizontalAdvance(question);
    Label1->setText(fm.elidedText(who, Qt::ElideRight, std::max(room, 0)) + question);
    if (!isVisible()) centreOnScreen();
    show();
    raise();
    Timer1AutoClose->start();
}

void TFormAnswer::answer(const QByteArray &word) {
    // One answer per request, then the window goes: with no request pending
    // the host takes a further "c_agree" as giving control up, so a second
    // click would take it away from the applicant just granted it.
    if (!isVisible()) return;
    client_->sendLine(word);
    hide();
}

void TFormAnswer::SpeedButtonAgreeClick() { answer(wire::command::agree); }

void TFormAnswer::SpeedButtonRejectClick() { answer(wire::command::reject); }

void TFormAnswer::SpeedButtonIgnoreClick() { hide(); }

void TFormAnswer::Timer1AutoCloseTimer() { SpeedButtonIgnoreClick(); }

void TFormAnswer::hideEvent(QHideEvent *e) {
    Timer1AutoClose->stop();
    QWidget::hideEvent(e);
}

}  // namespace pad
