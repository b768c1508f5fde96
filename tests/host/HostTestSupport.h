#pragma once
// Shared set-up for the host window tests: a program folder with its own
// show.ini, fake services, and a free port block P, P+1 (TCP) and P+3 (UDP).
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

#include "common/Gbk.h"
#include "common/IniFile.h"
#include "host/app/HostApp.h"
#include "tests/support/HostFakes.h"
#include "host/app/TForm1.h"
#include "host/timer/TFormSet.h"
#include "tests/support/FakeMailSender.h"
#include "tests/support/Fakes.h"
#include "tests/support/Ports.h"

namespace hosttest {

using kvtest::freePortBlock;
using kvtest::tcpFree;
using kvtest::udpFree;

struct HostFixture {
    QTemporaryDir programDir;
    QTemporaryDir lockDir;
    platform::FakeServices fakes;
    std::shared_ptr<host::FakePageLoader> pages = std::make_shared<host::FakePageLoader>();
    std::shared_ptr<host::FakeTray> tray = std::make_shared<host::FakeTray>();
    std::shared_ptr<host::FakeChoiceBox> choice = std::make_shared<host::FakeChoiceBox>();
    std::shared_ptr<platform::MailSender> mail = std::make_shared<platform::FakeMailSender>();
    host::TimerServices timer;  // empty: the real players, dialogs and clock
    int exits = 0;
    std::unique_ptr<host::HostApp> app;

    QString iniPath() const { return programDir.filePath("show.ini"); }

    // show.ini as UTF-8 text here, GBK bytes on disk, CR LF line ends.
    void writeIni(const QString &text) const {
        QString t = text;
        t.replace("\r\n", "\n").replace("\n", "\r\n");
        QFile f(iniPath());
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(kv::toGbkLossy(t));
    }
    QByteArray iniBytes() const {
        QFile f(iniPath());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    QString ini(const QString &section, const QString &key, const QString &def = "<none>") const {
        return kv::IniFile(iniPath()).readString(section, key, def);
    }

    host::HostEnv env(std::shared_ptr<host::PageLoader> loader = nullptr) {
        host::HostEnv e;
        e.programDir = programDir.path();
        e.pages = loader ? loader : pages;
        e.tray = tray;
        e.choice = choice;
        e.mail = mail;
        e.timer = timer;
        e.exitProgram = [this] { ++exits; };
        return e;
    }

    host::HostApp *create(std::shared_ptr<host::PageLoader> loader = nullptr) {
        app = host::HostApp::create(fakes.services(), env(loader), lockDir.path());
        return app.get();
    }
    host::TForm1 *form1() const { return app->Form1(); }
    host::TFormSet *formSet() const { return app->FormSet(); }
    // The 200 ms load, then the 1 s start-up timer, as the event loop runs them.
    void runStartup() const {
        formSet()->TimerStartTimer();
        form1()->TimerStartTimer();
    }
};

}  // namespace hosttest
