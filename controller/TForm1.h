#pragma once
// The controller's main window: command buttons, the two target boxes, the
// hidden connect toggle, status bar and the window behaviour around a local
// PowerPoint. It owns the other windows and the control connection.
#include <QMargins>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

#include "controller/ControlClient.h"
#include "controller/LocalPpt.h"
#include "controller/PadConfig.h"
#include "platform/Platform.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace pad {

class StatusLine;
class TFormAnswer;
class TFormFile;
class TFormHelp;
class TFormSet;
class DiscoveryAndFiles;

// Run-time state shared by the controller's windows (GUI thread only).
struct PadState {
    enum { Idle = 0, Uploading = 1, Scanning = 20, Connecting = 21 };
    QString localAddress;
    int clientState = Idle;
    QString localFilePath;
    QString localFileName;
    bool hiddenAtEdge = false;
    bool fileWindowDocked = true;
    int lastMainLeft = 0, lastMainTop = 0, lastFileLeft = 0, lastFileTop = 0;
};

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // programDir holds slidepad.ini and scan.ini. Creates the file, settings,
    // help and answer windows after itself, in that order.
    TForm1(platform::Services services, QString programDir, QWidget *parent = nullptr);
    ~TForm1() override;

    // Other windows and shared parts.
    TFormFile *formFile() const { return formFile_.get(); }
    TFormSet *formSet() const { return formSet_.get(); }
    TFormHelp *formHelp() const { return formHelp_.get(); }
    TFormAnswer *formAnswer() const { return formAnswer_.get(); }
    // Scan, file lists and upload.
    DiscoveryAndFiles *files() const { return files_.get(); }
    ControlClient *client() const { return client_; }
    PadConfig *config() const { return config_.get(); }
    PadState &state() { return state_; }
    const platform::Services &services() const { return services_; }
    // Host address and port of the control connection as last connected.
    QString hostAddress() const;
    quint16 controlPort() const;

    // The scan operation (main and file window scan buttons, auto scan at start-up).
    std::function<void()> onScan;
    // A connection attempt is about to start (it ends the prefix a running scan is probing).
    std::function<void()> onConnectAttempt;

    // Window-system id of this window (tests set a fake one).
    platform::WindowId mainWindowId();
    void setMainWindowId(platform::WindowId id) { mainWindowIdOverride_ = id; }
    // The control connection, its data connection and the scan's UDP socket
    // all use this own address (a second controller on the same PC).
    void bindSocketsTo(const QString &address);

    void setStatus(const QString &text);
    QString statusText() const;
    void log(const QString &line);

    // Handlers.
    void SButtonConnectClick();
    void SpeedButtonOpenClick();
    void SpeedButton2showClick();
    void SpeedButtonCloseClick();
    void SpeedButtonQuitClick();
    void SpeedButton2HomeClick();
    void SpeedButton2PreClick();
    void SpeedButton2EndClick();
    void SpeedButton2NextClick();
    void SpeedButtonTimerClick();
    void SpeedButtonAskClick();
    void SpeedButtonFileClick();
    void SpeedButtonScanClick();
    void SpeedButtonSetClick();
    void SpeedButtonHelpClick();
    void SpeedButtonToServerClick();
    void FormKeyDown(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void TimerTOPTimer();
    void TimerWposTimer();
    void TimerStartTimer();
    void Panel3MouseMove();

    // Docks the file window at this window's left edge and shows it; as its own
    // button does, also reloads its login fields from slidepad.ini.
    void openFileWindowDocked(bool reloadLogin = true);
    void setStayOnTop(bool on);
    bool isStayOnTop() const;

    QWidget *Panel3;
    QLabel *LabelLocalip;
    QPushButton *SpeedButtonToServer;
    QGroupBox *GroupShow;
    QPushButton *SpeedButtonOpen, *SpeedButton2show, *SpeedButtonClose, *SpeedButtonQuit;
    QPushButton *SpeedButton2Home, *SpeedButton2Pre, *SpeedButton2End, *SpeedButton2Next;
    QGroupBox *GroupSystem;
    QPushButton *SpeedButtonFile, *SpeedButtonScan, *SpeedButtonSet, *SpeedButtonHelp;
    QPushButton *SpeedButtonAsk, *SpeedButtonTimer;
    QCheckBox *CheckBoxRemote;
    QCheckBox *CheckBoxLocal;
    QPushButton *SButtonConnect;
    StatusLine *StatusBar1;
    QPlainTextEdit *memo1;
    QTimer *TimerTOP;
    QTimer *TimerWpos;
    QTimer *TimerStart;

    static constexpr int kMainWidth = 171;

signals:
    // The main window closed or handed over to the host program: the program ends.
    void programEnd();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void onReply(ControlClient::Reply kind, const QByteArray &line);
    void cs1Disconnect();
    void onIdleCutOff();
    void setRemoteLoggedIn(bool on);
    void setConnectCaption(const QString &caption);
    void refusedLook(const QString &status);
    void disconnectPath();
    bool remoteReady() const;
    void sayIfOffline();
    // The local press of a page or end button; false when no local window was found.
    bool pressLocally(int vk, int pause, bool quit);
    // Pressed here and sent to the host as the same key.
    void pageCommand(int vk, int pause, bool quit);
    int screenRight() const;
    void placeBeside(QWidget *w);
    void dockFileWindow();
    QMargins framing(const QWidget *w) const;
    bool fileWindowNear() const;

    platform::Services services_;
    std::unique_ptr<PadConfig> config_;
    ControlClient *client_;
    std::unique_ptr<LocalPpt> local_;
    PadState state_;
    platform::WindowId mainWindowIdOverride_ = 0;
    std::unique_ptr<TFormFile> formFile_;
    std::unique_ptr<TFormSet> formSet_;
    std::unique_ptr<TFormHelp> formHelp_;
    std::unique_ptr<TFormAnswer> formAnswer_;
    std::unique_ptr<DiscoveryAndFiles> files_;
};

}  // namespace pad
