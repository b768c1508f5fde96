// The file window's lists: picks fill the other side's field, Enter on a
// folder path browses it, host rows fill the address field.
#include <gtest/gtest.h>

#include <QDir>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controller/FileWindowLists.h"

using pad::FileWindowLists;

namespace {
struct Window {
    QWidget w;
    QWidget *remote = new QWidget(&w);
    QWidget *local = new QWidget(&w);
    QLabel *heading = new QLabel(QStringLiteral("本地"), &w);
    QLineEdit *rfile = new QLineEdit(QStringLiteral("2.ppt"), &w);
    QLineEdit *path = new QLineEdit(&w);
    QLineEdit *rip = new QLineEdit(&w);
    std::unique_ptr<FileWindowLists> lists;
    Window() {
        auto *l = new QVBoxLayout(&w);
        l->addWidget(remote);
        l->addWidget(heading);
        l->addWidget(local);
        lists = std::make_unique<FileWindowLists>(FileWindowLists::Fields{remote, local, heading, rfile, path, rip});
    }
};
void touch(const QString &path) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
}
}  // namespace

TEST(FileWindowLists, PicksFillTheOtherSide) {
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("a.ppt")));
    touch(dir.filePath(QStringLiteral("b.ppt")));
    touch(dir.filePath(QStringLiteral("notes.txt")));
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    Window win;
    auto &L = *win.lists;
    L.setFolder(dir.path());
    ASSERT_EQ(L.FileListBox1->count(), 2);  // "*.ppt" only
    EXPECT_EQ(L.LabelDir->text(), QDir(dir.path()).absolutePath());
    L.addRemote(QStringLiteral("A.ppt"));
    L.addRemote(QStringLiteral("a.ppt"));

    L.FileListBox1->setCurrentRow(0);  // a.ppt
    EXPECT_EQ(win.path->text(), QDir(dir.path()).absoluteFilePath(QStringLiteral("a.ppt")));
    EXPECT_EQ(win.rfile->text(), QStringLiteral("a.ppt"));
    L.FileListBox1->setCurrentRow(1);  // b.ppt: the host lacks it
    EXPECT_EQ(win.rfile->text(), QString());

    L.ListBox1->setCurrentRow(0);  // "A.ppt": case differs, no local match
    L.ListBox1Click();
    EXPECT_EQ(win.rfile->text(), QStringLiteral("A.ppt"));
    EXPECT_EQ(win.path->text(), QString());
    L.ListBox1->setCurrentRow(1);
    L.ListBox1Click();
    EXPECT_EQ(win.path->text(), QDir(dir.path()).absolutePath() + QStringLiteral("/a.ppt"));
    // An arrow key moves the pick as a click does.
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QCoreApplication::sendEvent(L.ListBox1, &up);
    EXPECT_EQ(win.rfile->text(), QStringLiteral("A.ppt"));
    EXPECT_EQ(win.path->text(), QString());

    // Enter on a folder path browses it; on anything else nothing happens.
    win.path->setText(dir.filePath(QStringLiteral("sub")));
    L.MaskEditFileEnter();
    EXPECT_EQ(L.folder(), QDir(dir.filePath(QStringLiteral("sub"))).absolutePath());
    EXPECT_EQ(L.FileListBox1->count(), 0);
    win.path->setText(dir.filePath(QStringLiteral("a.ppt")));
    L.MaskEditFileEnter();
    EXPECT_EQ(L.folder(), QDir(dir.filePath(QStringLiteral("sub"))).absolutePath());
}

TEST(FileWindowLists, HostRowsAndProgress) {
    Window win;
    auto &L = *win.lists;
    QSignalSpy act(&L, &FileWindowLists::hostActivated);
    L.addHostRow(1, QStringLiteral("127.0.0.1"));
    L.addHostRow(2, QStringLiteral("127.0.0.2"));
    EXPECT_EQ(L.ListViewHost->topLevelItem(1)->text(0), QStringLiteral("2"));
    L.ListViewHost->setCurrentItem(L.ListViewHost->topLevelItem(1));
    L.ListViewHostClick();
    EXPECT_EQ(win.rip->text(), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(act.size(), 0);
    L.ListViewHost->setCurrentItem(L.ListViewHost->topLevelItem(0));
    L.ListViewHostDblClick();
    EXPECT_EQ(win.rip->text(), QStringLiteral("127.0.0.1"));
    ASSERT_EQ(act.size(), 1);
    EXPECT_EQ(act.at(0).at(0).toString(), QStringLiteral("127.0.0.1"));
    L.clearHosts();
    EXPECT_EQ(L.ListViewHost->topLevelItemCount(), 0);

    win.w.show();
    L.showProgress(true);
    L.setProgress(40);
    EXPECT_TRUE(L.ProgressBar1->isVisible());
    EXPECT_FALSE(win.heading->isVisible());
    EXPECT_EQ(L.ProgressBar1->value(), 40);
    L.showProgress(false);
    EXPECT_FALSE(L.ProgressBar1->isVisible());
    EXPECT_TRUE(win.heading->isVisible());
}

// The folder list is the path from the drive's root down to the folder, then
// its sub-folders; the drive box follows; showing the window reads both lists again.
TEST(FileWindowLists, FolderTreeFollowsAndShowReadsAgain) {
    QTemporaryDir dir;
    const QString sub = QDir(dir.path()).absoluteFilePath(QStringLiteral("sub"));
    QDir(dir.path()).mkpath(QStringLiteral("sub/deep"));
    Window win;
    auto &L = *win.lists;
    L.setFolder(sub);
    auto row = [&](int i, int role) { return L.DirectoryListBox1->item(i)->data(role); };
    const int n = L.DirectoryListBox1->count();
    EXPECT_EQ(row(0, FileWindowLists::kPathRole).toString(), L.DriveComboBox1->currentText());
    EXPECT_TRUE(sub.startsWith(L.DriveComboBox1->currentText()));
    for (int i = 0; i < n; ++i) EXPECT_EQ(row(i, FileWindowLists::kDepthRole).toInt(), i);
    EXPECT_EQ(row(n - 2, FileWindowLists::kPathRole).toString(), sub);
    EXPECT_EQ(L.DirectoryListBox1->currentRow(), n - 2);
    EXPECT_EQ(L.DirectoryListBox1->item(n - 1)->text(), QStringLiteral("deep"));

    touch(sub + QStringLiteral("/new.ppt"));
    QDir(sub).mkdir(QStringLiteral("made"));
    win.w.show();
    EXPECT_EQ(L.FileListBox1->count(), 1);
    EXPECT_EQ(L.DirectoryListBox1->count(), n + 1);
    emit L.DirectoryListBox1->itemActivated(L.DirectoryListBox1->item(n - 3));  // one up
    EXPECT_EQ(L.folder(), QDir(dir.path()).absolutePath());
}
