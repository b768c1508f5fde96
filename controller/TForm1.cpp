#include "controller/TForm1.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <cstdlib>

#include "common/Gbk.h"
#include "common/IniFile.h"
#include "common/Protocol.h"
#include "common/Text.h"
#include "controller/DiscoveryAndFiles.h"
#include "controller/HostScanner.h"
#include "controller/KeyMap.h"
#include "controller/LogBox.h"
#include "controller/StatusLine.h"
#include "controller/TFormAnswer.h"
#include "controller/TFormFile.h"
#include "controller/TFormHelp.h"
#include "controller/TFormSet.h"

namespace pad {

namespace wire = kv::wire;

namespace {
const QString kConnect = QStringLiteral("连接");
const QString kDisconnect = QStringLiteral("断开");
const QString kNoLocalPpt = QStringLiteral("请先打开PPT文件");
const QString kOffline = QStringLiteral("尚未联网");
}  // namespace

TForm1::TForm1(platform::Services services, QString programDir, QWidget *parent)
    : QWidget(parent), services_(std::move(services)),
      config_(std::make_unique<PadConfig>(std::move(programDir))),
      client_(new ControlClient(services_.clock, this)) {
    local_ = std::make_unique<LocalPpt>(services_, [this] { return mainWindowId(); });
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Korvelo投影助理"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint);
    setFixedWidth(kMainWidth);

    auto button = [this](const char *name, const QString &text, const QString &hint) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };

    Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setMouseTracking(true);
    Panel3->installEventFilter(this);

    auto *logo = new QLabel(QStringLiteral("Korvelo"), Panel3);
    logo->setAlignment(Qt::AlignCenter);
    SpeedButtonToServer = button("SpeedButtonToServer", QStringLiteral(">"),
                                 QStringLiteral("关闭本窗口，切换到服务端"));
    SpeedButtonToServer->setFixedWidth(16);
    LabelLocalip = new QLabel(QStringLiteral("本机IP:"), Panel3);
    LabelLocalip->setObjectName(QStringLiteral("LabelLocalip"));

    SpeedButtonOpen = button("SpeedButtonOpen", QStringLiteral("打开"), QStringLiteral("打开PPT"));
    SpeedButton2show = button("SpeedButton2show", QStringLiteral("放映"), QStringLiteral("放映PPT"));
    SpeedButtonClose = button("SpeedButtonClose", QStringLiteral("关闭"), QStringLiteral("关闭PPT"));
    SpeedButtonQuit = button("SpeedButtonQuit", QStringLiteral("结束"), QStringLiteral("结束放映PPT"));
    SpeedButton2Home = button("SpeedButton2Home", QStringLiteral("首页"), QStringLiteral("相当于按下Home键"));
    SpeedButton2Pre = button("SpeedButton2Pre", QStringLiteral("上翻"), QStringLiteral("相当于按下PgUp键"));
    SpeedButton2End = button("SpeedButton2End", QStringLiteral("末页"), QStringLiteral("相当于按下End键"));
    SpeedButton2Next = button("SpeedButton2Next", QStringLiteral("下翻"), QStringLiteral("相当于按下PgDn键"));
    SpeedButtonTimer = button("SpeedButtonTimer", QStringLiteral("计时"),
                              QStringLiteral("启动/停止投影端的手动计时功能"));
    SpeedButtonFile = button("SpeedButtonFile", QStringLiteral("文件窗 "), QStringLiteral("打开或关闭文件窗口"));
    SpeedButtonScan = button("SpeedButtonScan", QStringLiteral(" 扫描"),
                             QStringLiteral("扫描当前和指定号段的投影服务器"));
    SpeedButtonSet = button("SpeedButtonSet", QStringLiteral("设置"), QStringLiteral("打开设置窗口"));
    SpeedButtonHelp = button("SpeedButtonHelp", QStringLiteral("帮助"), QString());
    SpeedButtonAsk = button("SpeedButtonAsk", QStringLiteral("申请"),
                            QStringLiteral("当别人使用时，申请由自己控制投影"));

