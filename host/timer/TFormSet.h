#pragma once
// The host's settings window. Its controls are the live settings: the service
// and the start-up timer read them when they need them, the presentation timer
// takes them as one value at each start.
// It loads section "timer" of show.ini 200 ms after creation and saves every
// key on request.
#include <QListWidget>
#include <QString>
#include <QWidget>

#include <functional>

#include "host/timer/ClockLook.h"
#include "host/protocol/HostConfig.h"
#include "host/timer/TMediaPlayer.h"
#include "host/timer/TimerServices.h"
#include "host/timer/TimerOptions.h"
#include "platform/Platform.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTimer;

namespace host {

class PresentationTimer;
class TFormTimer;

// Folder list: the folder's parent entry and its sub-folders; a double click
// enters one. folderChanged fires only when the folder really changes.
class DirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirectoryListBox(QWidget *parent = nullptr);
    QString folder() const { return folder_; }
    // False (and nothing changes) when path is not an existing folder.
    bool setFolder(const QString &path);
    void reload();

signals:
    void folderChanged();

private:
    QString folder_;
};

class TFormSet : public QWidget, public TimerMusic {
    Q_OBJECT
public:
    // What the window starts from and acts on in the main window.
    struct MainLinks {
        StartupValues startup;  // the main window's start-up values
        PresentationTimer *timer;
        TimerServices timerServices;
        std::function<void(const QString &path)> setSharedFolder;
    };
    TFormSet(MainLinks main, platform::Services services, QString programDir, QWidget *parent = nullptr);

    // Tab "网络与投影".
    QLineEdit *EditControlPort, *EditSUser, *EditSPass;
    QCheckBox *CheckBoxAutoStart, *CheckBoxAutoResp, *CheckBoxNewType;
    // Tab "计时".
    QRadioButton *RadioButtonCountDown, *RadioButtonCountUp;
    QRadioButton *RadioButtonPart, *RadioButtonGlobal, *RadioButtonNoDisp;
    QRadioButton *RadioButtonStartOnPPT, *RadioButtonStartOnM;
    QRadioButton *RadioButtonLT, *RadioButtonRT, *RadioButtonLB, *RadioButtonRB;
    QLabel *LabelX, *LabelY;
    QLineEdit *EditX, *EditY;
    QPushButton *SpeedButtonFont, *SpeedButtonBackColor, *SpeedButtonTimer, *SpeedButtonNoBack;
    QLineEdit *EditDelayTime, *EditH, *EditM, *EditS;
    QComboBox *ComboBoxStartMp3;
    QLineEdit *EditStartMp3;
    QPushButton *SpeedButtonStartSelMp3;
    QComboBox *ComboBox1, *ComboBox2;
    QLineEdit *EditMp3;
    QPushButton *SpeedButtonSel;
    TMediaPlayer *MediaPlayerStart, *MediaPlayerEnd;
    // Tab "系统".
    QComboBox *DriveComboBox1;
    DirectoryListBox *DirectoryListBox1;
    QLineEdit *EditDir, *EditNew;
    QPushButton *SpeedButtonNew;
    QCheckBox *CheckBoxAutoCheckNew;
    // Bottom bar.
    QPushButton *SpeedButtonSave, *SpeedButton2;
    QStatusBar *StatusBar1;
    QTabWidget *tabs;

    QTimer *TimerStart;  // one shot, 200 ms after creation

    // Clock look, held as the texts of their keys (empty until loaded).
    QString ClockBackColor, ClockFontColor, ClockFontSize, ClockFontName, ClockFontHeight,
        ClockFontStyle;

    void TimerStartTimer();      // the 200 ms load
    void SpeedButtonSaveClick();
    void DirectoryListBox1Change();
    void SpeedButtonNewClick();
    void SpeedButton2Click();

    // The clock the look and position controls act on.
    void setClock(TFormTimer *clock);
    // The timer's options as the controls hold them now.
    TimerOptions timerOptions() const;
    // --- TimerMusic ---
    void playStartMusic() override;
    void stopStartMusic() override;
    void playEndMusic(const QString &path) override;
    void stopEndMusic() override;

    // The clock: text, look and layout for the chosen display option. False
    // (after a message box) when the position edits hold no usable number.
    bool ApplyTimerDisplay();
    // Look and position of the clock.
    void SpeedButtonFontClick();
    void SpeedButtonTimerClick();
    void SpeedButtonBackColorClick();
    void SpeedButtonNoBackClick();
    void RadioButtonPartClick();
    void RadioButtonGlobalClick();
    void RadioButtonNoDispClick();
    void RadioButtonLTClick() { placeAtCorner(false, false); }
    void RadioButtonRTClick() { placeAtCorner(true, false); }
    void RadioButtonLBClick() { placeAtCorner(false, true); }
    void RadioButtonRBClick() { placeAtCorner(true, true); }
    // Music and the start option.
    void SpeedButtonSelClick();
    void SpeedButtonStartSelMp3Click();
    void EditMp3KeyPress();       // Enter
    void EditStartMp3KeyPress();  // Enter
    void MediaPlayerEndClick(TMediaPlayer::Button button);
    void MediaPlayerStartClick(TMediaPlayer::Button button);
    void RadioButtonStartOnPPTClick();
    void RadioButtonStartOnMClick();

    static inline const QString kMusicFilter =
        QStringLiteral("音乐文件 (*.mp3 *.wav *.ogg *.oga *.flac *.m4a *.aac *.wma *.mid *.midi);;所有文件 (*)");

    QString statusText() const;
    void setStatusText(const QString &text);
    bool loaded() const { return loaded_; }
    QString iniPath() const;

private:
    void FormCreate();
    void buildUi();
    void loadLookIfNeeded();
    void connectTimerControls();
    TFormTimer *clock() const { return clock_; }
    // The look values as numbers; a value that does not convert gives its key's default.
    ColorValue backColor() const;
    ColorValue fontColor() const;
    FontLook fontLook() const;
    void placeAtCorner(bool right, bool bottom);
    void pickMusic(QLineEdit *edit, TMediaPlayer *player);
    void enterMusic(QLineEdit *edit, TMediaPlayer *player);

    MainLinks main_;
    TFormTimer *clock_ = nullptr;
    platform::Services services_;
    QString programDir_;
    QLabel *statusPanel_;
    bool loaded_ = false;
    bool lookLoaded_ = false;
};

}  // namespace host
