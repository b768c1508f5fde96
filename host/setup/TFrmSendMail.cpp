#include "host/setup/TFrmSendMail.h"

#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "common/Gbk.h"
#include "common/Text.h"

namespace host {

namespace {

const QString kListFilter = QStringLiteral("文本文件(*.txt);;所有文件(*.*)");

QStringList entries(const QListWidget *list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

QPushButton *namedButton(const char *name, const QString &text, QWidget *parent) {
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QLineEdit *namedEdit(const char *name, const QString &text, QWidget *parent) {
    auto *e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

}  // namespace

TFrmSendMail::TFrmSendMail(platform::Services services, std::shared_ptr<platform::MailSender> sender,
                           const MailConfig &config, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)),
      sender_(std::move(sender)) {
    setObjectName(QStringLiteral("FrmSendMail"));
    setWindowTitle(QStringLiteral("邮件群发器"));
    buildUi();
    ListMail->addItem(config.developer);
    vSmtp->setText(config.smtp);
    vPort->setText(config.port);
    vUser->setText(config.user);
    vPass->setText(config.pass);
    vEmail->setText(config.email);

    inputBox = [this](const QString &title, const QString &prompt, const QString &preset) {
        bool ok = false;
        const QString text = QInputDialog::getText(this, title, prompt, QLineEdit::Normal, preset, &ok);
        return ok ? std::optional<QString>(text) : std::nullopt;
    };
    sender_->onSent = [this](int index) {
        if (index < ListMail->count()) ListMail->setCurrentRow(index);
    };
    sender_->onFinished = [this](platform::MailResult result, const QString &detail) {
        ended(result, detail);
    };
}

// The sender may outlive the form; it must not call back into it.
TFrmSendMail::~TFrmSendMail() {
    sender_->onSent = nullptr;
    sender_->onFinished = nullptr;
}

void TFrmSendMail::buildUi() {
    setFixedSize(560, 530);
    ListMail = new QListWidget(this);
    ListMail->setObjectName(QStringLiteral("ListMail"));
    ListMail->setFixedWidth(170);
    ListMail->setContextMenuPolicy(Qt::CustomContextMenu);

    auto *info = new QGroupBox(QStringLiteral("邮件信息"), this);
    auto *infoGrid = new QGridLayout(info);
    MailTitle = namedEdit("MailTitle", QStringLiteral("123"), info);
    MailContent = new QPlainTextEdit(info);
    MailContent->setObjectName(QStringLiteral("MailContent"));
    MailContent->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MailContent->setPlainText(QStringLiteral("456\n789"));
    ListFile = new QListWidget(info);
    ListFile->setObjectName(QStringLiteral("ListFile"));
    ListFile->setMaximumHeight(70);
    ListFile->installEventFilter(this);
    OpenFiles = namedButton("OpenFiles", QStringLiteral("插入"), info);
    infoGrid->addWidget(new QLabel(QStringLiteral("邮件主题"), info), 0, 0);
    infoGrid->addWidget(MailTitle, 0, 1, 1, 2);
    infoGrid->addWidget(new QLabel(QStringLiteral("邮件内容"), info), 1, 0, Qt::AlignTop);
    infoGrid->addWidget(MailContent, 1, 1, 1, 2);
    infoGrid->addWidget(new QLabel(QStringLiteral("邮件附件"), info), 2, 0, Qt::AlignTop);
    infoGrid->addWidget(ListFile, 2, 1);
    infoGrid->addWidget(OpenFiles, 2, 2, Qt::AlignTop);

    auto *setup = new QGroupBox(QStringLiteral("系统设置"), this);
    auto *setupGrid = new QGridLayout(setup);
    vSmtp = namedEdit("vSmtp", QString(), setup);
    vPort = namedEdit("vPort", QString(), setup);
    vServer = new QCheckBox(QStringLiteral("是否使用服务器验证"), setup);
    vServer->setObjectName(QStringLiteral("vServer"));
    vServer->setChecked(true);
    vUser = namedEdit("vUser", QString(), setup);
    vPass = namedEdit("vPass", QString(), setup);
    vPass->setEchoMode(QLineEdit::Password);
    vEmail = namedEdit("vEmail", QString(), setup);
    setupGrid->addWidget(new QLabel(QStringLiteral("SMTP"), setup), 0, 0);
    setupGrid->addWidget(vSmtp, 0, 1);
    setupGrid->addWidget(new QLabel(QStringLiteral("端口"), setup), 0, 2);
    setupGrid->addWidget(vPort, 0, 3);
    setupGrid->addWidget(vServer, 1, 0, 1, 4);
    setupGrid->addWidget(new QLabel(QStringLiteral("用户名"), setup), 2, 0);
    setupGrid->addWidget(vUser, 2, 1);
    setupGrid->addWidget(new QLabel(QStringLiteral("密码"), setup), 2, 2);
    setupGrid->addWidget(vPass, 2, 3);
    setupGrid->addWidget(new QLabel(QStringLiteral("回复地址"), setup), 3, 0);
    setupGrid->addWidget(vEmail, 3, 1, 1, 3);

    auto *right = new QVBoxLayout;
    right->addWidget(info, 1);
    right->addWidget(setup);
    auto *panels = new QHBoxLayout;
    panels->addWidget(ListMail);
    panels->addLayout(right, 1);

    InputMail = namedButton("InputMail", QStringLiteral("导入邮址(&I)"), this);
    OutMail = namedButton("OutMail", QStringLiteral("导出邮址(&O)"), this);
    SendMail = namedButton("SendMail", QStringLiteral("发送邮件(&S)"), this);
    BreakSend = namedButton("BreakSend", QStringLiteral("中断发送(&B)"), this);
    SaveSetup = namedButton("SaveSetup", QStringLiteral("保存设置(&P)"), this);
    ExitSystem = namedButton("ExitSystem", QStringLiteral("关闭退出(&E)"), this);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {InputMail, OutMail, SendMail, BreakSend, SaveSetup, ExitSystem})
        buttons->addWidget(b);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->showMessage(QStringLiteral("准备就绪..."));
    StatusBar1->setSizeGripEnabled(false);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(6, 6, 6, 0);
    root->addLayout(panels, 1);
    root->addLayout(buttons);
    root->addWidget(StatusBar1);

    PopupMenu1 = new QMenu(this);
    N1 = PopupMenu1->addAction(QStringLiteral("导入邮址"));
    N2 = PopupMenu1->addAction(QStringLiteral("导出邮址"));
    PopupMenu1->addSeparator();
    N4 = PopupMenu1->addAction(QStringLiteral("添加邮址"));
    PopupMenu1->addSeparator();
    N6 = PopupMenu1->addAction(QStringLiteral("删除所选"));
    N7 = PopupMenu1->addAction(QStringLiteral("清空列表"));
    connect(ListMail, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(ListMail->viewport()->mapToGlobal(pos)); });

