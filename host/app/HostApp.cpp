#include "host/app/HostApp.h"

#include "host/lots/TFormChouqian.h"
#include "host/protocol/HostConfig.h"
#include "host/app/TForm1.h"
#include "host/setup/TFormHelp.h"
#include "host/setup/TFormWorkDir.h"
#include "host/setup/TFrmSendMail.h"
#include "host/timer/TFormSet.h"
#include "host/timer/TFormTimer.h"

namespace host {

std::unique_ptr<HostApp> HostApp::create(platform::Services services, HostEnv env,
                                         const QString &lockDir) {
    auto lock = std::make_unique<SingleInstance>(lockDir);
    if (lock->tryLock() == SingleInstance::Result::HeldElsewhere) {
        services.dialogs->message(kAlreadyRunning);
        return nullptr;
    }
    std::unique_ptr<HostApp> app(new HostApp);
    app->lock_ = std::move(lock);
    env = env.completed();
    app->form1_ = std::make_unique<TForm1>(services, env);
    app->order_ << app->form1_->objectName();
    SingleInstance *instance = app->lock_.get();
    app->workDir_ = std::make_unique<TFormWorkDir>(
        services, TFormWorkDir::HostLinks{env.programFile, env.desktop,
                                          [instance] { if (instance) instance->unlock(); },
                                          [instance] { if (instance) instance->tryLock(); }, env.exitProgram});
    app->order_ << app->workDir_->objectName();
    const MailConfig mail = MailConfig::read(showIniPath(env.programDir));
    app->help_ = std::make_unique<TFormHelp>(services, env.programDir, mail);
    app->help_->HostProgramPath = env.programFile;
    app->order_ << app->help_->objectName();
    // The settings window copies the main window's start-up values at its creation.
    TForm1 *form1 = app->form1_.get();
    app->set_ = std::make_unique<TFormSet>(
        TFormSet::MainLinks{form1->startupValues(), &form1->timer(), form1->env().timer,
                            [form1](const QString &path) { form1->setSharedFolder(path); }},
        services, env.programDir);
    app->order_ << app->set_->objectName();
    app->mail_ = std::make_unique<TFrmSendMail>(services, env.mail, mail);
    app->help_->setMailForm(app->mail_.get());
    app->order_ << app->mail_->objectName();
    app->lots_ = std::make_unique<TFormChouqian>(services.dialogs);
    app->order_ << app->lots_->objectName();
    app->clock_ = std::make_unique<TFormTimer>(&app->form1_->timer());
    app->set_->setClock(app->clock_.get());
    app->order_ << app->clock_->objectName();
    app->form1_->setWindows(app->workDir_.get(), app->help_.get(), app->set_.get(), app->mail_.get(),
                            app->lots_.get(), app->clock_.get());
    return app;
}

HostApp::~HostApp() {
    // The main window goes last but must not reach the others while they go.
    if (form1_) form1_->setWindows(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace host
