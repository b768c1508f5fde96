#pragma once
// The controller's side of the file listing: "c_list", then one "c_nextlist"
// per "s_list" name. The host frees the list with its last name and answers
// the following "c_nextlist" with a lone "s_busylist", which ends the listing,
// so a listing ends without an end word. Names count only while a listing
// asked for runs, and a listing holds at most kMaxNames names.
#include <QByteArray>
#include <QObject>
#include <QStringList>

namespace pad {

class ControlLineChannel;

class FileListClient : public QObject {
    Q_OBJECT
public:
    explicit FileListClient(ControlLineChannel *channel, QObject *parent = nullptr);

    // The refresh button: empties the list and asks for it again.
    void refresh();
    // A complete reply line; true when it is a listing word ("s_list",
    // "s_busylist") and was handled.
    bool handleLine(const QByteArray &line);
    // A reply sent without a line end: "s_busylist" ends the listing.
    void handleUnterminated(const QByteArray &word);
    // "s_busylist": the host has sent every name.
    void endListing() { listing_ = false; }
    QStringList names() const { return names_; }
    bool listing() const { return listing_; }

    static constexpr int kMaxNames = 4096;
    // A longer name is no file name of the host's folder and is not listed.
    static constexpr qsizetype kMaxNameBytes = 255;

signals:
    void cleared();
    void nameAdded(const QString &name);
    void statusText(const QString &text);

private:
    ControlLineChannel *channel_;
    QStringList names_;
    bool listing_ = false;
};

}  // namespace pad
