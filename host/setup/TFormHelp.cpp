#include "host/setup/TFormHelp.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "common/HelpText.h"
#include "common/IniFile.h"
#include "common/Text.h"
#include "host/protocol/HostConfig.h"
#include "host/setup/TFrmSendMail.h"

namespace host {

namespace {

const QString kClosingLine =
    QStringLiteral("（此邮箱为 Korvelo投影助理 软件专用发件邮箱，勿回复，请回复邮件标题上的邮箱）");
const QString kFoundLine = QStringLiteral("    我发现一个软件很有意思，叫“Korvelo投影助理”，让幻灯片投影更方便，");
const QString kInterestLine = QStringLiteral("你可能对她会有兴趣！");
constexpr int kBlankLines = 45;

QString webLine() { return QStringLiteral("    网址：") + kMakerPage; }

QStringList blankLines() { return QStringList(kBlankLines, QString()); }

// Read-only help text: blue, 16 pixels high, wrapped, with a scroll bar.
QPlainTextEdit *textPage(const char *name, const QString &text, QWidget *parent) {
    auto *page = new QPlainTextEdit(text, parent);
    page->setObjectName(QString::fromLatin1(name));
    page->setReadOnly(true);
    page->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font = page->font();
    font.setPixelSize(16);
    page->setFont(font);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Text, Qt::blue);
    page->setPalette(palette);
    return page;
}

QPushButton *pageButton(const char *name, const QString &text, QStyle::StandardPixmap icon, QWidget *parent) {
    auto *b = new QPushButton(parent->style()->standardIcon(icon), text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFlat(true);
    b->setStyleSheet(QStringLiteral("text-align: left; padding: 6px;"));
    return b;
}

QRadioButton *radio(const char *name, const QString &text, QWidget *parent) {
    auto *r = new QRadioButton(text, parent);
    r->setObjectName(QString::fromLatin1(name));
    return r;
}

}  // namespace

TFormHelp::TFormHelp(platform::Services services, QString programDir, const MailConfig &config,
                     QWidget *parent)
    : QWidget(parent, Qt::Window),
      services_(std::move(services)),
      programDir_(std::move(programDir)),
      developer_(config.developer) {
    setObjectName(QStringLiteral("FormHelp"));
    setWindowTitle(QStringLiteral("Korvelo投影助理 帮助 "));
    HostProgramPath = QCoreApplication::applicationFilePath();
    buildUi();
    resize(647, 518);

    TimerStart = new QTimer(this);
    TimerStart->setInterval(1000);
    TimerStart->setSingleShot(true);
    connect(TimerStart, &QTimer::timeout, this, &TFormHelp::TimerStartTimer);
    TimerSuccCheck = new QTimer(this);
    TimerSuccCheck->setInterval(200);
    connect(TimerSuccCheck, &QTimer::timeout, this, &TFormHelp::TimerSuccCheckTimer);
    SendCheckTicks = 0;
}

void TFormHelp::buildUi() {
    SpeedButtonSoft = pageButton("SpeedButtonSoft", QStringLiteral("  软件介绍"), QStyle::SP_FileDialogInfoView, this);
    SpeedButtonAct = pageButton("SpeedButtonAct", QStringLiteral("  操作说明"), QStyle::SP_FileDialogDetailedView, this);
    SpeedButtonSuggest = pageButton("SpeedButtonSuggest", QStringLiteral("  建议推荐"), QStyle::SP_MessageBoxQuestion, this);
    connect(SpeedButtonSoft, &QPushButton::clicked, this, &TFormHelp::SpeedButtonSoftClick);
    connect(SpeedButtonAct, &QPushButton::clicked, this, &TFormHelp::SpeedButtonActClick);
    connect(SpeedButtonSuggest, &QPushButton::clicked, this, &TFormHelp::SpeedButtonSuggestClick);

    auto *left = new QWidget(this);
    left->setFixedWidth(123);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(2, 4, 2, 4);
    for (QPushButton *b : {SpeedButtonSoft, SpeedButtonAct, SpeedButtonSuggest}) leftLayout->addWidget(b);
    leftLayout->addStretch();
    auto *picture = new QLabel(QStringLiteral("Korvelo\n投影助理"), left);
    picture->setAlignment(Qt::AlignCenter);
    picture->setStyleSheet(QStringLiteral("color: white; background: #1f5fbf; font-weight: bold; padding: 10px;"));
    leftLayout->addWidget(picture);

    MemoSoft = textPage("MemoSoft", kv::introductionText(), this);
    MemoAct = textPage("MemoAct", instructionsText(), this);
    MemoAct->hide();
    Panel3 = buildFeedbackPage();
    Panel3->hide();

    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(left);
    for (QWidget *page : {static_cast<QWidget *>(MemoSoft), static_cast<QWidget *>(MemoAct), Panel3})
        body->addWidget(page, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    statusPanel_ = new QLabel(StatusBar1);
    statusPanel_->setMinimumWidth(200);
    StatusBar1->addWidget(statusPanel_, 1);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addLayout(body, 1);
    root->addWidget(StatusBar1);
}

QWidget *TFormHelp::buildFeedbackPage() {
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("Panel3"));

    auto *to = new QGroupBox(QStringLiteral("发信息给"), page);
    RadioButtonHome = radio("RadioButtonHome", QStringLiteral("开发者   "), to);
    RadioButtonFriend = radio("RadioButtonFriend", QStringLiteral("朋友   "), to);
    RadioButtonFriend->setChecked(true);
    auto *toRow = new QHBoxLayout(to);
    toRow->addWidget(RadioButtonHome);
    toRow->addWidget(RadioButtonFriend);
    toRow->addStretch();

    auto *quick = new QGroupBox(QStringLiteral("快捷输入"), page);
    RadioButton1 = radio("RadioButton1", QStringLiteral("这个软件对我有很大帮助  "), quick);
    RadioButton4 = radio("RadioButton4", QStringLiteral("这个软件对我有一些帮助  "), quick);
    RadioButton2 = radio("RadioButton2", QStringLiteral("感觉一般，可用可不用  "), quick);
    RadioButton3 = radio("RadioButton3", QStringLiteral("这个软件太差了,很多问题  "), quick);
    auto *quickGrid = new QGridLayout(quick);
    quickGrid->addWidget(RadioButton1, 0, 0);
    quickGrid->addWidget(RadioButton4, 0, 1);
    quickGrid->addWidget(RadioButton2, 1, 0);
    quickGrid->addWidget(RadioButton3, 1, 1);
    for (QRadioButton *r : {RadioButton1, RadioButton4, RadioButton2, RadioButton3})
        connect(r, &QRadioButton::toggled, this, [this, r](bool on) {
            if (on) appendLine(r->text());
        });
    connect(RadioButtonHome, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RadioButtonHomeClick();
    });
    connect(RadioButtonFriend, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RadioButtonFriendClick();
    });

    Memo1 = new QPlainTextEdit(page);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QStringList initial{QStringLiteral("Hi，你好！"), QString(), kFoundLine, kInterestLine, QString(), webLine()};
    Memo1->setPlainText((initial + blankLines() + QStringList{kClosingLine}).join('\n'));

    LabelMail0 = new QLabel(QStringLiteral("    我的邮箱："), page);
    LabelMail0->setObjectName(QStringLiteral("LabelMail0"));
    EditMail0 = new QLineEdit(QStringLiteral("@"), page);
    EditMail0->setObjectName(QStringLiteral("EditMail0"));
    LabelMail1 = new QLabel(QStringLiteral(" 朋友邮箱：  "), page);
    LabelMail1->setObjectName(QStringLiteral("LabelMail1"));
    EditMail1 = new QLineEdit(QStringLiteral("@"), page);
    EditMail1->setObjectName(QStringLiteral("EditMail1"));
    SpeedButtonSend = new QPushButton(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("发送邮件 "), page);
    SpeedButtonSend->setObjectName(QStringLiteral("SpeedButtonSend"));
    SpeedButtonSend->setToolTip(QStringLiteral("发送到Korvelo软件工作室邮箱：") + developer_);
    connect(SpeedButtonSend, &QPushButton::clicked, this, &TFormHelp::SpeedButtonSendClick);

    auto *addresses = new QGridLayout;
    addresses->addWidget(LabelMail0, 0, 0);
    addresses->addWidget(EditMail0, 0, 1);
    addresses->addWidget(LabelMail1, 1, 0);
    addresses->addWidget(EditMail1, 1, 1);
    addresses->addWidget(SpeedButtonSend, 0, 2, 2, 1);

    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(to);
    layout->addWidget(quick);
    layout->addWidget(new QLabel(QStringLiteral("正文"), page));
    layout->addWidget(Memo1, 1);
    layout->addLayout(addresses);
    return page;
}

