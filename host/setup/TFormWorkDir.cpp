#include "host/setup/TFormWorkDir.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "host/setup/Placement.h"

namespace host {

namespace {
QPushButton *button(const char *name, const QString &text, QWidget *parent) {
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}
}  // namespace

TFormWorkDir::TFormWorkDir(platform::Services services, HostLinks host, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      services_(std::move(services)),
      host_(std::move(host)) {
    setObjectName(QStringLiteral("FormWorkDir"));
    setWindowTitle(QStringLiteral("程序安放"));
    setFixedSize(412, 274);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 8, 0, 0);
    auto *body = new QVBoxLayout;
    body->setContentsMargins(16, 0, 16, 4);
    Label1 = new QLabel(QStringLiteral("同意把Korvelo投影助理软件放到下面的文件夹中，"), this);
    Label2 = new QLabel(QStringLiteral("并创建桌面快捷方式吗？"), this);
    body->addWidget(Label1);
    body->addWidget(Label2);
    auto *dirRow = new QHBoxLayout;
    EditWorkDir = new QLineEdit(QDir::homePath() + QStringLiteral("/Korvelo"), this);
    EditWorkDir->setObjectName(QStringLiteral("EditWorkDir"));
    SpeedButton3 = button("SpeedButton3", QStringLiteral("更改文件夹"), this);
    dirRow->addWidget(EditWorkDir, 1);
    dirRow->addWidget(SpeedButton3);
    body->addLayout(dirRow);

    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DriveComboBox1->addItems({QDir::homePath(), QDir::rootPath()});
    DirectoryListBox1 = new QTreeView(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setHeaderHidden(true);
    DriveComboBox1->hide();
    DirectoryListBox1->hide();
    body->addWidget(DriveComboBox1);
    body->addWidget(DirectoryListBox1, 1);
    body->addStretch();

    auto *buttons = new QHBoxLayout;
    SpeedButtonOK = button("SpeedButtonOK", QStringLiteral("同意"), this);
    SpeedButtonCancel = button("SpeedButtonCancel", QStringLiteral("取消"), this);
    buttons->addStretch();
    buttons->addWidget(SpeedButtonOK);
    buttons->addSpacing(24);
    buttons->addWidget(SpeedButtonCancel);
    buttons->addStretch();
    body->addLayout(buttons);
    root->addLayout(body, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    statusPanel_ = new QLabel(StatusBar1);
    StatusBar1->addWidget(statusPanel_, 1);
    root->addWidget(StatusBar1);

    setTabOrder(EditWorkDir, SpeedButton3);
    setTabOrder(SpeedButton3, DriveComboBox1);
    setTabOrder(DriveComboBox1, DirectoryListBox1);
    setTabOrder(DirectoryListBox1, SpeedButtonOK);
    setTabOrder(SpeedButtonOK, SpeedButtonCancel);

    connect(SpeedButtonOK, &QPushButton::clicked, this, &TFormWorkDir::SpeedButtonOKClick);
    connect(SpeedButtonCancel, &QPushButton::clicked, this, &TFormWorkDir::SpeedButtonCancelClick);
    connect(SpeedButton3, &QPushButton::clicked, this, &TFormWorkDir::SpeedButton3Click);
    connect(DriveComboBox1, &QComboBox::activated, this, [this](int i) {
        if (!folders_) return;
        const QString drive = DriveComboBox1->itemText(i);
        folders_->setRootPath(drive);
        DirectoryListBox1->setRootIndex(folders_->index(drive));
    });
}

TFormWorkDir::~TFormWorkDir() = default;

QString TFormWorkDir::statusText() const { return statusPanel_->text(); }

void TFormWorkDir::setStatus(const QString &text) { statusPanel_->setText(text); }

void TFormWorkDir::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (centred_ || !screen()) return;
    centred_ = true;
    move(screen()->availableGeometry().center() - rect().center());
}

void TFormWorkDir::SpeedButton3Click() {
    if (!folders_) {
        // Made on first use: a folder model watches the disk from then on.
        folders_ = new QFileSystemModel(this);
        folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
        DirectoryListBox1->setModel(folders_);
        for (int c = 1; c < folders_->columnCount(); ++c) DirectoryListBox1->hideColumn(c);
        connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
                &TFormWorkDir::DirectoryListBox1Change);
        const QString drive = DriveComboBox1->currentText();
        folders_->setRootPath(drive);
        DirectoryListBox1->setRootIndex(folders_->index(drive));
    }
    DriveComboBox1->show();
    DirectoryListBox1->show();
}

void TFormWorkDir::DirectoryListBox1Change() {
    const QModelIndex current = DirectoryListBox1->currentIndex();
    if (folders_ && current.isValid()) EditWorkDir->setText(folders_->filePath(current));
}

void TFormWorkDir::SpeedButtonCancelClick() { hide(); }

void TFormWorkDir::setBusy(bool busy) {
    busy_ = busy;
    for (QWidget *w : std::initializer_list<QWidget *>{SpeedButtonOK, SpeedButtonCancel, SpeedButton3, EditWorkDir,
                                                       DriveComboBox1, DirectoryListBox1})
        w->setEnabled(!busy);
}

void TFormWorkDir::SpeedButtonOKClick() {
    if (busy_) return;  // no second placement while one runs
    setStatus(QString());
    setBusy(true);
    if (!placement_)
        placement_ = std::make_unique<Placement>(Placement::Env{
            host_.programFile, host_.desktop.get(), services_.shell.get(), host_.unlock, host_.relock,
            [this](const QString &text) { setStatus(text); },
            [this](const QString &text) { services_.dialogs->message(text); }});
    placement_->place(EditWorkDir->text(), [this](const Placement::Result &r) { placed(r); });
}

void TFormWorkDir::placed(Placement::Result result) {
    PlacementDir = placement_->placementDir();
    if (result.outcome == Placement::Outcome::HandedOver) {
        host_.exitProgram();  // the buttons stay off while the host ends
        return;
    }
    setBusy(false);
    setStatus(result.status);
    if (!result.iniError.isEmpty()) services_.dialogs->message(result.iniError);
    if (result.outcome == Placement::Outcome::Placed && result.status.isEmpty() && result.iniError.isEmpty()) hide();
}

}  // namespace host
