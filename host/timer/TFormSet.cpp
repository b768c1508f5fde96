#include "host/timer/TFormSet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "common/IniFile.h"
#include "common/Text.h"
#include "host/protocol/HostConfig.h"
#include "host/timer/PresentationTimer.h"
#include "host/timer/TFormTimer.h"

namespace host {

// ---- folder list ---------------------------------------------------------

DirectoryListBox::DirectoryListBox(QWidget *parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        setFolder(item->data(Qt::UserRole).toString());
    });
}

bool DirectoryListBox::setFolder(const QString &path) {
    QFileInfo fi(path);
    if (path.isEmpty() || !fi.isDir()) return false;
    const QString clean = QDir::cleanPath(fi.absoluteFilePath());
    if (clean == folder_) return true;
    folder_ = clean;
    reload();
    emit folderChanged();
    return true;
}

void DirectoryListBox::reload() {
    clear();
    if (folder_.isEmpty()) return;
    QDir dir(folder_);
    auto add = [this](const QString &label, const QString &path) {
        auto *item = new QListWidgetItem(label, this);
        item->setData(Qt::UserRole, path);
    };
    if (!dir.isRoot()) add(QStringLiteral(".."), QDir::cleanPath(dir.absoluteFilePath("..")));
    add(folder_, folder_);
    const auto subs = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &sub : subs) add(QStringLiteral("  ") + sub.fileName(), sub.absoluteFilePath());
}

// ---- window --------------------------------------------------------------

namespace {

QRadioButton *radio(const QString &name, const QString &text, QWidget *parent) {
    auto *r = new QRadioButton(text, parent);
    r->setObjectName(name);
    return r;
}

QLineEdit *edit(const QString &name, const QString &text, QWidget *parent) {
    auto *e = new QLineEdit(text, parent);
    e->setObjectName(name);
    return e;
}

QPushButton *button(const QString &name, const QString &text, const QString &hint, QWidget *parent) {
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    if (!hint.isEmpty()) b->setToolTip(hint);
    return b;
}

QCheckBox *check(const QString &name, const QString &text, const QString &hint, QWidget *parent) {
    auto *c = new QCheckBox(text, parent);
    c->setObjectName(name);
    c->setToolTip(hint);
    c->setChecked(true);
    return c;
}

// A radio set with no selection: Qt's auto-exclusive radios refuse to uncheck
// the last checked one, so exclusivity is lifted for the moment.
void clearRadios(std::initializer_list<QRadioButton *> radios) {
    for (QRadioButton *r : radios) {
        r->setAutoExclusive(false);
        r->setChecked(false);
        r->setAutoExclusive(true);
    }
}

const QString kPlayMusic = QStringLiteral("播放音乐");
const QString kServer = QStringLiteral("server");
const QString kTimer = QStringLiteral("timer");
const QString kDefaultBackColor = QStringLiteral("clNone");
const QString kDefaultFontColor = QStringLiteral("clLime");
const QString kDefaultFontSize = QStringLiteral("16");
const QString kDefaultFontName = QStringLiteral("MS Sans Serif");
const QString kDefaultFontHeight = QStringLiteral("32");
const QString kDefaultFontStyle = QStringLiteral("0000");
constexpr int kMaxPosition = 32767;  // window positions are 16-bit on X11

QString flag(bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); }

}  // namespace

