#include "platform/LayeredWindow.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QPixmap>
#include <QWidget>

#include <algorithm>

// Last: Xlib's macros would spoil the headers above.
#include <X11/Xlib.h>

namespace platform {

void LayeredWindow::setAlphaBlend(bool on) {
    alphaBlend_ = on;
    applyOpacity();
}

void LayeredWindow::setAlphaBlendValue(int value) {
    alphaValue_ = std::clamp(value, 0, 255);
    applyOpacity();
}

void LayeredWindow::applyOpacity() {
    window_->setWindowOpacity(alphaBlend_ ? alphaValue_ / 255.0 : 1.0);
    flushWindowSystem();
}

namespace {
Display *qtDisplay() {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

// The child of the root that holds w: its window manager's frame, or w itself.
Window rootChild(Display *d, Window w) {
    for (;;) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(d, w, &root, &parent, &children, &n)) return 0;
        if (children) XFree(children);
        if (parent == root || !parent) return w;
        w = parent;
    }
}
}  // namespace

void flushWindowSystem() {
    // Qt sends its X requests when X events come in: without input a fade
    // step would wait in the connection, with the window invisible over the show.
    if (Display *d = qtDisplay()) XFlush(d);
}

void stackUnder(QWidget *window, QWidget *above) {
    Display *d = qtDisplay();
    const Window mine = d ? rootChild(d, window->winId()) : 0;
    const Window other = d ? rootChild(d, above->winId()) : 0;
    if (!mine || !other || mine == other) {
        window->raise();
        return;
    }
    XWindowChanges c;
    c.sibling = other;
    c.stack_mode = Below;
    XConfigureWindow(d, mine, CWSibling | CWStackMode, &c);
    XFlush(d);
}

void LayeredWindow::setTransparentColor(bool on) {
    keyOn_ = on;
    reshape();
}

void LayeredWindow::setTransparentColorValue(const QColor &key) {
    key_ = key;
    reshape();
}

void LayeredWindow::reshape() {
    if (!keyOn_) {
        if (!window_->mask().isEmpty()) window_->clearMask();
        return;
    }
    QRegion shape = regionWithout(window_->grab().toImage(), key_);
    // An empty mask would mean no mask at all, that is the whole window.
    if (shape.isEmpty()) shape = QRegion(0, 0, 1, 1);
    if (shape != window_->mask()) window_->setMask(shape);
}

QRegion regionWithout(const QImage &image, const QColor &key) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const QImage bits = rgb.createMaskFromColor(key.rgb(), Qt::MaskInColor);
    return QRegion(QBitmap::fromImage(bits));
}

}  // namespace platform
