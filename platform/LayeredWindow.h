#pragma once
// The layered look of a top-level window: alpha blending (0 to 255; on X11 it
// shows only under a compositing manager) and a transparent colour key, done
// as a window shape mask so that it works without one.
#include <QColor>
#include <QImage>
#include <QRegion>

class QWidget;

namespace platform {

class LayeredWindow {
public:
    explicit LayeredWindow(QWidget *window) : window_(window) {}

    void setAlphaBlend(bool on);
    bool alphaBlend() const { return alphaBlend_; }
    void setAlphaBlendValue(int value);  // clamped to 0..255
    int alphaBlendValue() const { return alphaValue_; }

    void setTransparentColor(bool on);
    bool transparentColor() const { return keyOn_; }
    void setTransparentColorValue(const QColor &key);

    // Cuts the shape again from what the window shows now; the owner calls it
    // after the content changed while the key is on.
    void reshape();

private:
    void applyOpacity();
    QWidget *window_;
    bool alphaBlend_ = false;
    int alphaValue_ = 255;
    bool keyOn_ = false;
    QColor key_{192, 192, 192};
};

// Sends what the program asked of the window system so far (X11).
void flushWindowSystem();
// Puts the top-level window directly under another one of the program's, or
// on top of all when the window system cannot tell where that one stands.
void stackUnder(QWidget *window, QWidget *above);

// The pixels of image whose colour is not key.
QRegion regionWithout(const QImage &image, const QColor &key);

}  // namespace platform
