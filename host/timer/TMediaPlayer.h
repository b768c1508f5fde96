#pragma once
// The settings window's music player control: Play and Stop buttons over one
// platform player. It holds a file name, opens it when told to and enables
// its buttons once the file is open.
#include <QWidget>

#include <functional>
#include <memory>

#include "platform/Media.h"
#include "platform/Platform.h"

class QPushButton;

namespace host {

class TMediaPlayer : public QWidget {
    Q_OBJECT
public:
    enum class Button { Play, Stop };
    TMediaPlayer(std::unique_ptr<platform::MediaPlayer> player, std::shared_ptr<platform::Dialogs> dialogs,
                 QWidget *parent = nullptr);

    QPushButton *PlayButton, *StopButton;

    QString FileName() const { return player_->fileName(); }
    void setFileName(const QString &path) { player_->setFileName(path); }
    bool hasFileName() const { return !FileName().isEmpty(); }
    // Opens FileName, closing what was open, and returns before the back end
    // has loaded it; with thenPlay it plays once open, unless stopped first.
    // A file that cannot be played is told in one message box (from the event
    // loop, when the back end answers) and leaves the player without a file name.
    void Open(bool thenPlay = false);
    bool isOpen() const { return player_->isOpen(); }
    // Each acts only on an open file.
    void Play();
    void Stop();    // keeps the position
    void Rewind();  // back to the start

    // Runs before a button's own action (the settings window rewinds on Stop).
    std::function<void(Button)> onClick;

private:
    void enableButtons();
    std::unique_ptr<platform::MediaPlayer> player_;
    std::shared_ptr<platform::Dialogs> dialogs_;
    bool playWhenOpen_ = false;
};

}  // namespace host
