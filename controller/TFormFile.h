#pragma once
// File window. This part holds the connection fields and buttons; the host
// list, the remote file list, the local browser and the upload live in
// remoteListsArea / localBrowserArea and are wired by their own code.
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;

namespace pad {

class StatusLine;
class TForm1;

class TFormFile : public QWidget {
    Q_OBJECT
public:
    explicit TFormFile(TForm1 *form1, QWidget *parent = nullptr);

    void SpeedButtonConnectClick();
    void SpeedButtonScanClick();
    void SpeedButtonOpenClick();
    void EditRipReturnPressed();

    // Reloads user, password and port from slidepad.ini (each opening of the window).
    void reloadLoginFields();
    void setStatus(const QString &text);
    QString statusText() const;
    void log(const QString &line);

    // Focus requests of the main window's commands; set by the list code.
    std::function<void()> focusHostList;
    std::function<void()> focusLocalFileList;

    // Remote part: lists go into remoteListsArea (empty horizontal layout).
    QWidget *remoteListsArea;
    QLineEdit *EditRFile;
    QPushButton *SpeedButtonRefresh;
    // Connection part.
    QLineEdit *EditRip;
    QLineEdit *editControlPort;
    QLineEdit *editUser;
    QLineEdit *EditPass;
    QPushButton *SpeedButtonScan;
    QPushButton *SpeedButtonConnect;
    QPushButton *SpeedButtonOpen;
    QPushButton *SpeedButtonUp;
    // Local part: the browser goes into localBrowserArea (empty horizontal layout).
    QLabel *LabelLocal;
    QLineEdit *MaskEditFile;
    QWidget *localBrowserArea;
    // Between the remote part and the connection part.
    QSplitter *SplitterRemote;
    StatusLine *StatusBar1;
    QPlainTextEdit *Memo1;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    TForm1 *form1_;
    bool splitterMoved_ = false;
};

}  // namespace pad