TFormSet::TFormSet(MainLinks main, platform::Services services, QString programDir, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      main_(std::move(main)),
      services_(std::move(services)),
      programDir_(std::move(programDir)) {
    setObjectName(QStringLiteral("FormSet"));
    setWindowTitle(QStringLiteral("Korvelo投影助理 设置"));
    buildUi();
    TimerStart = new QTimer(this);
    TimerStart->setObjectName(QStringLiteral("TimerStart"));
    TimerStart->setSingleShot(true);
    TimerStart->setInterval(200);
    connect(TimerStart, &QTimer::timeout, this, &TFormSet::TimerStartTimer);
    FormCreate();
    TimerStart->start();
    // A dialog of one size, no maximising: the designed client area, or what
    // every page, the bottom bar and its status need when that is more.
    setFixedSize(sizeHint().expandedTo(QSize(485, 407)));
}

QString TFormSet::iniPath() const { return showIniPath(programDir_); }

void TFormSet::buildUi() {
    auto *root = new QVBoxLayout(this);
    tabs = new QTabWidget(this);
    root->addWidget(tabs);

    // Network and projection.
    auto *net = new QWidget;
    auto *netLay = new QVBoxLayout(net);
    auto *gNet = new QGroupBox(QStringLiteral("网络参数"), net);
    auto *gl = new QGridLayout(gNet);
    EditControlPort = edit("EditControlPort", "8220", gNet);
    EditSUser = edit("EditSUser", "tuvop", gNet);
    EditSPass = edit("EditSPass", "tuvop", gNet);
    EditSPass->setEchoMode(QLineEdit::Password);
    gl->addWidget(new QLabel(QStringLiteral("本机端口"), gNet), 0, 0);
    gl->addWidget(EditControlPort, 0, 1);
    gl->addWidget(new QLabel(QStringLiteral("用户名"), gNet), 1, 0);
    gl->addWidget(EditSUser, 1, 1);
    gl->addWidget(new QLabel(QStringLiteral("密    码"), gNet), 2, 0);
    gl->addWidget(EditSPass, 2, 1);
    auto *gCtl = new QGroupBox(QStringLiteral("投影控制"), net);
    auto *cl = new QVBoxLayout(gCtl);
    CheckBoxAutoStart = check("CheckBoxAutoStart", QStringLiteral("自动启动投影服务  "),
                              QStringLiteral("勾选后，当本软件启动时，自动启动投影服务"), gCtl);
    CheckBoxAutoResp = check("CheckBoxAutoResp", QStringLiteral("自动响应投影申请  "),
                             QStringLiteral("如未勾选，则由本机决定是否响应远端的投影申请"), gCtl);
    CheckBoxNewType = check("CheckBoxNewType", QStringLiteral("原控者处理新申请  "),
                            QStringLiteral("勾选后，当有新的人员申请接管投影控制权时，由原控制者决定是否同意；否则由本机决定"),
                            gCtl);
    cl->addWidget(CheckBoxAutoStart);
    cl->addWidget(CheckBoxAutoResp);
    cl->addWidget(CheckBoxNewType);
    netLay->addWidget(gNet);
    netLay->addWidget(gCtl);
    netLay->addStretch();
    tabs->addTab(net, QStringLiteral("网络与投影"));

    // Timer.
    auto *tim = new QWidget;
    auto *tl = new QGridLayout(tim);
    auto *gCount = new QGroupBox(QStringLiteral("计时方式"), tim);
    auto *l1 = new QHBoxLayout(gCount);
    RadioButtonCountDown = radio("RadioButtonCountDown", QStringLiteral("倒计时"), gCount);
    RadioButtonCountUp = radio("RadioButtonCountUp", QStringLiteral("正计时"), gCount);
    RadioButtonCountDown->setChecked(true);
    l1->addWidget(RadioButtonCountDown);
    l1->addWidget(RadioButtonCountUp);
    auto *gDisp = new QGroupBox(QStringLiteral("显示方式"), tim);
    auto *l2 = new QHBoxLayout(gDisp);
    RadioButtonPart = radio("RadioButtonPart", QStringLiteral("局部显示  "), gDisp);
    RadioButtonGlobal = radio("RadioButtonGlobal", QStringLiteral("全屏显示  "), gDisp);
    RadioButtonNoDisp = radio("RadioButtonNoDisp", QStringLiteral("不显示  "), gDisp);
    l2->addWidget(RadioButtonPart);
    l2->addWidget(RadioButtonGlobal);
    l2->addWidget(RadioButtonNoDisp);
    auto *gStart = new QGroupBox(QStringLiteral("启动"), tim);
    auto *l3 = new QHBoxLayout(gStart);
    RadioButtonStartOnPPT = radio("RadioButtonStartOnPPT", QStringLiteral("幻灯片放映时启动  "), gStart);
    RadioButtonStartOnM = radio("RadioButtonStartOnM", QStringLiteral("手动启动  "), gStart);
    RadioButtonStartOnM->setChecked(true);
    l3->addWidget(RadioButtonStartOnPPT);
    l3->addWidget(RadioButtonStartOnM);
    auto *gPos = new QGroupBox(QStringLiteral("显示参数"), tim);
    auto *l4 = new QGridLayout(gPos);
    auto *corners = new QWidget(gPos);
    auto *cornerLay = new QHBoxLayout(corners);
    cornerLay->setContentsMargins(0, 0, 0, 0);
    RadioButtonLT = radio("RadioButtonLT", QStringLiteral("左上"), corners);
    RadioButtonRT = radio("RadioButtonRT", QStringLiteral("右上"), corners);
    RadioButtonLB = radio("RadioButtonLB", QStringLiteral("左下"), corners);
    RadioButtonRB = radio("RadioButtonRB", QStringLiteral("右下"), corners);
    cornerLay->addWidget(new QLabel(QStringLiteral("位置  "), corners));
    for (auto *r : {RadioButtonLT, RadioButtonRT, RadioButtonLB, RadioButtonRB}) cornerLay->addWidget(r);
    LabelX = new QLabel(gPos);
    LabelX->setObjectName("LabelX");
    LabelY = new QLabel(gPos);
    LabelY->setObjectName("LabelY");
    EditX = edit("EditX", "5", gPos);
    EditY = edit("EditY", "5", gPos);
    l4->addWidget(corners, 0, 0, 1, 2);
    l4->addWidget(LabelX, 1, 0);
    l4->addWidget(EditX, 1, 1);
    l4->addWidget(LabelY, 2, 0);
    l4->addWidget(EditY, 2, 1);
    auto *gText = new QGroupBox(QStringLiteral("文字"), tim);
    auto *l5 = new QHBoxLayout(gText);
    SpeedButtonFont = button("SpeedButtonFont", QStringLiteral("字体"), {}, gText);
    SpeedButtonBackColor = button("SpeedButtonBackColor", QStringLiteral("背景色"), {}, gText);
    SpeedButtonTimer = button("SpeedButtonTimer", QStringLiteral("显示"), {}, gText);
    SpeedButtonNoBack = button("SpeedButtonNoBack", QStringLiteral("无背景"), {}, gText);
    for (auto *b : {SpeedButtonFont, SpeedButtonBackColor, SpeedButtonTimer, SpeedButtonNoBack}) l5->addWidget(b);
    auto *gLen = new QGroupBox(QStringLiteral("时长设置"), tim);
    auto *l6 = new QHBoxLayout(gLen);
    EditDelayTime = edit("EditDelayTime", "0", gLen);
    EditH = edit("EditH", "0", gLen);
    EditM = edit("EditM", "10", gLen);
    EditS = edit("EditS", "0", gLen);
    l6->addWidget(new QLabel(QStringLiteral("延时"), gLen));
    l6->addWidget(EditDelayTime);
    l6->addWidget(new QLabel(QStringLiteral("秒启动"), gLen));
    l6->addWidget(new QLabel(QStringLiteral("计时"), gLen));
    l6->addWidget(EditH);
    l6->addWidget(new QLabel(QStringLiteral("小时"), gLen));
    l6->addWidget(EditM);
    l6->addWidget(new QLabel(QStringLiteral("分"), gLen));
    l6->addWidget(EditS);
    l6->addWidget(new QLabel(QStringLiteral("秒"), gLen));
    auto *gRun = new QGroupBox(QStringLiteral("执行"), tim);
    auto *l7 = new QGridLayout(gRun);
    ComboBoxStartMp3 = new QComboBox(gRun);
    ComboBoxStartMp3->setObjectName("ComboBoxStartMp3");
    ComboBoxStartMp3->addItems({QStringLiteral("无操作"), QStringLiteral("播放音乐")});
    EditStartMp3 = edit("EditStartMp3", "", gRun);
    SpeedButtonStartSelMp3 = button("SpeedButtonStartSelMp3", "...", {}, gRun);
    ComboBox1 = new QComboBox(gRun);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setEditable(true);  // holds whatever text the file gave it
    ComboBox1->addItems({QStringLiteral("无操作"), QStringLiteral("黑屏"), QStringLiteral("逐渐黑屏"),
                         QStringLiteral("关闭幻灯片")});
    ComboBox2 = new QComboBox(gRun);
    ComboBox2->setObjectName("ComboBox2");
    ComboBox2->setEditable(true);
    ComboBox2->addItems({QStringLiteral("无操作"), QStringLiteral("播放音乐")});
    EditMp3 = edit("EditMp3", "", gRun);
    SpeedButtonSel = button("SpeedButtonSel", "...", {}, gRun);
    const TimerServices &timer = main_.timerServices;
    MediaPlayerStart = new TMediaPlayer(timer.media->createPlayer(QStringLiteral("MediaPlayerStart")),
                                        services_.dialogs, gRun);
    MediaPlayerStart->setObjectName("MediaPlayerStart");
    MediaPlayerEnd = new TMediaPlayer(timer.media->createPlayer(QStringLiteral("MediaPlayerEnd")),
                                      services_.dialogs, gRun);
    MediaPlayerEnd->setObjectName("MediaPlayerEnd");
    l7->addWidget(MediaPlayerStart, 0, 5);
    l7->addWidget(MediaPlayerEnd, 2, 5);
    l7->addWidget(new QLabel(QStringLiteral("计时开始"), gRun), 0, 0);
    l7->addWidget(new QLabel(QStringLiteral("声音"), gRun), 0, 1);
    l7->addWidget(ComboBoxStartMp3, 0, 2);
    l7->addWidget(EditStartMp3, 0, 3);
    l7->addWidget(SpeedButtonStartSelMp3, 0, 4);
    l7->addWidget(new QLabel(QStringLiteral("计时结束"), gRun), 1, 0);
    l7->addWidget(new QLabel(QStringLiteral("屏幕"), gRun), 1, 1);
    l7->addWidget(ComboBox1, 1, 2);
    l7->addWidget(new QLabel(QStringLiteral("声音"), gRun), 2, 1);
    l7->addWidget(ComboBox2, 2, 2);
    l7->addWidget(EditMp3, 2, 3);
    l7->addWidget(SpeedButtonSel, 2, 4);
    tl->addWidget(gCount, 0, 0);
    tl->addWidget(gStart, 0, 1);
    tl->addWidget(gDisp, 1, 0, 1, 2);
    tl->addWidget(gPos, 2, 0);
    tl->addWidget(gText, 2, 1);
    tl->addWidget(gLen, 3, 0, 1, 2);
    tl->addWidget(gRun, 4, 0, 1, 2);
    tabs->addTab(tim, QStringLiteral("计时"));

    // System.
    auto *sys = new QWidget;
    auto *sl = new QVBoxLayout(sys);
    auto *gDir = new QGroupBox(QStringLiteral("PPT公共文件夹"), sys);
    auto *dl = new QGridLayout(gDir);
    DriveComboBox1 = new QComboBox(gDir);
    DriveComboBox1->setObjectName("DriveComboBox1");
    DriveComboBox1->addItems({QDir::homePath(), QDir::rootPath()});
    DirectoryListBox1 = new DirectoryListBox(gDir);
    DirectoryListBox1->setObjectName("DirectoryListBox1");
    DirectoryListBox1->setToolTip(QStringLiteral("指定待投影的PPT存放的文件夹"));
    EditDir = edit("EditDir", "", gDir);
    EditDir->setReadOnly(true);
    EditNew = edit("EditNew", "", gDir);
    SpeedButtonNew = button("SpeedButtonNew", QStringLiteral("  新建"),
                            QStringLiteral("在上面框中输入文件夹名，可以在当前文件夹中创建指定文件夹"), gDir);
    dl->addWidget(DriveComboBox1, 0, 0, 1, 2);
    dl->addWidget(DirectoryListBox1, 1, 0, 1, 2);
    dl->addWidget(EditDir, 2, 0, 1, 2);
    dl->addWidget(EditNew, 3, 0);
    dl->addWidget(SpeedButtonNew, 3, 1);
    auto *gSoft = new QGroupBox(QStringLiteral("软件"), sys);
    auto *ol = new QVBoxLayout(gSoft);
    CheckBoxAutoCheckNew = check("CheckBoxAutoCheckNew", QStringLiteral("自动检测最新版本"),
                                 QStringLiteral("每天检测一次。最新版本会更完善，解决软件存在的缺陷"), gSoft);
    ol->addWidget(CheckBoxAutoCheckNew);
    sl->addWidget(gDir);
    sl->addWidget(gSoft);
    tabs->addTab(sys, QStringLiteral("系统"));

    // Bottom bar.
    auto *bar = new QHBoxLayout;
    SpeedButtonSave = button("SpeedButtonSave", QStringLiteral("保存"), QStringLiteral("保存所有参数设置"), this);
    SpeedButton2 = button("SpeedButton2", QStringLiteral("关闭"), QStringLiteral("关闭本设置窗口"), this);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    statusPanel_ = new QLabel(StatusBar1);
    statusPanel_->setMinimumWidth(300);
    StatusBar1->addWidget(statusPanel_);
    bar->addWidget(SpeedButtonSave);
    bar->addWidget(SpeedButton2);
    bar->addWidget(StatusBar1, 1);
    root->addLayout(bar);

    connect(SpeedButtonSave, &QPushButton::clicked, this, &TFormSet::SpeedButtonSaveClick);
    connect(SpeedButton2, &QPushButton::clicked, this, &TFormSet::SpeedButton2Click);
    connect(SpeedButtonNew, &QPushButton::clicked, this, &TFormSet::SpeedButtonNewClick);
    connect(DirectoryListBox1, &DirectoryListBox::folderChanged, this, &TFormSet::DirectoryListBox1Change);
    connect(DriveComboBox1, &QComboBox::activated, this,
            [this](int i) { DirectoryListBox1->setFolder(DriveComboBox1->itemText(i)); });
    connectTimerControls();
}

QString TFormSet::statusText() const { return statusPanel_->text(); }
void TFormSet::setStatusText(const QString &text) { statusPanel_->setText(text); }

void TFormSet::FormCreate() {
    const QRect screen = services_.screens->primary();
    LabelX->setText(QStringLiteral("横坐标0-") + QString::number(screen.width() - 1));
    LabelY->setText(QStringLiteral("纵坐标0-") + QString::number(screen.height() - 1));
    EditSUser->setText(main_.startup.serviceUser);
    EditSPass->setText(main_.startup.servicePassword);
    EditControlPort->setText(main_.startup.servicePortText);
    CheckBoxAutoStart->setChecked(main_.startup.autoStartText == QLatin1String("true"));
    CheckBoxAutoResp->setChecked(main_.startup.autoRespText == QLatin1String("true"));
    CheckBoxNewType->setChecked(main_.startup.newTypeText == QLatin1String("true"));
    CheckBoxAutoCheckNew->setChecked(main_.startup.autoCheckNewText == QLatin1String("true"));
    // A stored folder that is gone must not cost the other settings: fall back
    // to the home folder and carry on.
    if (!DirectoryListBox1->setFolder(main_.startup.sharedFolderPath))
        DirectoryListBox1->setFolder(QDir::homePath());
}

void TFormSet::TimerStartTimer() {
    TimerStart->stop();
    const kv::IniFile ini(iniPath());
    const QString count = ini.readString(kTimer, "count", "down");
    if (count == QLatin1String("down")) RadioButtonCountDown->setChecked(true);
    else if (count == QLatin1String("up")) RadioButtonCountUp->setChecked(true);

    const QString start = ini.readString(kTimer, "start", "M");
    if (start == QLatin1String("ppt")) {
        RadioButtonStartOnPPT->setChecked(true);
        main_.timer->watchShows(true);
    } else if (start == QLatin1String("M")) {
        RadioButtonStartOnM->setChecked(true);
        main_.timer->watchShows(false);
    }

    const QString display = ini.readString(kTimer, "display", "part");
    if (display == QLatin1String("part")) {
        RadioButtonPart->setChecked(true);
    } else if (display == QLatin1String("global")) {
        clearRadios({RadioButtonPart, RadioButtonNoDisp});
        RadioButtonGlobal->setChecked(true);
    } else if (display == QLatin1String("NoDisplay")) {
        RadioButtonNoDisp->setChecked(true);
    } else {
        clearRadios({RadioButtonPart, RadioButtonGlobal, RadioButtonNoDisp});
    }

    EditX->setText(ini.readString(kTimer, "X", "5"));
    EditY->setText(ini.readString(kTimer, "Y", "5"));
    EditDelayTime->setText(ini.readString(kTimer, "Delay", "0"));
    EditH->setText(ini.readString(kTimer, "hour", "0"));
    EditM->setText(ini.readString(kTimer, "minute", "10"));
    EditS->setText(ini.readString(kTimer, "second", "0"));
    ComboBox1->setCurrentText(ini.readString(kTimer, "TimeScreen", QStringLiteral("无操作")));
    ComboBox2->setCurrentText(ini.readString(kTimer, "TimeSound", QStringLiteral("无操作")));
    EditMp3->setText(ini.readString(kTimer, "TimeSoundMp3", ""));

    lookLoaded_ = false;
    loadLookIfNeeded();

    CheckBoxAutoCheckNew->setChecked(autoCheckNewOn(ini.readString(kServer, "AutoCheckNew", "")));
    loaded_ = true;
}

void TFormSet::loadLookIfNeeded() {
    if (lookLoaded_) return;
    const kv::IniFile ini(iniPath());
    // A value the clock cannot use gives way to its default here, so that no
    // layout and no font dialog fails on it later.
    auto read = [&ini](const char *key, const QString &def, auto usable) {
        const QString v = ini.readString(kTimer, key, def);
        return usable(v) ? v : def;
    };
    auto color = [](const QString &v) { return colorFromText(v).has_value(); };
    auto number = [](const QString &v) { return fontLookFromText({}, v, v, {}).has_value(); };
    ClockBackColor = read("BackColor", kDefaultBackColor, color);
    ClockFontColor = read("color", kDefaultFontColor, color);
    ClockFontSize = read("size", kDefaultFontSize, number);
    ClockFontName = read("name", kDefaultFontName, [](const QString &v) { return !kv::trimmed(v).isEmpty(); });
    ClockFontHeight = read("height", kDefaultFontHeight, number);
    ClockFontStyle = read("style", kDefaultFontStyle, [](const QString &v) {
        static const QRegularExpression re(QStringLiteral("^[01]{1,4}$"));
        return re.match(v).hasMatch();
    });
    lookLoaded_ = true;
}

void TFormSet::SpeedButtonSaveClick() {
    // A save before the 200 ms load keeps the stored look rather than blanks.
    loadLookIfNeeded();
    kv::IniFile ini(iniPath());
    try {
        ini.writeString(kServer, "AutoStart", flag(CheckBoxAutoStart->isChecked()));
        ini.writeString(kServer, "AutoResp", flag(CheckBoxAutoResp->isChecked()));
        ini.writeString(kServer, "NewType", flag(CheckBoxNewType->isChecked()));
        ini.writeString(kServer, "PPTdir", DirectoryListBox1->folder());
        ini.writeString(kServer, "ServerUser", EditSUser->text());
        ini.writeString(kServer, "ServerPass", EditSPass->text());
        ini.writeString(kServer, "ServerPort", EditControlPort->text());

        if (RadioButtonCountDown->isChecked()) ini.writeString(kTimer, "count", "down");
        else if (RadioButtonCountUp->isChecked()) ini.writeString(kTimer, "count", "up");
        if (RadioButtonStartOnPPT->isChecked()) ini.writeString(kTimer, "start", "ppt");
        else if (RadioButtonStartOnM->isChecked()) ini.writeString(kTimer, "start", "M");
        if (RadioButtonPart->isChecked()) ini.writeString(kTimer, "display", "part");
        else if (RadioButtonGlobal->isChecked()) ini.writeString(kTimer, "display", "global");
        else if (RadioButtonNoDisp->isChecked()) ini.writeString(kTimer, "display", "NoDisplay");
        ini.writeString(kTimer, "X", EditX->text());
        ini.writeString(kTimer, "Y", EditY->text());
        ini.writeString(kTimer, "Delay", EditDelayTime->text());
        ini.writeString(kTimer, "hour", EditH->text());
        ini.writeString(kTimer, "minute", EditM->text());
        ini.writeString(kTimer, "second", EditS->text());
        ini.writeString(kTimer, "TimeScreen", ComboBox1->currentText());
        ini.writeString(kTimer, "TimeSound", ComboBox2->currentText());
        ini.writeString(kTimer, "TimeSoundMp3", EditMp3->text());

        ini.writeString(kTimer, "BackColor", ClockBackColor);
        ini.writeString(kTimer, "color", ClockFontColor);
        ini.writeString(kTimer, "size", ClockFontSize);
        ini.writeString(kTimer, "name", ClockFontName);
        ini.writeString(kTimer, "height", ClockFontHeight);
        ini.writeString(kTimer, "style", ClockFontStyle);

        if (ini.readString(kTimer, "name", "error") == ClockFontName)
            setStatusText(QStringLiteral("保存成功"));
        else
            setStatusText(QStringLiteral("show.ini保存失败"));
        ini.writeString(kServer, "AutoCheckNew", CheckBoxAutoCheckNew->isChecked() ? "1" : "0");
    } catch (const kv::IniWriteError &e) {
        services_.dialogs->message(e.message());
    }
}

void TFormSet::DirectoryListBox1Change() {
    EditDir->setText(DirectoryListBox1->folder());
    // The drive box shows the tree the folder lies in.
    const QString home = QDir::homePath(), folder = DirectoryListBox1->folder();
    DriveComboBox1->setCurrentIndex(folder == home || folder.startsWith(home + QLatin1Char('/')) ? 0 : 1);
    main_.setSharedFolder(EditDir->text());
}

void TFormSet::SpeedButtonNewClick() {
    const QString name = kv::trimmed(EditNew->text());
    if (name.isEmpty()) {
        EditNew->setFocus();
        return;
    }
    const QString folder = kv::trimmed(EditDir->text());
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        setStatusText(QStringLiteral("请先选择共享文件夹"));
        return;
    }
    // One level inside the shared folder, nowhere else.
    if (name.contains('/') || name.contains(QStringLiteral("..")) || name == QLatin1String(".")) {
        setStatusText(QStringLiteral("文件夹名不能含有“/”或“..”"));
        return;
    }
    QDir dir(folder);
    const QString path = QDir::cleanPath(dir.filePath(name));
    if (!QFileInfo(path).isDir() && !dir.mkdir(name)) {
        setStatusText(QStringLiteral("无法创建文件夹：") + path);
        return;
    }
    DirectoryListBox1->setFolder(path);
}