    CheckBoxRemote = new QCheckBox(QStringLiteral("远端"), Panel3);
    CheckBoxRemote->setObjectName(QStringLiteral("CheckBoxRemote"));
    CheckBoxRemote->setToolTip(QStringLiteral("勾选后控制投影端的幻灯片放映"));
    CheckBoxLocal = new QCheckBox(QStringLiteral("本地"), Panel3);
    CheckBoxLocal->setObjectName(QStringLiteral("CheckBoxLocal"));
    CheckBoxLocal->setToolTip(QStringLiteral("勾选后操作本机上的文件"));
    for (QCheckBox *box : {CheckBoxRemote, CheckBoxLocal}) {
        // Keys belong to the slides: a focused box would toggle on Space.
        box->setFocusPolicy(Qt::NoFocus);
        box->setChecked(true);
    }
    setRemoteLoggedIn(false);

    SButtonConnect = new QPushButton(kConnect, this);
    SButtonConnect->setObjectName(QStringLiteral("SButtonConnect"));
    SButtonConnect->hide();
    connect(SButtonConnect, &QPushButton::clicked, this, &TForm1::SButtonConnectClick);

    StatusBar1 = new StatusLine(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    memo1 = new QPlainTextEdit(this);
    memo1->setObjectName(QStringLiteral("memo1"));
    memo1->hide();

    GroupShow = new QGroupBox(QStringLiteral("投影操作"), Panel3);
    auto *show = new QGridLayout(GroupShow);
    show->addWidget(SpeedButtonOpen, 0, 0);
    show->addWidget(SpeedButton2show, 0, 1);
    show->addWidget(SpeedButtonClose, 1, 0);
    show->addWidget(SpeedButtonQuit, 1, 1);
    show->addWidget(SpeedButton2Home, 2, 0);
    show->addWidget(SpeedButton2End, 2, 1);
    show->addWidget(SpeedButton2Pre, 3, 0);
    show->addWidget(SpeedButton2Next, 3, 1);
    show->addWidget(new QLabel(QStringLiteral(" 数字+回车可转指定页数  "), GroupShow), 4, 0, 1, 2);
    GroupSystem = new QGroupBox(QStringLiteral("系统"), Panel3);
    auto *sys = new QGridLayout(GroupSystem);
    sys->addWidget(SpeedButtonFile, 0, 0);
    sys->addWidget(SpeedButtonScan, 0, 1);
    sys->addWidget(SpeedButtonAsk, 1, 0);
    sys->addWidget(SpeedButtonTimer, 1, 1);
    sys->addWidget(SpeedButtonSet, 2, 0);
    sys->addWidget(SpeedButtonHelp, 2, 1);

    auto *top = new QHBoxLayout;
    top->addWidget(logo, 1);
    top->addWidget(SpeedButtonToServer, 0, Qt::AlignTop);
    auto *boxes = new QHBoxLayout;
    boxes->addWidget(CheckBoxRemote);
    boxes->addWidget(CheckBoxLocal);
    auto *panel = new QVBoxLayout(Panel3);
    panel->setContentsMargins(2, 2, 2, 2);
    panel->addLayout(top);
    panel->addWidget(LabelLocalip);
    panel->addWidget(GroupShow);
    panel->addLayout(boxes);
    panel->addWidget(GroupSystem);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel3, 1);
    layout->addWidget(StatusBar1);

    connect(SpeedButtonOpen, &QPushButton::clicked, this, &TForm1::SpeedButtonOpenClick);
    connect(SpeedButton2show, &QPushButton::clicked, this, &TForm1::SpeedButton2showClick);
    connect(SpeedButtonClose, &QPushButton::clicked, this, &TForm1::SpeedButtonCloseClick);
    connect(SpeedButtonQuit, &QPushButton::clicked, this, &TForm1::SpeedButtonQuitClick);
    connect(SpeedButton2Home, &QPushButton::clicked, this, &TForm1::SpeedButton2HomeClick);
    connect(SpeedButton2Pre, &QPushButton::clicked, this, &TForm1::SpeedButton2PreClick);
    connect(SpeedButton2End, &QPushButton::clicked, this, &TForm1::SpeedButton2EndClick);
    connect(SpeedButton2Next, &QPushButton::clicked, this, &TForm1::SpeedButton2NextClick);
    connect(SpeedButtonTimer, &QPushButton::clicked, this, &TForm1::SpeedButtonTimerClick);
    connect(SpeedButtonAsk, &QPushButton::clicked, this, &TForm1::SpeedButtonAskClick);
    connect(SpeedButtonFile, &QPushButton::clicked, this, &TForm1::SpeedButtonFileClick);
    connect(SpeedButtonScan, &QPushButton::clicked, this, &TForm1::SpeedButtonScanClick);
    connect(SpeedButtonSet, &QPushButton::clicked, this, &TForm1::SpeedButtonSetClick);
    connect(SpeedButtonHelp, &QPushButton::clicked, this, &TForm1::SpeedButtonHelpClick);
    connect(SpeedButtonToServer, &QPushButton::clicked, this, &TForm1::SpeedButtonToServerClick);

