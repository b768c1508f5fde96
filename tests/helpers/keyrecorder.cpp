// Test helper: an X window with a given title that reports every key it gets.
//
//   keyrecorder "<title>" [timeout seconds, default 60]
//
// Prints "ready <window id>" once the window is mapped, then one line per key
// event: "<ms> press|release <keysym name>", where <ms> is the X server's
// event time and the name is the key's unshifted keysym (e.g. "Next",
// "Alt_L", "F4"). When a window manager asks it to close, it prints "closed"
// and exits. Ends on SIGTERM/SIGINT or after the timeout. Every line is flushed.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

volatile sig_atomic_t g_stop = 0;

void onSignal(int) { g_stop = 1; }

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: keyrecorder TITLE [TIMEOUT_SECONDS]\n");
        return 2;
    }
    const char *title = argv[1];
    const int timeoutSec = argc > 2 ? std::atoi(argv[2]) : 60;

    struct sigaction sa {};
    sa.sa_handler = onSignal;  // no SA_RESTART: poll() returns so the loop can end
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);

    Display *d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "keyrecorder: cannot open display\n");
        return 1;
    }
    const int screen = DefaultScreen(d);
    Window w = XCreateSimpleWindow(d, RootWindow(d, screen), 100, 100, 400, 200, 1,
                                   BlackPixel(d, screen), WhitePixel(d, screen));

    // The title as UTF-8 in both the EWMH and the ICCCM property.
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    const int len = int(std::strlen(title));
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(title), len);
    XChangeProperty(d, w, XA_WM_NAME, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(title), len);

    XClassHint cls{const_cast<char *>("keyrecorder"), const_cast<char *>("KeyRecorder")};
    XSetClassHint(d, w, &cls);
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    XSetWMHints(d, w, &hints);
    Atom wmDelete = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, w, &wmDelete, 1);

    XSelectInput(d, w, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
    XMapWindow(d, w);
    XFlush(d);

    bool ready = false;
    auto nextCheck = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSec);
    const int fd = ConnectionNumber(d);
    while (!g_stop) {
        while (!g_stop && XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == MapNotify && !ready) {
                ready = true;
                std::printf("ready %lu\n", static_cast<unsigned long>(w));
                std::fflush(stdout);
            } else if (e.type == KeyPress || e.type == KeyRelease) {
                KeySym ks = XLookupKeysym(&e.xkey, 0);
                const char *name = ks ? XKeysymToString(ks) : nullptr;
                std::printf("%lu %s %s\n", static_cast<unsigned long>(e.xkey.time),
                            e.type == KeyPress ? "press" : "release", name ? name : "NoSymbol");
                std::fflush(stdout);
            } else if (e.type == ClientMessage && Atom(e.xclient.data.l[0]) == wmDelete) {
                std::printf("closed\n");
                std::fflush(stdout);
                g_stop = 1;
            }
        }
        if (!ready && std::chrono::steady_clock::now() >= nextCheck) {
            // A busy window manager may be slow to map us: look for ourselves
            // rather than wait only for the notification, and ask again.
            nextCheck = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            XWindowAttributes a;
            if (XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable) {
                ready = true;
                std::printf("ready %lu\n", static_cast<unsigned long>(w));
                std::fflush(stdout);
            } else {
                std::fprintf(stderr, "keyrecorder: not mapped yet, asking again\n");
                XMapWindow(d, w);
                XFlush(d);
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) break;
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, left > 200 ? 200 : int(left));
    }
    XDestroyWindow(d, w);
    XCloseDisplay(d);
    return 0;
}