void TFormSet::SpeedButton2Click() { hide(); }

// ---- clock display -----------------------------------------------------------

void TFormSet::connectTimerControls() {
    auto onSelect = [this](QRadioButton *r, void (TFormSet::*handler)()) {
        connect(r, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on) (this->*handler)();
        });
    };
    onSelect(RadioButtonPart, &TFormSet::RadioButtonPartClick);
    onSelect(RadioButtonGlobal, &TFormSet::RadioButtonGlobalClick);
    onSelect(RadioButtonNoDisp, &TFormSet::RadioButtonNoDispClick);
    onSelect(RadioButtonLT, &TFormSet::RadioButtonLTClick);
    onSelect(RadioButtonRT, &TFormSet::RadioButtonRTClick);
    onSelect(RadioButtonLB, &TFormSet::RadioButtonLBClick);
    onSelect(RadioButtonRB, &TFormSet::RadioButtonRBClick);
    onSelect(RadioButtonStartOnPPT, &TFormSet::RadioButtonStartOnPPTClick);
    onSelect(RadioButtonStartOnM, &TFormSet::RadioButtonStartOnMClick);
    connect(SpeedButtonFont, &QPushButton::clicked, this, &TFormSet::SpeedButtonFontClick);
    connect(SpeedButtonTimer, &QPushButton::clicked, this, &TFormSet::SpeedButtonTimerClick);
    connect(SpeedButtonBackColor, &QPushButton::clicked, this, &TFormSet::SpeedButtonBackColorClick);
    connect(SpeedButtonNoBack, &QPushButton::clicked, this, &TFormSet::SpeedButtonNoBackClick);
    connect(SpeedButtonSel, &QPushButton::clicked, this, &TFormSet::SpeedButtonSelClick);
    connect(SpeedButtonStartSelMp3, &QPushButton::clicked, this, &TFormSet::SpeedButtonStartSelMp3Click);
    connect(EditMp3, &QLineEdit::returnPressed, this, &TFormSet::EditMp3KeyPress);
    connect(EditStartMp3, &QLineEdit::returnPressed, this, &TFormSet::EditStartMp3KeyPress);
    MediaPlayerEnd->onClick = [this](TMediaPlayer::Button b) { MediaPlayerEndClick(b); };
    MediaPlayerStart->onClick = [this](TMediaPlayer::Button b) { MediaPlayerStartClick(b); };

    PresentationTimer &timer = *main_.timer;
    connect(RadioButtonStartOnPPT, &QRadioButton::toggled, &timer, &PresentationTimer::setStartOnShow);
    connect(&timer, &PresentationTimer::runEnded, this, [this] { SpeedButtonTimer->setText(caption::kShowClock); });
    connect(&timer, &PresentationTimer::startedByHand, this, [this] { RadioButtonStartOnM->setChecked(true); });
}

