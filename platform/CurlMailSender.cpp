#include <curl/curl.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QUuid>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "common/Gbk.h"
#include "platform/MailSender.h"

#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

// One encoded word holds at most this many text bytes: 60 base64 characters,
// so even "=?GB18030?B?...?=" stays below the 76 the standard allows.
constexpr int kWordBytes = 45;

QByteArray charsetOf(const QString &text) { return kv::fitsGbk(text) ? "GBK" : "GB18030"; }

// The text cut at character boundaries into runs of at most kWordBytes bytes.
QList<QByteArray> wordChunks(const QString &text) {
    QList<QByteArray> chunks;
    QByteArray current;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = kv::toGbkLossy(text.mid(i, n));
        if (!current.isEmpty() && current.size() + bytes.size() > kWordBytes) {
            chunks << current;
            current.clear();
        }
        current += bytes;
        i += n;
    }
    if (!current.isEmpty()) chunks << current;
    return chunks;
}

QList<QByteArray> encodedWords(const QString &text) {
    const QByteArray prefix = "=?" + charsetOf(text) + "?B?";
    QList<QByteArray> words;
    for (const QByteArray &chunk : wordChunks(text)) words << prefix + chunk.toBase64() + "?=";
    return words;
}

bool plainAscii(const QString &text, int maxLength) {
    if (text.size() > maxLength) return false;
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e) return false;
    return true;
}

// A file name inside a quoted header parameter.
QByteArray quotedFileName(const QString &name) {
    if (plainAscii(name, 200)) {
        QByteArray n = name.toLatin1();
        n.replace('\\', "\\\\").replace('"', "\\\"");
        return '"' + n + '"';
    }
    return '"' + encodedWords(name).join(' ') + '"';
}

QByteArray domainOf(const QString &address) {
    const qsizetype at = address.lastIndexOf('@');
    const QString d = at < 0 ? QString() : address.mid(at + 1);
    return d.isEmpty() ? QByteArrayLiteral("localhost") : d.toLatin1();
}

struct SlistDeleter {
    void operator()(curl_slist *l) const { curl_slist_free_all(l); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;
struct MimeDeleter {
    void operator()(curl_mime *m) const { curl_mime_free(m); }
};
using Mime = std::unique_ptr<curl_mime, MimeDeleter>;

void append(Slist &list, const QByteArray &line) {
    curl_slist *l = curl_slist_append(list.get(), line.constData());
    if (l) {
        (void)list.release();
        list.reset(l);
    }
}

using Steady = std::chrono::steady_clock;

// What the server has said so far on the connection of one send.
struct Conversation {
    bool helloSent = false;
    bool connected = false;  // the greeting and our hello were answered
    QByteArray lastReply;
    QByteArray lastRefusal;  // kept past the goodbye that follows it
    // Bytes from the server, or of the message to it. Our own commands do not
    // count: the goodbye after a silence must not start the wait again.
    Steady::time_point lastHeard = Steady::now();
    Steady::duration quietLimit{};
    bool gaveUp = false;
};

// 552 is the code for "exceeded storage allocation"; others say so in words.
bool sizeRefusal(const QByteArray &reply) {
    const QByteArray r = reply.toLower();
    return r.startsWith("552") || r.contains(" 5.3.4") ||
           (r.startsWith('5') && (r.contains("size") || r.contains("too big") || r.contains("too large")));
}

int onDebug(CURL *, curl_infotype type, char *data, size_t size, void *user) {
    auto *c = static_cast<Conversation *>(user);
    if (type == CURLINFO_HEADER_IN || type == CURLINFO_DATA_IN || type == CURLINFO_DATA_OUT)
        c->lastHeard = Steady::now();
    const QByteArray text(data, static_cast<qsizetype>(size));
    if (type == CURLINFO_HEADER_OUT && (text.startsWith("EHLO ") || text.startsWith("HELO ")))
        c->helloSent = true;
    if (type != CURLINFO_HEADER_IN) return 0;
    for (const QByteArray &line : text.split('\n')) {
        const QByteArray l = line.trimmed();
        if (l.isEmpty()) continue;
        c->lastReply = l.left(200);
        if (l.startsWith('4') || l.startsWith('5')) c->lastRefusal = c->lastReply;
        if (c->helloSent && l.startsWith("250 ")) c->connected = true;
    }
    return 0;
}

class CurlMailSender : public MailSender {
public:
    CurlMailSender() {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    }
    ~CurlMailSender() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            shutdown_ = true;
        }
        cutConnection();
        wake_.notify_all();
        if (worker_.joinable()) worker_.join();
    }

