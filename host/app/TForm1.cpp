#include "host/app/TForm1.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "common/IniFile.h"
#include "common/Protocol.h"
#include "common/Text.h"
#include "host/lots/TFormChouqian.h"
#include "host/protocol/HostService.h"
#include "host/app/SecondScreen.h"
#include "host/app/VersionCheck.h"
#include "host/setup/TFormHelp.h"
#include "host/setup/TFormWorkDir.h"
#include "host/setup/TFrmSendMail.h"
#include "host/timer/TFormSet.h"
#include "host/timer/TFormTimer.h"

namespace host {

const QString TForm1::kGreeting =
    QStringLiteral("系统已启动，有疑问，请发邮件给 Korvelo软件工作室:support@korvelo.example");

namespace {
const QString kServer = QStringLiteral("server");
const QString kStartCaption = QStringLiteral("启动投影服务");
const QString kStopCaption = QStringLiteral("停止投影服务");

// A window the main window opens is shown, restored when minimised and raised
// each time: one behind the main window or minimised would seem not to open.
void bringForward(QWidget *w) {
    if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
    w->activateWindow();
}

QPushButton *button(const QString &name, const QString &text, const QString &hint, QWidget *parent) {
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    return b;
}
}  // namespace

TForm1::TForm1(platform::Services services, HostEnv env, QWidget *parent)
    : QWidget(parent), services_(std::move(services)), env_(env.completed()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Korvelo 投影助理 启动"));
    buildUi();
    FormCreate();
    service_ = std::make_unique<HostService>(listeners_, services_, *this);
    secondScreen_ = std::make_unique<SecondScreen>(services_, *this, service_->ppt(), env_.displayPanel);
    onLocalOpen = [this](const QString &path) { service_->localOpen(path); };

    TimerStart = new QTimer(this);
    TimerStart->setSingleShot(true);
    TimerStart->setInterval(1000);
    connect(TimerStart, &QTimer::timeout, this, &TForm1::TimerStartTimer);
    TimerHomePage = new QTimer(this);
    TimerHomePage->setInterval(3000);
    connect(TimerHomePage, &QTimer::timeout, this, &TForm1::TimerHomePageTimer);
    timer_ = std::make_unique<PresentationTimer>(services_, env_.timer.monotonic, *this, service_->ppt());
    connect(timer_.get(), &PresentationTimer::runChanged, this, [this] {
        SpeedButtontimer->setText(timer_->timerInProgress() ? caption::kTimerRunning : caption::kTimerIdle);
    });
    TimerStart->start();

    env_.tray->onActivated = [this] { WMTrayIconLeftClick(); };
}

TForm1::~TForm1() {
    if (env_.tray) {
        env_.tray->onActivated = nullptr;
        env_.tray->remove();
    }
}

void TForm1::setWindows(TFormWorkDir *workDir, TFormHelp *help, TFormSet *set, TFrmSendMail *mail,
                        TFormChouqian *lots, TFormTimer *clock) {
    FormWorkDir = workDir;
    FormHelp = help;
    FormSet = set;
    FrmSendMail = mail;
    FormChouqian = lots;
    FormTimer = clock;
    if (set && clock)
        timer_->attach(clock, set, [set] { return set->timerOptions(); });
    else
        timer_->attach(nullptr, nullptr, {});
}

QString TForm1::iniPath() const { return showIniPath(env_.programDir); }

bool TForm1::writeIni(const QString &section, const QString &key, const QString &value) {
    try {
        kv::IniFile(iniPath()).writeString(section, key, value);
        return true;
    } catch (const kv::IniWriteError &e) {
        services_.dialogs->message(e.message());
        return false;
    }
}

void TForm1::buildUi() {
    resize(640, 480);
    auto *root = new QVBoxLayout(this);
    auto *buttons = new QHBoxLayout;
    SpeedButtonServerStart = button("SpeedButtonServerStart", kStartCaption,
                                    QStringLiteral("启动或停止投影服务"), this);
    SpeedButtonShow2 = button("SpeedButtonShow2", QStringLiteral("第二桌面"),
                              QStringLiteral("开启第二屏幕，主屏幕可以看到备注（不支持较早版本的PowerPoint）"), this);
    SpeedButtonToClient = button("SpeedButtonToClient", QStringLiteral("抽签"),
                                 QStringLiteral("可以最多制作100个签"), this);
    SpeedButtonSetup = button("SpeedButtonSetup", QStringLiteral("设置"), QStringLiteral("参数设置"), this);
    SpeedButtonShow = button("SpeedButtonShow", QStringLiteral("异步投影"),
                             QStringLiteral("当打开第二桌面时，实现异步投影，第二桌面放映全屏幕幻灯片，主屏幕可以看到备注信息"),
                             this);
    SpeedButtontimer = button("SpeedButtontimer", QStringLiteral("手动计时"), QStringLiteral("启动或停止计时器"), this);
    SpeedButtonStopMp3 = button("SpeedButtonStopMp3", QStringLiteral("停止音乐"),
                                QStringLiteral("停止播放音乐"), this);
    SpeedButtonHelp = button("SpeedButtonHelp", QStringLiteral("帮助"), QStringLiteral("帮助信息"), this);
    for (auto *b : {SpeedButtonServerStart, SpeedButtonShow2, SpeedButtonToClient, SpeedButtonSetup,
                    SpeedButtonShow, SpeedButtontimer, SpeedButtonStopMp3, SpeedButtonHelp})
        buttons->addWidget(b);
    root->addLayout(buttons);

    auto *middle = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    auto *dirRow = new QHBoxLayout;
    EditDir = new QLineEdit(this);
    EditDir->setObjectName("EditDir");
    dirRow->addWidget(new QLabel(QStringLiteral("共享目录  "), this));
    dirRow->addWidget(EditDir);
    left->addLayout(dirRow);
    FileListBox1 = new QListWidget(this);
    FileListBox1->setObjectName("FileListBox1");
    left->addWidget(FileListBox1);
    auto *ctlRow = new QHBoxLayout;
    EditMain = new QLineEdit(this);
    EditMain->setObjectName("EditMain");
    EditMain->setReadOnly(true);
    ComboBoxLocalIP = new QComboBox(this);
    ComboBoxLocalIP->setObjectName("ComboBoxLocalIP");
    ctlRow->addWidget(new QLabel(QStringLiteral("主控人"), this));
    ctlRow->addWidget(EditMain);
    ctlRow->addWidget(ComboBoxLocalIP);
    left->addLayout(ctlRow);
    middle->addLayout(left, 1);

    auto *logBox = new QGroupBox(QStringLiteral("信息记录"), this);
    auto *logLay = new QVBoxLayout(logBox);
    memo1 = new QPlainTextEdit(logBox);
    memo1->setObjectName("memo1");
    memo1->setReadOnly(true);
    logLay->addWidget(memo1);
    middle->addWidget(logBox, 1);
    root->addLayout(middle, 1);

    auto *bottom = new QHBoxLayout;
    Image1 = new QLabel(QStringLiteral("Korvelo"), this);
    Image1->setObjectName("Image1");
    Image1->setToolTip(kMakerPage);
    Image1->setCursor(Qt::PointingHandCursor);
    SpeedButton1 = button("SpeedButton1", QStringLiteral(">"), QStringLiteral("关闭本窗口，切换到客户端"), this);
    SpeedButton1->setMaximumWidth(24);
    bottom->addWidget(Image1, 1);
    bottom->addWidget(SpeedButton1);
    root->addLayout(bottom);

    StatusBar1 = new QStatusBar(this);
    statusPanel_ = new QLabel(StatusBar1);
    StatusBar1->addWidget(statusPanel_, 1);
    root->addWidget(StatusBar1);

    PopupMenu1 = new QMenu(this);
    NServerStart = PopupMenu1->addAction(QStringLiteral("启动/停止投影服务\tF12"));
    NTimerStart = PopupMenu1->addAction(QStringLiteral("启动/停止计时\tF11"));
    NStopMp3 = PopupMenu1->addAction(QStringLiteral("停止音乐\tF10"));
    NClose = PopupMenu1->addAction(QStringLiteral("退出系统\tCtrl+Alt+X"));
    NClose->setToolTip(QStringLiteral("关闭程序"));
    connect(NServerStart, &QAction::triggered, SpeedButtonServerStart, &QPushButton::click);
    connect(NTimerStart, &QAction::triggered, SpeedButtontimer, &QPushButton::click);
    connect(NStopMp3, &QAction::triggered, SpeedButtonStopMp3, &QPushButton::click);
    connect(NClose, &QAction::triggered, this, &TForm1::NCloseClick);

    connect(SpeedButtonServerStart, &QPushButton::clicked, this, &TForm1::SpeedButtonServerStartClick);
    connect(SpeedButtontimer, &QPushButton::clicked, this, &TForm1::SpeedButtontimerClick);
    connect(SpeedButtonStopMp3, &QPushButton::clicked, this, &TForm1::SpeedButtonStopMp3Click);
    connect(SpeedButtonShow2, &QPushButton::clicked, this, &TForm1::SpeedButtonShow2Click);
    connect(SpeedButtonShow, &QPushButton::clicked, this, &TForm1::SpeedButtonShowClick);
    connect(SpeedButtonSetup, &QPushButton::clicked, this, &TForm1::SpeedButtonSetupClick);
    connect(SpeedButtonHelp, &QPushButton::clicked, this, &TForm1::SpeedButtonHelpClick);
    connect(SpeedButtonToClient, &QPushButton::clicked, this, &TForm1::SpeedButtonToClientClick);
    connect(SpeedButton1, &QPushButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(EditDir, &QLineEdit::returnPressed, this, &TForm1::EditDirKeyPress);
    connect(FileListBox1, &QListWidget::itemActivated, this, [this] { FileListBox1Open(); });

    // Key preview: every key typed anywhere in the window passes here first.
    installEventFilter(this);
    // Not the tray menu: it is a window of its own, out of the preview's reach.
    for (QWidget *w : findChildren<QWidget *>())
        if (w->window() == this) w->installEventFilter(this);
}

void TForm1::FormCreate() {
    startup_ = StartupValues::read(iniPath());
    const StartupValues &v = startup_;
    SharedFolderPath = v.sharedFolderPath;
    ServiceUser = v.serviceUser;
    ServicePassword = v.servicePassword;
    ServicePortText = v.servicePortText;
    LatestVersion = v.latestVersion;
    LastCheckDate = v.lastCheckDate;
    AutoStartText = v.autoStartText;
    AutoRespText = v.autoRespText;
    NewTypeText = v.newTypeText;
    AutoCheckNewText = v.autoCheckNewText;
    VersionPage = v.versionPage;
}

// ---- HostUi ----------------------------------------------------------------

void TForm1::appendLog(const QString &line) { memo1->appendPlainText(line); }

int TForm1::logLineCount() const {
    return memo1->document()->isEmpty() ? 0 : memo1->document()->blockCount();
}

void TForm1::clearLog() { memo1->clear(); }

void TForm1::setStatus(const QString &text) { statusPanel_->setText(text); }

QString TForm1::statusText() const { return statusPanel_->text(); }

void TForm1::setControllerText(const QString &address) { EditMain->setText(address); }

void TForm1::clickTimerButton() { SpeedButtontimerClick(); }

void TForm1::SpeedButtontimerClick() { timer_->startOrStop(true); }

void TForm1::SpeedButtonStopMp3Click() { timer_->stopMusic(); }

void TForm1::activateMainWindow() {
    // A window the user hid into the tray stays there; a minimised one comes back.
    if (isHidden() && env_.tray->shown()) return;
    if (isHidden() || isMinimized()) showNormal();
    raise();
    activateWindow();
}

void TForm1::refreshFileLists() {
    FileListBox1->clear();
    // The same presentations the controllers are listed, ".pptx" and ".pptm" included.
    FileListBox1->addItems(FileTransfer::presentationFiles(SharedFolderPath));
    if (FormSet) FormSet->DirectoryListBox1->reload();
}

bool TForm1::autoRespChecked() const { return FormSet && FormSet->CheckBoxAutoResp->isChecked(); }

bool TForm1::newTypeChecked() const { return FormSet && FormSet->CheckBoxNewType->isChecked(); }

void TForm1::setSharedFolder(const QString &path) {
    EditDir->setText(path);
    SharedFolderPath = path;
    refreshFileLists();
}

// ---- service switch ----------------------------------------------------------

void TForm1::SpeedButtonServerStartClick() {
    setStatus(QString());
    HostAddress = kv::trimmed(services_.address->localIPv4());
    bool listed = false;
    for (int i = 0; i < ComboBoxLocalIP->count(); ++i)
        if (kv::trimmed(ComboBoxLocalIP->itemText(i)) == HostAddress) listed = true;
    if (!listed && !HostAddress.isEmpty() && HostAddress != QLatin1String("127.0.0.1")) {
        ComboBoxLocalIP->addItem(HostAddress);
        ComboBoxLocalIP->setCurrentIndex(0);
    }

    if (SpeedButtonServerStart->text() != kStartCaption) {
        listeners_.stop();  // its serviceStopped frees the roles and any open upload
        setControllerText(QString());
        SpeedButtonServerStart->setText(kStartCaption);
        setStatus(QStringLiteral("投影服务已停止"));
        return;
    }

    if (!FormSet) return;
    const QString user = FormSet->EditSUser->text();
    const QString pass = FormSet->EditSPass->text();
    if (user.contains(kv::wire::fieldSeparator) || pass.contains(kv::wire::fieldSeparator)) {
        setStatus(QStringLiteral("用户名和密码中不能|字符"));
        return;
    }
    // A port that is no number or out of range fails like a port in use: nothing stays open.
    const auto port = kv::parseDecimal(FormSet->EditControlPort->text(), ServiceListeners::kMaxPort);
    if (!port || listeners_.start(static_cast<int>(*port)) != ServiceListeners::StartError::None) {
        setStatus(QStringLiteral("启动服务失败!"));
        return;
    }
    ScanPortText = listeners_.scanPortText();
    SpeedButtonServerStart->setText(kStopCaption);
    ServiceUser = kv::trimmed(user);
    ServicePassword = kv::trimmed(pass);
    setStatus(QStringLiteral("投影服务已启动"));
}

void TForm1::SpeedButtonShow2Click() { secondScreen_->secondDesktop(); }

void TForm1::SpeedButtonShowClick() { secondScreen_->presenterView(); }

// ---- start-up timer ----------------------------------------------------------

bool TForm1::isOwnFile(const QString &path) const {
    const QFileInfo fi(path);
    const QString canon = fi.canonicalFilePath();
    const QString dir = fi.canonicalPath();
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QString ownDirs[] = {QFileInfo(env_.programDir).canonicalFilePath(),
                               QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath()};
    if (canon == self) return true;
    for (const QString &d : ownDirs)
        if (!d.isEmpty() && dir == d) return true;
    return false;
}

void TForm1::deleteOldCopy(const QString &value) {
    const QString path = kv::trimmed(value);
    if (path.isEmpty() || path == QLatin1String("0")) return;
    const QFileInfo fi(path);
    // Only an old program file elsewhere: never a folder, a relative name or ourselves.
    if (!fi.isAbsolute() || !fi.isFile() || isOwnFile(path)) return;
    QFile::remove(path);
}

void TForm1::TimerStartTimer() {
    TimerStart->stop();
    setWindowTitle(QStringLiteral("Korvelo 投影助理"));
    const kv::IniFile ini(iniPath());
    const QString runText = ini.readString(kServer, "RunTimes", "0");
    const auto runTimes = parseWholeNumber(runText);
    if (!runTimes) {
        services_.dialogs->message(QStringLiteral("'%1' is not a valid integer value").arg(runText));
        return;
    }
    if (*runTimes == 0) {
        appendLog(kGreeting);
        if (FormWorkDir) bringForward(FormWorkDir);
        return;
    }
    if (*runTimes == 1) {
        deleteOldCopy(ini.readString(kServer, "NotDel_c", "0"));
        deleteOldCopy(ini.readString(kServer, "NotDel_s", "0"));
        if (!writeIni(kServer, "NotDel_c", "0") || !writeIni(kServer, "NotDel_s", "0") ||
            !writeIni(kServer, "RunTimes", "2"))
            return;
    }
    if (FormSet && FormSet->CheckBoxAutoStart->isChecked() &&
        SpeedButtonServerStart->text() == kStartCaption)
        SpeedButtonServerStart->click();
    if (*runTimes >= 2 && FormSet && FormSet->CheckBoxAutoCheckNew->isChecked() &&
        services_.clock->shortDate() != LastCheckDate)
        dailyVersionCheck();
}

// ---- version check -----------------------------------------------------------

void TForm1::dailyVersionCheck() {
    const QString today = services_.clock->shortDate();
    if (!writeIni(kServer, "CheckDate", today)) return;
    LastCheckDate = today;
    if (LatestVersion > ProgramVersion) {
        const QString text =
            QStringLiteral("最新版本是") + versionText(LatestVersion) +
            QStringLiteral("，如果您已经下载了最新版本，\n请点击“是”以后关闭，用最新程序覆盖原程序；如果您希望\n"
                           "再次检测下载最新版本，请点击“否”；如果您希望维持当前\n现状不变，请点击“取消”");
        switch (env_.choice->ask(text, QStringLiteral("提示"))) {
        case ChoiceBox::Yes:
            env_.exitProgram();
            return;
        case ChoiceBox::No:
            break;
        case ChoiceBox::Cancel:
            return;
        }
    }
    requestVersionPage();
}

void TForm1::requestVersionPage() {
    setStatus(QStringLiteral("检测软件最新版本"));
    // The loader's own limit lies beyond the poll's, so the poll reports the time-out.
    env_.pages->load(QUrl(VersionPage), kVersionPageTimeoutMs + 10000, kVersionPageCap);
    CheckStartTick = services_.clock->tick();
    TimerHomePage->start();
}

void TForm1::TimerHomePageTimer() {
    const std::uint32_t elapsed = services_.clock->tick() - CheckStartTick;
    if (elapsed > static_cast<std::uint32_t>(kVersionPageTimeoutMs)) {
        setStatus(QStringLiteral("检测最新版本超时"));
        TimerHomePage->stop();
        env_.pages->abort();
        return;
    }
    if (!env_.pages->complete()) return;
    TimerHomePage->stop();
    const PageLoader::Page page = env_.pages->page();
    if (page.ok) Memo2 = pageLines(page.body, page.contentType);

    const VersionLine found = findVersionLine(Memo2);
    if (found.kind == VersionLine::None) return;
    if (found.kind == VersionLine::NotANumber) {
        services_.dialogs->message(
            QStringLiteral("'%1' is not a valid floating point value").arg(found.versionText));
        return;
    }
    LatestVersion = found.version;
    appendLog(QStringLiteral("找到新版本：") + versionText(found.version));
    if (!writeIni(kServer, "NewVersion", versionText(found.version))) return;
    if (!(found.version > ProgramVersion)) {
        setStatus(QStringLiteral("已经是最新版本") + versionText(ProgramVersion));
        return;
    }
    if (!found.hasAddress || !isSafeDownloadAddress(found.address)) {
        setStatus(QStringLiteral("没有找到最新版本下载地址"));
        return;
    }
    setStatus(QStringLiteral("请在打开的浏览器中下载最新版本。完成后请解压覆盖原文件完成升级"));
    DownloadAddress = found.address;
    appendLog(QStringLiteral("最新版本下载地址：") + DownloadAddress);
    services_.shell->openDocument(DownloadAddress);
}

// ---- tray, close, keys ---------------------------------------------------------

void TForm1::SysCommandToTray() {
    if (!env_.tray->available()) {
        // No notification area: a plain minimise keeps the window reachable.
        if (!isMinimized()) showMinimized();
        return;
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    hide();
    env_.tray->add(QStringLiteral("Korvelo投影助理"), PopupMenu1);
}

void TForm1::WMTrayIconLeftClick() {
    showNormal();
    raise();
    activateWindow();
}

void TForm1::NCloseClick() {
    env_.tray->remove();
    close();
    env_.exitProgram();
}

void TForm1::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && env_.tray->available())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) SysCommandToTray();
        });
}