void TFormSet::setClock(TFormTimer *clock) {
    clock_ = clock;
    if (!clock) return;
    connect(clock, &TFormTimer::laidOut, this, [this](bool shown) {
        SpeedButtonTimer->setText(shown ? caption::kHideClock : caption::kShowClock);
    });
    connect(clock, &TFormTimer::closeClicked, this, [this] { SpeedButtonTimer->setText(caption::kShowClock); });
    // The position edits follow a drag of the clock.
    connect(clock, &TFormTimer::dragged, this, [this](const QPoint &at) {
        EditX->setText(QString::number(at.x()));
        EditY->setText(QString::number(at.y()));
    });
}

void TFormSet::playStartMusic() { MediaPlayerStart->Play(); }
void TFormSet::stopStartMusic() { MediaPlayerStart->Stop(); }
void TFormSet::stopEndMusic() { MediaPlayerEnd->Stop(); }

void TFormSet::playEndMusic(const QString &path) {
    MediaPlayerEnd->setFileName(path);
    // Plays once the back end has loaded it: the time-up does not wait for it
    // (a wait would let other commands run in its middle).
    MediaPlayerEnd->Open(true);
}

ColorValue TFormSet::backColor() const { return colorFromText(ClockBackColor).value_or(kClNone); }

ColorValue TFormSet::fontColor() const {
    return colorFromText(ClockFontColor).value_or(*colorFromText(kDefaultFontColor));
}

