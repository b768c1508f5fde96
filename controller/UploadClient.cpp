#include "controller/UploadClient.h"

#include <QFileInfo>
#include <QTcpSocket>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "common/BlockingIo.h"
#include "common/Gbk.h"
#include "common/Protocol.h"
#include "common/Text.h"
#include "controller/ControlLineChannel.h"

namespace pad {

namespace wire = kv::wire;

namespace {
const QString kFailed = QStringLiteral("文件上传失败");
constexpr qint64 kReadAhead = 64 * 1024;
constexpr std::size_t kLineEndBytes = wire::length(wire::lineEnd);
constexpr qsizetype kNextBytes = wire::length(wire::reply::next);

bool readAt(int fd, char *p, qint64 n, qint64 offset) {
    while (n > 0) {
        const ssize_t k = ::pread(fd, p, static_cast<size_t>(n), offset);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;  // the file shrank or cannot be read
        p += k;
        n -= k;
        offset += k;
    }
    return true;
}
}  // namespace

// Owns the data connection once it is up: sends a chunk, blocks until the
// host's "s_next", sends the next. Destroying it shuts the connection down,
// which ends a blocked send or receive, and joins the thread.
class UploadClient::Sender {
public:
    Sender(UploadClient *owner, std::uint64_t run, int socket, int file, qint64 total)
        : owner_(owner), run_(run), socket_(socket), file_(file), total_(total) {
        thread_ = std::thread([this] { work(); });
    }
    ~Sender() {
        ::shutdown(socket_, SHUT_RDWR);
        join();
        ::close(socket_);
    }
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    // Bytes the host has acknowledged.
    qint64 acked() const { return acked_.load(std::memory_order_relaxed); }

private:
    void work() {
        // The file is read ahead in larger blocks: one system call fewer per chunk.
        std::vector<char> block(kReadAhead);
        qint64 blockStart = 0, blockSize = 0;
        qint64 sent = 0;
        int shown = 0;  // the bar starts at 0
        for (;;) {
            const qint64 n = qMin(total_ - sent, kChunkSize);
            if (sent + n > blockStart + blockSize) {
                blockStart = sent;
                blockSize = qMin<qint64>(total_ - sent, kReadAhead);
                if (!readAt(file_, block.data(), blockSize, blockStart)) return post(News::Failed);
            }
            if (!kv::sendAll(socket_, block.data() + (sent - blockStart), n)) return post(News::Failed);
            sent += n;
            if (sent < total_) {
                const int percent = int(sent * 100 / total_);
                if (percent != shown) post(News::Progress, shown = percent);
            }
            if (!awaitNext()) return post(News::Failed);
            acked_.store(sent, std::memory_order_relaxed);
            if (sent == total_) return post(News::Done);
        }
    }
    // One read whose first whole line is "s_next" releases one chunk; the
    // other lines of that read are ignored, a partial line waits for its end.
    bool awaitNext() {
        for (;;) {
            const ssize_t k = ::recv(socket_, in_ + have_, sizeof in_ - have_, 0);
            if (k < 0 && errno == EINTR) continue;
            if (k <= 0) return false;
            have_ += size_t(k);
            const auto *first =
                static_cast<const char *>(memmem(in_, have_, wire::lineEnd, kLineEndBytes));
            if (!first) {
                if (have_ == sizeof in_) have_ = 0;  // no line this long: dropped
                continue;
            }
            const bool next =
                first - in_ == kNextBytes && std::memcmp(in_, wire::reply::next, kNextBytes) == 0;
            size_t used = have_;  // up to the last line end
            while (!(in_[used - 2] == '\r' && in_[used - 1] == '\n')) --used;
            std::memmove(in_, in_ + used, have_ - used);
            have_ -= used;
            if (next) return true;
        }
    }
    void post(News news, int percent = 0) {
        QMetaObject::invokeMethod(
            owner_, [o = owner_, run = run_, news, percent] { o->onSenderNews(run, news, percent); },
            Qt::QueuedConnection);
    }

