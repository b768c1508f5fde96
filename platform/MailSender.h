#pragma once
// Sends one message to each address of a list over SMTP, off the GUI thread:
// one connection per send, each recipient gets a message of its own with only
// its own address as recipient. Results come back on the GUI thread.
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace platform {

struct MailAccount {
    QString host;
    int port = 25;       // 465 speaks TLS from the start; any other port upgrades when offered
    QString user;        // empty: no authentication
    QString password;
    int connectTimeoutMs = 15000;   // reaching the server and its greeting
    int responseTimeoutSec = 30;    // waiting for any one server reply
    int stallTimeoutSec = 30;       // a transfer that moves nothing for this long fails
};

struct MailMessage {
    QString from;         // the envelope sender and the From header
    QString replyTo;      // "" = no Reply-To header
    QString subject;
    QStringList bodyLines;
    QStringList attachments;  // file paths; a missing file is left out of that message
};

enum class MailResult {
    Completed,      // every recipient sent
    SendFailed,     // authentication or a message was refused or broke off
    TooLarge,       // the server refused the message for its size (detail: its reply)
    ConnectFailed,  // the server could not be reached or refused the greeting
    Broken,         // a break stopped it between two recipients
};

class MailSender {
public:
    virtual ~MailSender() = default;
    // Starts a send; false (and nothing happens) while another one runs. An
    // empty list only connects and says goodbye.
    virtual bool start(const MailAccount &account, const MailMessage &message,
                       const QStringList &recipients) = 0;
    virtual bool running() const = 0;
    // No recipient after the one under way; nothing when no send runs.
    virtual void requestBreak() = 0;

    // After the recipient at index was sent; the next one waits until this
    // returns, so a break asked for in it takes effect.
    std::function<void(int index)> onSent;
    // Once per start; detail is the library's and the server's last words.
    std::function<void(MailResult result, const QString &detail)> onFinished;
};

// libcurl's SMTP with its MIME parts; headers in GBK encoded words.
std::shared_ptr<MailSender> makeCurlMailSender();

// Subject text as RFC 2047 encoded words (base64, GBK, or GB18030 where GBK
// cannot carry a character), each word below 76 characters and holding whole
// characters only, folded onto continuation lines. Plain printable ASCII of
// modest length stays as it is.
QByteArray encodedHeaderText(const QString &text);

}  // namespace platform
