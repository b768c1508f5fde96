#pragma once
// The control-line grammar: which command a line is and where its field starts.
// Rules are tried in order; prefix words ignore what follows them, whole-line
// words match only the exact line.
#include <QByteArray>

#include "common/Protocol.h"

namespace host {

enum class Command {
    None,  // no rule matched
    User,
    Key,
    Idle,
    Open,
    Close,
    Show,
    List,
    NextList,
    Up,
    FileName,
    Len,
    Over,
    Ask,
    Agree,
    Reject,
    Timer,
};

struct ControlLine {
    Command command = Command::None;
    QByteArray field;  // bytes after the matched word ("" for whole-line words)
};

ControlLine parseControlLine(const QByteArray &line);

// Reply lines as they go on the wire, line end included where one is sent.
namespace reply {
namespace word = kv::wire::reply;
inline QByteArray line(const char *w) { return QByteArray(w) + kv::wire::lineEnd; }
inline const QByteArray ok = line(word::ok);
inline const QByteArray no = line(word::no);
inline const QByteArray tooMany = line(word::tooMany);
inline const QByteArray idle = line(word::idle);
inline const QByteArray other = line(word::other);
inline const QByteArray close = line(word::close);
inline const QByteArray succOpen = line(word::succOpen);
inline const QByteArray haveNo = line(word::haveNo);
inline const QByteArray failOpen = line(word::failOpen);
inline const QByteArray needOpen = line(word::needOpen);
inline const QByteArray agree = line(word::agree);
inline const QByteArray agreeBare = QByteArray(word::agree);  // the duplicate, no line end
inline const QByteArray reject = line(word::reject);
inline const QByteArray ask = QByteArray(word::ask);  // + applicant + CR LF
inline const QByteArray list = QByteArray(word::list);  // + name + CR LF
inline const QByteArray busyList = QByteArray(word::busyList);  // no line end
inline const QByteArray name = line(word::name);
inline const QByteArray len = line(word::len);
inline const QByteArray file = line(word::file);
inline const QByteArray qitaUp = QByteArray(word::qitaUp);  // no line end
inline const QByteArray next = line(word::next);
inline const QByteArray crlf = kv::wire::lineEnd;
}  // namespace reply

}  // namespace host
