#pragma once
// The control-line grammar: which command a line is and where its field starts.
// Rules are tried in order; prefix words ignore what follows them, whole-line
// words match only the exact line.
#include <QByteArray>

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

// Reply words as they go on the wire.
namespace reply {
inline const QByteArray ok = "s_ok\r\n";
inline const QByteArray no = "s_no\r\n";
inline const QByteArray tooMany = "s_toomany\r\n";
inline const QByteArray idle = "s_idle\r\n";
inline const QByteArray other = "s_other\r\n";
inline const QByteArray close = "s_close\r\n";
inline const QByteArray succOpen = "s_succ_open\r\n";
inline const QByteArray haveNo = "s_haveno\r\n";
inline const QByteArray failOpen = "s_fail_open\r\n";
inline const QByteArray needOpen = "s_needopen\r\n";
inline const QByteArray agree = "s_agree\r\n";
inline const QByteArray agreeBare = "s_agree";  // the duplicate, no line end
inline const QByteArray reject = "s_reject\r\n";
inline const QByteArray ask = "s_ask";  // + applicant + CR LF
inline const QByteArray list = "s_list";  // + name + CR LF
inline const QByteArray busyList = "s_busylist";  // no line end
inline const QByteArray name = "s_name\r\n";
inline const QByteArray len = "s_len\r\n";
inline const QByteArray file = "s_file\r\n";
inline const QByteArray qitaUp = "s_qitaup";  // no line end
inline const QByteArray next = "s_next\r\n";
inline const QByteArray crlf = "\r\n";
}  // namespace reply

}  // namespace host