FontLook TFormSet::fontLook() const {
    auto look = fontLookFromText(ClockFontName, ClockFontSize, ClockFontHeight, ClockFontStyle);
    if (!look) look = fontLookFromText(ClockFontName, kDefaultFontSize, kDefaultFontHeight, ClockFontStyle);
    if (kv::trimmed(look->name).isEmpty()) look->name = kDefaultFontName;
    return *look;
}

namespace {
std::optional<int> position(const QLineEdit *edit) {
    const auto v = parseWholeNumber(edit->text());
    if (!v || *v < -kMaxPosition || *v > kMaxPosition) return std::nullopt;
    return static_cast<int>(*v);
}
}  // namespace

TimerOptions TFormSet::timerOptions() const {
    using O = TimerOptions;
    TimerOptions o;
    o.hours = EditH->text();
    o.minutes = EditM->text();
    o.seconds = EditS->text();
    o.delay = EditDelayTime->text();
    o.count = RadioButtonCountDown->isChecked() ? O::Count::Down
              : RadioButtonCountUp->isChecked() ? O::Count::Up
                                                : O::Count::Neither;
    o.display = RadioButtonPart->isChecked()     ? O::Display::Part
                : RadioButtonGlobal->isChecked() ? O::Display::Global
                : RadioButtonNoDisp->isChecked() ? O::Display::None
                                                 : O::Display::Unset;
    o.x = position(EditX);
    o.y = position(EditY);
    o.startMusic = ComboBoxStartMp3->currentText() == kPlayMusic;
    const QString action = ComboBox1->currentText();
    o.timeUp = action == QStringLiteral("黑屏")       ? O::TimeUp::Black
               : action == QStringLiteral("逐渐黑屏")   ? O::TimeUp::FadeToBlack
               : action == QStringLiteral("关闭幻灯片") ? O::TimeUp::CloseSlides
                                                      : O::TimeUp::Nothing;
    o.endMusic = ComboBox2->currentText() == kPlayMusic;
    o.endMusicPath = EditMp3->text();
    o.backColor = backColor();
    o.fontColor = fontColor();
    o.font = fontLook();
    return o;
}