    TimerTOP = new QTimer(this);
    TimerTOP->setInterval(1000);
    connect(TimerTOP, &QTimer::timeout, this, &TForm1::TimerTOPTimer);
    TimerWpos = new QTimer(this);
    TimerWpos->setInterval(1000);
    connect(TimerWpos, &QTimer::timeout, this, &TForm1::TimerWposTimer);
    TimerStart = new QTimer(this);
    TimerStart->setInterval(1000);
    TimerStart->setSingleShot(true);
    connect(TimerStart, &QTimer::timeout, this, &TForm1::TimerStartTimer);

    connect(client_, &ControlClient::reply, this, &TForm1::onReply);
    connect(client_, &ControlClient::hostClosed, this, &TForm1::cs1Disconnect);
    connect(client_, &ControlClient::idleCutOff, this, &TForm1::onIdleCutOff);

    state_.localAddress = kv::trimmed(services_.address->localIPv4());
    adjustSize();
    setFixedHeight(height());  // a fixed dialog-like frame
    const QRect screen = services_.screens->primary();
    move(screen.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));

    // The main window sees every key first.
    qApp->installEventFilter(this);

    formFile_ = std::make_unique<TFormFile>(this);
    formSet_ = std::make_unique<TFormSet>(config_.get(), services_, [this] { return state_.localAddress; });
    formHelp_ = std::make_unique<TFormHelp>();
    formAnswer_ = std::make_unique<TFormAnswer>(client_, services_);
    files_ = std::make_unique<DiscoveryAndFiles>(this);

    TimerWpos->start();
    TimerStart->start();
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
    files_.reset();
    formAnswer_.reset();
    formHelp_.reset();
    formSet_.reset();
    formFile_.reset();
}

QString TForm1::hostAddress() const { return client_->hostName(); }
quint16 TForm1::controlPort() const { return client_->port(); }

platform::WindowId TForm1::mainWindowId() {
    if (mainWindowIdOverride_) return mainWindowIdOverride_;
    // A change of the stay-on-top style can re-create the native window, and
    // QWidget::winId() may still name the old one: ask the current window.
    if (QWindow *w = windowHandle()) return static_cast<platform::WindowId>(w->winId());
    return static_cast<platform::WindowId>(winId());
}

void TForm1::bindSocketsTo(const QString &address) {
    const QHostAddress a(address);
    client_->setBindAddress(a);
    files_->transport().setLocalAddress(a);
}

void TForm1::setStatus(const QString &text) { StatusBar1->setText(text); }
QString TForm1::statusText() const { return StatusBar1->text(); }
void TForm1::log(const QString &line) { appendLog(memo1, line); }

int TForm1::screenRight() const {
    const QRect s = services_.screens->primary();
    return s.x() + s.width();
}

void TForm1::setStayOnTop(bool on) {
    if (isStayOnTop() == on) return;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    // The change re-creates the window. Put on top for a local show it must not
    // take the focus from the show: the edge timer pushes it out only while
    // the show is in front.
    setAttribute(Qt::WA_ShowWithoutActivating, on);
    if (visible) show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
}

bool TForm1::isStayOnTop() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

void TForm1::setRemoteLoggedIn(bool on) {
    // A style sheet costs a restyle of the box: set only when the look changes.
    if (!CheckBoxRemote->styleSheet().isEmpty() && CheckBoxRemote->isEnabled() == on) return;
    CheckBoxRemote->setEnabled(on);
    // The whole box is filled: styles paint a palette colour only into the indicator's frame.
    const QColor c = on ? QColor(0, 255, 0) : palette().color(QPalette::Button);
    CheckBoxRemote->setStyleSheet(QStringLiteral("QCheckBox { background-color: %1; }").arg(c.name()));
}

void TForm1::setConnectCaption(const QString &caption) {
    SButtonConnect->setText(caption);
    formFile_->SpeedButtonConnect->setText(caption);
}

bool TForm1::remoteReady() const { return CheckBoxRemote->isChecked() && CheckBoxRemote->isEnabled(); }

