#include "host/protocol/ControlLine.h"

namespace host {

namespace {
struct Rule {
    const char *word;
    bool whole;
    Command command;
};

// Dispatch order; "V" key lines are tested between "c_user" and these.
constexpr Rule kRules[] = {
    {"c_idle", false, Command::Idle},         {"c_open", false, Command::Open},
    {"c_close", false, Command::Close},       {"c_show", true, Command::Show},
    {"c_list", true, Command::List},          {"c_nextlist", true, Command::NextList},
    {"c_up", true, Command::Up},              {"c_filename", false, Command::FileName},
    {"c_len", false, Command::Len},           {"c_over", false, Command::Over},
    {"c_ask", false, Command::Ask},           {"c_agree", false, Command::Agree},
    {"c_reject", false, Command::Reject},     {"c_timer", false, Command::Timer},
};
}  // namespace

ControlLine parseControlLine(const QByteArray &line) {
    if (line.startsWith("c_user")) return {Command::User, line.mid(6)};
    // Only the first character of a key line is tested; the code starts at the third.
    if (line.startsWith('V')) return {Command::Key, line.mid(2)};
    for (const Rule &r : kRules) {
        const QByteArray word(r.word);
        if (r.whole ? line == word : line.startsWith(word))
            return {r.command, r.whole ? QByteArray() : line.mid(word.size())};
    }
    return {};
}

}  // namespace host
