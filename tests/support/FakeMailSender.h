#pragma once
// Recording mail sender: keeps every send asked for; the test plays the
// worker's part with sent() and finish().
#include <vector>

#include "platform/MailSender.h"

namespace platform {

class FakeMailSender : public MailSender {
public:
    struct Send {
        MailAccount account;
        MailMessage message;
        QStringList recipients;
    };
    bool start(const MailAccount &a, const MailMessage &m, const QStringList &r) override {
        if (busy) return false;
        sends.push_back({a, m, r});
        busy = true;
        breakRequested = false;
        return true;
    }
    bool running() const override { return busy; }
    void requestBreak() override {
        if (busy) breakRequested = true;
    }

    void sent(int index) {
        if (onSent) onSent(index);
    }
    void finish(MailResult result) {
        busy = false;
        if (onFinished) onFinished(result, QString());
    }

    std::vector<Send> sends;
    bool busy = false;
    bool breakRequested = false;
};

}  // namespace platform
