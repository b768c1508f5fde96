#include "host/protocol/FileTransfer.h"

#include <QDir>
#include <QFileInfo>
#include <QTcpSocket>
#include <QTemporaryFile>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <thread>

#include "common/BlockingIo.h"
#include "common/Gbk.h"
#include "common/Text.h"
#include "host/protocol/ControlLine.h"
#include "host/protocol/HostLog.h"
#include "host/protocol/PresentationNames.h"
#include "host/protocol/ServiceListeners.h"

namespace host {

namespace {
constexpr qint64 kReadBlock = 4096;
constexpr size_t kWriteBlock = 64 * 1024;
constexpr int kFinishWaitMs = 10000;
constexpr int kSettlePollMs = 5;

std::filesystem::path fsPath(const QString &p) {
    return std::filesystem::path(QFile::encodeName(p).toStdString());
}

// A folder of that name is there: the file cannot take its place.
bool isFolder(const std::filesystem::path &p) {
    std::error_code ec;
    return std::filesystem::is_directory(std::filesystem::symlink_status(p, ec));
}

QString reasonText(int error) {
    switch (error) {
    case ENOSPC: return QStringLiteral("磁盘已满");
    case EDQUOT: return QStringLiteral("超出磁盘配额");
    case EFBIG: return QStringLiteral("文件太大");
    case EISDIR: return QStringLiteral("共享文件夹里有同名的文件夹");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}
}  // namespace

// The uploader's data connection: blocking reads into the upload, "s_next"
// after each, on a thread of its own. Destroying it shuts the connection down,
// which ends a blocked read or send, and joins the thread.
class FileTransfer::Receiver {
public:
    Receiver(FileTransfer *owner, std::uint64_t id, int fd, QByteArray early)
        : owner_(owner), id_(id), fd_(fd) {
        thread_ = std::thread([this, early = std::move(early)] { run(early); });
    }
    ~Receiver() {
        ::shutdown(fd_, SHUT_RDWR);
        thread_.join();
        ::close(fd_);
    }
    std::uint64_t id() const { return id_; }

private:
    enum class Next { Read, Stop, Broken };
    Next handle(const char *bytes, qint64 n) {
        const Taken t = owner_->take(id_, bytes, n);
        if (t.drop) return Next::Broken;
        if (t.ack && !kv::sendAll(fd_, reply::next.constData(), reply::next.size())) return Next::Broken;
        if (t.settles) post(false);
        return t.stop ? Next::Stop : Next::Read;
    }
    void run(const QByteArray &early) {
        Next next = early.isEmpty() ? Next::Read : handle(early.constData(), early.size());
        char buf[kReadBlock];
        while (next == Next::Read) {
            const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n < 0 && errno == EINTR) continue;
            next = n > 0 ? handle(buf, n) : Next::Broken;
        }
        // Past the announced length the rest is left unread; a closed or
        // broken connection is let go.
        if (next == Next::Broken) post(true);
    }
    void post(bool gone) {
        QMetaObject::invokeMethod(
            owner_, [o = owner_, id = id_, gone] { o->onReceiverNews(id, gone); }, Qt::QueuedConnection);
    }

    FileTransfer *owner_;
    std::uint64_t id_;
    int fd_;
    std::thread thread_;
};

FileTransfer::FileTransfer(platform::Services services, HostUi &ui, ControlRoles &roles,
                           QObject *parent)
    : QObject(parent), services_(std::move(services)), ui_(ui), roles_(roles) {
    finishWait_.setSingleShot(true);
    finishWait_.setInterval(kFinishWaitMs);
    connect(&finishWait_, &QTimer::timeout, this, [this] { settle(); });
}

FileTransfer::~FileTransfer() {
    closeReceiver();
    discardFile();
}

void FileTransfer::discardFile() {
    if (!file_) return;
    {
        std::lock_guard lock(mutex_);
        sink_.fd = -1;
        sink_.held.clear();
    }
    const QString tmp = file_->fileName();
    file_.reset();
    QFile::remove(tmp);
}

void FileTransfer::resetProgress() {
    std::lock_guard lock(mutex_);
    sink_.announced = -1;
    sink_.received = 0;
    sink_.writeFailed = sink_.overrun = false;
    sink_.writeError = 0;
    sink_.held.clear();
    sink_.carrier = 0;
    sink_.failed = false;
}

bool FileTransfer::uploadComplete() {
    std::lock_guard lock(mutex_);
    return sink_.complete();
}

void FileTransfer::log(const QString &line) { appendTimedLog(ui_, *services_.clock, line); }

QStringList FileTransfer::presentationFiles(const QString &folder) {
    QStringList names;
    if (folder.isEmpty()) return names;
    const QDir dir(folder);
    const auto entries =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDir::NoSort);
    for (const QFileInfo &fi : entries)
        if (fi.isFile() && !fi.isSymLink() && isListedName(fi.fileName())) names << fi.fileName();
    std::sort(names.begin(), names.end());
    return names;
}