    connect(SendMail, &QPushButton::clicked, this, &TFrmSendMail::SendMailClick);
    connect(BreakSend, &QPushButton::clicked, this, &TFrmSendMail::BreakSendClick);
    connect(InputMail, &QPushButton::clicked, this, &TFrmSendMail::InputMailClick);
    connect(OutMail, &QPushButton::clicked, this, &TFrmSendMail::OutMailClick);
    connect(ExitSystem, &QPushButton::clicked, this, &TFrmSendMail::ExitSystemClick);
    connect(OpenFiles, &QPushButton::clicked, this, &TFrmSendMail::OpenFilesClick);
    connect(N1, &QAction::triggered, this, &TFrmSendMail::InputMailClick);
    connect(N2, &QAction::triggered, this, &TFrmSendMail::OutMailClick);
    connect(N4, &QAction::triggered, this, &TFrmSendMail::N4Click);
    connect(N6, &QAction::triggered, this, &TFrmSendMail::N6Click);
    connect(N7, &QAction::triggered, this, &TFrmSendMail::N7Click);
}

QStringList TFrmSendMail::mailLines() const {
    const QString text = MailContent->toPlainText();
    return text.isEmpty() ? QStringList() : text.split('\n');
}

void TFrmSendMail::setMailLines(const QStringList &lines) { MailContent->setPlainText(lines.join('\n')); }

void TFrmSendMail::report(const QString &text) {
    if (StatusTarget) StatusTarget(text);
}

// ---- send ------------------------------------------------------------------

void TFrmSendMail::SendMailClick() {
    if (sender_->running()) return;  // the running send keeps its connection
    platform::MailAccount account;
    account.host = kv::trimmed(vSmtp->text());
    const auto port = kv::parseDecimal(vPort->text(), 65535);
    account.port = port && *port > 0 ? static_cast<int>(*port) : 25;
    account.user = vUser->text();
    account.password = vPass->text();

    platform::MailMessage message;
    message.from = vUser->text();
    message.replyTo = vEmail->text();
    message.subject = MailTitle->text();
    message.subject.remove('\r').remove('\n');
    message.bodyLines = mailLines();
    message.attachments = entries(ListFile);
    const QStringList recipients = entries(ListMail);

    // Every address goes into the envelope or a header: all are checked before connecting.
    QStringList addresses = recipients;
    addresses << message.from;
    if (!message.replyTo.isEmpty()) addresses << message.replyTo;
    for (const QString &a : addresses) {
        if (!isMailAddress(a)) {
            report(kBadAddress + a);
            emit sendEnded(platform::MailResult::SendFailed);
            return;
        }
    }
    SendingFlag = 1;
    SendMail->setEnabled(false);
    sender_->start(account, message, recipients);
}

void TFrmSendMail::ended(platform::MailResult result, const QString &detail) {
    SendingFlag = 0;
    SendMail->setEnabled(true);
    if (result == platform::MailResult::Completed) report(kDone);
    if (result == platform::MailResult::SendFailed) report(kFailed);
    // Not the network's fault: the server's own words say what it takes.
    if (result == platform::MailResult::TooLarge) report(kTooLarge + detail);
    emit sendEnded(result);
}

void TFrmSendMail::BreakSendClick() {
    SendingFlag = 0;
    sender_->requestBreak();
}

// ---- lists ------------------------------------------------------------------

void TFrmSendMail::InputMailClick() {
    const QString path = services_.dialogs->openFile(kListFilter);
    if (path.isEmpty()) return;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        services_.dialogs->message(QStringLiteral("Cannot open file \"%1\".").arg(path));
        return;
    }
    ListMail->clear();
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QString address = kv::trimmed(kv::fromGbkLossy(line));
        if (!address.isEmpty()) ListMail->addItem(address);
    }
}