bool TFormSet::ApplyTimerDisplay() {
    TFormTimer *c = clock();
    if (!c) return false;
    const TimerOptions options = timerOptions();
    if (const QString error = options.displayError(); !error.isEmpty()) {
        services_.dialogs->message(error);
        return false;
    }
    c->layOut(options);
    return true;
}

void TFormSet::SpeedButtonTimerClick() {
    TFormTimer *c = clock();
    if (!c) return;
    if (SpeedButtonTimer->text() == caption::kShowClock) {
        c->move(100, c->y());
        SpeedButtonTimer->setText(caption::kHideClock);
        c->setStayOnTop(false);
        if (!ApplyTimerDisplay()) SpeedButtonTimer->setText(caption::kShowClock);
    } else {
        c->hide();
        SpeedButtonTimer->setText(caption::kShowClock);
    }
}

void TFormSet::SpeedButtonFontClick() {
    TFormTimer *c = clock();
    if (!c) return;
    const auto choice = main_.timerServices.lookDialogs->chooseFont({toQFont(fontLook()), toQColor(fontColor())});
    if (!choice) return;
    // Docked to the right or bottom edge of its screen, the small clock stays there.
    const QRect screen = clockScreen();
    QPoint at = c->pos() - screen.topLeft();
    if (auto x = position(EditX)) at.setX(*x);
    if (auto y = position(EditY)) at.setY(*y);
    const bool right = at.x() + c->Label1->width() + 5 >= screen.width();
    const bool bottom = at.y() + c->Label1->height() + 5 >= screen.height();

    c->setClockLook(choice->font, choice->color, c->labelBackColor());
    const FontLook look = fromQFont(c->Label1->font());
    ClockFontColor = colorToText(fromQColor(choice->color));
    ClockFontSize = QString::number(look.size);
    ClockFontHeight = QString::number(look.height);
    ClockFontName = look.name;
    ClockFontStyle = look.style;

    const QSize size = c->Label1->size();
    if (right || at.x() + size.width() > screen.width() - 5)
        EditX->setText(QString::number(screen.width() - size.width() - 5));
    if (bottom || at.y() + size.height() > screen.height() - 5)
        EditY->setText(QString::number(screen.height() - size.height() - 5));
    c->hide();
    c->setStayOnTop(false);
    ApplyTimerDisplay();
}

