#pragma once
// Music players: one file per player, opened on request and played, stopped
// and rewound like the media player control of the settings window.
#include <QString>

#include <functional>
#include <memory>

namespace platform {

class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;
    virtual void setFileName(const QString &path) = 0;
    virtual QString fileName() const = 0;
    // Opens the file named by fileName(), closing what was open, without
    // waiting for the back end: done gets "" once the file is open, or the
    // reason it cannot be played. Not called when another open or the end of
    // the player comes first.
    using OpenDone = std::function<void(const QString &error)>;
    virtual void open(OpenDone done) = 0;
    virtual bool isOpen() const = 0;
    // Plays from where it stands; at the end of the file from the start.
    virtual void play() = 0;
    // Stops and keeps the position.
    virtual void stop() = 0;
    // Seeks to the start of the file.
    virtual void rewind() = 0;
};

class MediaSystem {
public:
    virtual ~MediaSystem() = default;
    // name tells a recording fake which player acts; the real players ignore it.
    virtual std::unique_ptr<MediaPlayer> createPlayer(const QString &name) = 0;
};

// Players over Qt Multimedia.
std::shared_ptr<MediaSystem> makeQtMediaSystem();

}  // namespace platform
