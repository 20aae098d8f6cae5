#pragma once

#include <QImage>
#include <QPushButton>

// A push button drawn from a strip of four equal frames side by side:
// 0 normal, 1 unused, 2 mouse over or focused, 3 disabled.
class CPngButton : public QPushButton {
    Q_OBJECT
public:
    explicit CPngButton(QWidget* parent = nullptr);
    ~CPngButton() override;

    // Loads ":/png/<id>.png" as the strip. The first strip a button gets
    // resizes it to one frame, keeping its top-left corner; later strips
    // (the play/pause switch) repaint at once with the current frame.
    // Returns false (and the button then draws nothing) when the resource
    // cannot be loaded.
    bool SetImage(int id);

    bool HasImage() const { return !m_image.isNull(); }
    int ImageWidth() const { return m_nImageWidth; }
    int ImageHeight() const { return m_nImageHeight; }
    int FrameWidth() const { return m_nFrameWidth; }
    int CurrentFrame() const { return m_nCurFrame; }  // the frame painted last / to be painted
    bool IsHovering() const { return m_bHover; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void DrawFrame(int frame);  // records the frame and repaints at once
    void DrawStateFrame();      // the frame the button's state asks for
    int StateFrame() const;
    void MoveFocusAway();

    QImage m_image;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
    int m_nFrameWidth = 0;
    bool m_bHover = false;
    int m_nCurFrame = 0;
    bool m_bSized = false;
};
