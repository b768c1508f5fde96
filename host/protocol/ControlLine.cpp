#include "host/protocol/ControlLine.h"

namespace host {

namespace {
struct Rule {
    const char *word;
    bool whole;
    Command command;
};

// Dispatch order; key lines are tested between "c_user" and these.
namespace cmd = kv::wire::command;
constexpr Rule kRules[] = {
    {cmd::idle, false, Command::Idle},         {cmd::open, false, Command::Open},
    {cmd::close, false, Command::Close},       {cmd::show, true, Command::Show},
    {cmd::list, true, Command::List},          {cmd::nextList, true, Command::NextList},
    {cmd::up, true, Command::Up},              {cmd::fileName, false, Command::FileName},
    {cmd::len, false, Command::Len},           {cmd::over, false, Command::Over},
    {cmd::ask, false, Command::Ask},           {cmd::agree, false, Command::Agree},
    {cmd::reject, false, Command::Reject},     {cmd::timer, false, Command::Timer},
};
}  // namespace

ControlLine parseControlLine(const QByteArray &line) {
    if (line.startsWith(cmd::user)) return {Command::User, line.mid(kv::wire::length(cmd::user))};
    // Only the first character of a key line is tested; the code starts at the third.
    if (line.startsWith(cmd::key[0])) return {Command::Key, line.mid(kv::wire::length(cmd::key))};
    for (const Rule &r : kRules) {
        const QByteArray word(r.word);
        if (r.whole ? line == word : line.startsWith(word))
            return {r.command, r.whole ? QByteArray() : line.mid(word.size())};
    }
    return {};
}

}  // namespace host