void TForm1::sayIfOffline() {
    // Only "远端" ticked and no login: the command would do nothing at all.
    if (!CheckBoxLocal->isChecked() && CheckBoxRemote->isChecked() && !CheckBoxRemote->isEnabled())
        setStatus(kOffline);
}

// ---- connection ----

void TForm1::SButtonConnectClick() {
    setStatus(QString());
    TimerTOP->stop();
    if (SButtonConnect->text() == kDisconnect) {
        client_->disconnectFromHost();
        disconnectPath();
        return;
    }
    if (client_->isConnecting()) return;  // operated again from inside the running attempt
    TFormFile &ff = *formFile_;
    const QString host = kv::trimmed(ff.EditRip->text());
    const QString portText = kv::trimmed(ff.editControlPort->text());
    if (host.isEmpty() || portText.isEmpty()) {
        setStatus(QStringLiteral("请输入投影端IP和端口"));
        ff.show();
        return;
    }
    const auto port = kv::parseDecimal(portText, 65532);
    if (!port || *port < 1) {
        setStatus(QStringLiteral("端口应为1到65532之间的数字"));
        ff.show();
        return;
    }
    // The socket would read "010" as octal: connect to the address the check accepted.
    const QString address = kv::normalizedIPv4(host);
    if (address.isEmpty()) {
        setStatus(QStringLiteral("远端IP格式有错"));
        ff.show();
        return;
    }
    if (ff.EditRip->text() != address) ff.EditRip->setText(address);
    const auto user = kv::toGbk(kv::trimmed(ff.editUser->text()));
    const auto pass = kv::toGbk(kv::trimmed(ff.EditPass->text()));
    if (!user || !pass || kv::hasLineBreak(*user) || kv::hasLineBreak(*pass)) {
        setStatus(QStringLiteral("用户名或密码含有无法发送的字符"));
        return;
    }
    ff.log(QStringLiteral("connect..."));
    state_.clientState = PadState::Connecting;
    if (onConnectAttempt) onConnectAttempt();  // before the wait, which runs the scan's timers
    const auto result = client_->connectAndLogin(address, static_cast<quint16>(*port), *user, *pass);
    if (result == ControlClient::ConnectResult::LoginSent)
        ff.log(QStringLiteral("Send c_user"));
    else if (result == ControlClient::ConnectResult::Failed)
        setStatus(QStringLiteral("连接失败"));
}

void TForm1::disconnectPath() {
    setStatus(QStringLiteral("与投影端断开"));
    setRemoteLoggedIn(false);
    setConnectCaption(kConnect);
    // The file window's remote buttons act only on a logged-in connection.
    formFile_->SpeedButtonRefresh->setEnabled(false);
    formFile_->SpeedButtonUp->setEnabled(false);
    // A request came on the connection that ended: its answer would reach the next one.
    formAnswer_->hide();
    setStayOnTop(false);
}

void TForm1::cs1Disconnect() {
    // The host closed the connection: nothing sent now would arrive, so say so.
    disconnectPath();
}

void TForm1::onIdleCutOff() {
    SButtonConnectClick();  // the toggle reads "断开" here: its disconnect path
    setStatus(QStringLiteral("空闲超过15分钟断开"));
}

void TForm1::refusedLook(const QString &status) {
    log(status);
    setConnectCaption(kConnect);
    formFile_->SpeedButtonUp->setEnabled(false);
    formFile_->SpeedButtonOpen->setEnabled(false);
    formFile_->SpeedButtonRefresh->setEnabled(false);
    SpeedButtonAsk->setEnabled(false);
    setStatus(status);
    setRemoteLoggedIn(false);
}

