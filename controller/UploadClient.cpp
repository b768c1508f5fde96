#include "controller/UploadClient.h"

#include <QFileInfo>
#include <QTcpSocket>

#include "common/Gbk.h"
#include "controller/ControlLineChannel.h"

namespace pad {

namespace {
const QString kFailed = QStringLiteral("文件上传失败");
}

UploadClient::UploadClient(ControlLineChannel *channel, OneShotFactory timers, QObject *parent)
    : QObject(parent), channel_(channel), timer_(timers()) {}

UploadClient::~UploadClient() {
    timer_->stop();
    if (data_) {
        data_->disconnect(this);
        data_->abort();
        delete data_;
    }
}

QString UploadClient::nameRefusal(const QString &name) {
    if (name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n')) || !kv::fitsGbk(name))
        return QStringLiteral("文件名含有无法上传的字符：") + name;
    return {};
}

bool UploadClient::start(const QString &localPath) {
    emit statusText(QString());
    if (busy()) release();
    QString path = localPath.trimmed();
    QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        emit messageBox(QStringLiteral("文件没找到，") + path);
        return false;
    }
    QString refusal = nameRefusal(info.fileName());
    if (!refusal.isEmpty()) {
        emit statusText(refusal);
        return false;
    }
    path_ = path;
    name_ = info.fileName();
    stage_ = Stage::AwaitName;
    channel_->sendLine("c_up");
    emit started();
    return true;
}

bool UploadClient::handleLine(const QByteArray &line) {
    if (line.startsWith("s_name")) {
        if (stage_ == Stage::AwaitName) {
            stage_ = Stage::AwaitLen;
            channel_->sendLine("c_filename" + kv::toGbk(name_).value_or(QByteArray()));
        }
        return true;
    }
    if (line.startsWith("s_len")) {
        if (stage_ != Stage::AwaitLen) return true;
        file_.setFileName(path_);
        if (!file_.open(QIODevice::ReadOnly)) {
            fail();
            return true;
        }
        total_ = remaining_ = file_.size();
        emit progressChanged(0);
        setProgressShown(true);
        stage_ = Stage::AwaitFile;
        channel_->sendLine("c_len" + QByteArray::number(total_));
        return true;
    }
    if (line.startsWith("s_file")) {
        if (stage_ != Stage::AwaitFile) return true;
        if (total_ == 0) {
            // Nothing to carry: no data connection, "c_over" at once.
            file_.close();
            complete();
            return true;
        }
        dropDataSocket();
        data_ = new QTcpSocket(this);
        dataLines_.clear();
        awaitingAck_ = false;
        connect(data_, &QTcpSocket::connected, this, &UploadClient::onDataConnected);
        connect(data_, &QTcpSocket::readyRead, this, &UploadClient::onDataReadable);
        connect(data_, &QTcpSocket::disconnected, this, &UploadClient::onDataGone);
        connect(data_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
            // A close after "c_over" is the normal end, not a failure.
            if (stage_ == Stage::Connecting || stage_ == Stage::Sending) fail();
        });
        stage_ = Stage::Connecting;
        timer_->start(kConnectTimeoutMs, [this] {
            if (stage_ == Stage::Connecting) fail();
        });
        // From the control connection's own address: the host takes data only from the uploader.
        if (const QHostAddress from(channel_->localAddress()); !from.isNull()) data_->bind(from, 0);
        data_->connectToHost(channel_->peerAddress(), quint16(channel_->peerPort() + 1));
        return true;
    }
    return false;
}

void UploadClient::handleUnterminated(const QByteArray &word) {
    if (word != "s_qitaup") return;
    // The host holds the slot for someone else: this upload goes no further.
    if (stage_ == Stage::AwaitName || stage_ == Stage::AwaitLen || stage_ == Stage::AwaitFile)
        release();
}

void UploadClient::abort() {
    // After "c_over" the upload has succeeded: let go quietly.
    if (stage_ == Stage::Closing)
        release();
    else if (busy())
        fail();
}

void UploadClient::onDataConnected() {
    if (stage_ != Stage::Connecting) return;
    timer_->stop();
    data_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    stage_ = Stage::Sending;
    emit statusText(QStringLiteral("文件上传中......"));
    sendNextChunk();
}

void UploadClient::sendNextChunk() {
    qint64 n = qMin(remaining_, kChunkSize);
    QByteArray chunk = file_.read(n);
    if (chunk.size() != n) {  // the file shrank or cannot be read
        fail();
        return;
    }
    data_->write(chunk);
    data_->flush();  // on the wire now, not on the next pass of the event loop
    remaining_ -= n;
    awaitingAck_ = true;
    if (remaining_ > 0)
        emit progressChanged(int(file_.pos() * 100 / total_));
    else
        file_.close();
}

void UploadClient::onDataReadable() {
    if (!data_) return;
    const QList<QByteArray> lines = dataLines_.feed(data_->readAll());
    if (lines.isEmpty() || stage_ != Stage::Sending) return;
    // One "s_next" releases one chunk, however many lines came in this read.
    if (lines.first() != "s_next" || !awaitingAck_) return;
    awaitingAck_ = false;
    if (remaining_ > 0)
        sendNextChunk();
    else
        complete();
}

void UploadClient::complete() {
    remaining_ = 0;
    channel_->sendLine("c_over");
    emit statusText(QStringLiteral("文件上传完成"));
    setProgressShown(false);
    stage_ = Stage::Closing;
    emit finished(true);
    // Close the data connection once the host has taken "c_over"; only then
    // pull the list, so "c_list" does not share a read with "c_over".
    timer_->start(kCloseDelayMs, [this] {
        if (data_ && data_->state() != QAbstractSocket::UnconnectedState) {
            // Its "disconnected" finishes the upload, at once or once flushed.
            data_->disconnectFromHost();
            return;
        }
        onDataGone();
    });
}

void UploadClient::onDataGone() {
    if (stage_ == Stage::Closing) {
        if (timer_->isActive()) return;  // the host closed first; the pause still runs
        dropDataSocket();
        stage_ = Stage::Idle;
        emit listRefreshWanted();
        return;
    }
    if (stage_ == Stage::Connecting || stage_ == Stage::Sending) fail();
}

void UploadClient::release() {
    timer_->stop();
    dropDataSocket();
    if (file_.isOpen()) file_.close();
    stage_ = Stage::Idle;
    awaitingAck_ = false;
    remaining_ = 0;
    setProgressShown(false);
}

void UploadClient::setProgressShown(bool shown) {
    if (progressShown_ == shown) return;
    progressShown_ = shown;
    emit progressVisible(shown);
}

void UploadClient::fail() {
    release();
    emit statusText(kFailed);
    emit finished(false);
}

void UploadClient::dropDataSocket() {
    if (!data_) return;
    QTcpSocket *s = data_;
    data_ = nullptr;
    s->disconnect(this);
    s->abort();
    s->deleteLater();
}

}  // namespace pad
