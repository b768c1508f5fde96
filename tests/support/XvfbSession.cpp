#include "tests/support/XvfbSession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char **environ;

namespace kvtest {
namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

bool onPath(const char *name) {
    const char *path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) continue;
        if (access((dir + "/" + name).c_str(), X_OK) == 0) return true;
    }
    return false;
}

std::vector<std::string> changedEnvironment(const std::vector<std::string> &changes) {
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) env.emplace_back(*e);
    for (const std::string &c : changes) {
        const auto eq = c.find('=');
        const std::string name = c.substr(0, eq);
        std::erase_if(env, [&](const std::string &v) { return v.compare(0, name.size() + 1, name + "=") == 0; });
        if (eq != std::string::npos) env.push_back(c);
    }
    return env;
}

std::string readTail(const std::string &path, size_t max) {
    std::ifstream in(path, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return all.size() > max ? all.substr(all.size() - max) : all;
}

const char kOpenboxConfig[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <desktops><number>1</number></desktops>
  <keyboard>%KEYS%</keyboard>
  <mouse></mouse>
</openbox_config>
)";
// What desktops bind to Alt+F4: a close request to the active window.
const char kCloseKey[] = R"(<keybind key="A-F4"><action name="Close"/></keybind>)";

}  // namespace

// ---- ChildProcess

ChildProcess::~ChildProcess() { stop(); }

bool ChildProcess::start(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                         const std::string &workDir, bool captureStdout) {
    return startWith(argv, env, workDir, captureStdout, -1, {});
}

bool ChildProcess::startWith(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                             const std::string &workDir, bool captureStdout, int keepFd,
                             const std::string &outputFile) {
    if (pid_ > 0 || argv.empty()) return false;
    // Everything the child needs is prepared before fork: only exec-safe calls after it.
    std::vector<std::string> envStrings = changedEnvironment(env);
    std::vector<char *> envp, args;
    for (auto &s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings = argv;
    for (auto &s : argStrings) args.push_back(s.data());
    args.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    if (captureStdout && pipe2(pipeFds, O_CLOEXEC) != 0) return false;
    int outFd = -1;
    if (!outputFile.empty()) outFd = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);

    pid_t pid = fork();
    if (pid == 0) {
        if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(127);
        if (outFd >= 0) {
            dup2(outFd, 1);
            dup2(outFd, 2);
        }
        if (captureStdout) dup2(pipeFds[1], 1);
        if (keepFd >= 0) fcntl(keepFd, F_SETFD, 0);
        setpgid(0, 0);  // its own group, so stop() reaches helpers it starts
        execvpe(args[0], args.data(), envp.data());
        _exit(127);
    }
    if (outFd >= 0) close(outFd);
    if (captureStdout) close(pipeFds[1]);
    if (pid < 0) {
        if (captureStdout) close(pipeFds[0]);
        return false;
    }
    pid_ = pid;
    status_ = -1;
    out_ = captureStdout ? pipeFds[0] : -1;
    buffer_.clear();
    return true;
}

bool ChildProcess::running() {
    if (pid_ <= 0) return false;
    if (status_ != -1) return false;
    int st = 0;
    pid_t r = waitpid(pid_, &st, WNOHANG);
    if (r == pid_) {
        status_ = st;
        return false;
    }
    return r == 0;
}

bool ChildProcess::readLine(std::string &line, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto nl = buffer_.find('\n');
        if (nl != std::string::npos) {
            line = buffer_.substr(0, nl);
            buffer_.erase(0, nl + 1);
            return true;
        }
        if (out_ < 0) return false;
        pollfd p{out_, POLLIN, 0};
        const int left = msLeft(deadline);
        const int r = poll(&p, 1, left);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        char chunk[4096];
        const ssize_t n = read(out_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            close(out_);
            out_ = -1;
            return false;
        }
        buffer_.append(chunk, size_t(n));
    }
}

