#include "tests/support/TimerFakes.h"

namespace platform {

FakeMediaPlayer::~FakeMediaPlayer() { system_.players_.erase(name_); }

void FakeMediaPlayer::log(const QString &what) { system_.log << name_ + QLatin1Char(' ') + what; }

void FakeMediaPlayer::open(OpenDone done) {
    log(QStringLiteral("open ") + file_);
    playing = false;
    open_ = !system_.unplayable.contains(file_);
    done(open_ ? QString() : system_.failReason);
}

void FakeMediaPlayer::play() {
    log(QStringLiteral("play"));
    playing = open_;
}

void FakeMediaPlayer::stop() {
    log(QStringLiteral("stop"));
    playing = false;
}

void FakeMediaPlayer::rewind() { log(QStringLiteral("rewind")); }

std::unique_ptr<MediaPlayer> FakeMediaSystem::createPlayer(const QString &name) {
    auto p = std::make_unique<FakeMediaPlayer>(*this, name);
    players_[name] = p.get();
    return p;
}

FakeMediaPlayer *FakeMediaSystem::player(const QString &name) const {
    auto it = players_.find(name);
    return it == players_.end() ? nullptr : it->second;
}

std::optional<LookDialogs::FontChoice> FakeLookDialogs::chooseFont(const FontChoice &initial) {
    fontAsked.push_back(initial);
    if (fontAnswers.empty()) return std::nullopt;
    auto a = fontAnswers.front();
    fontAnswers.pop_front();
    return a;
}

std::optional<QColor> FakeLookDialogs::chooseColor(const QColor &initial) {
    colorAsked.push_back(initial);
    if (colorAnswers.empty()) return std::nullopt;
    auto a = colorAnswers.front();
    colorAnswers.pop_front();
    return a;
}

}  // namespace platform
