#include <QAudioOutput>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>

#include "platform/Media.h"

namespace platform {

namespace {

constexpr int kOpenWaitMs = 3000;

class QtMediaPlayer : public MediaPlayer {
public:
    ~QtMediaPlayer() override { close(); }
    void setFileName(const QString &path) override { fileName_ = path; }
    QString fileName() const override { return fileName_; }

    bool open(QString *error) override {
        close();
        const QFileInfo fi(fileName_);
        if (!fi.isFile() || !fi.isReadable()) {
            if (error) *error = QStringLiteral("文件不存在或无法读取");
            return false;
        }
        // Made on first use: the decoder back end starts only for a host that plays music.
        player_ = std::make_unique<QMediaPlayer>();
        output_ = std::make_unique<QAudioOutput>();
        player_->setAudioOutput(output_.get());
        // The back end loads in the background; wait (bounded) for its verdict.
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(player_.get(), &QMediaPlayer::mediaStatusChanged, &loop,
                         [&loop](QMediaPlayer::MediaStatus s) {
                             if (s != QMediaPlayer::LoadingMedia && s != QMediaPlayer::NoMedia) loop.quit();
                         });
        QObject::connect(player_.get(), &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
        QMediaPlayer *mine = player_.get();
        player_->setSource(QUrl::fromLocalFile(fi.absoluteFilePath()));
        if (player_->mediaStatus() == QMediaPlayer::LoadingMedia) {
            limit.start(kOpenWaitMs);
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        // Another open ran while this one waited: that one's result stands.
        if (player_.get() != mine) return isOpen();
        if (player_->error() != QMediaPlayer::NoError ||
            player_->mediaStatus() == QMediaPlayer::InvalidMedia) {
            if (error) *error = player_->errorString().isEmpty() ? QStringLiteral("无法播放该文件")
                                                                  : player_->errorString();
            close();
            return false;
        }
        return true;
    }
    bool isOpen() const override { return player_ != nullptr; }

    void play() override {
        if (!player_) return;
        if (player_->mediaStatus() == QMediaPlayer::EndOfMedia) player_->setPosition(0);
        player_->play();
    }
    void stop() override {
        if (player_ && player_->playbackState() == QMediaPlayer::PlayingState) player_->pause();
    }
    void rewind() override {
        if (player_) player_->setPosition(0);
    }

private:
    void close() {
        if (player_) player_->stop();
        player_.reset();
        output_.reset();
    }
    QString fileName_;
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