void TFormHelp::setMailForm(TFrmSendMail *form) {
    FrmSendMail = form;
    if (!form) return;
    form->StatusTarget = [this](const QString &text) { setStatus(text); };
    connect(form, &TFrmSendMail::sendEnded, this, &TFormHelp::mailEnded);
}

QString TFormHelp::statusText() const { return statusPanel_->text(); }

void TFormHelp::setStatus(const QString &text) { statusPanel_->setText(text); }

QStringList TFormHelp::memoLines() const {
    const QString text = Memo1->toPlainText();
    return text.isEmpty() ? QStringList() : text.split('\n');
}

void TFormHelp::appendLine(const QString &line) {
    if (Memo1->document()->isEmpty())
        Memo1->setPlainText(line);
    else
        Memo1->appendPlainText(line);
}

// ---- pages -------------------------------------------------------------------

void TFormHelp::showPage(QWidget *page) {
    for (QWidget *p : {static_cast<QWidget *>(MemoSoft), static_cast<QWidget *>(MemoAct), Panel3})
        p->setVisible(p == page);
}

void TFormHelp::SpeedButtonSoftClick() { showPage(MemoSoft); }
void TFormHelp::SpeedButtonActClick() { showPage(MemoAct); }
void TFormHelp::SpeedButtonSuggestClick() { showPage(Panel3); }

