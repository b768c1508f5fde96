#pragma once
// Test support for anything that needs a real X display (library kv_test_x11).
//
//   TEST(MyX, Something) {
//       KV_REQUIRE_XVFB();                       // skips when Xvfb is not installed
//       kvtest::XvfbSession x;                   // private Xvfb; DISPLAY now points at it
//       ASSERT_TRUE(x.ok()) << x.error();
//       kvtest::KeyRecorder rec("title - PowerPoint");
//       ASSERT_TRUE(rec.ok());
//       ... press keys into rec.window() ...
//       EXPECT_EQ(rec.waitForKeys(2), (std::vector<std::string>{"press Next", "release Next"}));
//   }                                             // everything stopped, DISPLAY restored
//
// XvfbSession(XvfbSession::Wm::Openbox) also runs openbox (KV_REQUIRE_OPENBOX()
// skips without it). Openbox runs with no key or mouse bindings, so every key
// reaches the focused window (Alt+F4 included) and nothing is closed by the
// manager (with Wm::OpenboxAltF4Closes, Alt+F4 closes as on desktops).
// ChildProcess starts any other program (slidehost, slidepad) with
// changed environment variables, a working folder and optional stdout capture.
// Use one session at a time per process (it changes DISPLAY); objects that hold
// X connections must be destroyed before the session. Set KV_KEEP_X_LOGS=1 to
// keep the session's folder (/tmp/kv-xvfb-*, with xvfb.log and openbox.log).
// The recorder's own line format is described in tests/helpers/keyrecorder.cpp.
#include <sys/types.h>

#include <string>
#include <vector>

namespace kvtest {

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    ~ChildProcess();  // stop()

    // Starts argv[0] (searched on PATH when it has no "/"). env entries change the
    // inherited environment: "NAME=value" sets, "NAME" alone removes. workDir ""
    // keeps the current folder. With captureStdout the output is read by readLine().
    bool start(const std::vector<std::string> &argv, const std::vector<std::string> &env = {},
               const std::string &workDir = {}, bool captureStdout = false);
    pid_t pid() const { return pid_; }
    // True while the process has not ended.
    bool running();
    // Next whole stdout line (without its newline) within timeoutMs; false on
    // timeout or end of output.
    bool readLine(std::string &line, int timeoutMs);
    // SIGTERM, up to graceMs for it to end, then SIGKILL. Returns the wait status
    // (-1 when nothing was running).
    int stop(int graceMs = 2000);

private:
    friend class XvfbSession;
    bool startWith(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                   const std::string &workDir, bool captureStdout, int keepFd,
                   const std::string &outputFile);
    pid_t pid_ = -1;
    int status_ = -1;
    int out_ = -1;
    std::string buffer_;
};

class XvfbSession {
public:
    enum class Wm { NoManager, Openbox, OpenboxAltF4Closes };
    static bool xvfbInstalled();
    static bool openboxInstalled();

    // Starts Xvfb on a free display (1280x1024x24, no TCP) and points DISPLAY at it;
    // with Wm::Openbox also starts openbox and waits until it manages the screen.
    explicit XvfbSession(Wm wm = Wm::NoManager);
    ~XvfbSession();  // stops openbox and Xvfb, restores DISPLAY
    XvfbSession(const XvfbSession &) = delete;
    XvfbSession &operator=(const XvfbSession &) = delete;

    bool ok() const { return error_.empty(); }
    const std::string &error() const { return error_; }
    const std::string &display() const { return display_; }  // ":N"

private:
    bool startXvfb();
    bool startOpenbox(bool altF4Closes);
    std::string dir_;
    std::string display_;
    std::string error_;
    std::string oldDisplay_;
    bool hadDisplay_ = false;
    ChildProcess xvfb_;
    ChildProcess wm_;
};

// The key-recording helper window on the current DISPLAY.
class KeyRecorder {
public:
    // Starts the window with this (UTF-8) title and waits until it is mapped.
    explicit KeyRecorder(const std::string &title, int timeoutSec = 30);
    bool ok() const { return window_ != 0; }
    unsigned long window() const { return window_; }

    struct Event {
        unsigned long time = 0;  // X server milliseconds
        bool press = false;
        std::string key;  // keysym name, e.g. "Next", "Alt_L"
    };
    // Waits up to timeoutMs until n key events arrived in all; returns all so far.
    const std::vector<Event> &waitForEvents(size_t n, int timeoutMs = 3000);
    // The same as "press Next" / "release Next" texts.
    std::vector<std::string> waitForKeys(size_t n, int timeoutMs = 3000);
    // Lets events arrive for quietMs and returns all; for checking nothing came.
    const std::vector<Event> &settle(int quietMs = 300);
    bool closed() const { return closed_; }  // a window manager closed it
    ChildProcess &process() { return proc_; }

private:
    bool take(const std::string &line);
    ChildProcess proc_;
    unsigned long window_ = 0;
    bool closed_ = false;
    std::vector<Event> events_;
};

}  // namespace kvtest

#define KV_REQUIRE_XVFB()                                                              \
    do {                                                                               \
        if (!::kvtest::XvfbSession::xvfbInstalled()) GTEST_SKIP() << "Xvfb not installed"; \
    } while (0)
#define KV_REQUIRE_OPENBOX()                                                             \
    do {                                                                                 \
        KV_REQUIRE_XVFB();                                                               \
        if (!::kvtest::XvfbSession::openboxInstalled()) GTEST_SKIP() << "openbox not installed"; \
    } while (0)
