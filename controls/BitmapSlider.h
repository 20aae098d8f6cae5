#pragma once

#include <QEvent>
#include <QImage>
#include <QPointer>
#include <QRgb>
#include <QWidget>

// The seek bar: a horizontal slider whose channel is painted in two solid
// colours on the parent's background colour and whose thumb is an image
// with a transparent colour. It keeps an integer value within an integer
// range and posts CSliderEvent (Moving 0x28D1, Moved 0x28D2) carrying its
// control id and value to its parent widget (or to the object set as its
// notify target, when the window it reports to is not its parent). While
// disabled it takes no
// mouse or keyboard input and shows no thumb.
class CBitmapSlider : public QWidget {
    Q_OBJECT
public:
    // Stands for "the colour of the thumb image's pixel at (x, y)".
    static constexpr QRgb kTransparentFromPixel = 0xFF000000u;

    explicit CBitmapSlider(QWidget* parent = nullptr);
    ~CBitmapSlider() override;

    void SetControlId(int id) { m_nControlId = id; }
    int ControlId() const { return m_nControlId; }
    // Where the slider events go instead of the parent widget; null: the parent.
    void SetNotifyTarget(QObject* target) { m_pNotifyTarget = target; }

    // Channel colours and the screen DPI; above 96 DPI the top margin is 2
    // and the channel insets grow from 4 to 6 (horizontal) and 8 (vertical).
    void SetColourChannel(QRgb channel, QRgb innerChannel, int dpi);
    // Loads ":/bitmap/<thumbId>.png" (and the active thumb shown while
    // dragging when activeId is not 0). With `transparent`, pixels of
    // `transparentColour` become transparent; kTransparentFromPixel takes
    // the colour of the image's pixel (x, y). thumbId 0 unloads the thumb.
    // Returns false, leaving no thumb, when an image cannot be loaded.
    bool SetThumbBitmaps(int thumbId, int activeId, bool transparent,
                         QRgb transparentColour = kTransparentFromPixel, int x = 0, int y = 0);
    // The same with images in memory (a null `active` means none).
    bool SetThumbImages(const QImage& thumb, const QImage& active, bool transparent,
                        QRgb transparentColour = kTransparentFromPixel, int x = 0, int y = 0);
    void SetFocusRectFlag(bool flag, bool redraw = false);
    // Stored as given, without checks.
    void SetValueRange(int minimum, int maximum, bool redraw = false);
    // Clamped to the range, then repainted.
    void SetValue(int value);
    int GetValue() const { return m_nValue; }
    int GetRangeMin() const { return m_nMin; }
    int GetRangeMax() const { return m_nMax; }
    void SetPageSize(int pageSize) { m_nPage = pageSize; }
    int GetPageSize() const { return m_nPage; }

    int ThumbWidth() const { return m_nThumbWidth; }
    int ThumbHeight() const { return m_nThumbHeight; }
    bool HasThumb() const { return m_bThumb; }
    bool IsDragging() const { return m_bLButtonDown; }
    int Dpi() const { return m_nDpi; }
    int MarginTop() const { return m_nMarginTop; }
    // Thumb centre (x) for a value, and value for a centre, per the current
    // width, margins, thumb width and range.
    int Pos2Pixel(int value) const;
    int Pixel2Pos(int centre) const;
    // Left and top edge of the thumb at the current value.
    QPoint ThumbTopLeft() const;

    QSize sizeHint() const override;

signals:
    // Left button pressed on the enabled slider / released after a press.
    void sliderPressed();
    void sliderReleased();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void DragTo(int x);
    void PostToParent(QEvent::Type type);
    QColor ParentBackground() const;
    static QImage PrepareThumb(const QImage& source, bool transparent, QRgb colour, int x, int y);

    int m_nControlId = 0;
    QPointer<QObject> m_pNotifyTarget;
    QRgb m_crChannel = qRgb(128, 128, 128);
    QRgb m_crInnerChannel = qRgb(0, 0, 0);
    int m_nDpi = 96;
    int m_nMax = 100;
    int m_nMin = 0;
    int m_nValue = 0;
    int m_nPage = 20;
    int m_nThumbWidth = 0;
    int m_nThumbHeight = 0;
    int m_nMarginLeft = 0;
    int m_nMarginRight = 0;
    int m_nMarginTop = 0;
    int m_nMarginBottom = 0;
    int m_nDragOffset = 0;
    bool m_bThumbActive = false;
    bool m_bTransparent = false;
    bool m_bThumb = false;
    bool m_bChannelColour = false;
    bool m_bLButtonDown = false;
    bool m_bFocus = false;
    bool m_bFocusRect = true;
    QImage m_thumb;
    QImage m_thumbActive;
};
