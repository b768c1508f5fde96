#pragma once
// The host's main window: the service switch, the log box, the shared folder's
// presentations, the start-up timer, the tray and the daily version check.
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

#include "host/protocol/HostConfig.h"
#include "host/app/HostPlatform.h"
#include "host/protocol/HostUi.h"
#include "host/protocol/ServiceListeners.h"
#include "host/timer/PresentationTimer.h"
#include "platform/Platform.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTimer;

namespace host {

class HostService;
class SecondScreen;
class TFormSet;
class TFormWorkDir;
class TFormHelp;
class TFrmSendMail;
class TFormChouqian;
class TFormTimer;

class TForm1 : public QWidget, public HostUi {
    Q_OBJECT
public:
    // env.programDir is the folder of show.ini (default: the program's own folder).
    TForm1(platform::Services services, HostEnv env = {}, QWidget *parent = nullptr);
    ~TForm1() override;

    // The other windows, created after this one.
    void setWindows(TFormWorkDir *workDir, TFormHelp *help, TFormSet *set, TFrmSendMail *mail,
                    TFormChouqian *lots, TFormTimer *clock);
    TFormSet *formSet() const { return FormSet; }
    TFormTimer *formTimer() const { return FormTimer; }

    ServiceListeners &listeners() { return listeners_; }
    // The control service on those listeners (protocol, PowerPoint driving, upload, discovery).
    HostService &service() { return *service_; }
    SecondScreen &secondScreen() { return *secondScreen_; }
    PresentationTimer &timer() { return *timer_; }
    const platform::Services &services() const { return services_; }
    const HostEnv &env() const { return env_; }
    QString iniPath() const;
    // The values read from show.ini at the creation.
    const StartupValues &startupValues() const { return startup_; }

    // Local open of a presentation (double click or Enter in FileListBox1).
    std::function<void(const QString &fullPath)> onLocalOpen;

    // --- HostUi ---
    void appendLog(const QString &line) override;
    int logLineCount() const override;
    void clearLog() override;
    void setStatus(const QString &text) override;
    void setControllerText(const QString &address) override;
    void clickTimerButton() override;
    void activateMainWindow() override;
    void refreshFileLists() override;
    bool autoRespChecked() const override;
    bool newTypeChecked() const override;
    QString sharedFolder() const override { return SharedFolderPath; }
    QString serviceUser() const override { return ServiceUser; }
    QString servicePassword() const override { return ServicePassword; }
    QString hostAddress() const override { return HostAddress; }

    QString statusText() const;
    // Makes path the shared folder (the settings window's folder list calls it).
    void setSharedFolder(const QString &path);

    // --- handlers ---
    void SpeedButtonServerStartClick();
    // Starts or stops the presentation timer by hand.
    void SpeedButtontimerClick();
    void SpeedButtonStopMp3Click();
    void SpeedButtonShow2Click();
    void SpeedButtonShowClick();
    void TimerStartTimer();
    void TimerHomePageTimer();
    void SysCommandToTray();   // minimise: into the tray when there is one
    void WMTrayIconLeftClick();
    void NCloseClick();
    void SpeedButtonSetupClick();
    void SpeedButtonHelpClick();
    void SpeedButtonToClientClick();
    void Image1Click();
    void SpeedButton1Click();
    void EditDirKeyPress();    // Enter in EditDir
    void FileListBox1Open();
    // The daily check: question box when a newer version is already known, else the page.
    void dailyVersionCheck();
    void requestVersionPage();

    // --- controls ---
    QPushButton *SpeedButtonServerStart, *SpeedButtonShow2, *SpeedButtonToClient, *SpeedButtonSetup,
        *SpeedButtonShow, *SpeedButtontimer, *SpeedButtonStopMp3, *SpeedButtonHelp, *SpeedButton1;
    QLineEdit *EditDir, *EditMain;
    QListWidget *FileListBox1;
    QLabel *Image1;
    QPlainTextEdit *memo1;
    QStringList Memo2{QStringLiteral("Memo2")};  // the version page's text lines, never shown
    QComboBox *ComboBoxLocalIP;
    QStatusBar *StatusBar1;
    QTimer *TimerStart, *TimerHomePage;
    QMenu *PopupMenu1;
    QAction *NServerStart, *NTimerStart, *NStopMp3, *NClose;

    // --- module state ---
    double ProgramVersion = kProgramVersion;
    double LatestVersion = 1.0;
    QString SharedFolderPath, ServiceUser, ServicePassword, ServicePortText, LastCheckDate,
        AutoStartText, AutoRespText, NewTypeText, AutoCheckNewText, VersionPage;
    QString HostAddress, ScanPortText, DownloadAddress;
    std::uint32_t CheckStartTick = 0;

    static const QString kGreeting;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void buildUi();
    // Writes one show.ini value; false after telling the user it could not.
    bool writeIni(const QString &section, const QString &key, const QString &value);
    void deleteOldCopy(const QString &path);
    bool isOwnFile(const QString &path) const;

    platform::Services services_;
    HostEnv env_;
    StartupValues startup_;
    ServiceListeners listeners_;
    std::unique_ptr<HostService> service_;  // after listeners_: goes first
    std::unique_ptr<SecondScreen> secondScreen_;  // drives service_'s PowerPoint driver
    std::unique_ptr<PresentationTimer> timer_;    // drives service_'s PowerPoint driver too
    bool forwardingKey_ = false;  // a previewed key on its way to its control
    QLabel *statusPanel_;
    TFormWorkDir *FormWorkDir = nullptr;
    TFormHelp *FormHelp = nullptr;
    TFormSet *FormSet = nullptr;
    TFrmSendMail *FrmSendMail = nullptr;
    TFormChouqian *FormChouqian = nullptr;
    TFormTimer *FormTimer = nullptr;
};

}  // namespace host