void TForm1::onReply(ControlClient::Reply kind, const QByteArray &line) {
    using R = ControlClient::Reply;
    switch (kind) {
    case R::Ok:
        log(QStringLiteral("连接投影端成功"));
        setConnectCaption(kDisconnect);
        formFile_->SpeedButtonRefresh->setEnabled(true);
        formFile_->SpeedButtonUp->setEnabled(true);
        formFile_->SpeedButtonOpen->setEnabled(true);
        SpeedButtonAsk->setEnabled(true);
        setStatus(QStringLiteral("与投影端连接成功"));
        setRemoteLoggedIn(true);
        break;
    case R::No: refusedLook(QStringLiteral("用户名或密码错")); break;
    case R::TooMany: refusedLook(QStringLiteral("投影端连接数已满")); break;
    case R::BusyList: setStatus(QStringLiteral("投影端文件列表服务正忙")); break;
    case R::SuccOpen: setStatus(QStringLiteral("投影端已打开文件")); break;
    case R::FailOpen: setStatus(QStringLiteral("投影端打开文件失败")); break;
    case R::HaveNo: setStatus(QStringLiteral("投影端没找到指定文件")); break;
    case R::NeedOpen:
        setStatus(QStringLiteral("请先打开投影端文件"));
        formFile_->show();
        break;
    case R::Close: setStatus(QStringLiteral("投影端幻灯片文件已关闭")); break;
    case R::Agree: setStatus(QStringLiteral("申请控制投影成功")); break;
    case R::Reject: setStatus(QStringLiteral("申请控制投影被拒绝")); break;
    case R::Ask: formAnswer_->showRequest(kv::trimmed(kv::fromGbkLossy(line.mid(5)))); break;
    case R::Other: setStatus(QStringLiteral("其他人正在使用")); break;
    case R::Idle:
    case R::Unhandled: break;
    }
}

// ---- commands ----

bool TForm1::pressLocally(int vk, int pause, bool quit) {
    if (!CheckBoxLocal->isChecked()) return true;
    const platform::WindowId w = local_->findFor(state_.localFileName);
    if (!w) {
        setStatus(kNoLocalPpt);
        return false;
    }
    TimerTOP->stop();
    local_->pressKey(w, vk, pause);
    if (!quit) TimerTOP->start();
    return true;
}

void TForm1::pageCommand(int vk, int pause, bool quit) {
    setStatus(QString());
    client_->touch();
    sayIfOffline();
    // Without the local window the host gets nothing either: the two sides stay in step.
    if (pressLocally(vk, pause, quit) && remoteReady()) client_->sendLine(wire::keyLine(vk));
    if (quit) {
        // The show ends, whichever side it is ended on: the window is back to its normal style.
        TimerTOP->stop();
        setStayOnTop(false);
    }
}

void TForm1::SpeedButtonQuitClick() { pageCommand(platform::vk::Escape, 100, true); }
void TForm1::SpeedButton2HomeClick() { pageCommand(platform::vk::Home, 100, false); }
void TForm1::SpeedButton2PreClick() { pageCommand(platform::vk::Prior, 100, false); }
void TForm1::SpeedButton2EndClick() { pageCommand(platform::vk::End, 100, false); }
void TForm1::SpeedButton2NextClick() { pageCommand(platform::vk::Next, 50, false); }

void TForm1::SpeedButton2showClick() {
    setStatus(QString());
    client_->touch();
    sayIfOffline();
    if (CheckBoxLocal->isChecked()) {
        const platform::WindowId w = local_->findFor(state_.localFileName);
        if (!w) {
            formFile_->hide();
            openFileWindowDocked();
            if (formFile_->focusLocalFileList) formFile_->focusLocalFileList();
            setStatus(kNoLocalPpt);
            return;
        }
        TimerTOP->stop();  // no edge move while the show starts
        formFile_->close();
        move(screenRight() - 5, y());
        platform::Clock *clock = services_.clock.get();
        local_->startShow(w, formSet_->CheckBoxFullScreen->isChecked(),
                          [clock] { clock->processMessages(); });
        setStayOnTop(true);
        TimerTOP->start();
    }
    if (remoteReady()) {
        client_->sendLine(wire::command::show);
        formFile_->close();
    }
}

void TForm1::SpeedButtonOpenClick() {
    setStatus(QString());
    client_->touch();
    if (!CheckBoxRemote->isChecked() && !CheckBoxLocal->isChecked()) {
        setStatus(QStringLiteral("请勾选远端、本地"));
        return;
    }
    sayIfOffline();
    TimerTOP->stop();
    if (remoteReady()) {
        const QString name = kv::trimmed(formFile_->EditRFile->text());
        if (name.isEmpty()) {
            openFileWindowDocked(false);  // shown for the name: login fields typed there stay
            if (formFile_->focusHostList) formFile_->focusHostList();
            setStatus(QStringLiteral("请选择远端的文件"));
            return;
        }
        const auto bytes = kv::toGbk(name);
        if (!bytes || kv::hasLineBreak(*bytes)) {
            setStatus(QStringLiteral("文件名含有无法发送的字符"));
            return;
        }
        client_->sendLine(wire::command::open + *bytes);
    }
    if (CheckBoxLocal->isChecked()) {
        const QString path = formFile_->MaskEditFile->text();
        const QFileInfo fi(path);
        if (!path.isEmpty() && fi.isFile()) {
            state_.localFilePath = path;
            state_.localFileName = fi.fileName();
            services_.shell->openDocument(path);
            return;
        }
        if (const platform::WindowId w = local_->find(0, QString())) {
            services_.windows->switchTo(w);
            return;
        }
        openFileWindowDocked(false);
        if (formFile_->focusLocalFileList) formFile_->focusLocalFileList();
        setStatus(QStringLiteral("请选择本地的文件"));
    }
}

