#include "host/setup/Placement.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "common/IniFile.h"
#include "common/Text.h"
#include "host/protocol/HostConfig.h"

namespace host {

namespace {
const QString kServer = QStringLiteral("server");
}

QString Placement::absoluteFolder(const QString &folderText) {
    QString t = kv::trimmed(folderText);
    if (t.isEmpty()) return {};
    if (t == QLatin1String("~") || t.startsWith(QLatin1String("~/"))) t = QDir::homePath() + t.mid(1);
    return QDir::cleanPath(QDir::home().absoluteFilePath(t));
}

Placement::~Placement() {
    if (worker_.joinable()) worker_.join();
}

void Placement::place(const QString &folderText, Done done) {
    if (running()) return;
    done_ = std::move(done);
    finish([&] { return begin(folderText); });
}

// A show.ini that cannot be written ends the placement where it stands.
void Placement::finish(const std::function<std::optional<Result>()> &step) {
    std::optional<Result> result;
    try {
        result = step();
    } catch (const kv::IniWriteError &e) {
        result = Result{Outcome::Stays, QString(), e.message()};
    }
    if (result && done_) done_(*result);
}

std::optional<Placement::Result> Placement::begin(const QString &folderText) {
    note_.clear();
    desktopReady_ = false;
    // One path, made once, is tested, created and written to.
    const QString folder = absoluteFolder(folderText);
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) QDir().mkdir(folder);  // one level
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return Result{Outcome::Stays, QStringLiteral("创建文件夹") + (folder.isEmpty() ? folderText : folder) +
                                          QStringLiteral("失败")};
    placementDir_ = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    programDir_ = QFileInfo(env_.programFile).absolutePath() + QLatin1Char('/');
    desktopFolder_ = env_.desktop->desktopFolder();
    // The same folder in any spelling: a trailing "/", "..", a symbolic link.
    if (platform::sameFile(placementDir_, programDir_)) return sameFolder();
    startCopies();
    return std::nullopt;  // the copies' end delivers the result
}

void Placement::writeIni(const QString &key, const QString &value) {
    kv::IniFile(showIniPath(placementDir_)).writeString(kServer, key, value);
}

Placement::Result Placement::sameFolder() {
    writeIni(QStringLiteral("RunTimes"), QStringLiteral("2"));
    writeIni(QStringLiteral("NotDel"), QStringLiteral("0"));
    for (const auto &[program, launcher] : {std::pair{kPadProgram, kPadLauncher}, {kHostProgram, kHostLauncher}})
        if (QFileInfo(placementDir_ + program).isFile()) ensureLauncher(launcher, placementDir_ + program);
    return {Outcome::Placed, note_};
}

void Placement::startCopies() {
    if (env_.progress) env_.progress(QStringLiteral("正在更新..."));
    // A large program or a slow target (a USB stick) must not hold the host's
    // events: the bytes move on a worker thread, the rest stays here.
    const QString padSource = programDir_ + kPadProgram, padTarget = placementDir_ + kPadProgram;
    const QString hostSource = env_.programFile, hostTarget = placementDir_ + kHostProgram;
    platform::Desktop *desktop = env_.desktop;
    worker_ = std::thread([=, this] {
        // The controller first; without one the host is placed all the same.
        const bool padCopied = QFileInfo(padSource).isFile() && desktop->copyProgram(padSource, padTarget);
        const bool hostCopied = desktop->copyProgram(hostSource, hostTarget);
        QMetaObject::invokeMethod(&context_, [=, this] {
            worker_.join();
            finish([=, this] { return std::optional(handOver(padCopied, hostCopied)); });
        }, Qt::QueuedConnection);
    });
}

Placement::Result Placement::handOver(bool padCopied, bool hostCopied) {
    const QString padTarget = placementDir_ + kPadProgram, hostTarget = placementDir_ + kHostProgram;
    if (padCopied) {
        writeIni(QStringLiteral("RunTimes"), QStringLiteral("1"));
        writeIni(QStringLiteral("NotDel_c"), programDir_ + kPadProgram);
    }
    if (!hostCopied) return {Outcome::Stays, kUpdateFailed};
    writeIni(QStringLiteral("RunTimes"), QStringLiteral("1"));
    writeIni(QStringLiteral("NotDel_s"), QFileInfo(env_.programFile).absoluteFilePath());

    // Launchers only for a copy that runs: what they replace comes back when
    // its start fails (a target mounted noexec).
    replaced_.clear();
    if (padCopied) ensureLauncher(kPadLauncher, padTarget);
    ensureLauncher(kHostLauncher, hostTarget);
    // This window goes with this host: the user hears of missing launchers now.
    if (!note_.isEmpty() && env_.tellUser) env_.tellUser(note_);
    if (env_.releaseLock) env_.releaseLock();
    if (env_.shell->startProgram(hostTarget)) return {Outcome::HandedOver, note_};
    if (env_.retakeLock) env_.retakeLock();
    putBackLaunchers();
    return {Outcome::Stays, QStringLiteral("新程序启动失败，请手工启动") + hostTarget};
}

void Placement::putBackLaunchers() {
    for (const Replaced &r : replaced_) {
        if (!r.bytes) {
            QFile::remove(r.file);
            continue;
        }
        QSaveFile out(r.file);
        if (out.open(QIODevice::WriteOnly) && out.write(*r.bytes) == r.bytes->size() && out.commit())
            QFile::setPermissions(r.file, r.permissions);
    }
    replaced_.clear();
}

void Placement::ensureLauncher(const QString &name, const QString &program) {
    // Never elsewhere: without its desktop folder there are no launchers.
    if (!desktopReady_) desktopReady_ = !desktopFolder_.isEmpty() && QDir().mkpath(desktopFolder_);
    if (!desktopReady_) {
        note_ = QStringLiteral("无法创建桌面文件夹") + desktopFolder_ + QStringLiteral("，未建快捷方式");
        return;
    }
    const QString file = QDir(desktopFolder_).filePath(name + QStringLiteral(".desktop"));
    // One that starts the right program stays as it is; one that starts another
    // program or a missing file is replaced.
    const QString current = env_.desktop->launcherProgram(file);
    if (!current.isEmpty() && platform::sameFile(current, program)) return;
    Replaced was{file, std::nullopt, QFile::permissions(file)};
    if (QFile old(file); old.open(QIODevice::ReadOnly)) was.bytes = old.readAll();
    replaced_.push_back(std::move(was));
    if (!env_.desktop->writeLauncher(file, name, program, placementDir_))
        note_ = QStringLiteral("创建快捷方式失败：") + file;
}

}  // namespace host
