#include "controller/FileListClient.h"

#include "common/Gbk.h"
#include "common/Protocol.h"
#include "controller/ControlLineChannel.h"

namespace pad {

namespace wire = kv::wire;

FileListClient::FileListClient(ControlLineChannel *channel, QObject *parent)
    : QObject(parent), channel_(channel) {}

void FileListClient::refresh() {
    names_.clear();
    emit cleared();
    listing_ = true;
    channel_->sendLine(wire::command::list);
}

bool FileListClient::handleLine(const QByteArray &line) {
    if (line.startsWith(wire::reply::list)) {
        if (!listing_) return true;  // not asked for: dropped
        // The name as sent, untrimmed; an empty name is still an item.
        const QByteArray bytes = line.mid(wire::length(wire::reply::list));
        if (bytes.size() <= kMaxNameBytes) {
            const QString name = kv::fromGbkLossy(bytes);
            names_.append(name);
            emit nameAdded(name);
        }
        // Full: the host's list is left unfinished, and it frees it when this
        // connection ends or the next "c_list" comes.
        listing_ = names_.size() < kMaxNames;
        if (listing_) channel_->sendLine(wire::command::nextList);
        return true;
    }
    if (line.startsWith(wire::reply::busyList)) {
        listing_ = false;
        emit statusText(QStringLiteral("投影端文件列表服务正忙"));
        return true;
    }
    return false;
}

void FileListClient::handleUnterminated(const QByteArray &word) {
    if (word == wire::reply::busyList) endListing();
}

}  // namespace pad
