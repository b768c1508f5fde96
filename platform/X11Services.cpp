#include "platform/X11Services.h"

#include <QByteArray>
#include <QtGlobal>
#include <QString>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "platform/VkKeysym.h"

// Xlib last: its macros (None, Bool, Status) clash with Qt headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace platform {
namespace {

// Windows vanish between listing and asking about them; such errors are
// normal here and must not end the program. Displays that are not ours keep
// whatever handler was installed before.
std::mutex g_lock;
std::set<Display *> g_ours;
XErrorHandler g_prevError = nullptr;
XIOErrorHandler g_prevIoError = nullptr;

int onXError(Display *d, XErrorEvent *e) {
    XErrorHandler prev;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (g_ours.count(d)) return 0;
        prev = g_prevError;
    }
    return prev ? prev(d, e) : 0;
}

int onXIoError(Display *d) {
    XIOErrorHandler prev;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (g_ours.count(d)) return 0;  // our exit handler marks it dead instead of exiting
        prev = g_prevIoError;
    }
    return prev ? prev(d) : 0;
}

void onXIoExit(Display *, void *dead) { static_cast<std::atomic<bool> *>(dead)->store(true); }

// One private connection to the X server.
class Connection {
public:
    static std::unique_ptr<Connection> open() {
        Display *d = XOpenDisplay(nullptr);
        if (!d) return nullptr;
        return std::unique_ptr<Connection>(new Connection(d));
    }
    ~Connection() {
        {
            std::lock_guard<std::mutex> hold(g_lock);
            g_ours.erase(d_);
        }
        if (!dead_) XCloseDisplay(d_);
    }
    Display *display() const { return d_; }
    bool alive() const { return !dead_; }

private:
    explicit Connection(Display *d) : d_(d) {
        static std::once_flag once;
        std::call_once(once, [] {
            std::lock_guard<std::mutex> hold(g_lock);
            g_prevError = XSetErrorHandler(onXError);
            g_prevIoError = XSetIOErrorHandler(onXIoError);
        });
        {
            std::lock_guard<std::mutex> hold(g_lock);
            g_ours.insert(d_);
        }
        XSetIOErrorExitHandler(d_, onXIoExit, &dead_);
    }
    Display *d_;
    std::atomic<bool> dead_{false};
};

constexpr int kTitleLimit = 254;
constexpr long kMaxPropertyLongs = 16384;  // 64 KiB: more than any title or window list
constexpr int kActivateWaitMs = 150;

QString limitTitle(QString t) {
    if (t.size() > kTitleLimit) {
        int n = kTitleLimit;
        if (t.at(n - 1).isHighSurrogate()) --n;  // never keep half a character
        t.truncate(n);
    }
    return t;
}

class X11WindowSystem : public WindowSystem {
public:
    explicit X11WindowSystem(std::unique_ptr<Connection> c)
        : c_(std::move(c)), d_(c_->display()), root_(DefaultRootWindow(d_)) {
        const char *names[] = {"_NET_SUPPORTING_WM_CHECK", "_NET_CLIENT_LIST_STACKING",
                               "_NET_CLIENT_LIST",         "_NET_ACTIVE_WINDOW",
                               "_NET_WM_NAME",             "UTF8_STRING",
                               "WM_STATE",                 "_NET_WM_STATE",
                               "_NET_WM_STATE_HIDDEN",     "_NET_CLOSE_WINDOW",
                               "WM_PROTOCOLS",             "WM_DELETE_WINDOW"};
        Atom atoms[12];
        XInternAtoms(d_, const_cast<char **>(names), 12, False, atoms);
        aWmCheck_ = atoms[0];
        aStacking_ = atoms[1];
        aClientList_ = atoms[2];
        aActive_ = atoms[3];
        aNetName_ = atoms[4];
        aUtf8_ = atoms[5];
        aWmState_ = atoms[6];
        aNetState_ = atoms[7];
        aHidden_ = atoms[8];
        aClose_ = atoms[9];
        aProtocols_ = atoms[10];
        aDelete_ = atoms[11];
    }

