#include "host/timer/TMediaPlayer.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace host {

TMediaPlayer::TMediaPlayer(std::unique_ptr<platform::MediaPlayer> player,
                           std::shared_ptr<platform::Dialogs> dialogs, QWidget *parent)
    : QWidget(parent), player_(std::move(player)), dialogs_(std::move(dialogs)) {
    auto *lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(2);
    PlayButton = new QPushButton(QStringLiteral("▶"), this);
    StopButton = new QPushButton(QStringLiteral("■"), this);
    for (QPushButton *b : {PlayButton, StopButton}) {
        b->setFixedWidth(28);
        lay->addWidget(b);
    }
    connect(PlayButton, &QPushButton::clicked, this, [this] {
        if (onClick) onClick(Button::Play);
        Play();
    });
    connect(StopButton, &QPushButton::clicked, this, [this] {
        if (onClick) onClick(Button::Stop);
        Stop();
    });
    enableButtons();
}

void TMediaPlayer::Open(bool thenPlay) {
    playWhenOpen_ = thenPlay;
    const QString file = FileName();
    player_->open([this, file](const QString &reason) {
        if (reason.isEmpty()) {
            if (playWhenOpen_) Play();
        } else {
            player_->setFileName(QString());
            dialogs_->message(QStringLiteral("无法打开音乐文件：") + file + QLatin1Char('\n') + reason);
        }
        playWhenOpen_ = false;
        enableButtons();
    });
    enableButtons();
}

void TMediaPlayer::Play() {
    if (isOpen()) player_->play();
}

void TMediaPlayer::Stop() {
    playWhenOpen_ = false;  // a file still opening does not start afterwards
    if (isOpen()) player_->stop();
}

void TMediaPlayer::Rewind() {
    if (isOpen()) player_->rewind();
}

void TMediaPlayer::enableButtons() {
    PlayButton->setEnabled(isOpen());
    StopButton->setEnabled(isOpen());
}

}  // namespace host