int ChildProcess::stop(int graceMs) {
    if (pid_ <= 0) return -1;
    if (running()) {
        kill(pid_, SIGTERM);
        const auto deadline = Clock::now() + std::chrono::milliseconds(graceMs);
        while (running() && msLeft(deadline) > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (running()) {
            kill(-pid_, SIGKILL);
            kill(pid_, SIGKILL);
            int st = 0;
            if (waitpid(pid_, &st, 0) == pid_) status_ = st;
        }
    }
    if (out_ >= 0) close(out_);
    out_ = -1;
    pid_ = -1;
    return status_;
}

// ---- XvfbSession

bool XvfbSession::xvfbInstalled() { return onPath("Xvfb"); }
bool XvfbSession::openboxInstalled() { return onPath("openbox"); }

XvfbSession::XvfbSession(Wm wm) {
    if (const char *d = std::getenv("DISPLAY")) {
        hadDisplay_ = true;
        oldDisplay_ = d;
    }
    char tmpl[] = "/tmp/kv-xvfb-XXXXXX";
    if (!mkdtemp(tmpl)) {
        error_ = "cannot create a temporary folder";
        return;
    }
    dir_ = tmpl;
    if (!startXvfb()) return;
    setenv("DISPLAY", display_.c_str(), 1);
    if (wm != Wm::NoManager) startOpenbox(wm == Wm::OpenboxAltF4Closes);
}

XvfbSession::~XvfbSession() {
    wm_.stop();
    xvfb_.stop(3000);
    if (hadDisplay_)
        setenv("DISPLAY", oldDisplay_.c_str(), 1);
    else
        unsetenv("DISPLAY");
    if (!dir_.empty()) {
        std::error_code ec;
        if (!std::getenv("KV_KEEP_X_LOGS")) std::filesystem::remove_all(dir_, ec);
    }
}

bool XvfbSession::startXvfb() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return false;
    }
    const std::string log = dir_ + "/xvfb.log";
    // -displayfd: Xvfb picks a free display itself and writes its number once it accepts clients.
    const bool started = xvfb_.startWith({"Xvfb", "-displayfd", std::to_string(fds[1]), "-nolisten", "tcp",
                                          "-noreset", "-screen", "0", "1280x1024x24"},
                                         {}, {}, false, fds[1], log);
    close(fds[1]);
    if (!started) {
        close(fds[0]);
        error_ = "cannot start Xvfb";
        return false;
    }
    std::string number;
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    while (number.find('\n') == std::string::npos && msLeft(deadline) > 0) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, msLeft(deadline)) <= 0) continue;
        char buf[32];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        number.append(buf, size_t(n));
    }
    close(fds[0]);
    const auto nl = number.find('\n');
    if (nl == std::string::npos || nl == 0) {
        error_ = "Xvfb did not report a display: " + readTail(log, 600);
        xvfb_.stop();
        return false;
    }
    number.resize(nl);
    display_ = ":" + number;
    return true;
}

bool XvfbSession::startOpenbox(bool altF4Closes) {
    const std::string config = dir_ + "/rc.xml";
    std::string rc = kOpenboxConfig;
    rc.replace(rc.find("%KEYS%"), 6, altF4Closes ? kCloseKey : "");
    std::ofstream(config) << rc;
    // Keep openbox away from the user's own configuration and cache.
    if (!wm_.startWith({"openbox", "--sm-disable", "--config-file", config},
                       {"DISPLAY=" + display_, "XDG_CONFIG_HOME=" + dir_, "XDG_CACHE_HOME=" + dir_,
                        "XDG_DATA_HOME=" + dir_, "XDG_CONFIG_DIRS=" + dir_},
                       {}, false, -1, dir_ + "/openbox.log")) {
        error_ = "cannot start openbox";
        return false;
    }
    Display *d = XOpenDisplay(display_.c_str());
    if (!d) {
        error_ = "cannot open " + display_;
        return false;
    }
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    const Atom stacking = XInternAtom(d, "_NET_CLIENT_LIST_STACKING", False);
    bool managed = false;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!managed && msLeft(deadline) > 0 && wm_.running()) {
        Atom type = 0, type2 = 0;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char *data = nullptr;
        XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, XA_WINDOW, &type, &format, &n,
                           &after, &data);
        if (data) XFree(data);
        data = nullptr;
        XGetWindowProperty(d, DefaultRootWindow(d), stacking, 0, 1, False, XA_WINDOW, &type2, &format,
                           &n, &after, &data);
        if (data) XFree(data);
        managed = type == XA_WINDOW && type2 == XA_WINDOW;
        if (!managed) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    XCloseDisplay(d);
    if (!managed) {
        error_ = "openbox did not start: " + readTail(dir_ + "/openbox.log", 600);
        return false;
    }
    return true;
}

// ---- KeyRecorder

KeyRecorder::KeyRecorder(const std::string &title, int timeoutSec) {
    if (!proc_.start({KV_KEYRECORDER_PATH, title, std::to_string(timeoutSec)}, {}, {}, true)) return;
    std::string line;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (msLeft(deadline) > 0 && proc_.readLine(line, msLeft(deadline))) {
        if (line.rfind("ready ", 0) == 0) {
            window_ = std::strtoul(line.c_str() + 6, nullptr, 0);
            return;
        }
    }
}

bool KeyRecorder::take(const std::string &line) {
    if (line == "closed") {
        closed_ = true;
        return false;
    }
    std::istringstream in(line);
    Event e;
    std::string kind;
    if (!(in >> e.time >> kind >> e.key)) return false;
    if (kind != "press" && kind != "release") return false;
    e.press = kind == "press";
    events_.push_back(e);
    return true;
}

const std::vector<KeyRecorder::Event> &KeyRecorder::waitForEvents(size_t n, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string line;
    while (events_.size() < n && msLeft(deadline) > 0 && proc_.readLine(line, msLeft(deadline))) take(line);
    return events_;
}

std::vector<std::string> KeyRecorder::waitForKeys(size_t n, int timeoutMs) {
    std::vector<std::string> out;
    for (const Event &e : waitForEvents(n, timeoutMs)) out.push_back((e.press ? "press " : "release ") + e.key);
    return out;
}

const std::vector<KeyRecorder::Event> &KeyRecorder::settle(int quietMs) {
    std::string line;
    while (proc_.readLine(line, quietMs)) take(line);
    return events_;
}

}  // namespace kvtest