    std::vector<WindowId> topLevelWindows() override {
        std::vector<WindowId> out;
        if (!c_->alive()) return out;
        std::vector<Window> list;
        if (wmRunning() && (readWindows(root_, aStacking_, list) || readWindows(root_, aClientList_, list))) {
            // Stacking order is bottom to top.
            for (auto it = list.rbegin(); it != list.rend(); ++it) out.push_back(*it);
            return out;
        }
        for (Window top : childrenTopFirst(root_)) {
            if (Window client = clientOf(top)) out.push_back(client);
        }
        return out;
    }

    QString title(WindowId w) override {
        if (!w || !c_->alive()) return {};
        Atom type = 0;
        QByteArray net = readProperty(w, aNetName_, aUtf8_, &type);
        if (type == aUtf8_ && !net.isEmpty()) return limitTitle(QString::fromUtf8(net));
        XTextProperty tp{};
        if (!XGetWMName(d_, w, &tp)) return {};
        QString t = decodeText(tp);
        if (tp.value) XFree(tp.value);
        return limitTitle(t);
    }

    QString windowClass(WindowId w) override {
        if (!w || !c_->alive()) return {};
        XClassHint hint{};
        if (!XGetClassHint(d_, w, &hint)) return {};
        QString cls = hint.res_class ? QString::fromLatin1(hint.res_class).left(kTitleLimit) : QString();
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
        return cls;
    }

    bool isVisible(WindowId w) override {
        if (!w || !c_->alive()) return false;
        XWindowAttributes a{};
        if (!XGetWindowAttributes(d_, w, &a) || a.map_state != IsViewable) return false;
        return !isIconic(w);
    }

    WindowId foreground() override {
        if (!c_->alive()) return 0;
        std::vector<Window> active;
        if (wmRunning() && readWindows(root_, aActive_, active))
            return active.empty() ? 0 : active[0];  // the manager's word, "none" included
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(d_, &focus, &revert);
        if (focus == None || focus == PointerRoot || focus == root_) return 0;
        Window top = topLevelOf(focus);
        if (!top) return 0;
        Window client = clientOf(top);
        return client ? client : top;
    }