    UploadClient *owner_;
    std::uint64_t run_;
    int socket_;
    int file_;
    qint64 total_;
    char in_[256];
    size_t have_ = 0;
    std::atomic<qint64> acked_{0};
    std::thread thread_;
};

UploadClient::UploadClient(ControlLineChannel *channel, OneShotFactory timers, QObject *parent)
    : QObject(parent), channel_(channel), timer_(timers()), watch_(timers()) {}

UploadClient::~UploadClient() {
    timer_->stop();
    watch_->stop();
    sender_.reset();
    if (data_) {
        data_->disconnect(this);
        data_->abort();
        delete data_;
    }
}

QString UploadClient::nameRefusal(const QString &name) {
    if (kv::hasLineBreak(name) || !kv::fitsGbk(name))
        return QStringLiteral("文件名含有无法上传的字符：") + name;
    return {};
}

bool UploadClient::start(const QString &localPath) {
    emit statusText(QString());
    if (busy()) release();
    // A closed connection would keep this upload waiting until the next one ends.
    if (!channel_->isOpen()) return false;
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
    channel_->sendLine(wire::command::up);
    emit started();
    return true;
}

bool UploadClient::handleLine(const QByteArray &line) {
    if (line.startsWith(wire::reply::name)) {
        if (stage_ == Stage::AwaitName) {
            stage_ = Stage::AwaitLen;
            channel_->sendLine(wire::command::fileName + kv::toGbk(name_).value_or(QByteArray()));
        }
        return true;
    }
    if (line.startsWith(wire::reply::len)) {
        if (stage_ != Stage::AwaitLen) return true;
        file_.setFileName(path_);
        if (!file_.open(QIODevice::ReadOnly)) {
            fail();
            return true;
        }
        total_ = file_.size();
        emit progressChanged(0);
        setProgressShown(true);
        stage_ = Stage::AwaitFile;
        startWatch();
        channel_->sendLine(wire::command::len + QByteArray::number(total_));
        return true;
    }
    if (line.startsWith(wire::reply::file)) {
        if (stage_ != Stage::AwaitFile) return true;
        if (total_ == 0) {
            // Nothing to carry: no data connection, "c_over" at once.
            file_.close();
            complete();
            return true;
        }
        dropDataSocket();
        sender_.reset();
        data_ = new QTcpSocket(this);
        connect(data_, &QTcpSocket::connected, this, &UploadClient::onDataConnected);
        connect(data_, &QTcpSocket::disconnected, this, &UploadClient::onDataGone);
        connect(data_, &QTcpSocket::errorOccurred, this, &UploadClient::onDataGone);
        stage_ = Stage::Connecting;
        ++steps_;
        timer_->start(kConnectTimeoutMs, [this] {
            if (stage_ == Stage::Connecting) fail();
        });
        // From the control connection's own address: the host takes data only from the uploader.
        if (const QHostAddress from(channel_->localAddress()); !from.isNull()) data_->bind(from, 0);
        const auto dataPort = quint16(channel_->peerPort() + wire::dataPortOffset);
        data_->connectToHost(channel_->peerAddress(), dataPort);
        return true;
    }
    return false;
}

void UploadClient::handleUnterminated(const QByteArray &word) {
    if (word != wire::reply::qitaUp) return;
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
    // The sender takes its own descriptor of the connection and the socket
    // object lets go of it (closing a duplicate does not end the connection).
    const int fd = kv::duplicateSocket(data_->socketDescriptor());
    dropDataSocket();
    if (fd < 0) {
        fail();
        return;
    }
    kv::makeBlockingNoDelay(fd);
    stage_ = Stage::Sending;
    ++steps_;
    emit statusText(QStringLiteral("文件上传中......"));
    sender_ = std::make_unique<Sender>(this, ++run_, fd, file_.handle(), total_);
}

void UploadClient::onSenderNews(std::uint64_t run, News news, int percent) {
    if (run != run_ || !sender_ || stage_ != Stage::Sending) return;  // from an upload since ended
    switch (news) {
    case News::Progress:
        emit progressChanged(percent);
        emit activity();
        return;
    case News::Done:
        complete();
        return;
    case News::Failed:
        fail();
        return;
    }
}

void UploadClient::onDataGone() {
    if (stage_ == Stage::Connecting) fail();
}

void UploadClient::startWatch() {
    seenMark_ = steps_;
    stalledMs_ = 0;
    watch_->start(kWatchStepMs, [this] { watchStep(); });
}

void UploadClient::watchStep() {
    if (stage_ != Stage::AwaitFile && stage_ != Stage::Connecting && stage_ != Stage::Sending) return;
    const std::int64_t mark = steps_ + (sender_ ? sender_->acked() : 0);
    if (mark != seenMark_) {
        seenMark_ = mark;
        stalledMs_ = 0;
        emit activity();
    } else if ((stalledMs_ += kWatchStepMs) >= kStallLimitMs) {
        fail();  // the host stopped answering
        return;
    }
    watch_->start(kWatchStepMs, [this] { watchStep(); });
}

void UploadClient::complete() {
    if (sender_) sender_->join();  // its last act was the news of the last "s_next"
    if (file_.isOpen()) file_.close();
    watch_->stop();
    channel_->sendLine(wire::command::over);
    emit statusText(QStringLiteral("文件上传完成"));
    setProgressShown(false);
    stage_ = Stage::Closing;
    emit finished(true);
    // Close the data connection once the host has taken "c_over"; only then
    // pull the list, so "c_list" does not share a read with "c_over".
    timer_->start(kCloseDelayMs, [this] {
        sender_.reset();
        stage_ = Stage::Idle;
        emit listRefreshWanted();
    });
}

void UploadClient::release() {
    timer_->stop();
    watch_->stop();
    dropDataSocket();
    sender_.reset();  // shuts the connection down and waits for the thread
    if (file_.isOpen()) file_.close();
    stage_ = Stage::Idle;
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
