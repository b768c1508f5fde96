#include "controller/FileWindowLists.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSplitter>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pad {

namespace {
void addToArea(QWidget *area, QWidget *w) {
    if (!area) return;
    if (!area->layout()) new QHBoxLayout(area);
    area->layout()->addWidget(w);
}

QListWidgetItem *find(const QListWidget *list, const QString &text) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text() == text) return list->item(i);
    return nullptr;
}

bool holds(const QListWidget *list, const QString &text) { return find(list, text) != nullptr; }

// Indents each folder row by its depth, so the rows read as a tree.
class FolderRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        QStyleOptionViewItem o(option);
        o.rect.setLeft(o.rect.left() + indent(index));
        QStyledItemDelegate::paint(painter, o, index);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

private:
    static int indent(const QModelIndex &index) { return 12 * index.data(FileWindowLists::kDepthRole).toInt(); }
};

bool inside(const QString &folder, const QString &root) {
    return folder == root || folder.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}
}  // namespace

FileWindowLists::FileWindowLists(Fields fields, QObject *parent) : QObject(parent), f_(fields) {
    auto *split = new QSplitter(Qt::Horizontal, f_.remoteArea);
    ListViewHost = new QTreeWidget(split);
    ListViewHost->setObjectName(QStringLiteral("ListViewHost"));
    ListViewHost->setColumnCount(2);
    ListViewHost->setHeaderLabels({QStringLiteral("投影主机"), QStringLiteral("IP")});
    ListViewHost->headerItem()->setTextAlignment(1, Qt::AlignCenter);
    ListViewHost->setColumnWidth(0, 60);
    ListViewHost->setColumnWidth(1, 90);
    ListViewHost->setRootIsDecorated(false);
    ListViewHost->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewHost->setAllColumnsShowFocus(true);
    ListBox1 = new QListWidget(split);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    addToArea(f_.remoteArea, split);

    auto *localSplit = new QSplitter(Qt::Horizontal, f_.localArea);
    auto *left = new QWidget(localSplit);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    DriveComboBox1 = new QComboBox(left);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DirectoryListBox1 = new QListWidget(left);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setItemDelegate(new FolderRowDelegate(DirectoryListBox1));
    // Long names are cut instead: a scroll bar would cost a row.
    DirectoryListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    leftLayout->addWidget(DriveComboBox1);
    leftLayout->addWidget(DirectoryListBox1, 1);
    FileListBox1 = new QListWidget(localSplit);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    addToArea(f_.localArea, localSplit);
    LabelDir = new QLabel(f_.localArea);
    LabelDir->setObjectName(QStringLiteral("LabelDir"));
    LabelDir->hide();

    QWidget *headingParent = f_.localHeading ? f_.localHeading->parentWidget() : f_.localArea;
    ProgressBar1 = new QProgressBar(headingParent);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->hide();
    if (f_.localHeading && headingParent && headingParent->layout()) {
        // Same place as the heading, shown instead of it.
        int at = headingParent->layout()->indexOf(f_.localHeading);
        if (auto *box = qobject_cast<QBoxLayout *>(headingParent->layout()); box && at >= 0)
            box->insertWidget(at + 1, ProgressBar1);
    }

    // A pick, not a focus: focusing the list moves its current row without selecting.
    connect(FileListBox1, &QListWidget::itemSelectionChanged, this, [this] { FileListBox1Change(); });
    connect(FileListBox1, &QListWidget::itemDoubleClicked, this, [this] { emit openRequested(); });
    connect(ListBox1, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
    // Keys move the pick too, so Enter opens the name that is highlighted.
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, [this] { ListBox1Click(); });
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] { emit openRequested(); });
    connect(ListViewHost, &QTreeWidget::itemClicked, this, [this] { ListViewHostClick(); });
    connect(ListViewHost, &QTreeWidget::itemDoubleClicked, this, [this] { ListViewHostDblClick(); });
    connect(DirectoryListBox1, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *it) { setFolder(it->data(kPathRole).toString()); });
    connect(DriveComboBox1, &QComboBox::textActivated, this, [this](const QString &d) { setFolder(d); });
    // Files and folders made meanwhile show up: the folder is watched, and
    // both lists are read again each time the window is shown.
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { refreshLocal(); });
    if (f_.localArea) f_.localArea->window()->installEventFilter(this);
    ListBox1->installEventFilter(this);
    ListViewHost->installEventFilter(this);
    if (f_.MaskEditFile)
        connect(f_.MaskEditFile, &QLineEdit::returnPressed, this, [this] { MaskEditFileEnter(); });

    // The window docks at the main window's height: the lists give way.
    for (QWidget *w : std::initializer_list<QWidget *>{ListViewHost, ListBox1, DirectoryListBox1, FileListBox1})
        w->setMinimumHeight(16);
    split->setMinimumHeight(16);
    localSplit->setMinimumHeight(16);

    fillDrives();
    setFolder(QDir::homePath());
}

