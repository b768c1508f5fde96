#include "host/service/FileTransfer.h"

#include <QDir>
#include <QFileInfo>
#include <QTcpSocket>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <limits>

#include "common/Gbk.h"
#include "common/Text.h"
#include "host/service/ControlLine.h"
#include "host/service/HostLog.h"
#include "host/service/PresentationNames.h"
#include "host/service/ServiceListeners.h"

namespace host {

namespace {
constexpr qint64 kReadBlock = 4096;
constexpr int kFinishWaitMs = 10000;

std::filesystem::path fsPath(const QString &p) {
    return std::filesystem::path(QFile::encodeName(p).toStdString());
}
}  // namespace

FileTransfer::FileTransfer(platform::Services services, HostUi &ui, ControlRoles &roles,
                           QObject *parent)
    : QObject(parent), services_(std::move(services)), ui_(ui), roles_(roles) {
    finishWait_.setSingleShot(true);
    finishWait_.setInterval(kFinishWaitMs);
    connect(&finishWait_, &QTimer::timeout, this, [this] { settle(); });
}

FileTransfer::~FileTransfer() { discardFile(); }

void FileTransfer::discardFile() {
    if (!file_) return;
    const QString tmp = file_->fileName();
    file_.reset();
    QFile::remove(tmp);
}

void FileTransfer::resetProgress() {
    announced_ = -1;
    received_ = 0;
    writeFailed_ = false;
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

void FileTransfer::list(const QString &sender, const Send &send) {
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
    if (roles_.uploader.isEmpty()) roles_.uploader = sender;
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
    if (!startFile(ui_.sharedFolder())) {
        log(sender + QStringLiteral(" 无法创建文件:") + uploadName_ + QStringLiteral("。"));
        send(reply::qitaUp);
        return;
    }
    announced_ = static_cast<qint64>(*size);
    send(reply::file);
}

bool FileTransfer::startFile(const QString &folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
    auto tmp = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/.slidehost-upload-XXXXXX"));
    tmp->setAutoRemove(true);
    if (!tmp->open()) return false;
    uploadFolder_ = folder;
    received_ = 0;
    writeFailed_ = false;
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
    if (received_ >= announced_ || writeFailed_) {
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
    bool stored = !writeFailed_ && received_ == announced_ && file_->flush();
    file_->close();
    if (stored) {
        file_->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ReadGroup | QFileDevice::ReadOther);
        std::error_code ec;
        std::filesystem::rename(fsPath(tmp), fsPath(target), ec);
        stored = !ec;
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
    emit uploadSettled(false, target);
}

void FileTransfer::freeSlot() {
    roles_.uploader.clear();
    uploadName_.clear();
    resetProgress();
}

void FileTransfer::addDataConnection(QTcpSocket *socket) {
    const QString peer = ServiceListeners::clientAddress(*socket);
    // Context `this`: the link goes with either end.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, peer] { onData(socket, peer); });
    if (roles_.uploader.isEmpty() || peer != roles_.uploader) {
        log(peer + QStringLiteral(" 数据连接不属于上传方，已关闭。"));
        socket->abort();
        return;
    }
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (socket->bytesAvailable() > 0) onData(socket, peer);
}

void FileTransfer::onData(QTcpSocket *socket, const QString &peer) {
    if (roles_.uploader.isEmpty() || peer != roles_.uploader) {
        // Bytes after the upload ended (or from someone else): not ours to keep.
        socket->readAll();
        if (peer != roles_.uploader) socket->abort();
        return;
    }
    while (socket->bytesAvailable() > 0) {
        const QByteArray block = socket->read(kReadBlock);
        if (block.isEmpty()) break;
        if (!file_) continue;  // no upload running: read and dropped
        if (!writeFailed_ && file_->write(block) != block.size()) writeFailed_ = true;
        received_ += block.size();
        if (socket->state() == QAbstractSocket::ConnectedState) {
            // The uploader waits for this word before its next chunk: send it now.
            socket->write(reply::next);
            socket->flush();
        }
    }
    if (finishing_ && (received_ >= announced_ || writeFailed_)) settle();
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
}

void FileTransfer::stop() {
    dropUpload();
    freeSlot();
    roles_.listOwner.clear();
    pending_.clear();
}

}  // namespace host
