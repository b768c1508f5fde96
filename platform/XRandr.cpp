// The second monitor through XRandR 1.2: which outputs there are, turning the
// first non-primary connected output on (right of the primary) or off, and the
// screen widths as the server has them now.
#include <QGuiApplication>
#include <QRect>
#include <QString>

#include <algorithm>
#include <memory>

#include "platform/DisplayPanel.h"
#include "platform/QtServices.h"

// Xlib last: its macros (None, Bool, Status) clash with Qt headers.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace platform {
namespace {

const QString kApplyFailed = QStringLiteral("XRandR 未能更改显示器设置");

// A refused request must not end the program (Xlib's own handler exits).
// The handler is the process's one, so it is swapped in only around our calls.
int g_trappedError = 0;
int trapError(Display *, XErrorEvent *e) {
    g_trappedError = e->error_code;
    return 0;
}
class ErrorTrap {
public:
    ErrorTrap() : prev_(XSetErrorHandler(trapError)) { g_trappedError = 0; }
    ~ErrorTrap() { XSetErrorHandler(prev_); }
    bool failed() const { return g_trappedError != 0; }

private:
    XErrorHandler prev_;
};

struct DisplayCloser {
    void operator()(Display *d) const { XCloseDisplay(d); }
};
struct ResourcesFree {
    void operator()(XRRScreenResources *r) const { XRRFreeScreenResources(r); }
};
struct OutputFree {
    void operator()(XRROutputInfo *o) const { XRRFreeOutputInfo(o); }
};
struct CrtcFree {
    void operator()(XRRCrtcInfo *c) const { XRRFreeCrtcInfo(c); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;
using ResourcesPtr = std::unique_ptr<XRRScreenResources, ResourcesFree>;
using OutputPtr = std::unique_ptr<XRROutputInfo, OutputFree>;
using CrtcPtr = std::unique_ptr<XRRCrtcInfo, CrtcFree>;

bool hasRandr12(Display *d) {
    int event = 0, error = 0, major = 0, minor = 0;
    return XRRQueryExtension(d, &event, &error) && XRRQueryVersion(d, &major, &minor) &&
           (major > 1 || (major == 1 && minor >= 2));
}

// One look at the server: the outputs that matter and where the CRTCs are.
struct Layout {
    Display *d = nullptr;
    Window root = 0;
    ResourcesPtr res;
    RROutput primary = 0, second = 0;
    QString primaryName, secondName;

    OutputPtr output(RROutput o) const { return OutputPtr(XRRGetOutputInfo(d, res.get(), o)); }
    CrtcPtr crtc(RRCrtc c) const { return CrtcPtr(c ? XRRGetCrtcInfo(d, res.get(), c) : nullptr); }
    RRCrtc crtcOf(RROutput o) const {
        OutputPtr info = output(o);
        return info ? info->crtc : 0;
    }
    QRect rectOf(RRCrtc c) const {
        CrtcPtr info = crtc(c);
        if (!info || info->mode == 0) return {};
        return QRect(info->x, info->y, int(info->width), int(info->height));
    }
    // All CRTCs that show something, but `except`.
    QRect bounds(RRCrtc except = 0) const {
        QRect all;
        for (int i = 0; i < res->ncrtc; ++i)
            if (res->crtcs[i] != except) all = all.united(rectOf(res->crtcs[i]));
        return all;
    }
};

// Reads the outputs; false without XRandR 1.2 (the screen resources stay empty).
bool readLayout(Display *d, Layout &l, bool probe) {
    l.d = d;
    l.root = DefaultRootWindow(d);
    if (!hasRandr12(d)) return false;
    l.res.reset(probe ? XRRGetScreenResources(d, l.root) : XRRGetScreenResourcesCurrent(d, l.root));
    if (!l.res) return false;
    RROutput primary = XRRGetOutputPrimary(d, l.root);
    std::vector<RROutput> connected;
    RROutput firstLit = 0;
    for (int i = 0; i < l.res->noutput; ++i) {
        OutputPtr info = l.output(l.res->outputs[i]);
        if (!info || info->connection != RR_Connected) continue;
        connected.push_back(l.res->outputs[i]);
        if (!firstLit && info->crtc) firstLit = l.res->outputs[i];
    }
    // Without a primary set, the first lit output takes its place, as desktops do.
    if (std::find(connected.begin(), connected.end(), primary) == connected.end())
        primary = firstLit ? firstLit : (connected.empty() ? 0 : connected.front());
    l.primary = primary;
    for (RROutput o : connected)
        if (o != primary) {
            l.second = o;
            break;
        }
    auto nameOf = [&](RROutput o) {
        OutputPtr info = o ? l.output(o) : nullptr;
        return info ? QString::fromLocal8Bit(info->name, info->nameLen) : QString();
    };
    l.primaryName = nameOf(l.primary);
    l.secondName = nameOf(l.second);
    return true;
}

// Grows or shrinks the screen to `size`, keeping the millimetres per pixel.
void resizeScreen(const Layout &l, QSize size) {
    const int s = DefaultScreen(l.d);
    const int w = DisplayWidth(l.d, s), h = DisplayHeight(l.d, s);
    if (size == QSize(w, h) || w <= 0 || h <= 0) return;
    const int mmw = int(double(DisplayWidthMM(l.d, s)) * size.width() / w);
    const int mmh = int(double(DisplayHeightMM(l.d, s)) * size.height() / h);
    XRRSetScreenSize(l.d, l.root, size.width(), size.height(), std::max(mmw, 1), std::max(mmh, 1));
}

QSize clampedSize(const Layout &l, QSize want, bool *fits) {
    int minW = 0, minH = 0, maxW = 0, maxH = 0;
    *fits = true;
    if (!XRRGetScreenSizeRange(l.d, l.root, &minW, &minH, &maxW, &maxH)) return want;
    *fits = want.width() <= maxW && want.height() <= maxH;
    return QSize(std::max(want.width(), minW), std::max(want.height(), minH));
}

QString turnOn(const Layout &l) {
    OutputPtr out = l.output(l.second);
    if (!out) return kApplyFailed;
    const QRect primary = l.rectOf(l.crtcOf(l.primary));
    const QPoint at(primary.isValid() ? primary.right() + 1 : 0, primary.isValid() ? primary.top() : 0);
    RRCrtc target = out->crtc;
    RRMode mode = 0;
    if (target) {
        if (l.rectOf(target).topLeft() == at) return {};  // already there
        CrtcPtr now = l.crtc(target);
        if (!now) return kApplyFailed;
        mode = now->mode;
    } else {
        if (out->nmode == 0) return kApplyFailed;
        mode = out->modes[0];  // the preferred modes come first
        for (int i = 0; i < out->ncrtc && !target; ++i) {
            CrtcPtr c = l.crtc(out->crtcs[i]);
            if (c && c->noutput == 0) target = out->crtcs[i];
        }
        if (!target) return kApplyFailed;
    }
    QSize modeSize;
    for (int i = 0; i < l.res->nmode; ++i)
        if (l.res->modes[i].id == mode) modeSize = QSize(int(l.res->modes[i].width), int(l.res->modes[i].height));
    if (modeSize.isEmpty()) return kApplyFailed;
    const QRect all = l.bounds(target).united(QRect(at, modeSize));
    bool fits = true;
    const QSize size = clampedSize(l, QSize(all.right() + 1, all.bottom() + 1), &fits);
    if (!fits) return kApplyFailed;
    const int s = DefaultScreen(l.d);
    // The screen grows before the CRTC moves into the new part.
    if (size.width() > DisplayWidth(l.d, s) || size.height() > DisplayHeight(l.d, s))
        resizeScreen(l, size.expandedTo(QSize(DisplayWidth(l.d, s), DisplayHeight(l.d, s))));
    RROutput o = l.second;
    if (XRRSetCrtcConfig(l.d, l.res.get(), target, CurrentTime, at.x(), at.y(), mode, RR_Rotate_0, &o, 1) !=
        RRSetConfigSuccess)
        return kApplyFailed;
    resizeScreen(l, size);
    return {};
}

QString turnOff(const Layout &l) {
    const RRCrtc c = l.crtcOf(l.second);
    if (!c) return {};
    if (XRRSetCrtcConfig(l.d, l.res.get(), c, CurrentTime, 0, 0, 0, RR_Rotate_0, nullptr, 0) !=
        RRSetConfigSuccess)
        return kApplyFailed;
    const QRect rest = l.bounds(c);
    bool fits = true;
    if (rest.isValid()) resizeScreen(l, clampedSize(l, QSize(rest.right() + 1, rest.bottom() + 1), &fits));
    return {};
}

class XRandrLayout : public OutputLayout {
public:
    State state() override {
        State st;
        ErrorTrap trap;  // outlives the connection: its close may still report errors
        DisplayPtr d(XOpenDisplay(nullptr));
        Layout l;
        if (!d || !readLayout(d.get(), l, true)) {
            st.problem = kNoXRandr;
            return st;
        }
        st.primaryName = l.primaryName;
        st.secondName = l.secondName;
        if (!l.second)
            st.problem = kNoSecondOutput;
        else
            st.secondOn = l.crtcOf(l.second) != 0;
        return st;
    }

    QString setSecondOn(bool on) override {
        ErrorTrap trap;  // outlives the connection: its close may still report errors
        DisplayPtr d(XOpenDisplay(nullptr));
        Layout l;
        if (!d || !readLayout(d.get(), l, false)) return kNoXRandr;
        if (!l.second) return kNoSecondOutput;
        XGrabServer(d.get());
        QString result = on ? turnOn(l) : turnOff(l);
        XUngrabServer(d.get());
        XSync(d.get(), False);
        if (result.isEmpty() && trap.failed()) result = kApplyFailed;
        return result;
    }
};

class XRandrScreens : public Screens {
public:
    QRect primary() override {
        Now n;
        if (!n.d) return fallback_.primary();
        const QRect r = n.randr ? n.l.rectOf(n.l.crtcOf(n.l.primary)) : QRect();
        return r.isValid() ? r : n.root();
    }
    QRect virtualDesktop() override {
        Now n;
        if (!n.d) return fallback_.virtualDesktop();
        const QRect r = n.randr ? n.l.bounds() : QRect();
        return r.isValid() ? r : n.root();
    }

private:
    struct Now {
        Now() : d(XOpenDisplay(nullptr)) {
            if (d) randr = readLayout(d.get(), l, false);
        }
        QRect root() const {
            const int s = DefaultScreen(d.get());
            return QRect(0, 0, DisplayWidth(d.get(), s), DisplayHeight(d.get(), s));
        }
        ErrorTrap trap;
        DisplayPtr d;
        Layout l;
        bool randr = false;
    };
    // Qt's idea, for a moment when the server cannot be reached.
    QtScreens fallback_;
};

}  // namespace

std::shared_ptr<OutputLayout> makeXRandrLayout() { return std::make_shared<XRandrLayout>(); }

std::shared_ptr<Screens> makeXRandrScreens() {
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    DisplayPtr d(XOpenDisplay(nullptr));
    if (!d) return nullptr;
    return std::make_shared<XRandrScreens>();
}

}  // namespace platform
