#pragma once
// Hidden mail form that sends one message to each address of a list. The help
// window fills it and clicks its send; the SMTP exchange runs off the GUI
// thread and the result comes back to StatusTarget (the help window's status).
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "host/setup/MailConfig.h"
#include "platform/MailSender.h"
#include "platform/Platform.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace host {

class TFrmSendMail : public QWidget {
    Q_OBJECT
public:
    inline static const QString kDone = QStringLiteral("邮件发送完成");
    inline static const QString kFailed = QStringLiteral("邮件发送失败，请检查网络或防火墙设置");
    inline static const QString kTooLarge = QStringLiteral("邮件发送失败，邮件太大：");
    inline static const QString kBadAddress = QStringLiteral("邮件发送失败，邮件地址不正确：");

    TFrmSendMail(platform::Services services, std::shared_ptr<platform::MailSender> sender,
                 const MailConfig &config, QWidget *parent = nullptr);
    ~TFrmSendMail() override;

    // The send; refused while one runs. Ends in sendEnded.
    void SendMailClick();
    void BreakSendClick();
    void InputMailClick();  // also menu "导入邮址"
    void OutMailClick();    // also menu "导出邮址"
    void N4Click();         // add an address
    void N6Click();         // remove the selected address
    void N7Click();         // empty the list
    void OpenFilesClick();
    void ExitSystemClick();

    bool sending() const { return SendingFlag != 0; }
    QStringList mailLines() const;
    void setMailLines(const QStringList &lines);

    QListWidget *ListMail, *ListFile;
    QLineEdit *MailTitle, *vSmtp, *vPort, *vUser, *vPass, *vEmail;
    QPlainTextEdit *MailContent;
    QCheckBox *vServer;
    QStatusBar *StatusBar1;
    QPushButton *InputMail, *OutMail, *SendMail, *BreakSend, *SaveSetup, *ExitSystem, *OpenFiles;
    QMenu *PopupMenu1;
    QAction *N1, *N2, *N4, *N6, *N7;

    int SendingFlag = 0;
    // Where results are written; the help window points it at its status bar.
    std::function<void(const QString &)> StatusTarget;
    // The add box (title, prompt, preset); nullopt when cancelled. Tests replace it.
    std::function<std::optional<QString>(const QString &, const QString &, const QString &)> inputBox;

signals:
    void sendEnded(platform::MailResult result);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUi();
    void report(const QString &text);
    void ended(platform::MailResult result, const QString &detail);

    platform::Services services_;
    std::shared_ptr<platform::MailSender> sender_;
};

}  // namespace host