void TForm1::SpeedButtonCloseClick() {
    setStatus(QString());
    client_->touch();
    sayIfOffline();
    if (CheckBoxLocal->isChecked()) {
        if (const platform::WindowId w = local_->findFor(state_.localFileName)) {
            TimerTOP->stop();
            local_->closeWindow(w, state_.localFileName);
        }
    }
    if (remoteReady()) client_->sendLine(wire::command::close);
}

void TForm1::FormKeyDown(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (memo1->document()->blockCount() > 1000) memo1->clear();
    const int vk = toVirtualKey(qtKey, modifiers);
    if (!vk) return;
    client_->touch();
    if (CheckBoxRemote->isChecked()) client_->sendLine(wire::keyLine(vk));
    if (CheckBoxLocal->isChecked()) {
        if (const platform::WindowId w = local_->findFor(state_.localFileName)) {
            TimerTOP->stop();
            local_->pressKey(w, vk, 100);
            TimerTOP->start();
        }
    }
}

void TForm1::SpeedButtonTimerClick() {
    setStatus(QString());
    client_->touch();
    TimerTOP->stop();
    if (CheckBoxRemote->isEnabled())
        client_->sendLine(wire::command::timer);
    else
        setStatus(kOffline);
}

void TForm1::SpeedButtonAskClick() {
    setStatus(QString());
    client_->touch();
    TimerTOP->stop();
    if (CheckBoxRemote->isEnabled()) {
        client_->sendLine(wire::command::ask);
        setStatus(QStringLiteral("申请中..."));
    } else {
        setStatus(kOffline);
    }
}

void TForm1::SpeedButtonScanClick() {
    TimerTOP->stop();
    setStatus(QString());
    // No scan starts inside a running connect; a running one can still be stopped.
    if (client_->isConnecting() && kv::trimmed(SpeedButtonScan->text()) != QStringLiteral("停止")) return;
    if (onScan) onScan();
}

// ---- windows ----

void TForm1::SpeedButtonFileClick() {
    if (formFile_->isVisible()) {
        formFile_->close();
        return;
    }
    openFileWindowDocked();
}

namespace {
QMargins frameMargins(const QWidget *w) {
    const QRect f = w->frameGeometry(), g = w->geometry();
    return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()};
}
}  // namespace

QMargins TForm1::framing(const QWidget *w) const {
    // A window just shown has no frame yet; the window manager will give it
    // one like the main window's.
    const QMargins m = frameMargins(w);
    return m.isNull() ? frameMargins(this) : m;
}

void TForm1::dockFileWindow() {
    TFormFile &ff = *formFile_;
    const QRect main = frameGeometry();
    const QMargins m = framing(&ff);
    const int width = ff.width() + m.left() + m.right();
    ff.setGeometry(QRect(main.x() - width, main.y(), width, main.height()).marginsRemoved(m));
}

void TForm1::openFileWindowDocked(bool reloadLogin) {
    formFile_->show();  // frame sizes are known once shown
    dockFileWindow();
    if (reloadLogin) formFile_->reloadLoginFields();
}

void TForm1::placeBeside(QWidget *w) {
    TimerTOP->stop();
    w->show();
    const QRect main = frameGeometry();
    const QMargins m = framing(w);
    const QSize size = w->size().grownBy(m);
    const int left = screenRight() < main.x() + main.width() + size.width() ? main.x() - size.width()
                                                                            : main.x() + main.width();
    w->setGeometry(QRect(QPoint(left, main.y()), size).marginsRemoved(m));
}

void TForm1::SpeedButtonSetClick() { placeBeside(formSet_.get()); }
void TForm1::SpeedButtonHelpClick() { placeBeside(formHelp_.get()); }