// ---- templates ---------------------------------------------------------------

void TFormHelp::RadioButtonHomeClick() {
    Memo1->setPlainText(QStringList{QStringLiteral("Korvelo软件工作室："), QStringLiteral("    你们好！"),
                                    QStringLiteral("    我使用了Korvelo投影助理，有一些建议提供给你们参考，"
                                                   "希望能把这个软件越做越好："),
                                    QStringLiteral("1."), QStringLiteral("2."), QStringLiteral("3.")}
                            .join('\n'));
    LabelMail1->setText(QStringLiteral(" Korvelo邮箱：  "));
    EditMail1->setText(developer_);
    Memo1->setFocus();
}

QStringList TFormHelp::friendTemplate(const QString &date) {
    QStringList lines{QStringLiteral("Hi，你好！"), kFoundLine, kInterestLine, webLine(), QString(),
                      QString(43, ' ') + date};
    lines += blankLines();
    lines << kClosingLine;
    lines.insert(1, QString());
    lines.insert(0, QString());
    return lines;
}

void TFormHelp::RadioButtonFriendClick() {
    Memo1->setPlainText(friendTemplate(services_.clock->shortDate()).join('\n'));
    LabelMail1->setText(QStringLiteral(" 朋友邮箱：  "));
    EditMail1->setText(QStringLiteral("@"));
    EditMail1->setFocus();
}

// ---- own address and send ------------------------------------------------------

void TFormHelp::TimerStartTimer() {
    TimerStart->stop();
    SavedMyMail = kv::IniFile(showIniPath(programDir_)).readString(QStringLiteral("server"), "MyMail", "@");
    EditMail0->setText(SavedMyMail);
}

void TFormHelp::SpeedButtonSendClick() {
    const QString own = kv::trimmed(EditMail0->text());
    if (!own.isEmpty() && own != SavedMyMail) {
        try {
            kv::IniFile(showIniPath(programDir_)).writeString(QStringLiteral("server"), "MyMail", own);
        } catch (const kv::IniWriteError &e) {
            services_.dialogs->message(e.message());
            return;
        }
        SavedMyMail = own;
    }
    if (!isMailAddress(own)) {
        setStatus(kNeedOwn);
        EditMail0->setFocus();
        return;
    }
    if (!FrmSendMail) return;
    FrmSendMail->setMailLines(memoLines());
    FrmSendMail->ListMail->clear();
    FrmSendMail->ListFile->clear();
    if (RadioButtonFriend->isChecked()) {
        const QString friendAddress = kv::trimmed(EditMail1->text());
        if (!isMailAddress(friendAddress)) {
            setStatus(kNeedFriend);
            EditMail1->setFocus();
            return;
        }
        FrmSendMail->ListMail->addItem(friendAddress);
        FrmSendMail->MailTitle->setText(EditMail0->text() + QStringLiteral("向您推荐一个有意思的软件"));
        FrmSendMail->ListFile->addItem(HostProgramPath);
        const QString pad = clientProgramPath(programDir_);
        if (QFileInfo(pad).isFile()) FrmSendMail->ListFile->addItem(pad);
    } else {
        FrmSendMail->MailTitle->setText(EditMail0->text() + QStringLiteral("意见反馈"));
        FrmSendMail->ListMail->addItem(developer_);
    }
    setStatus(kSending);
    // Each send gets the whole minute before the hint.
    SendCheckTicks = 0;
    TimerSuccCheck->start();
    SpeedButtonSend->setEnabled(false);
    FrmSendMail->SendMailClick();
}