void TFormSet::SpeedButtonBackColorClick() {
    TFormTimer *c = clock();
    if (!c) return;
    const auto chosen = main_.timerServices.lookDialogs->chooseColor(toQColor(backColor()));
    if (!chosen) return;
    if (!c->isVisible()) {
        c->setStayOnTop(false);
        if (!ApplyTimerDisplay()) return;
    }
    ClockBackColor = colorToText(fromQColor(*chosen));
    clock()->applyBackground(backColor());
}

void TFormSet::SpeedButtonNoBackClick() {
    TFormTimer *c = clock();
    if (!c) return;
    if (!c->isVisible()) {
        c->setStayOnTop(false);
        if (!ApplyTimerDisplay()) return;
    }
    ClockBackColor = colorToText(kClSilver);
    clock()->applyBackground(kClSilver);
}

void TFormSet::RadioButtonPartClick() { ComboBox1->show(); }

void TFormSet::RadioButtonGlobalClick() { ComboBox1->hide(); }

void TFormSet::RadioButtonNoDispClick() {
    if (TFormTimer *c = clock()) c->hide();
    SpeedButtonTimer->setText(caption::kShowClock);
    ComboBox1->show();
}

void TFormSet::placeAtCorner(bool right, bool bottom) {
    TFormTimer *c = clock();
    if (!c) return;
    // Relative to the clock's screen, with the clock text's own size whatever
    // the window's layout is now.
    const QRect screen = clockScreen();
    const int x = right ? screen.width() - c->Label1->width() - 5 : 5;
    const int y = bottom ? screen.height() - c->Label1->height() - 5 : 5;
    EditX->setText(QString::number(x));
    EditY->setText(QString::number(y));
    c->move(screen.topLeft() + QPoint(x, y));
}