    void switchTo(WindowId w) override {
        if (!w || !c_->alive()) return;
        Window top = topLevelOf(w);
        if (!top) return;  // gone
        if (wmRunning()) {
            XWindowAttributes a{};
            if (isIconic(w) || (XGetWindowAttributes(d_, w, &a) && a.map_state != IsViewable))
                XMapWindow(d_, w);  // asks the manager to restore it
            XEvent e{};
            e.xclient.type = ClientMessage;
            e.xclient.window = w;
            e.xclient.message_type = aActive_;
            e.xclient.format = 32;
            e.xclient.data.l[0] = 2;  // request from a pager: not subject to focus-stealing rules
            e.xclient.data.l[1] = CurrentTime;
            e.xclient.data.l[2] = 0;
            XSendEvent(d_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
            XRaiseWindow(d_, w);
            XSync(d_, False);
            waitUntilActive(w);
        } else {
            XMapRaised(d_, top);
            if (top != w) XMapWindow(d_, w);
            XSetInputFocus(d_, w, RevertToParent, CurrentTime);
            // Synchronous, so keys sent right after on another connection reach it.
            XSync(d_, False);
        }
    }

    void close(WindowId w) override {
        if (!w || !c_->alive() || !topLevelOf(w)) return;
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.format = 32;
        if (wmRunning()) {
            e.xclient.message_type = aClose_;
            e.xclient.data.l[0] = CurrentTime;
            e.xclient.data.l[1] = 2;  // from a pager
            XSendEvent(d_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
        } else {  // nobody to ask: the window's own close protocol
            e.xclient.message_type = aProtocols_;
            e.xclient.data.l[0] = long(aDelete_);
            e.xclient.data.l[1] = CurrentTime;
            XSendEvent(d_, w, False, NoEventMask, &e);
        }
        XSync(d_, False);
    }

    void minimize(WindowId w) override {
        if (!w || !c_->alive()) return;
        if (wmRunning()) {
            XIconifyWindow(d_, w, DefaultScreen(d_));
        } else if (Window top = topLevelOf(w)) {
            XUnmapWindow(d_, top);  // nobody to iconify it: hide it
        }
        XSync(d_, False);
    }

private:
    QByteArray readProperty(Window w, Atom prop, Atom reqType, Atom *actualType = nullptr,
                            int *formatOut = nullptr, unsigned long *countOut = nullptr) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        QByteArray out;
        if (XGetWindowProperty(d_, w, prop, 0, kMaxPropertyLongs, False, reqType, &type, &format,
                               &count, &after, &data) == Success &&
            data) {
            // 32-bit items come back as longs.
            const int itemSize = format == 32 ? int(sizeof(long)) : format / 8;
            out = QByteArray(reinterpret_cast<const char *>(data), int(count) * itemSize);
        }
        if (data) XFree(data);
        if (actualType) *actualType = type;
        if (formatOut) *formatOut = format;
        if (countOut) *countOut = count;
        return out;
    }

    // A WINDOW-typed property; false when it is absent.
    bool readWindows(Window w, Atom prop, std::vector<Window> &out) {
        out.clear();
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        QByteArray raw = readProperty(w, prop, XA_WINDOW, &type, &format, &count);
        if (type != XA_WINDOW || format != 32) return false;
        const long *items = reinterpret_cast<const long *>(raw.constData());
        for (unsigned long i = 0; i < count; ++i) out.push_back(Window(items[i]));
        return true;
    }

    // A manager that still runs names a check window that names itself.
    bool wmRunning() {
        std::vector<Window> check, self;
        if (!readWindows(root_, aWmCheck_, check) || check.empty() || !check[0]) return false;
        return readWindows(check[0], aWmCheck_, self) && !self.empty() && self[0] == check[0];
    }

    bool isIconic(Window w) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        QByteArray s = readProperty(w, aWmState_, aWmState_, &type, &format, &count);
        if (type == aWmState_ && format == 32 && count >= 1 &&
            reinterpret_cast<const long *>(s.constData())[0] == IconicState)
            return true;
        QByteArray st = readProperty(w, aNetState_, XA_ATOM, &type, &format, &count);
        if (type == XA_ATOM && format == 32) {
            const long *atoms = reinterpret_cast<const long *>(st.constData());
            for (unsigned long i = 0; i < count; ++i)
                if (Atom(atoms[i]) == aHidden_) return true;
        }
        return false;
    }

    bool hasProperty(Window w, Atom prop) {
        Atom type = 0;
        readProperty(w, prop, AnyPropertyType, &type);
        return type != None;
    }

    bool isClient(Window w) {
        if (hasProperty(w, aWmState_) || hasProperty(w, aNetName_)) return true;
        Atom type = 0;
        QByteArray name = readProperty(w, XA_WM_NAME, AnyPropertyType, &type);
        return type != None && !name.isEmpty();
    }

    std::vector<Window> childrenTopFirst(Window parent) {
        std::vector<Window> out;
        Window r = 0, p = 0, *kids = nullptr;
        unsigned int n = 0;
        if (XQueryTree(d_, parent, &r, &p, &kids, &n)) {
            for (unsigned int i = n; i > 0; --i) out.push_back(kids[i - 1]);  // listed bottom to top
        }
        if (kids) XFree(kids);
        return out;
    }

    // The window that carries the title: the top-level itself, or a client
    // one level down when a frame wraps it.
    Window clientOf(Window top) {
        if (isClient(top)) return top;
        for (Window kid : childrenTopFirst(top))
            if (isClient(kid)) return kid;
        return 0;
    }

