#include "controller/TFormFile.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

#include "common/Text.h"
#include "controller/LogBox.h"
#include "controller/SingleLine.h"
#include "controller/StatusLine.h"
#include "controller/TForm1.h"

namespace pad {

TFormFile::TFormFile(TForm1 *form1, QWidget *parent) : QWidget(parent, Qt::Window), form1_(form1) {
    setObjectName(QStringLiteral("FormFile"));
    setWindowTitle(QStringLiteral("Korvelo投影助理 文件窗口"));
    resize(420, 460);

    auto edit = [this](const char *name, const QString &text) {
        auto *e = new QLineEdit(text, this);
        e->setObjectName(QString::fromLatin1(name));
        refuseLineBreaks(e);
        return e;
    };
    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };

    remoteListsArea = new QWidget(this);
    remoteListsArea->setObjectName(QStringLiteral("remoteListsArea"));
    auto *remoteLists = new QHBoxLayout(remoteListsArea);
    remoteLists->setContentsMargins(0, 0, 0, 0);
    EditRFile = edit("EditRFile", QStringLiteral("2.ppt"));
    SpeedButtonRefresh = button("SpeedButtonRefresh", QStringLiteral("刷新 "));
    SpeedButtonRefresh->setEnabled(false);

    EditRip = edit("EditRip", QStringLiteral("192.168.1.2"));
    editControlPort = edit("editControlPort", QStringLiteral("8220"));
    editUser = edit("editUser", QStringLiteral("tuvop"));
    EditPass = edit("EditPass", QStringLiteral("tuvop"));
    EditPass->setEchoMode(QLineEdit::Password);
    SpeedButtonScan = button("SpeedButtonScan", QStringLiteral(" 扫描 "));
    SpeedButtonConnect = button("SpeedButtonConnect", QStringLiteral("连接"));
    SpeedButtonOpen = button("SpeedButtonOpen", QStringLiteral("打开"));
    SpeedButtonUp = button("SpeedButtonUp", QStringLiteral("上传"));
    SpeedButtonUp->setEnabled(false);
    connect(SpeedButtonConnect, &QPushButton::clicked, this, &TFormFile::SpeedButtonConnectClick);
    connect(SpeedButtonScan, &QPushButton::clicked, this, &TFormFile::SpeedButtonScanClick);
    connect(SpeedButtonOpen, &QPushButton::clicked, this, &TFormFile::SpeedButtonOpenClick);
    connect(EditRip, &QLineEdit::returnPressed, this, &TFormFile::EditRipReturnPressed);

    LabelLocal = new QLabel(QStringLiteral("本地"), this);
    MaskEditFile = edit("MaskEditFile", QString());
    localBrowserArea = new QWidget(this);
    localBrowserArea->setObjectName(QStringLiteral("localBrowserArea"));
    auto *localBrowser = new QHBoxLayout(localBrowserArea);
    localBrowser->setContentsMargins(0, 0, 0, 0);

    StatusBar1 = new StatusLine(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->hide();

    auto *remoteName = new QHBoxLayout;
    remoteName->addWidget(EditRFile, 1);
    remoteName->addWidget(SpeedButtonRefresh);

    // Two fields to a row and the buttons below them: rows left for the lists.
    auto *conn = new QGridLayout;
    conn->setVerticalSpacing(2);
    auto field = [this, conn](const QString &label, QLineEdit *e, int row, int column) {
        conn->addWidget(new QLabel(label, this), row, column);
        conn->addWidget(e, row, column + 1);
    };
    field(QStringLiteral("远端IP"), EditRip, 0, 0);
    field(QStringLiteral("远端端口"), editControlPort, 0, 2);
    field(QStringLiteral("用户名"), editUser, 1, 0);
    field(QStringLiteral("密  码"), EditPass, 1, 2);
    conn->setColumnStretch(1, 3);
    conn->setColumnStretch(3, 2);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {SpeedButtonScan, SpeedButtonConnect, SpeedButtonOpen, SpeedButtonUp}) buttons->addWidget(b);
    conn->addLayout(buttons, 2, 0, 1, 4);

    // The remote part above a splitter, the connection and local parts below it.
    auto *remotePart = new QWidget(this);
    auto *remote = new QVBoxLayout(remotePart);
    remote->setContentsMargins(0, 0, 0, 0);
    remote->setSpacing(2);
    remote->addWidget(new QLabel(QStringLiteral("投影端（远端）"), remotePart));
    remote->addWidget(remoteListsArea, 1);
    remote->addLayout(remoteName);
    auto *lowerPart = new QWidget(this);
    auto *lower = new QVBoxLayout(lowerPart);
    lower->setContentsMargins(0, 0, 0, 0);
    lower->setSpacing(2);
    lower->addLayout(conn);
    lower->addWidget(LabelLocal);
    lower->addWidget(MaskEditFile);
    lower->addWidget(localBrowserArea, 1);
    SplitterRemote = new QSplitter(Qt::Vertical, this);
    SplitterRemote->setObjectName(QStringLiteral("SplitterRemote"));
    SplitterRemote->setChildrenCollapsible(false);
    SplitterRemote->addWidget(remotePart);
    SplitterRemote->addWidget(lowerPart);
    connect(SplitterRemote, &QSplitter::splitterMoved, this, [this] { splitterMoved_ = true; });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(2);
    layout->addWidget(SplitterRemote, 1);
    layout->addWidget(StatusBar1);
}

void TFormFile::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (splitterMoved_) return;  // the user's own split stays
    // The room beyond what each part needs goes half to the remote lists, half to the local ones.
    layout()->activate();
    const int a = SplitterRemote->widget(0)->minimumSizeHint().height();
    const int b = SplitterRemote->widget(1)->minimumSizeHint().height();
    const int extra = std::max(0, SplitterRemote->height() - SplitterRemote->handleWidth() - a - b);
    SplitterRemote->setSizes({a + extra / 2, b + extra - extra / 2});
}

void TFormFile::SpeedButtonConnectClick() {
    StatusBar1->clear();
    form1_->SButtonConnectClick();
}

void TFormFile::SpeedButtonScanClick() { form1_->SpeedButtonScanClick(); }

void TFormFile::SpeedButtonOpenClick() { form1_->SpeedButtonOpenClick(); }

void TFormFile::EditRipReturnPressed() {
    if (kv::trimmed(SpeedButtonConnect->text()) == QStringLiteral("连接")) SpeedButtonConnect->click();
}

void TFormFile::reloadLoginFields() {
    const PadConfig &config = *form1_->config();
    editUser->setText(config.clientUser());
    EditPass->setText(config.clientPass());
    editControlPort->setText(config.port());
}

void TFormFile::setStatus(const QString &text) { StatusBar1->setText(text); }

QString TFormFile::statusText() const { return StatusBar1->text(); }

void TFormFile::log(const QString &line) { appendLog(Memo1, line); }

}  // namespace pad
