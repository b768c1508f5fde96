#pragma once
// The shared folder as the controllers see it: a paged list of presentations
// on the control connection, and the single upload slot whose bytes arrive on
// the data port. An upload is written to a hidden temporary file beside its
// target and takes the real name only when every announced byte arrived.
// The uploader's data connection is served by a worker thread with blocking
// reads (one 1024-byte chunk per "s_next" leaves no room for event-loop
// overhead); the upload's byte counts are shared with it under a mutex.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/protocol/ControlRoles.h"
#include "host/protocol/HostUi.h"
#include "platform/Platform.h"

class QTemporaryFile;
class QTcpSocket;

namespace host {

class FileTransfer : public QObject {
    Q_OBJECT
public:
    using Send = std::function<void(const QByteArray &)>;

    FileTransfer(platform::Services services, HostUi &ui, ControlRoles &roles,
                 QObject *parent = nullptr);
    ~FileTransfer() override;

    // Control commands from a logged-in sender; replies go through `send`.
    // The uploader's listing waits (pumping events) until its upload settled.
    void list(const QString &sender, const Send &send);
    void nextList(const QString &sender, const Send &send);
    void up(const QString &sender, const Send &send);
    void fileName(const QString &sender, const QByteArray &field, const Send &send);
    void length(const QString &sender, const QByteArray &field, const Send &send);
    void over(const QString &sender, const Send &send);

    // A connection accepted on the data port.
    void addDataConnection(QTcpSocket *socket);
    // The last control connection from `address` closed.
    void clientGone(const QString &address);
    // The service stopped: the slot and the list are freed, a running upload is dropped.
    void stop();

    // Presentations of a folder as they are listed, sorted by name.
    static QStringList presentationFiles(const QString &folder);

    bool finishing() const { return finishing_; }
    // How long "c_over" waits for missing bytes (10 s).
    void setFinishWait(int ms) { finishWait_.setInterval(ms); }

signals:
    // An upload ended: stored under `path`, or dropped (path is where it would have gone).
    void uploadSettled(bool stored, const QString &path);

private:
    class Receiver;
    // What the worker may touch, under mutex_.
    struct Sink {
        int fd = -1;  // the temporary file while an upload runs
        std::vector<char> held;  // received, not yet written (one write per block)
        qint64 announced = -1;
        qint64 received = 0;
        bool writeFailed = false;
        int writeError = 0;    // errno of the failed write
        std::string target;    // the name the file takes: checked before the last "s_next"
        bool overrun = false;  // bytes came past the announced length
        bool slotHeld = false; // by the receiver's peer
        std::uint64_t carrier = 0;  // the one receiver whose bytes go into this file
        bool failed = false;        // the upload was dropped: no connection carries it on
        bool complete() const { return received >= announced || writeFailed || overrun; }
    };
    struct Taken {
        bool ack = false;       // answer "s_next"
        bool settles = false;   // the upload can now be decided
        bool stop = false;      // read no further
        bool drop = false;      // and let the connection go
    };

    Taken take(std::uint64_t receiver, const char *bytes, qint64 n);  // worker thread
    void writeHeld();                         // under mutex_
    void onReceiverNews(std::uint64_t id, bool gone);
    void closeReceiver();
    bool uploadComplete();
    void waitWhileSettling(const QString &sender);
    bool startFile(const QString &folder, qint64 announced);
    void settle();               // c_over's decision once the bytes are in (or time ran out)
    // The upload cannot be stored: the host log says why, the controller sees
    // its data connection close (or never gets to send).
    void failUpload(int error);
    void refuseRest();  // its data connections are closed from now on
    void dropUpload();  // a running upload is abandoned: its file goes, with a log line
    void freeSlot();
    void discardFile();    // the temporary file goes, if there is one
    void resetProgress();  // no length announced, nothing received
    void log(const QString &line);

    platform::Services services_;
    HostUi &ui_;
    ControlRoles &roles_;

    QStringList pending_;

    QString uploadName_;     // from "c_filename", checked
    QString uploadFolder_;   // shared folder at "c_len"
    std::unique_ptr<QTemporaryFile> file_;
    std::mutex mutex_;
    Sink sink_;
    std::unique_ptr<Receiver> receiver_;
    std::uint64_t receiverId_ = 0;
    QString receiverPeer_;
    std::uint64_t stops_ = 0;
    bool finishing_ = false;  // "c_over" came, waiting for the rest of the bytes
    QTimer finishWait_;
};

}  // namespace host