void TForm1::SpeedButtonToServerClick() {
    setStatus(QString());
    QString path = config_->serverFile();
    if (!QFileInfo(path).isFile()) {
        const QString chosen = services_.dialogs->openFile(QStringLiteral("*"), path);
        if (chosen.isEmpty()) {
            setStatus(QStringLiteral("没有找到服务端文件"));
            return;
        }
        path = chosen;
        try {
            config_->setServerFile(path);
        } catch (const kv::IniWriteError &e) {
            services_.dialogs->message(e.message());
            return;
        }
    }
    // The controller ends only when the host program really started.
    if (!services_.shell->startProgram(path)) {
        setStatus(QStringLiteral("服务端程序启动失败"));
        return;
    }
    close();
}

void TForm1::TimerTOPTimer() {
    TimerTOP->stop();
    platform::WindowSystem &ws = *services_.windows;
    const platform::WindowId fg = ws.foreground();
    const platform::WindowId self = mainWindowId();
    if (fg == self || !platform::describePresentationWindow(ws, fg).isProgramWindow()) {
        TimerTOP->start();
        return;
    }
    auto pushedOut = [this] {
        state_.hiddenAtEdge = true;
        if (formFile_->isVisible()) formFile_->hide();
        state_.lastMainLeft = x();
        state_.lastMainTop = y();
    };
    const int right = screenRight();
    if (x() + frameGeometry().width() >= right) {
        move(right - 5, y());
        pushedOut();
    }
    if (x() <= 0) {
        move(5 - frameGeometry().width(), y());
        pushedOut();
    }
    ws.switchTo(self);  // keys go to this window again
    TimerTOP->start();
}

void TForm1::Panel3MouseMove() {
    if (!state_.hiddenAtEdge) return;
    const int right = screenRight();
    const int width = frameGeometry().width();
    if (x() + width > right)
        move(right - width, y());
    else if (x() < 0)
        move(0, y());
    else
        return;
    services_.windows->switchTo(mainWindowId());
    state_.hiddenAtEdge = false;
}

bool TForm1::fileWindowNear() const {
    const QRect main = frameGeometry();
    const QRect file = formFile_->frameGeometry();
    return std::abs(main.x() - (file.x() + file.width())) < 20 && std::abs(main.y() - file.y()) < 20;
}

void TForm1::TimerWposTimer() {
    // Focus never rests on the target boxes (Space would toggle them).
    if (CheckBoxRemote->hasFocus() || CheckBoxLocal->hasFocus()) {
        QWidget *next = SpeedButtonOpen;
        next->setFocus(Qt::OtherFocusReason);
        if (CheckBoxRemote->hasFocus() || CheckBoxLocal->hasFocus()) setFocus(Qt::OtherFocusReason);
    }
    TFormFile &ff = *formFile_;
    if (ff.x() != state_.lastFileLeft || ff.y() != state_.lastFileTop) {
        if (fileWindowNear()) {
            state_.fileWindowDocked = true;
            dockFileWindow();
        } else {
            state_.fileWindowDocked = false;
        }
        state_.lastFileLeft = ff.x();
        state_.lastFileTop = ff.y();
    }
    if (x() != state_.lastMainLeft || y() != state_.lastMainTop) {
        if (ff.isVisible()) {
            if (!state_.fileWindowDocked && fileWindowNear()) state_.fileWindowDocked = true;
            if (state_.fileWindowDocked) {
                dockFileWindow();
                state_.lastFileLeft = ff.x();
                state_.lastFileTop = ff.y();
            }
        }
        state_.lastMainLeft = x();
        state_.lastMainTop = y();
    }
}

void TForm1::TimerStartTimer() {
    TimerStart->stop();
    LabelLocalip->setText(QStringLiteral("本机IP:") + state_.localAddress);
    if (formSet_->CheckBoxAutoScan->isChecked()) {
        setStatus(QStringLiteral("启动自动扫描"));
        SpeedButtonScan->click();
    }
}

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseMove && watched == Panel3) {
        Panel3MouseMove();
    } else if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        // Once per key: at the widget that receives it first, not again as it propagates.
        auto *w = static_cast<QWidget *>(watched);
        QWidget *focus = QApplication::focusWidget();
        const bool first = focus ? w == focus : w == this;
        if (first && w->window() == this) {
            auto *k = static_cast<QKeyEvent *>(event);
            FormKeyDown(k->key(), k->modifiers());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent *event) {
    // Closing sends nothing to the host; the connection closes with the program.
    QWidget::closeEvent(event);
    emit programEnd();
}

}  // namespace pad
