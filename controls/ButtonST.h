#pragma once

#include <QColor>
#include <QImage>
#include <QPushButton>
#include <QRgb>

// A flat push button showing a small bitmap whose transparent colour lets
// the button face show through; while the mouse is over it or it is pressed
// it gets a framed highlight (1-pixel black rectangle filled with the hover
// colour) and the bitmap moves by the pressed offset (1, 1) while pressed.
// A double click counts as two clicks.
class CButtonST : public QPushButton {
    Q_OBJECT
public:
    explicit CButtonST(QWidget* parent = nullptr);
    ~CButtonST() override;

    void SetFlatMode(bool flat = true, bool repaint = true);
    bool IsFlat() const { return m_bIsFlat; }

    // Loads ":/bitmap/<id>.png" for the mouse-over and the mouse-away image;
    // pixels of the given transparent colour (alpha ignored) become fully
    // transparent. Returns false, keeping no images at all, when either
    // cannot be loaded.
    bool AssignBitmaps(int overId, QRgb overTransparent, int awayId, QRgb awayTransparent);
    // The same with images already in memory.
    bool AssignImages(const QImage& over, QRgb overTransparent, const QImage& away,
                      QRgb awayTransparent);

    bool IsHovered() const { return m_bMouseOnButton; }
    QPoint PressedOffset() const { return QPoint(1, 1); }
    QColor HoverColour() const { return m_crHover; }
    QColor IdleColour() const { return m_crIdle; }
    QColor FocusColour() const { return m_crFocus; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

    // Draws the highlight frame or the plain face; CWinXPButtonST rounds it.
    virtual void DrawBackground(QPainter& painter, bool highlighted);
    void SetHovered(bool hovered);

    static QImage MakeTransparent(const QImage& source, QRgb transparent);

private:
    void TakeColours();

    bool m_bIsFlat = false;
    bool m_bMouseOnButton = false;
    QImage m_imageOver;
    QImage m_imageAway;
    QColor m_crHover;
    QColor m_crFocus;
    QColor m_crIdle;
};