// ---- listing ----

void FileTransfer::waitWhileSettling(const QString &sender) {
    if (!finishing_ || sender != roles_.uploader) return;
    // Its own listing is to show the new file: let the last bytes come in.
    auto &clock = *services_.clock;
    const std::uint32_t start = clock.tick();
    const auto limit = static_cast<std::uint32_t>(finishWait_.interval());
    while (finishing_ && clock.tick() - start < limit) {
        clock.processMessages();
        if (finishing_) clock.sleep(kSettlePollMs);
    }
    if (finishing_) settle();
}

void FileTransfer::list(const QString &sender, const Send &send) {
    const std::uint64_t stops = stops_;
    waitWhileSettling(sender);
    if (stops != stops_) return;  // the service stopped meanwhile
    if (!roles_.listOwner.isEmpty() && roles_.listOwner != sender) {
        send(reply::busyList);
        return;
    }
    log(sender + QStringLiteral(" 显示文件列表。"));
    roles_.listOwner = sender;
    pending_ = presentationFiles(ui_.sharedFolder());
    if (pending_.isEmpty()) {
        roles_.listOwner.clear();
        return;
    }
    nextList(sender, send);
}

void FileTransfer::nextList(const QString &sender, const Send &send) {
    const std::uint64_t stops = stops_;
    waitWhileSettling(sender);
    if (stops != stops_) return;
    if (roles_.listOwner.isEmpty() || roles_.listOwner != sender || pending_.isEmpty()) {
        send(reply::busyList);
        return;
    }
    const QString name = pending_.takeFirst();
    if (pending_.isEmpty()) roles_.listOwner.clear();
    send(reply::list + kv::toGbkLossy(name) + reply::crlf);
}

// ---- upload ----

void FileTransfer::up(const QString &sender, const Send &send) {
    if (finishing_ && sender == roles_.uploader) settle();
    if (roles_.uploader.isEmpty()) {
        roles_.uploader = sender;
        if (receiverPeer_ != sender) closeReceiver();  // a former uploader's connection
        std::lock_guard lock(mutex_);
        sink_.slotHeld = true;
    }
    send(roles_.uploader == sender ? reply::name : reply::qitaUp);
}

void FileTransfer::fileName(const QString &sender, const QByteArray &field, const Send &send) {
    if (finishing_ && sender == roles_.uploader) settle();
    if (sender != roles_.uploader) {
        send(reply::qitaUp);
        return;
    }
    auto name = kv::fromGbk(field);
    if (!name || !isUploadName(*name)) {
        log(sender + QStringLiteral(" 上传文件名无效。"));
        send(reply::qitaUp);
        return;
    }
    if (file_) dropUpload();  // a new name abandons the file in progress
    resetProgress();
    uploadName_ = *name;
    log(sender + QStringLiteral(" 上传文件：") + uploadName_ + QStringLiteral("。"));
    send(reply::len);
}

void FileTransfer::length(const QString &sender, const QByteArray &field, const Send &send) {
    if (finishing_ && sender == roles_.uploader) settle();
    if (sender != roles_.uploader || uploadName_.isEmpty()) {
        send(reply::qitaUp);
        return;
    }
    const QString text = kv::fromGbkLossy(field);
    auto size = kv::parseDecimal(text, static_cast<quint64>(std::numeric_limits<qint64>::max()));
    if (!size) {
        log(sender + QStringLiteral(" 文件长度无效:") + shownText(text) + QStringLiteral("。"));
        send(reply::qitaUp);
        return;
    }
    if (file_) dropUpload();  // the file starts again
    const QString folder = ui_.sharedFolder();
    const bool folderNamed = isFolder(fsPath(folder + QLatin1Char('/') + uploadName_));
    if (folderNamed || !startFile(folder, static_cast<qint64>(*size))) {
        if (folderNamed) failUpload(EISDIR);
        else log(sender + QStringLiteral(" 无法创建文件:") + uploadName_ + QStringLiteral("。"));
        refuseRest();
        // The controller reports the failure once its data connection is
        // closed; an empty file has none, and must not be reported as stored.
        send(*size > 0 ? reply::file : reply::qitaUp);
        return;
    }
    send(reply::file);
}