void TForm1::closeEvent(QCloseEvent *event) {
    timer_->TimerStopRequest = true;
    // Closes every client connection; the protocol side closes an open upload file.
    listeners_.stop();
    env_.tray->remove();
    event->accept();
    env_.exitProgram();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress && !forwardingKey_) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QString t = key->text();
        QPushButton *target = t == QLatin1String("p")   ? SpeedButtonHelp
                              : t == QLatin1String("{") ? SpeedButtonServerStart
                                                        : nullptr;
        if (target) {
            QPointer<QObject> receiver(watched);
            target->click();
            // The key still goes to its control. A control that ignores it hands
            // it up to its parents, and each of them would preview it again (a
            // second click of the switch stops what the first started), so it
            // goes on as a copy that is not previewed.
            if (receiver) {
                std::unique_ptr<QEvent> copy(key->clone());
                forwardingKey_ = true;
                QCoreApplication::sendEvent(receiver, copy.get());
                forwardingKey_ = false;
            }
            key->accept();
            return true;
        }
    } else if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
        Image1Click();
    }
    return QWidget::eventFilter(watched, event);
}

// ---- main-window commands -------------------------------------------------------

void TForm1::SpeedButtonSetupClick() {
    if (!FormSet) return;
    // A minimised settings window counts as hidden: the click brings it back.
    if (FormSet->isVisible() && !FormSet->isMinimized())
        FormSet->hide();
    else
        bringForward(FormSet);
}

