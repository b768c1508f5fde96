#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>

#include "platform/Media.h"

namespace platform {

namespace {

const QString kUnreadable = QStringLiteral("文件不存在或无法读取");

class QtMediaPlayer : public MediaPlayer {
public:
    ~QtMediaPlayer() override { close(); }
    void setFileName(const QString &path) override { fileName_ = path; }
    QString fileName() const override { return fileName_; }

    void open(OpenDone done) override {
        close();
        // Connections made to it end with this open.
        pending_ = std::make_unique<QObject>();
        const QFileInfo fi(fileName_);
        if (!fi.isFile() || !fi.isReadable()) {
            QTimer::singleShot(0, pending_.get(), [this, done] { fail(done, kUnreadable); });
            return;
        }
        // Made on first use: the decoder back end starts only for a host that plays music.
        player_ = std::make_unique<QMediaPlayer>();
        output_ = std::make_unique<QAudioOutput>();
        player_->setAudioOutput(output_.get());
        // The back end loads in the background and tells its verdict later.
        auto verdict = [this, done] {
            const QMediaPlayer::MediaStatus s = player_->mediaStatus();
            if (player_->error() != QMediaPlayer::NoError || s == QMediaPlayer::InvalidMedia) {
                // Not the back end's own reason: it is English ("Could not determine type of stream.").
                fail(done, QStringLiteral("无法播放该文件"));
            } else if (s != QMediaPlayer::LoadingMedia && s != QMediaPlayer::NoMedia) {
                const OpenDone keep = done;  // ending the connections ends this copy
                open_ = true;
                pending_.reset();
                keep(QString());
            }
        };
        QObject::connect(player_.get(), &QMediaPlayer::mediaStatusChanged, pending_.get(), verdict);
        QObject::connect(player_.get(), &QMediaPlayer::errorOccurred, pending_.get(), verdict);
        player_->setSource(QUrl::fromLocalFile(fi.absoluteFilePath()));
        QTimer::singleShot(0, pending_.get(), verdict);  // it may have one already
    }
    bool isOpen() const override { return open_; }

    void play() override {
        if (!open_) return;
        if (player_->mediaStatus() == QMediaPlayer::EndOfMedia) player_->setPosition(0);
        player_->play();
    }
    void stop() override {
        if (open_ && player_->playbackState() == QMediaPlayer::PlayingState) player_->pause();
    }
    void rewind() override {
        if (open_) player_->setPosition(0);
    }

private:
    void fail(const OpenDone &done, const QString &reason) {
        const OpenDone keep = done;  // close() ends the connection that holds done
        close();
        keep(reason);
    }
    void close() {
        open_ = false;
        pending_.reset();
        if (player_) player_->stop();
        // Perhaps inside one of its own signals: let it go once that has returned.
        if (player_) player_.release()->deleteLater();
        if (output_) output_.release()->deleteLater();
    }
    QString fileName_;
    bool open_ = false;
    std::unique_ptr<QObject> pending_;
    std::unique_ptr<QMediaPlayer> player_;
    std::unique_ptr<QAudioOutput> output_;
};

class QtMediaSystem : public MediaSystem {
public:
    std::unique_ptr<MediaPlayer> createPlayer(const QString &) override {
        return std::make_unique<QtMediaPlayer>();
    }
};

}  // namespace

std::shared_ptr<MediaSystem> makeQtMediaSystem() { return std::make_shared<QtMediaSystem>(); }

}  // namespace platform