bool FileTransfer::startFile(const QString &folder, qint64 announced) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
    auto tmp = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/.slidehost-upload-XXXXXX"));
    tmp->setAutoRemove(true);
    if (!tmp->open()) return false;
    uploadFolder_ = folder;
    resetProgress();
    {
        std::lock_guard lock(mutex_);
        sink_.fd = tmp->handle();
        sink_.announced = announced;
        sink_.target = fsPath(folder + QLatin1Char('/') + uploadName_).string();
    }
    file_ = std::move(tmp);
    return true;
}

void FileTransfer::over(const QString &sender, const Send &send) {
    if (sender != roles_.uploader) {
        send(reply::qitaUp);
        return;
    }
    if (finishing_) return;
    if (!file_) {  // nothing was announced: just free the slot
        freeSlot();
        return;
    }
    if (uploadComplete()) {
        settle();
        return;
    }
    // The last chunks may still be on their way: keep reading, decide later.
    finishing_ = true;
    finishWait_.start();
}

void FileTransfer::settle() {
    finishWait_.stop();
    finishing_ = false;
    if (!file_) {
        freeSlot();
        return;
    }
    const QString who = roles_.uploader;
    const QString name = uploadName_;
    const QString target = uploadFolder_ + QLatin1Char('/') + name;
    const QString tmp = file_->fileName();
    bool stored = false;
    {
        std::lock_guard lock(mutex_);
        writeHeld();
        stored = !sink_.writeFailed && !sink_.overrun && sink_.received == sink_.announced;
        sink_.fd = -1;  // the receiver writes no more
    }
    file_->close();
    if (stored) {
        file_->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ReadGroup | QFileDevice::ReadOther);
        std::error_code ec;
        std::filesystem::rename(fsPath(tmp), fsPath(target), ec);
        stored = !ec;
        if (ec) failUpload(ec.value());
    }
    if (stored) {
        file_->setAutoRemove(false);
        file_.reset();
        ui_.refreshFileLists();
        log(who + QStringLiteral(" 文件:") + name + QStringLiteral(" 上传完成。"));
    } else {
        discardFile();
        log(who + QStringLiteral(" 文件:") + name + QStringLiteral(" 上传未完成，已删除。"));
    }
    freeSlot();
    emit uploadSettled(stored, target);
}

void FileTransfer::dropUpload() {
    if (!file_) return;
    finishWait_.stop();
    finishing_ = false;
    const QString target = uploadFolder_ + QLatin1Char('/') + uploadName_;
    discardFile();
    log(roles_.uploader + QStringLiteral(" 文件:") + uploadName_ +
        QStringLiteral(" 上传未完成，已删除。"));
    resetProgress();
    refuseRest();
    emit uploadSettled(false, target);
}

void FileTransfer::refuseRest() {
    // Until a new file is announced, the slot stays without one; closing the
    // data connection is how the controller learns of the failure.
    closeReceiver();
    std::lock_guard lock(mutex_);
    sink_.failed = true;
}

void FileTransfer::failUpload(int error) {
    log(roles_.uploader + QStringLiteral(" 文件:") + uploadName_ + QStringLiteral(" 无法保存：") +
        reasonText(error) + QStringLiteral("。"));
}

void FileTransfer::freeSlot() {
    {
        // The uploader's data connection may carry its next upload too; bytes
        // on it while the slot is free end it.
        std::lock_guard lock(mutex_);
        sink_.slotHeld = false;
    }
    roles_.uploader.clear();
    uploadName_.clear();
    resetProgress();
}

