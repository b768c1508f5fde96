#pragma once
// The words both programs speak, as they go on the wire. Control lines end in
// CR LF; a field follows its word directly. The host and the controller take
// every word from here, so the two sides cannot drift apart.
#include <QByteArray>

#include <cstddef>

namespace kv::wire {

// Bytes of a word, without its terminating NUL.
template <std::size_t N>
constexpr qsizetype length(const char (&)[N]) {
    return static_cast<qsizetype>(N - 1);
}

inline constexpr char lineEnd[] = "\r\n";
inline constexpr char fieldSeparator = '|';  // user|password, address|port

// Ports counted from the control port P: upload data on P+1, the controller
// hears discovery answers on P+2, the host hears probes on P+3.
inline constexpr int dataPortOffset = 1;
inline constexpr int answerPortOffset = 2;
inline constexpr int probePortOffset = 3;

// Controller to host, on the control connection.
namespace command {
inline constexpr char user[] = "c_user";  // + user + "|" + password
inline constexpr char idle[] = "c_idle";
inline constexpr char open[] = "c_open";  // + file name
inline constexpr char close[] = "c_close";
inline constexpr char show[] = "c_show";
inline constexpr char list[] = "c_list";
inline constexpr char nextList[] = "c_nextlist";
inline constexpr char up[] = "c_up";
inline constexpr char fileName[] = "c_filename";  // + name
inline constexpr char len[] = "c_len";            // + decimal byte count
inline constexpr char over[] = "c_over";
inline constexpr char ask[] = "c_ask";
inline constexpr char agree[] = "c_agree";
inline constexpr char reject[] = "c_reject";
inline constexpr char timer[] = "c_timer";
// A key: "VD" + decimal virtual-key code. The host tests only the first
// character and reads the code from the third.
inline constexpr char key[] = "VD";
}  // namespace command

inline QByteArray keyLine(int vk) { return command::key + QByteArray::number(vk); }

// Host to controller, on the control connection (and "s_next" on the data one).
namespace reply {
inline constexpr char ok[] = "s_ok";
inline constexpr char no[] = "s_no";
inline constexpr char tooMany[] = "s_toomany";
inline constexpr char idle[] = "s_idle";
inline constexpr char other[] = "s_other";
inline constexpr char close[] = "s_close";
inline constexpr char succOpen[] = "s_succ_open";
inline constexpr char haveNo[] = "s_haveno";
inline constexpr char failOpen[] = "s_fail_open";
inline constexpr char needOpen[] = "s_needopen";
inline constexpr char agree[] = "s_agree";    // its duplicate goes without a line end
inline constexpr char reject[] = "s_reject";
inline constexpr char ask[] = "s_ask";        // + applicant
inline constexpr char list[] = "s_list";      // + name
inline constexpr char busyList[] = "s_busylist";  // no line end
inline constexpr char name[] = "s_name";
inline constexpr char len[] = "s_len";
inline constexpr char file[] = "s_file";
inline constexpr char qitaUp[] = "s_qitaup";  // no line end
inline constexpr char next[] = "s_next";
inline constexpr char prefix[] = "s_";  // what every reply starts with
}  // namespace reply

// UDP discovery: NUL-terminated datagrams.
namespace discovery {
inline constexpr char probe[] = "c_hi";   // + controller address + "|" + reply port
inline constexpr char answer[] = "s_hi";  // + host address + "|" + scan port
}  // namespace discovery

}  // namespace kv::wire
