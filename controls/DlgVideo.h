#pragma once

#include <QWidget>

// The native child window libvlc renders into. Black, never painted over by
// Qt while the video plays; one second after creation it lets mouse input
// through (WA_TransparentForMouseEvents) so clicks and double clicks over
// the video reach the main window.
class CDlgVideo : public QWidget {
    Q_OBJECT
public:
    explicit CDlgVideo(QWidget* parent = nullptr);
    ~CDlgVideo() override;

    // Fills the client area black at once.
    void FillBlack();
    // The X11 window id for the engine (creates the native window).
    unsigned long VideoWindowId();
    bool IsInputDisabled() const;

    static constexpr int kInputDisableDelayMs = 1000;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void DisableInput();
};
