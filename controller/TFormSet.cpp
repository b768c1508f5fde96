#include "controller/TFormSet.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/IniFile.h"
#include "controller/SingleLine.h"
#include "controller/StatusLine.h"

namespace pad {

TFormSet::TFormSet(PadConfig *config, platform::Services services,
                   std::function<QString()> localAddress, QWidget *parent)
    : QWidget(parent, Qt::Window), config_(config), services_(std::move(services)),
      localAddress_(std::move(localAddress)) {
    setObjectName(QStringLiteral("FormSet"));
    setWindowTitle(QStringLiteral("Korvelo投影助理 设置"));
    resize(300, 380);

    auto check = [this](const char *name, const QString &text) {
        auto *c = new QCheckBox(text, this);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    CheckBoxAutoScan = check("CheckBoxAutoScan", QStringLiteral("启动后自动扫描  "));
    CheckBoxAutoConnect = check("CheckBoxAutoConnect", QStringLiteral("扫描后自动连接  "));
    CheckBoxFullScreen = check("CheckBoxFullScreen", QStringLiteral("本机全屏放映  "));
    LabelFullScreenImpress = new QLabel(impressShowNote(), this);
    LabelFullScreenImpress->setObjectName(QStringLiteral("LabelFullScreenImpress"));
    LabelFullScreenImpress->setWordWrap(true);
    auto edit = [this](const char *name, const QString &text) {
        auto *e = new QLineEdit(text, this);
        e->setObjectName(QString::fromLatin1(name));
        refuseLineBreaks(e);
        return e;
    };
    EditControlPort = edit("EditControlPort", QStringLiteral("8220"));
    EditUser = edit("EditUser", QStringLiteral("tuvop"));
    EditPass = edit("EditPass", QStringLiteral("tuvop"));
    EditPass->setEchoMode(QLineEdit::Password);
    MemoIP = new QPlainTextEdit(this);
    MemoIP->setObjectName(QStringLiteral("MemoIP"));
    MemoIP->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    SpeedButtonAddSelf = button("SpeedButtonAddSelf", QStringLiteral("加入本机网段"));
    SpeedButtonSave = button("SpeedButtonSave", QStringLiteral("保存"));
    SpeedButton2 = button("SpeedButton2", QStringLiteral("关闭"));
    connect(SpeedButtonAddSelf, &QPushButton::clicked, this, &TFormSet::SpeedButtonAddSelfClick);
    connect(SpeedButtonSave, &QPushButton::clicked, this, &TFormSet::SpeedButtonSaveClick);
    connect(SpeedButton2, &QPushButton::clicked, this, &TFormSet::SpeedButton2Click);
    StatusBar1 = new StatusLine(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));

    auto *page = new QGroupBox(QStringLiteral("参数"), this);
    auto *form = new QFormLayout(page);
    form->addRow(CheckBoxAutoScan);
    form->addRow(CheckBoxAutoConnect);
    form->addRow(CheckBoxFullScreen);
    form->addRow(LabelFullScreenImpress);
    form->addRow(QStringLiteral("远端端口"), EditControlPort);
    form->addRow(QStringLiteral("用户名"), EditUser);
    form->addRow(QStringLiteral("密  码"), EditPass);
    form->addRow(QStringLiteral("扫描网段"), MemoIP);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(SpeedButtonAddSelf);
    buttons->addWidget(SpeedButtonSave);
    buttons->addWidget(SpeedButton2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(page, 1);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar1);

    FormCreate();
}

QStringList TFormSet::scanLines() const {
    const QString text = MemoIP->toPlainText();
    if (text.isEmpty()) return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();  // a final line end
    return lines;
}

void TFormSet::setScanLines(const QStringList &lines) { MemoIP->setPlainText(lines.join(QLatin1Char('\n'))); }

QString TFormSet::statusText() const { return StatusBar1->text(); }

QString TFormSet::impressShowNote() {
    return QStringLiteral("LibreOffice Impress不受“本机全屏放映”影响，总是按它自己的“幻灯片放映设置”放映（默认全屏）。");
}

void TFormSet::FormCreate() {
    const PadSettings s = config_->loadSettings();
    EditUser->setText(s.user);
    EditPass->setText(s.pass);
    EditControlPort->setText(s.port);
    CheckBoxAutoScan->setChecked(s.autoScan);
    CheckBoxAutoConnect->setChecked(s.autoConnect);
    CheckBoxFullScreen->setChecked(s.fullScreen);
    setScanLines(config_->loadScanList());
}

void TFormSet::SpeedButtonSaveClick() {
    StatusBar1->clear();
    PadSettings s;
    s.user = EditUser->text();
    s.pass = EditPass->text();
    s.port = EditControlPort->text();
    s.autoScan = CheckBoxAutoScan->isChecked();
    s.autoConnect = CheckBoxAutoConnect->isChecked();
    s.fullScreen = CheckBoxFullScreen->isChecked();
    try {
        config_->saveSettings(s);
        const QStringList lines = scanLines();
        const PrefixCheck check = PadConfig::normalisePrefixes(lines);
        QStringList shown = check.lines;  // lines checked so far, stored trimmed
        for (qsizetype i = shown.size(); i < lines.size(); ++i) shown << lines[i];
        if (shown != lines) setScanLines(shown);
        if (!check.ok) {
            StatusBar1->setText(QStringLiteral("IP格式有错，保存失败"));
            return;
        }
        config_->saveScanList(check.lines);  // an emptied list empties the file
    } catch (const kv::IniWriteError &e) {
        services_.dialogs->message(e.message());
        return;
    }
    StatusBar1->setText(QStringLiteral("已保存"));
}

void TFormSet::SpeedButtonAddSelfClick() {
    StatusBar1->clear();
    const QString prefix = PadConfig::localPrefix(localAddress_ ? localAddress_() : QString());
    if (prefix.isEmpty()) {
        StatusBar1->setText(QStringLiteral("未检测到本机IP"));
        return;
    }
    QStringList lines = scanLines();
    if (lines.contains(prefix)) {
        StatusBar1->setText(QStringLiteral("本机所属网段已经在列表中"));
        return;
    }
    lines.prepend(prefix);
    setScanLines(lines);
}

void TFormSet::SpeedButton2Click() { hide(); }

}  // namespace pad