    bool start(const MailAccount &account, const MailMessage &message,
               const QStringList &recipients) override {
        if (running_) return false;
        if (worker_.joinable()) worker_.join();  // the last one has already said it ended
        running_ = true;
        breakRequested_ = false;
        acked_ = -1;
        worker_ = std::thread([this, account, message, recipients] { run(account, message, recipients); });
        return true;
    }
    bool running() const override { return running_; }
    void requestBreak() override {
        if (!running_) return;
        breakRequested_ = true;
        cutConnection();  // a server that is silent or slow is not waited for
    }

private:
    // ---- worker thread ----

    void run(const MailAccount &account, const MailMessage &message, const QStringList &recipients) {
        Conversation talk;
        MailResult result = MailResult::Completed;
        CURL *h = curl_easy_init();
        if (!h) {
            finish(MailResult::ConnectFailed, QStringLiteral("no curl handle"));
            return;
        }
        if (!setUp(h, account, talk)) {
            curl_easy_cleanup(h);
            finish(MailResult::ConnectFailed, QStringLiteral("bad server name"));
            return;
        }
        CURLcode code = CURLE_OK;
        if (recipients.isEmpty()) {
            // Nothing to send: greet the server and leave, without logging in.
            curl_easy_setopt(h, CURLOPT_USERNAME, nullptr);
            curl_easy_setopt(h, CURLOPT_PASSWORD, nullptr);
            curl_easy_setopt(h, CURLOPT_CONNECT_ONLY, 1L);
            code = curl_easy_perform(h);
            if (code != CURLE_OK) result = stopped() ? MailResult::Broken : MailResult::ConnectFailed;
        }
        for (qsizetype i = 0; i < recipients.size(); ++i) {
            if (stopped()) {
                result = MailResult::Broken;
                break;
            }
            talk.lastHeard = Steady::now();  // the pause after the last recipient was ours
            code = sendOne(h, message, recipients.at(i));
            if (code != CURLE_OK) {
                result = stopped()                       ? MailResult::Broken
                         : !talk.connected                ? MailResult::ConnectFailed
                         : sizeRefusal(talk.lastRefusal) ? MailResult::TooLarge
                                                         : MailResult::SendFailed;
                break;
            }
            reportSent(static_cast<int>(i));
            if (i + 1 < recipients.size() && !waitForAck(static_cast<int>(i))) {
                result = MailResult::Broken;
                break;
            }
        }
        curl_easy_cleanup(h);  // says QUIT on a live connection
        const QString reply = QString::fromLatin1(talk.lastRefusal.isEmpty() ? talk.lastReply : talk.lastRefusal);
        QString detail;
        if (result == MailResult::TooLarge)
            detail = reply;
        else if (talk.gaveUp)
            detail = QStringLiteral("no answer for %1 s / ").arg(account.responseTimeoutSec) + reply;
        else if (code != CURLE_OK)
            detail = QString::fromUtf8(curl_easy_strerror(code)) + QStringLiteral(" / ") + reply;
        finish(result, detail);
    }

