#include "controller/TFormAnswer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "controller/ControlClient.h"

namespace pad {

TFormAnswer::TFormAnswer(ControlClient *client, platform::Services services, QWidget *parent)
    : QWidget(parent, Qt::Window), client_(client), services_(std::move(services)) {
    setObjectName(QStringLiteral("FormAnswer"));
    setWindowTitle(QStringLiteral("提示：有人申请使用投影"));
    resize(430, 230);
    const QRect screen = services_.screens->primary();
    move(screen.center() - QPoint(215, 115));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
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

void TFormAnswer::showRequest(const QString &applicant) {
    // The question always names the latest applicant, whom the host now holds as pending.
    Label1->setText(applicant + QStringLiteral("申请控制投影，同意吗？"));
    show();
    raise();
    Timer1AutoClose->start();
}

void TFormAnswer::SpeedButtonAgreeClick() {
    // Hidden at once: a second "c_agree" would hand control away again.
    client_->sendLine("c_agree");
    hide();
}

void TFormAnswer::SpeedButtonRejectClick() {
    client_->sendLine("c_reject");
    hide();
}

void TFormAnswer::SpeedButtonIgnoreClick() { hide(); }

void TFormAnswer::Timer1AutoCloseTimer() { SpeedButtonIgnoreClick(); }

void TFormAnswer::hideEvent(QHideEvent *e) {
    Timer1AutoClose->stop();
    QWidget::hideEvent(e);
}

}  // namespace pad