void TForm1::SpeedButtonHelpClick() {
    if (!FormHelp) return;
    bringForward(FormHelp);
    FormHelp->TimerStart->start();  // loads the own mail address a second later
}

void TForm1::SpeedButtonToClientClick() {
    if (FormChouqian) bringForward(FormChouqian);
}

void TForm1::Image1Click() { services_.shell->openDocument(kMakerPage); }

void TForm1::EditDirKeyPress() {
    const QString text = EditDir->text();
    if (!QFileInfo(text).isDir()) {
        setStatus(QStringLiteral("该目录不存在"));
        return;
    }
    if (FormSet) FormSet->DirectoryListBox1->setFolder(text);
}

void TForm1::SpeedButton1Click() {
    QString path = clientProgramPath(env_.programDir);
    if (!QFileInfo(path).isFile()) {
        const QString chosen =
            services_.dialogs->openFile(QStringLiteral("slidepad (slidepad*);;* (*)"), env_.programDir);
        if (chosen.isEmpty()) {
            setStatus(QStringLiteral("没有找到客户端文件：") + path);
            return;
        }
        path = chosen;
        if (!writeIni(QStringLiteral("Server"), "ClientFile", path)) return;
    }
    // The host ends only when the controller really started.
    if (services_.shell->startProgram(path))
        env_.exitProgram();
    else
        setStatus(QStringLiteral("无法启动客户端：") + path);
}

void TForm1::FileListBox1Open() {
    QListWidgetItem *item = FileListBox1->currentItem();
    if (!item || !onLocalOpen) return;
    onLocalOpen(QDir(SharedFolderPath).filePath(item->text()));
}

}  // namespace host