    // The parent of w and the root above it; false when w is gone.
    bool parentOf(Window w, Window &parent, Window &root) {
        Window *kids = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(d_, w, &root, &parent, &kids, &n)) return false;
        if (kids) XFree(kids);
        return true;
    }

    Window topLevelOf(Window w) {
        for (int depth = 0; depth < 64 && w; ++depth) {
            Window r = 0, parent = 0;
            if (!parentOf(w, parent, r)) return 0;
            if (parent == r || parent == 0) return w;
            w = parent;
        }
        return 0;
    }

    // True when inner is w or lies inside it.
    bool within(Window inner, Window w) {
        if (inner == None || inner == PointerRoot) return false;
        for (int depth = 0; depth < 64 && inner; ++depth) {
            if (inner == w) return true;
            Window r = 0, parent = 0;
            if (!parentOf(inner, parent, r) || parent == r) return false;
            inner = parent;
        }
        return false;
    }

    QString decodeText(const XTextProperty &tp) {
        if (!tp.value || tp.nitems == 0) return {};
        const char *bytes = reinterpret_cast<const char *>(tp.value);
        if (tp.encoding == aUtf8_) return QString::fromUtf8(bytes, int(tp.nitems));
        if (tp.encoding == XA_STRING) return QString::fromLatin1(bytes, int(tp.nitems));
        char **list = nullptr;
        int count = 0;
        XTextProperty copy = tp;
        QString out;
        if (Xutf8TextPropertyToTextList(d_, &copy, &list, &count) >= Success && list && count > 0)
            out = QString::fromUtf8(list[0]);
        else
            out = QString::fromLatin1(bytes, int(tp.nitems));
        if (list) XFreeStringList(list);
        return out;
    }

    // The manager acts on the request asynchronously; keys sent before the
    // focus really moved would go to the old window. The wait is short and
    // pumps nothing: a window that will not come forward (a modal dialog of
    // its program takes the focus instead) must not stall the caller, whose
    // own check before any key then refuses it.
    void waitUntilActive(Window w) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kActivateWaitMs);
        do {
            std::vector<Window> active;
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(d_, &focus, &revert);
            XWindowAttributes a{};
            if (readWindows(root_, aActive_, active) && !active.empty() && active[0] == w &&
                XGetWindowAttributes(d_, w, &a) && a.map_state == IsViewable && within(focus, w))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        } while (std::chrono::steady_clock::now() < end);
    }

    std::unique_ptr<Connection> c_;
    Display *d_;
    Window root_;
    Atom aWmCheck_, aStacking_, aClientList_, aActive_, aNetName_, aUtf8_, aWmState_, aNetState_,
        aHidden_, aClose_, aProtocols_, aDelete_;
};

class X11Keyboard : public Keyboard {
public:
    explicit X11Keyboard(std::unique_ptr<Connection> c) : c_(std::move(c)), d_(c_->display()) {}
    void keyDown(int vk) override { send(vk, true); }
    void keyUp(int vk) override { send(vk, false); }

private:
    void send(int vk, bool down) {
        if (!c_->alive()) return;
        unsigned long ks = keysymForVk(vk);
        if (!ks) return;
        KeyCode code = XKeysymToKeycode(d_, KeySym(ks));
        if (!code) return;
        XTestFakeKeyEvent(d_, code, down ? True : False, CurrentTime);
        // Processed before returning: a focus change made next on another
        // connection cannot overtake the key and take it to another window.
        XSync(d_, False);
    }
    std::unique_ptr<Connection> c_;
    Display *d_;
};

}  // namespace

void preferX11Session() {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qEnvironmentVariableIsEmpty("DISPLAY")) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    if (qEnvironmentVariableIsEmpty("GDK_BACKEND")) qputenv("GDK_BACKEND", "x11");  // LibreOffice's GTK face
}

std::shared_ptr<WindowSystem> makeX11WindowSystem() {
    auto c = Connection::open();
    if (!c) return nullptr;
    return std::make_shared<X11WindowSystem>(std::move(c));
}

std::shared_ptr<Keyboard> makeX11Keyboard() {
    auto c = Connection::open();
    if (!c) return nullptr;
    int ev = 0, err = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(c->display(), &ev, &err, &major, &minor)) return nullptr;
    return std::make_shared<X11Keyboard>(std::move(c));
}

}  // namespace platform
