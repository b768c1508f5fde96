#pragma once
// Recording fakes of the music players, the font and colour dialogs and the
// monotonic clock.
#include <QStringList>

#include <deque>
#include <map>
#include <memory>

#include "platform/LookDialogs.h"
#include "platform/Media.h"
#include "platform/Monotonic.h"

namespace platform {

class FakeMonotonicClock : public MonotonicClock {
public:
    std::int64_t nowMs() override { return now; }
    // Past 2^32 ms, so a 32-bit slip shows.
    std::int64_t now = 5'000'000'000;
};

class FakeMediaSystem;

// Logs "<name> open <file>", "<name> play", "<name> stop", "<name> rewind".
class FakeMediaPlayer : public MediaPlayer {
public:
    FakeMediaPlayer(FakeMediaSystem &system, QString name) : system_(system), name_(std::move(name)) {}
    ~FakeMediaPlayer() override;
    void setFileName(const QString &path) override { file_ = path; }
    QString fileName() const override { return file_; }
    void open(OpenDone done) override;  // answers at once
    bool isOpen() const override { return open_; }
    void play() override;
    void stop() override;
    void rewind() override;

    bool playing = false;

private:
    void log(const QString &what);
    FakeMediaSystem &system_;
    QString name_;
    QString file_;
    bool open_ = false;
};

class FakeMediaSystem : public MediaSystem {
public:
    std::unique_ptr<MediaPlayer> createPlayer(const QString &name) override;
    FakeMediaPlayer *player(const QString &name) const;

    QStringList log;
    QStringList unplayable;  // files whose open fails with failReason
    QString failReason = QStringLiteral("unsupported format");

private:
    friend class FakeMediaPlayer;
    std::map<QString, FakeMediaPlayer *> players_;
};

// Answers from a script; an empty script cancels.
class FakeLookDialogs : public LookDialogs {
public:
    std::optional<FontChoice> chooseFont(const FontChoice &initial) override;
    std::optional<QColor> chooseColor(const QColor &initial) override;

    std::deque<std::optional<FontChoice>> fontAnswers;
    std::deque<std::optional<QColor>> colorAnswers;
    std::vector<FontChoice> fontAsked;  // what each font dialog was opened with
    std::vector<QColor> colorAsked;
};

}  // namespace platform
