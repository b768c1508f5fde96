#include "controller/FileListClient.h"

#include "common/Gbk.h"
#include "controller/ControlLineChannel.h"

namespace pad {

FileListClient::FileListClient(ControlLineChannel *channel, QObject *parent)
    : QObject(parent), channel_(channel) {}

void FileListClient::refresh() {
    names_.clear();
    emit cleared();
    listing_ = true;
    channel_->sendLine("c_list");
}

bool FileListClient::handleLine(const QByteArray &line) {
    if (line.startsWith("s_list")) {
        if (!listing_) return true;  // not asked for: dropped
        // The name as sent, untrimmed; an empty name is still an item.
        const QByteArray bytes = line.mid(6);
        if (bytes.size() <= kMaxNameBytes) {
            const QString name = kv::fromGbkLossy(bytes);
            names_.append(name);
            emit nameAdded(name);
        }
        // Full: the host's list is left unfinished, and it frees it when this
        // connection ends or the next "c_list" comes.
        listing_ = names_.size() < kMaxNames;
        if (listing_) channel_->sendLine("c_nextlist");
        return true;
    }
    if (line.startsWith("s_busylist")) {
        listing_ = false;
        emit statusText(QStringLiteral("投影端文件列表服务正忙"));
        return true;
    }
    return false;
}

void FileListClient::handleUnterminated(const QByteArray &word) {
    if (word == "s_busylist") listing_ = false;
}

}  // namespace pad
