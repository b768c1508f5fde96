#include "controller/FileListClient.h"

#include "common/Gbk.h"
#include "controller/ControlLineChannel.h"

namespace pad {

FileListClient::FileListClient(ControlLineChannel *channel, QObject *parent)
    : QObject(parent), channel_(channel) {}

void FileListClient::refresh() {
    names_.clear();
    emit cleared();
    channel_->sendLine("c_list");
}

bool FileListClient::handleLine(const QByteArray &line) {
    if (line.startsWith("s_list")) {
        // The name as sent, untrimmed; an empty name is still an item.
        QString name = kv::fromGbkLossy(line.mid(6));
        names_.append(name);
        emit nameAdded(name);
        channel_->sendLine("c_nextlist");
        return true;
    }
    if (line.startsWith("s_busylist")) {
        emit statusText(QStringLiteral("投影端文件列表服务正忙"));
        return true;
    }
    return false;
}

}  // namespace pad
