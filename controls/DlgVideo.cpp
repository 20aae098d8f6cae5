#include "DlgVideo.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

CDlgVideo::CDlgVideo(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NativeWindow);
    // libvlc draws into this window (in a sub-window of its own); Qt only
    // ever fills it black and never erases it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    QTimer::singleShot(kInputDisableDelayMs, this, &CDlgVideo::DisableInput);
}

CDlgVideo::~CDlgVideo() = default;

unsigned long CDlgVideo::VideoWindowId() {
    return static_cast<unsigned long>(winId());
}

bool CDlgVideo::IsInputDisabled() const {
    return testAttribute(Qt::WA_TransparentForMouseEvents);
}

// Qt then routes mouse input past the surface; the native window (and so the
// sub-window libvlc renders into) also gets an empty input region, so the X
// server delivers pointer events over the video to the main window.
void CDlgVideo::DisableInput() {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    if (QWindow* window = windowHandle())
        window->setFlag(Qt::WindowTransparentForInput, true);
}

void CDlgVideo::FillBlack() {
    repaint();
}

void CDlgVideo::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);
}

void CDlgVideo::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    update();
}

// Before input is let through, a double click on the surface goes on to the
// main window all the same (it toggles full screen there).
void CDlgVideo::mouseDoubleClickEvent(QMouseEvent* event) {
    event->ignore();
}