    bool setUp(CURL *h, const MailAccount &a, Conversation &talk) {
        QUrl url;
        url.setScheme(a.port == 465 ? QStringLiteral("smtps") : QStringLiteral("smtp"));
        url.setHost(a.host.trimmed(), QUrl::StrictMode);
        url.setPort(a.port);
        if (!url.isValid() || url.host().isEmpty()) return false;
        // libcurl keeps copies of the strings it is given.
        curl_easy_setopt(h, CURLOPT_URL, url.toEncoded().constData());
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
        curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
        if (!a.user.isEmpty()) {
            curl_easy_setopt(h, CURLOPT_USERNAME, a.user.toUtf8().constData());
            curl_easy_setopt(h, CURLOPT_PASSWORD, a.password.toUtf8().constData());
            curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
        }
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(a.connectTimeoutMs));
        // The silence watch below gives up first; this only backs it.
        curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(a.responseTimeoutSec) + 2);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(a.stallTimeoutSec));
        curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);  // feeds onDebug, prints nothing
        curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, onDebug);
        curl_easy_setopt(h, CURLOPT_DEBUGDATA, &talk);
        // A break, program exit or a silent server ends the exchange where it
        // stands, the goodbye included: its socket is cut, so nothing waits on it.
        talk.quietLimit = std::chrono::seconds(a.responseTimeoutSec);
        talk_ = &talk;
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, openSocket);
        curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, this);
        curl_easy_setopt(h, CURLOPT_CLOSESOCKETFUNCTION, closeSocket);
        curl_easy_setopt(h, CURLOPT_CLOSESOCKETDATA, this);
        return true;
    }

    bool stopped() const { return breakRequested_ || shutdown_; }

    // libcurl calls it about once a second, also while it waits for a reply.
    static int onProgress(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        auto *me = static_cast<CurlMailSender *>(self);
        Conversation &talk = *me->talk_;
        if (!talk.gaveUp && Steady::now() - talk.lastHeard >= talk.quietLimit) talk.gaveUp = true;
        if (!talk.gaveUp && !me->stopped()) return 0;
        me->cutConnection();
        return 1;
    }

    static curl_socket_t openSocket(void *self, curlsocktype, curl_sockaddr *address) {
        auto *me = static_cast<CurlMailSender *>(self);
        const curl_socket_t fd = ::socket(address->family, address->socktype, address->protocol);
        std::lock_guard<std::mutex> lock(me->socketMutex_);
        me->socket_ = fd;
        return fd;
    }

    static int closeSocket(void *self, curl_socket_t fd) {
        auto *me = static_cast<CurlMailSender *>(self);
        std::lock_guard<std::mutex> lock(me->socketMutex_);
        if (me->socket_ == fd) me->socket_ = CURL_SOCKET_BAD;
        return ::close(fd);
    }

    // Any thread. A wait on the socket ends at once; a closed one is never touched.
    void cutConnection() {
        std::lock_guard<std::mutex> lock(socketMutex_);
        if (socket_ != CURL_SOCKET_BAD) ::shutdown(socket_, SHUT_RDWR);
    }

    CURLcode sendOne(CURL *h, const MailMessage &m, const QString &to) {
        const QByteArray from = m.from.toUtf8();
        const QByteArray rcpt = to.toUtf8();
        curl_easy_setopt(h, CURLOPT_MAIL_FROM, ("<" + from + ">").constData());
        Slist recipients;
        append(recipients, "<" + rcpt + ">");
        curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());

        Slist headers;
        append(headers, "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1());
        append(headers, "From: " + from);
        append(headers, "To: " + rcpt);
        if (!m.replyTo.isEmpty()) append(headers, "Reply-To: " + m.replyTo.toUtf8());
        append(headers, "Subject: " + encodedHeaderText(m.subject));
        append(headers, "Message-ID: <" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() +
                            "@" + domainOf(m.from) + ">");
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());

        Mime mime(curl_mime_init(h));
        const QString bodyText = m.bodyLines.join(QStringLiteral("\r\n"));
        const QByteArray body = kv::toGbkLossy(bodyText);
        curl_mimepart *part = curl_mime_addpart(mime.get());
        curl_mime_data(part, body.constData(), static_cast<size_t>(body.size()));
        curl_mime_type(part, ("text/plain; charset=" + charsetOf(bodyText)).constData());
        curl_mime_encoder(part, "base64");
        std::vector<Slist> partHeaders;
        for (const QString &path : m.attachments) {
            const QFileInfo fi(path);
            if (!fi.isFile()) continue;
            const QByteArray name = quotedFileName(fi.fileName());
            part = curl_mime_addpart(mime.get());
            if (curl_mime_filedata(part, QFile::encodeName(fi.absoluteFilePath()).constData()) != CURLE_OK)
                continue;
            curl_mime_type(part, ("application/octet-stream; name=" + name).constData());
            curl_mime_encoder(part, "base64");
            Slist disposition;
            append(disposition, "Content-Disposition: attachment; filename=" + name);
            curl_mime_headers(part, disposition.get(), 0);
            partHeaders.push_back(std::move(disposition));
        }
        curl_easy_setopt(h, CURLOPT_MIMEPOST, mime.get());
        const CURLcode code = curl_easy_perform(h);
        curl_easy_setopt(h, CURLOPT_MIMEPOST, nullptr);
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
        curl_easy_setopt(h, CURLOPT_MAIL_RCPT, nullptr);
        return code;
    }

    void reportSent(int index) {
        QMetaObject::invokeMethod(&context_, [this, index] {
            if (onSent) onSent(index);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                acked_ = index;
            }
            wake_.notify_all();
        }, Qt::QueuedConnection);
    }

    // False when the program is going away.
    bool waitForAck(int index) {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return shutdown_ || acked_ >= index; });
        return !shutdown_;
    }

    void finish(MailResult result, const QString &detail) {
        QMetaObject::invokeMethod(&context_, [this, result, detail] {
            if (worker_.joinable()) worker_.join();
            running_ = false;
            if (onFinished) onFinished(result, detail);
        }, Qt::QueuedConnection);
    }

    QObject context_;  // lives on the GUI thread; results are delivered through it
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable wake_;
    int acked_ = -1;
    std::atomic<bool> running_{false};
    std::atomic<bool> breakRequested_{false};
    std::atomic<bool> shutdown_{false};
    Conversation *talk_ = nullptr;  // the worker's, while it runs a send
    std::mutex socketMutex_;
    curl_socket_t socket_ = CURL_SOCKET_BAD;
};

}  // namespace

QByteArray encodedHeaderText(const QString &text) {
    if (plainAscii(text, 900)) return text.toLatin1();
    return encodedWords(text).join("\r\n ");
}

std::shared_ptr<MailSender> makeCurlMailSender() { return std::make_shared<CurlMailSender>(); }

}  // namespace platform
