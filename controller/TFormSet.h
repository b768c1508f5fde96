#pragma once
// Settings window: login, port, options and the scan list. Its controls are
// the live settings; "保存" writes them to slidepad.ini and scan.ini.
#include <QWidget>

#include <functional>

#include "controller/PadConfig.h"
#include "platform/Platform.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace pad {

class StatusLine;

class TFormSet : public QWidget {
    Q_OBJECT
public:
    // localAddress gives the controller's own address ("" when none was found).
    TFormSet(PadConfig *config, platform::Services services,
             std::function<QString()> localAddress, QWidget *parent = nullptr);

    void FormCreate();  // loads both files into the controls
    void SpeedButtonSaveClick();
    void SpeedButtonAddSelfClick();
    void SpeedButton2Click();

    // The scan list as it stands in MemoIP.
    QStringList scanLines() const;
    void setScanLines(const QStringList &lines);
    QString statusText() const;

    // What the full-screen option means with LibreOffice Impress, whose
    // windowed-show keys would open a menu: shown under the option and in the help.
    static QString impressShowNote();

    QCheckBox *CheckBoxAutoScan;
    QCheckBox *CheckBoxAutoConnect;
    QCheckBox *CheckBoxFullScreen;
    QLabel *LabelFullScreenImpress;
    QLineEdit *EditControlPort;
    QLineEdit *EditUser;
    QLineEdit *EditPass;
    QPlainTextEdit *MemoIP;
    QPushButton *SpeedButtonAddSelf;
    QPushButton *SpeedButtonSave;
    QPushButton *SpeedButton2;
    StatusLine *StatusBar1;

private:
    PadConfig *config_;
    platform::Services services_;
    std::function<QString()> localAddress_;
};

}  // namespace pad
