#pragma once
// Puts both programs into one folder with a desktop launcher for each and hands
// over to the host copy there, which deletes the old files on its first start
// (RunTimes "1" with NotDel_c / NotDel_s). For the program's own folder it only
// marks the placement done (RunTimes "2") and adds the missing launchers.
#include <QFile>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "platform/Desktop.h"
#include "platform/Platform.h"

namespace host {

class Placement {
public:
    inline static const QString kPadProgram = QStringLiteral("slidepad");
    inline static const QString kHostProgram = QStringLiteral("slidehost");
    inline static const QString kPadLauncher = QStringLiteral("Korvelo投影助理（客户端）");
    inline static const QString kHostLauncher = QStringLiteral("Korvelo投影助理（服务端）");
    inline static const QString kUpdateFailed =
        QStringLiteral("更新不成功，请手工拷贝本目录的文件覆盖原文件完成升级");

    struct Env {
        QString programFile;  // the running host; the controller lies beside it
        platform::Desktop *desktop = nullptr;
        platform::Shell *shell = nullptr;
        // Around the start of the new copy: its single-instance check must find the lock free.
        std::function<void()> releaseLock, retakeLock;
        std::function<void(const QString &)> progress;  // status text while copying
        std::function<void(const QString &)> tellUser;  // returns once the user has seen it
    };

    enum class Outcome {
        Stays,       // the window stays open with the status text
        Placed,      // own folder: marked as placed (status text: launchers that could not be made)
        HandedOver,  // the new copy started: this host ends
    };
    struct Result {
        Outcome outcome;
        QString status;
        QString iniError = {};  // the folder's show.ini could not be written (outcome Stays)
    };
    using Done = std::function<void(const Result &)>;

    explicit Placement(Env env) : env_(std::move(env)) {}
    ~Placement();  // waits for a copy under way

    // Everything but the program copies runs on the calling (GUI) thread; the
    // copies run on a worker thread, so the host goes on serving meanwhile.
    // done comes on the calling thread, at once or once the copies ended.
    void place(const QString &folderText, Done done);
    bool running() const { return worker_.joinable(); }

    // The folder text trimmed and made absolute ("~" and relative texts from the
    // home folder), without a trailing "/"; "" for a blank text.
    static QString absoluteFolder(const QString &folderText);
    // The target folder of the last place(), ending in "/".
    const QString &placementDir() const { return placementDir_; }

private:
    std::optional<Result> begin(const QString &folderText);
    Result sameFolder();
    void startCopies();
    Result handOver(bool padCopied, bool hostCopied);
    void finish(const std::function<std::optional<Result>()> &step);
    // Makes the launcher unless one starting program is there; a note on failure.
    void ensureLauncher(const QString &name, const QString &program);
    void writeIni(const QString &key, const QString &value);
    void putBackLaunchers();

    Env env_;
    Done done_;
    std::thread worker_;
    QObject context_;  // the copies' end is delivered through it
    QString placementDir_, programDir_, desktopFolder_;
    bool desktopReady_ = false;
    QString note_;
    struct Replaced {
        QString file;
        std::optional<QByteArray> bytes;  // nullopt: there was none
        QFile::Permissions permissions;
    };
    std::vector<Replaced> replaced_;  // launchers written by the last hand-over
};

}  // namespace host
