#pragma once
// The controller's side of an upload: "c_up" -> "s_name" -> "c_filename" ->
// "s_len" -> "c_len" -> "s_file", then raw 1024-byte chunks on the data
// connection (control port + 1), one in flight, each released by the host's
// "s_next"; "c_over" goes out once the last chunk was acknowledged. The file
// list is pulled again after the data connection has closed.
#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>

#include "controller/OneShotTimer.h"

class QTcpSocket;

namespace pad {

class ControlLineChannel;

class UploadClient : public QObject {
    Q_OBJECT
public:
    enum class Stage { Idle, AwaitName, AwaitLen, AwaitFile, Connecting, Sending, Closing };

    static constexpr qint64 kChunkSize = 1024;
    static constexpr int kConnectTimeoutMs = 6000;  // 1 s plus 500 polls of 10 ms
    static constexpr int kCloseDelayMs = 1000;      // the host holds "c_over" about this long
    static constexpr int kStallLimitMs = 30000;     // no progress this long: the upload fails
    static constexpr int kWatchStepMs = 1000;

    UploadClient(ControlLineChannel *channel, OneShotFactory timers, QObject *parent = nullptr);
    ~UploadClient() override;

    // The upload button with the local path field's text. False when nothing
    // was sent (connection closed, missing file, a name the wire cannot carry).
    // A running upload is dropped first.
    bool start(const QString &localPath);
    // A complete reply line; true for "s_name", "s_len" and "s_file".
    bool handleLine(const QByteArray &line);
    // A reply that came without a line end; "s_qitaup" ends an upload being
    // set up.
    void handleUnterminated(const QByteArray &word);
    // The control connection is gone: release everything.
    void abort();

    Stage stage() const { return stage_; }
    bool busy() const { return stage_ != Stage::Idle; }
    qint64 total() const { return total_; }
    QString localFileName() const { return name_; }
    bool fileOpen() const { return file_.isOpen(); }

    // Why a bare file name cannot travel in "c_filename"; "" when it can.
    static QString nameRefusal(const QString &name);

signals:
    void statusText(const QString &text);   // the file window's status bar
    void messageBox(const QString &text);
    void started();                         // "c_up" went out
    void progressVisible(bool shown);
    void progressChanged(int percent);
    void finished(bool ok);                 // "c_over" sent, or the upload failed
    void listRefreshWanted();               // after the data connection closed
    void activity();                        // the upload moved on (counts as a user action)

private:
    class Sender;
    enum class News { Progress, Done, Failed };

    void onDataConnected();
    void onDataGone();
    void onSenderNews(std::uint64_t run, News news, int percent);
    void watchStep();
    void startWatch();
    void complete();
    void fail();
    void release();
    void dropDataSocket();
    void setProgressShown(bool shown);

    ControlLineChannel *channel_;
    std::unique_ptr<OneShot> timer_;
    std::unique_ptr<OneShot> watch_;
    QFile file_;
    QPointer<QTcpSocket> data_;        // while connecting
    std::unique_ptr<Sender> sender_;   // once connected
    std::uint64_t run_ = 0;
    std::int64_t steps_ = 0;           // stages passed; with the bytes sent, what the watch sees move
    std::int64_t seenMark_ = -1;
    int stalledMs_ = 0;
    QString path_;
    QString name_;
    qint64 total_ = 0;
    Stage stage_ = Stage::Idle;
    bool progressShown_ = false;
};

}  // namespace pad