// ---- music and start option -----------------------------------------------------

void TFormSet::pickMusic(QLineEdit *edit, TMediaPlayer *player) {
    const QString path = services_.dialogs->openFile(kMusicFilter, QFileInfo(edit->text()).absolutePath());
    if (path.isEmpty()) return;
    edit->setText(path);
    player->setFileName(edit->text());
    player->Open();
}

void TFormSet::enterMusic(QLineEdit *edit, TMediaPlayer *player) {
    const QString path = edit->text();
    if (kv::trimmed(path).isEmpty() || !QFileInfo(path).isFile()) return;
    player->setFileName(path);
    player->Open(true);
}

void TFormSet::SpeedButtonSelClick() { pickMusic(EditMp3, MediaPlayerEnd); }
void TFormSet::SpeedButtonStartSelMp3Click() { pickMusic(EditStartMp3, MediaPlayerStart); }
void TFormSet::EditMp3KeyPress() { enterMusic(EditMp3, MediaPlayerEnd); }
void TFormSet::EditStartMp3KeyPress() { enterMusic(EditStartMp3, MediaPlayerStart); }

// The control's own Stop keeps the position; its Stop button starts the next Play from the top.
void TFormSet::MediaPlayerEndClick(TMediaPlayer::Button button) {
    if (button == TMediaPlayer::Button::Stop) MediaPlayerEnd->Rewind();
}

void TFormSet::MediaPlayerStartClick(TMediaPlayer::Button button) {
    if (button == TMediaPlayer::Button::Stop) MediaPlayerStart->Rewind();
}

void TFormSet::RadioButtonStartOnPPTClick() { main_.timer->watchShows(true); }

void TFormSet::RadioButtonStartOnMClick() { main_.timer->watchShows(false); }

}  // namespace host
