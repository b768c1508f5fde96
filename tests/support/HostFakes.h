#pragma once
// Recording fakes of the host-only services.
#include <QStringList>

#include "host/app/HostPlatform.h"

namespace host {

class FakePageLoader : public PageLoader {
public:
    void load(const QUrl &url, int timeoutMs, qint64 maxBytes) override {
        requested << url.toString();
        lastTimeout = timeoutMs;
        lastCap = maxBytes;
        done = false;
    }
    bool complete() const override { return done; }
    Page page() const override { return result; }
    void abort() override { ++aborts; }

    // Makes the page arrive.
    void finish(const QByteArray &body, const QByteArray &contentType = "text/plain") {
        result = Page{true, body, contentType, {}};
        done = true;
    }
    QStringList requested;
    int lastTimeout = 0;
    qint64 lastCap = 0;
    int aborts = 0;
    bool done = false;
    Page result;
};

class FakeTray : public Tray {
public:
    bool available() const override { return hasTray; }
    void add(const QString &tip, QMenu *m) override {
        calls << QStringLiteral("add ") + tip;
        menu = m;
        isShown = true;
    }
    void remove() override {
        calls << QStringLiteral("remove");
        isShown = false;
    }
    bool shown() const override { return isShown; }
    bool hasTray = true;
    bool isShown = false;
    QMenu *menu = nullptr;
    QStringList calls;
};

class FakeChoiceBox : public ChoiceBox {
public:
    Answer ask(const QString &text, const QString &caption) override {
        questions << text;
        captions << caption;
        return answer;
    }
    Answer answer = Cancel;
    QStringList questions, captions;
};

}  // namespace host
