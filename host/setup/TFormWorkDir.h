#pragma once
// Placement window: on the first run it offers to put both programs into one
// folder with desktop launchers and hands over to the copy there.
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

#include "host/setup/Placement.h"
#include "platform/Desktop.h"
#include "platform/Platform.h"

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTreeView;

namespace host {

class TFormWorkDir : public QWidget {
    Q_OBJECT
public:
    // What the window needs of the running host.
    struct HostLinks {
        QString programFile;
        std::shared_ptr<platform::Desktop> desktop;
        // This host's single-instance lock, given up for the new copy and taken back.
        std::function<void()> unlock, relock;
        std::function<void()> exitProgram;
    };
    TFormWorkDir(platform::Services services, HostLinks host, QWidget *parent = nullptr);
    ~TFormWorkDir() override;

    QLabel *Label1, *Label2;
    QLineEdit *EditWorkDir;
    QPushButton *SpeedButton3, *SpeedButtonOK, *SpeedButtonCancel;
    QComboBox *DriveComboBox1;
    QTreeView *DirectoryListBox1;
    QStatusBar *StatusBar1;
    QString PlacementDir;  // the target folder of the last "同意", ending in "/"

    void SpeedButtonOKClick();
    void SpeedButtonCancelClick();
    void SpeedButton3Click();
    void DirectoryListBox1Change();
    QString statusText() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setStatus(const QString &text);
    void setBusy(bool busy);
    void placed(Placement::Result result);

    platform::Services services_;
    HostLinks host_;
    std::unique_ptr<Placement> placement_;  // made at the first "同意"
    QFileSystemModel *folders_ = nullptr;
    QLabel *statusPanel_;
    bool busy_ = false;
    bool centred_ = false;
};

}  // namespace host