void FileTransfer::addDataConnection(QTcpSocket *socket) {
    const QString peer = ServiceListeners::clientAddress(*socket);
    if (roles_.uploader.isEmpty() || peer != roles_.uploader) {
        log(peer + QStringLiteral(" 数据连接不属于上传方，已关闭。"));
        socket->abort();
        return;
    }
    // The worker takes its own descriptor of the connection; the socket object
    // lets go of it, so nothing on this thread reads it any more (closing a
    // duplicate does not end the connection).
    const int fd = kv::duplicateSocket(socket->socketDescriptor());
    QByteArray early = socket->readAll();
    socket->abort();
    if (fd < 0) return;
    kv::makeBlockingNoDelay(fd);
    const std::uint64_t id = receiverId_ + 1;
    {
        // An upload's bytes come from one connection: the first accepted once
        // its file is open carries it, and a second is refused. One from
        // before the file (left from an earlier upload, or opened early) that
        // has sent none of it gives way to a newer one, which takes the upload
        // at once so the older cannot send any of it.
        std::lock_guard lock(mutex_);
        if (sink_.failed || (sink_.fd >= 0 && sink_.carrier != 0)) {
            ::close(fd);
            if (!sink_.failed) log(peer + QStringLiteral(" 数据连接重复，已关闭。"));
            return;
        }
        if (sink_.fd >= 0) sink_.carrier = id;
    }
    closeReceiver();
    receiverId_ = id;
    receiverPeer_ = peer;
    receiver_ = std::make_unique<Receiver>(this, id, fd, std::move(early));
}

FileTransfer::Taken FileTransfer::take(std::uint64_t receiver, const char *bytes, qint64 n) {
    Taken t;
    std::lock_guard lock(mutex_);
    if (sink_.fd >= 0 && sink_.carrier == 0) sink_.carrier = receiver;
    if (!sink_.slotHeld || sink_.failed || (sink_.fd >= 0 && sink_.carrier != receiver)) {
        t.stop = t.drop = true;
        return t;
    }
    if (sink_.fd < 0) return t;  // no file yet: read and dropped
    const bool wasComplete = sink_.complete();
    const qint64 room = std::max<qint64>(0, sink_.announced - sink_.received);
    const qint64 kept = std::min(n, room);
    if (kept < n) {
        // Nothing past the announced length is stored or acknowledged.
        sink_.overrun = true;
        t.stop = true;
    }
    if (kept > 0) {
        if (!sink_.writeFailed) sink_.held.insert(sink_.held.end(), bytes, bytes + kept);
        sink_.received += kept;
        t.ack = true;
    }
    if (sink_.held.size() >= kWriteBlock || sink_.complete()) writeHeld();
    // The last "s_next" says the file is stored: a folder that took its name
    // meanwhile fails it here, while the controller can still be told.
    if (!sink_.writeFailed && sink_.complete() && !sink_.overrun && isFolder(sink_.target)) {
        sink_.writeFailed = true;
        sink_.writeError = EISDIR;
    }
    if (sink_.writeFailed) {
        t.ack = false;
        t.stop = t.drop = true;  // the controller sees the upload fail
    }
    t.settles = !wasComplete && sink_.complete();
    return t;
}

void FileTransfer::writeHeld() {
    if (sink_.held.empty()) return;
    if (sink_.fd < 0 || !kv::writeAll(sink_.fd, sink_.held.data(), qint64(sink_.held.size()))) {
        sink_.writeFailed = true;
        if (!sink_.writeError) sink_.writeError = errno ? errno : EIO;
    }
    sink_.held.clear();
}

void FileTransfer::onReceiverNews(std::uint64_t id, bool gone) {
    if (!receiver_ || receiver_->id() != id) return;
    int error = 0;
    bool broke = false, carried = false;
    if (gone && file_) {
        std::lock_guard lock(mutex_);
        carried = sink_.carrier == id;
        error = sink_.writeFailed ? sink_.writeError : 0;
        broke = !sink_.complete();
    }
    if (carried) {
        // A failed write ends the upload at once, and so does its connection
        // breaking mid-file: no other may finish it.
        if (error) failUpload(error);
        else if (broke) log(roles_.uploader + QStringLiteral(" 数据连接中断。"));
        if (error || broke) dropUpload();
    }
    if (gone) closeReceiver();
    if (finishing_ && uploadComplete()) settle();
}

void FileTransfer::closeReceiver() {
    receiver_.reset();
    receiverPeer_.clear();
}

void FileTransfer::clientGone(const QString &address) {
    if (!address.isEmpty() && roles_.listOwner == address) {
        roles_.listOwner.clear();
        pending_.clear();
    }
    if (!address.isEmpty() && roles_.uploader == address) {
        dropUpload();
        freeSlot();
    }
    if (!address.isEmpty() && receiverPeer_ == address) closeReceiver();
}

void FileTransfer::stop() {
    ++stops_;
    dropUpload();
    freeSlot();
    closeReceiver();
    roles_.listOwner.clear();
    pending_.clear();
}

}  // namespace host
