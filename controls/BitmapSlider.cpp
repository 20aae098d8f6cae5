#include "BitmapSlider.h"

#include "LoadPngResource.h"
#include "MyMemDC.h"
#include "SliderEvent.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
constexpr int kHighDpi = 96;
}

CBitmapSlider::CBitmapSlider(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CBitmapSlider::~CBitmapSlider() = default;

QSize CBitmapSlider::sizeHint() const {
    return QSize(280, qMax(15, m_nThumbHeight + m_nMarginTop + m_nMarginBottom));
}

void CBitmapSlider::SetColourChannel(QRgb channel, QRgb innerChannel, int dpi) {
    m_nDpi = dpi;
    if (dpi > kHighDpi) {
        m_nMarginTop = 2;
        m_nMarginLeft = m_nMarginRight = m_nMarginBottom = 0;
    }
    m_crChannel = channel;
    m_crInnerChannel = innerChannel;
    m_bChannelColour = true;
    update();
}

QImage CBitmapSlider::PrepareThumb(const QImage& source, bool transparent, QRgb colour, int x,
                                   int y) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    if (transparent) {
        if (colour == kTransparentFromPixel) {
            if (!image.rect().contains(x, y))
                x = y = 0;
            colour = image.pixel(x, y);
        }
        const QRgb key = colour & 0x00FFFFFFu;
        for (int row = 0; row < image.height(); ++row) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
            for (int col = 0; col < image.width(); ++col) {
                if ((line[col] & 0x00FFFFFFu) == key)
                    line[col] = 0;
            }
        }
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool CBitmapSlider::SetThumbImages(const QImage& thumb, const QImage& active, bool transparent,
                                   QRgb transparentColour, int x, int y) {
    m_thumb = QImage();
    m_thumbActive = QImage();
    m_bThumb = false;
    m_bThumbActive = false;
    m_nThumbWidth = m_nThumbHeight = 0;
    if (thumb.isNull()) {
        update();
        return false;
    }
    m_thumb = PrepareThumb(thumb, transparent, transparentColour, x, y);
    if (!active.isNull()) {
        m_thumbActive = PrepareThumb(active, transparent, transparentColour, x, y);
        m_bThumbActive = true;
    }
    // Logical sizes: a 2x thumb takes the place of the 1x one.
    m_nThumbWidth = qRound(m_thumb.deviceIndependentSize().width());
    m_nThumbHeight = qRound(m_thumb.deviceIndependentSize().height());
    m_bTransparent = transparent;
    m_bThumb = true;
    update();
    return true;
}

bool CBitmapSlider::SetThumbBitmaps(int thumbId, int activeId, bool transparent,
                                    QRgb transparentColour, int x, int y) {
    if (thumbId == 0) {
        SetThumbImages(QImage(), QImage(), false);
        return true;
    }
    QImage thumb;
    QImage active;
    if (!LoadPngResource(thumbId, "BITMAP", thumb) ||
        (activeId != 0 && !LoadPngResource(activeId, "BITMAP", active))) {
        SetThumbImages(QImage(), QImage(), false);
        return false;
    }
    return SetThumbImages(thumb, active, transparent, transparentColour, x, y);
}

void CBitmapSlider::SetFocusRectFlag(bool flag, bool redraw) {
    m_bFocusRect = flag;
    if (redraw)
        update();
}

void CBitmapSlider::SetValueRange(int minimum, int maximum, bool redraw) {
    m_nMin = minimum;
    m_nMax = maximum;
    if (redraw)
        update();
}

void CBitmapSlider::SetValue(int value) {
    if (value > m_nMax)
        value = m_nMax;
    if (value < m_nMin)
        value = m_nMin;
    m_nValue = value;
    update();
}

int CBitmapSlider::Pos2Pixel(int value) const {
    const int usable = width() - m_nMarginRight - m_nMarginLeft - m_nThumbWidth;
    int offset = 0;
    if (m_nMax != m_nMin) {
        const double fraction =
            static_cast<double>(value - m_nMin) / static_cast<double>(m_nMax - m_nMin);
        offset = static_cast<int>(std::trunc(fraction * usable));
    }
    return m_nThumbWidth / 2 + m_nMarginLeft + offset;
}

int CBitmapSlider::Pixel2Pos(int centre) const {
    const int usable = width() - m_nMarginRight - m_nMarginLeft - m_nThumbWidth;
    if (usable <= 0)
        return m_nMin;
    const double fraction =
        static_cast<double>(centre - m_nThumbWidth / 2 - m_nMarginLeft) / usable;
    return static_cast<int>(std::trunc(fraction * (static_cast<double>(m_nMax) - m_nMin) + m_nMin));
}

QPoint CBitmapSlider::ThumbTopLeft() const {
    return QPoint(Pos2Pixel(m_nValue) - m_nThumbWidth / 2, m_nMarginTop);
}

QColor CBitmapSlider::ParentBackground() const {
    const QWidget* parent = parentWidget();
    if (parent == nullptr)
        return palette().color(QPalette::Window);
    return parent->palette().color(parent->backgroundRole());
}

void CBitmapSlider::paintEvent(QPaintEvent*) {
    QPainter screen(this);
    CMyMemDC dc(&screen, rect());
    QPainter* p = dc.painter();

    QRect r = rect();
    p->fillRect(r, ParentBackground());
    if (m_bChannelColour) {
        const bool high = m_nDpi > kHighDpi;
        r.adjust(high ? 6 : 4, high ? 8 : 4, high ? -6 : -4, high ? -8 : -4);
        p->fillRect(r, QColor(m_crChannel));
        r.adjust(2, 2, -2, -2);
        p->fillRect(r, QColor(m_crInnerChannel));
    }

    if (m_bThumb && isEnabled()) {
        const QImage& thumb = (m_bLButtonDown && m_bThumbActive) ? m_thumbActive : m_thumb;
        p->drawImage(ThumbTopLeft(), thumb);
    }

    if (m_bFocusRect && m_bFocus && isEnabled()) {
        QPen pen(palette().color(QPalette::WindowText), 1, Qt::DotLine);
        p->setPen(pen);
        p->setBrush(Qt::NoBrush);
        p->drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CBitmapSlider::PostToParent(QEvent::Type type) {
    QObject* target = m_pNotifyTarget ? m_pNotifyTarget.data() : parentWidget();
    if (target == nullptr)
        return;
    QCoreApplication::postEvent(target, new CSliderEvent(type, m_nControlId, m_nValue));
}

void CBitmapSlider::DragTo(int x) {
    int centre = x - m_nDragOffset;
    const int lowest = m_nMarginLeft + m_nThumbWidth / 2;
    const int highest = width() - m_nMarginRight - m_nThumbWidth / 2;
    if (centre < lowest)
        centre = lowest;
    if (centre > highest)
        centre = highest;
    if (centre == Pos2Pixel(m_nValue))
        return;
    SetValue(Pixel2Pos(centre));
    PostToParent(CSliderEvent::Moving);
}

void CBitmapSlider::mousePressEvent(QMouseEvent* event) {
    if (!isEnabled() || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_bLButtonDown = true;
    emit sliderPressed();
    const int x = event->position().toPoint().x();
    const int d = x - Pos2Pixel(m_nValue);
    // A grab inside the thumb keeps the grab point; elsewhere the centre jumps to the click.
    m_nDragOffset = (std::abs(d) > m_nThumbWidth / 2) ? 0 : d;
    DragTo(x);
    update();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!isEnabled() || !m_bLButtonDown)
        return;
    DragTo(event->position().toPoint().x());
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!isEnabled() || !m_bLButtonDown || event->button() != Qt::LeftButton)
        return;
    m_bLButtonDown = false;
    update();
    PostToParent(CSliderEvent::Moved);
    emit sliderReleased();
}

void CBitmapSlider::keyPressEvent(QKeyEvent* event) {
    if (!isEnabled())
        return;
    qint64 value = m_nValue;  // wide enough for value +- page at the ends of int
    switch (event->key()) {
        case Qt::Key_PageUp:
            value -= m_nPage;
            break;
        case Qt::Key_PageDown:
            value += m_nPage;
            break;
        case Qt::Key_End:
            value = m_nMax;
            break;
        case Qt::Key_Home:
            value = m_nMin;
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            value += 1;
            break;
        case Qt::Key_Left:
        case Qt::Key_Up:
            value -= 1;
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    SetValue(static_cast<int>(std::clamp<qint64>(value, m_nMin, m_nMax)));
    PostToParent(CSliderEvent::Moved);
    event->accept();
}

void CBitmapSlider::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    m_bFocus = true;
    update();
}

void CBitmapSlider::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_bFocus = false;
    update();
}

void CBitmapSlider::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled())
            m_bLButtonDown = false;
        update();
    }
}