void TFrmSendMail::OutMailClick() {
    if (ListMail->count() == 0) return;
    QString path = services_.dialogs->saveFile(kListFilter);
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive)) path += QStringLiteral(".txt");
    QByteArray bytes;
    for (const QString &address : entries(ListMail)) bytes += kv::toGbkLossy(address) + "\r\n";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        services_.dialogs->message(QStringLiteral("Cannot create file \"%1\".").arg(path));
}

void TFrmSendMail::N4Click() {
    const auto text = inputBox(QStringLiteral("系统对话框"), QStringLiteral("请输入邮件地址："), QStringLiteral("@"));
    if (!text) return;
    const QString address = kv::trimmed(*text);
    if (isMailAddress(address)) ListMail->addItem(address);
}

void TFrmSendMail::N6Click() { delete ListMail->currentItem(); }

void TFrmSendMail::N7Click() { ListMail->clear(); }

void TFrmSendMail::OpenFilesClick() {
    const QString path = services_.dialogs->openFile(QStringLiteral("所有文件(*.*)"));
    if (!path.isEmpty()) ListFile->addItem(path);
}

// Closing only hides the form: the help window keeps using it.
void TFrmSendMail::ExitSystemClick() { close(); }

bool TFrmSendMail::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ListFile && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        delete ListFile->currentItem();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace host
