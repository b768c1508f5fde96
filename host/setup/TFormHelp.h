#pragma once
// Help window: the introduction, the host's instructions, and a page that
// sends feedback to the developers or recommends the programs to a friend
// through the hidden mail form.
#include <QString>
#include <QStringList>
#include <QWidget>

#include "host/setup/MailConfig.h"
#include "platform/MailSender.h"
#include "platform/Platform.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTimer;

namespace host {

class TFrmSendMail;

class TFormHelp : public QWidget {
    Q_OBJECT
public:
    inline static const QString kNeedOwn = QStringLiteral("请写上您的邮箱地址");
    inline static const QString kNeedFriend = QStringLiteral("请输入您朋友的邮箱地址");
    inline static const QString kSending = QStringLiteral("发送邮件......");
    inline static const QString kConnectFailed = QStringLiteral("连接邮件服务器失败!");
    inline static const QString kNoResultHint = QStringLiteral(
        "如果较长时间后还不能显示邮件发送完成，请检查网络或防火墙、安全卫士、杀毒软件等的设置");
    static constexpr int kWatchdogTicks = 300;

    // programDir holds show.ini and the controller program.
    TFormHelp(platform::Services services, QString programDir, const MailConfig &config,
              QWidget *parent = nullptr);
    // The mail form is made after this window.
    void setMailForm(TFrmSendMail *form);

    void SpeedButtonSoftClick();
    void SpeedButtonActClick();
    void SpeedButtonSuggestClick();
    void RadioButtonHomeClick();
    void RadioButtonFriendClick();
    void TimerStartTimer();
    void SpeedButtonSendClick();
    void TimerSuccCheckTimer();

    QString statusText() const;
    void setStatus(const QString &text);
    QStringList memoLines() const;  // the lines of Memo1

    static QString instructionsText();
    static QStringList friendTemplate(const QString &date);

    QPushButton *SpeedButtonSoft, *SpeedButtonAct, *SpeedButtonSuggest, *SpeedButtonSend;
    QPlainTextEdit *MemoSoft, *MemoAct, *Memo1;
    QWidget *Panel3;
    QRadioButton *RadioButtonHome, *RadioButtonFriend;
    QRadioButton *RadioButton1, *RadioButton2, *RadioButton3, *RadioButton4;
    QLabel *LabelMail0, *LabelMail1;
    QLineEdit *EditMail0, *EditMail1;
    QStatusBar *StatusBar1;
    QTimer *TimerStart, *TimerSuccCheck;

    QString SavedMyMail;
    int SendCheckTicks = 0;
    // Attached to a recommendation; the running program unless a test says otherwise.
    QString HostProgramPath;

private:
    void buildUi();
    QWidget *buildFeedbackPage();
    void showPage(QWidget *page);
    void appendLine(const QString &line);
    void mailEnded(platform::MailResult result);

    platform::Services services_;
    QString programDir_;
    QString developer_;
    QLabel *statusPanel_;
    TFrmSendMail *FrmSendMail = nullptr;
};

}  // namespace host
