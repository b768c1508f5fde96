#pragma once
// The lists of the file window: the host list and the remote file list in
// the remote part, the local browser (drive box, folder list, presentation file
// list) in the local part, and the upload progress bar over the "本地"
// heading. A pick in either file list fills the other side's name field when
// the other list holds the same name. The folder list shows the path from the
// drive's root down to the current folder as a tree, then the folder's
// sub-folders; the drive box follows the folder, and both local lists are read
// again whenever the window is shown, the folder changes or its content does.
#include <QObject>
#include <QString>
#include <QStringList>

class QComboBox;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QTreeWidget;
class QWidget;

namespace pad {

class FileWindowLists : public QObject {
    Q_OBJECT
public:
    struct Fields {
        QWidget *remoteArea = nullptr;   // gets the host list and the remote list
        QWidget *localArea = nullptr;    // gets the local browser
        QLabel *localHeading = nullptr;  // "本地": the progress bar covers it while shown
        QLineEdit *EditRFile = nullptr;
        QLineEdit *MaskEditFile = nullptr;
        QLineEdit *EditRip = nullptr;
    };

    explicit FileWindowLists(Fields fields, QObject *parent = nullptr);

    QTreeWidget *ListViewHost;
    QListWidget *ListBox1;
    QComboBox *DriveComboBox1;
    QListWidget *DirectoryListBox1;
    QListWidget *FileListBox1;
    QLabel *LabelDir;
    QProgressBar *ProgressBar1;

    // Host list rows: number column and address.
    void clearHosts();
    void addHostRow(int row, const QString &address);
    // Remote file list.
    void clearRemote();
    void addRemote(const QString &name);
    // Local browser: shows folder's sub-folders and its presentations (.ppt, .pptx, .pptm).
    void setFolder(const QString &folder);
    QString folder() const;
    // Reads the drives, the folder list and the file list again; a folder that
    // has gone gives way to the nearest one still there.
    void refreshLocal();
    // Folder list rows carry their folder's path here.
    static constexpr int kPathRole = Qt::UserRole;
    static constexpr int kDepthRole = Qt::UserRole + 1;
    // Progress bar over the heading.
    void showProgress(bool shown);
    void setProgress(int percent);

    // Handlers.
    void FileListBox1Change();
    void ListBox1Click();
    void MaskEditFileEnter();
    void ListViewHostClick();
    void ListViewHostDblClick();

signals:
    void openRequested();                        // double-click or Enter on a file
    void hostActivated(const QString &address);  // double-click or Enter on a host row

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillDrives();
    void fillFolders(const QString &drive);
    void fillFiles();
    QString driveOf(const QString &folder) const;
    Fields f_;
    QString folder_;
    QFileSystemWatcher *watcher_;
};

}  // namespace pad
