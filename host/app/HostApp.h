#pragma once
// Start of slidehost: one host per user and display, then the windows in their
// fixed order (main, placement, help, settings, mail, draw lots, clock).
#include <QStringList>

#include <memory>

#include "host/app/HostPlatform.h"
#include "host/app/SingleInstance.h"
#include "platform/Platform.h"

namespace host {

class TForm1;
class TFormWorkDir;
class TFormHelp;
class TFormSet;
class TFrmSendMail;
class TFormChouqian;
class TFormTimer;

class HostApp {
public:
    inline static const QString kAlreadyRunning = QStringLiteral("系统已在运行，请关闭后重新启动");

    // nullptr after the message box when another host of this user and display
    // holds the lock; no window is created then. lockDir "" = the default place.
    static std::unique_ptr<HostApp> create(platform::Services services, HostEnv env,
                                           const QString &lockDir = QString());
    ~HostApp();

    TForm1 *Form1() const { return form1_.get(); }
    TFormWorkDir *FormWorkDir() const { return workDir_.get(); }
    TFormHelp *FormHelp() const { return help_.get(); }
    TFormSet *FormSet() const { return set_.get(); }
    TFrmSendMail *FrmSendMail() const { return mail_.get(); }
    TFormChouqian *FormChouqian() const { return lots_.get(); }
    TFormTimer *FormTimer() const { return clock_.get(); }
    // Object names of the windows in the order they were made.
    const QStringList &creationOrder() const { return order_; }

private:
    HostApp() = default;
    std::unique_ptr<SingleInstance> lock_;
    // Declared in creation order so they are destroyed the other way round.
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TFormWorkDir> workDir_;
    std::unique_ptr<TFormHelp> help_;
    std::unique_ptr<TFormSet> set_;
    std::unique_ptr<TFrmSendMail> mail_;
    std::unique_ptr<TFormChouqian> lots_;
    std::unique_ptr<TFormTimer> clock_;
    QStringList order_;
};

}  // namespace host
