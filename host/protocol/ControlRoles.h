#pragma once
// The four control roles, each a client address or empty. The controlling
// address is mirrored into the main window's "主控人" edit in the same step.
#include <QString>

#include <functional>

namespace host {

class ControlRoles {
public:
    explicit ControlRoles(std::function<void(const QString &)> controllerShown)
        : shown_(std::move(controllerShown)) {}

    const QString &controller() const { return controller_; }
    void setController(const QString &address) {
        if (address == controller_) return;
        controller_ = address;
        if (shown_) shown_(controller_);
    }

    QString applicant;
    QString uploader;
    QString listOwner;

    void clearAll() {
        setController(QString());
        applicant.clear();
        uploader.clear();
        listOwner.clear();
    }

private:
    QString controller_;
    std::function<void(const QString &)> shown_;
};

}  // namespace host