bool FileWindowLists::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Show && f_.localArea && watched == f_.localArea->window()) refreshLocal();
    if (event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == ListBox1) {
                emit openRequested();
                return true;
            }
            if (watched == ListViewHost) {
                ListViewHostDblClick();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void FileWindowLists::fillDrives() {
    const QSignalBlocker quiet(DriveComboBox1);
    DriveComboBox1->clear();
    QStringList roots;
    for (const QStorageInfo &s : QStorageInfo::mountedVolumes())
        if (s.isValid() && s.isReady() && !roots.contains(s.rootPath())) roots << s.rootPath();
    if (!roots.contains(QDir::homePath())) roots.prepend(QDir::homePath());
    DriveComboBox1->addItems(roots);
}

void FileWindowLists::clearHosts() { ListViewHost->clear(); }

void FileWindowLists::addHostRow(int row, const QString &address) {
    auto *it = new QTreeWidgetItem(ListViewHost, {QString::number(row), address});
    it->setTextAlignment(1, Qt::AlignCenter);
}

void FileWindowLists::clearRemote() { ListBox1->clear(); }

void FileWindowLists::addRemote(const QString &name) { ListBox1->addItem(name); }

QString FileWindowLists::folder() const { return folder_; }

void FileWindowLists::setFolder(const QString &folder) {
    const QFileInfo fi(folder);
    if (folder.isEmpty() || !fi.isDir()) return;
    const QString clean = QDir::cleanPath(fi.absoluteFilePath());
    const bool same = clean == folder_;
    folder_ = clean;
    LabelDir->setText(folder_);
    if (!same) {
        if (!watcher_->directories().isEmpty()) watcher_->removePaths(watcher_->directories());
        watcher_->addPath(folder_);
    }
    const QString drive = driveOf(folder_);
    {
        const QSignalBlocker quiet(DriveComboBox1);
        DriveComboBox1->setCurrentIndex(DriveComboBox1->findText(drive));
    }
    fillFolders(drive);
    const QString picked = same && FileListBox1->currentItem() ? FileListBox1->currentItem()->text() : QString();
    fillFiles();
    // Read again in place: the pick stays where it was.
    if (QListWidgetItem *it = picked.isEmpty() ? nullptr : find(FileListBox1, picked)) {
        const QSignalBlocker quiet(FileListBox1);
        FileListBox1->setCurrentItem(it);
    }
}

void FileWindowLists::refreshLocal() {
    fillDrives();
    QString f = folder_.isEmpty() ? QDir::homePath() : folder_;
    while (!QFileInfo(f).isDir() && !QDir(f).isRoot()) f = QFileInfo(f).path();
    setFolder(f);
}

QString FileWindowLists::driveOf(const QString &folder) const {
    QString best;
    for (int i = 0; i < DriveComboBox1->count(); ++i) {
        const QString d = DriveComboBox1->itemText(i);
        if (inside(folder, d) && d.size() > best.size()) best = d;
    }
    return best.isEmpty() ? QDir::rootPath() : best;
}

void FileWindowLists::fillFolders(const QString &drive) {
    DirectoryListBox1->clear();
    QStringList chain;  // the drive's root down to the folder
    for (QString p = folder_;; p = QFileInfo(p).path()) {
        chain.prepend(p);
        if (p == drive || QDir(p).isRoot()) break;
    }
    auto add = [this](const QString &text, const QString &path, int depth, QStyle::StandardPixmap icon) {
        auto *it = new QListWidgetItem(DirectoryListBox1->style()->standardIcon(icon), text, DirectoryListBox1);
        it->setData(kPathRole, path);
        it->setData(kDepthRole, depth);
        return it;
    };
    for (int i = 0; i < chain.size(); ++i)
        add(i ? QFileInfo(chain[i]).fileName() : chain[i], chain[i], i, QStyle::SP_DirOpenIcon);
    const auto subs = QDir(folder_).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &sub : subs) add(sub.fileName(), sub.absoluteFilePath(), int(chain.size()), QStyle::SP_DirClosedIcon);
    DirectoryListBox1->setCurrentRow(int(chain.size()) - 1);
    DirectoryListBox1->scrollToItem(DirectoryListBox1->currentItem());
}

void FileWindowLists::fillFiles() {
    const QSignalBlocker quiet(FileListBox1);
    FileListBox1->clear();
    // The kinds the host lists and opens.
    FileListBox1->addItems(QDir(folder_).entryList(
        {QStringLiteral("*.ppt"), QStringLiteral("*.pptx"), QStringLiteral("*.pptm")}, QDir::Files, QDir::Name));
}

void FileWindowLists::showProgress(bool shown) {
    ProgressBar1->setVisible(shown);
    if (f_.localHeading) f_.localHeading->setVisible(!shown);
}

void FileWindowLists::setProgress(int percent) { ProgressBar1->setValue(percent); }

void FileWindowLists::FileListBox1Change() {
    QListWidgetItem *it = FileListBox1->currentItem();
    if (!it || !it->isSelected()) return;
    if (f_.MaskEditFile) f_.MaskEditFile->setText(QDir(folder_).absoluteFilePath(it->text()));
    if (!f_.EditRFile) return;
    if (holds(ListBox1, it->text()))
        f_.EditRFile->setText(it->text());
    else
        f_.EditRFile->clear();
}

void FileWindowLists::ListBox1Click() {
    QListWidgetItem *it = ListBox1->currentItem();
    if (!it || !it->isSelected() || !f_.EditRFile) return;
    f_.EditRFile->setText(it->text());
    if (!f_.MaskEditFile) return;
    if (holds(FileListBox1, it->text()))
        f_.MaskEditFile->setText(LabelDir->text() + QLatin1Char('/') + it->text());
    else
        f_.MaskEditFile->clear();
}

void FileWindowLists::MaskEditFileEnter() {
    if (!f_.MaskEditFile) return;
    QString text = f_.MaskEditFile->text();
    if (QFileInfo(text).isDir()) setFolder(text);
}

void FileWindowLists::ListViewHostClick() {
    QTreeWidgetItem *it = ListViewHost->currentItem();
    if (it && f_.EditRip) f_.EditRip->setText(it->text(1));
}

void FileWindowLists::ListViewHostDblClick() {
    QTreeWidgetItem *it = ListViewHost->currentItem();
    if (!it) return;
    if (f_.EditRip) f_.EditRip->setText(it->text(1));
    emit hostActivated(it->text(1));
}

}  // namespace pad