void TFormHelp::mailEnded(platform::MailResult result) {
    SpeedButtonSend->setEnabled(true);
    if (result == platform::MailResult::ConnectFailed) {
        setStatus(kConnectFailed);
        TimerSuccCheck->stop();
        SendCheckTicks = 0;
    }
}

void TFormHelp::TimerSuccCheckTimer() {
    const QString text = statusText();
    if (text.contains(QStringLiteral("邮件发送完成")) || text.contains(QStringLiteral("邮件发送失败"))) {
        TimerSuccCheck->stop();
        SendCheckTicks = 0;
        return;
    }
    if (++SendCheckTicks > kWatchdogTicks) {
        setStatus(kNoResultHint);
        TimerSuccCheck->stop();
        SendCheckTicks = 0;
    }
}

// ---- texts -------------------------------------------------------------------------

QString TFormHelp::instructionsText() {
    return QStringLiteral(
        "本程序是Korvelo投影助理的投影端，运行在连接投影仪的电脑上。\n\n"
        "一、计时功能\n"
        "1. 开始放映时自动计时：在设置窗口的“计时”页中选择“幻灯片放映时启动”，幻灯片一开始放映，计时器就自动启动；"
        "也可以点击“手动计时”随时开始或停止计时。\n"
        "2. 计时钟：可以在屏幕一角显示小计时钟，也可以全屏显示，或者不显示。\n"
        "3. 倒计时或正计时：倒计时从设定的时长开始减少，正计时从零开始增加。\n"
        "4. 显示设置：可以设置计时钟的字体、颜色、背景和透明度，并可以用鼠标把计时钟拖到屏幕的任意位置。\n"
        "5. 时长和延时：设置每位演讲者的时长（时、分、秒），以及开始计时前的延时秒数。\n"
        "6. 时间到的动作：可以选择黑屏、逐渐变黑、关闭幻灯片或播放音乐。\n\n"
        "二、双屏投影\n"
        "1. 先点击“第二桌面”把桌面扩展到第二个屏幕（投影仪），再点击“异步投影”启动演讲者视图："
        "观众在投影上看到幻灯片，演讲者在自己的屏幕上看到备注和下一页。\n"
        "2. 也可以手工设置：在演示程序的“幻灯片放映”设置中选择在第二个显示器上放映，并打开演讲者视图。\n"
        "3. 最多支持两个屏幕。\n\n"
        "三、投影服务\n"
        "1. 点击“启动投影服务”后，控制端才能连接；也可以在设置中选择启动时自动开始服务。\n"
        "2. 在设置窗口中可以修改登录的用户名和密码，控制端登录时必须使用相同的用户名和密码。\n"
        "3. 使用双屏时，幻灯片只在第二个屏幕上放映。\n"
        "4. 同一时间只有一个控制端能控制投影，其他控制端可以申请控制权。\n"
        "5. 控制端只能把文件上传到共享目录，不能访问其他目录。\n"
        "6. 控制端可以发送的按键：PgDn下一页；PgUp上一页；数字加回车转到指定页；B黑屏；W白屏；"
        "Home第一页；End最后一页。\n\n"
        "四、其他\n"
        "1. 抽签：可以制作1到100个签，用于确定演讲顺序。\n"
        "2. 停止音乐：点击“停止音乐”可以随时停止正在播放的音乐。\n"
        "3. 共享目录：在设置窗口的“系统”页中选择共享目录，也可以在主窗口的“共享目录”中输入路径后按回车。");
}

}  // namespace host
