#include "MyMemDC.h"

#include <QImage>
#include <QPaintDevice>

namespace {

// A copy of the target's pixels under `rect`, when the target is an image or
// a pixmap that can be read back; a null pixmap otherwise.
QPixmap ReadBack(QPainter* target, const QRect& rect) {
    QPaintDevice* device = target->device();
    if (device == nullptr)
        return QPixmap();
    const QRect deviceRect = target->transform().mapRect(rect);
    switch (device->devType()) {
        case QInternal::Image:
            return QPixmap::fromImage(static_cast<QImage*>(device)->copy(deviceRect));
        case QInternal::Pixmap:
            return static_cast<QPixmap*>(device)->copy(deviceRect);
        default:
            return QPixmap();
    }
}

}  // namespace

CMyMemDC::CMyMemDC(QPainter* target, const QRect& rect, bool copyBackground)
    : m_pTarget(target), m_rect(rect) {
    const qreal ratio = target->device() != nullptr ? target->device()->devicePixelRatioF() : 1.0;
    QPixmap background = copyBackground ? ReadBack(target, rect) : QPixmap();
    if (!background.isNull() && ratio == 1.0) {
        m_bitmap = background;
    } else {
        m_bitmap = QPixmap(rect.size() * ratio);
        m_bitmap.setDevicePixelRatio(ratio);
        m_bitmap.fill(target->background().color());
    }
    m_painter.begin(&m_bitmap);
    m_painter.translate(-rect.topLeft());
    m_painter.setFont(target->font());
    m_painter.setPen(target->pen());
    m_painter.setBackground(target->background());
}

CMyMemDC::~CMyMemDC() {
    m_painter.end();
    m_pTarget->drawPixmap(m_rect.topLeft(), m_bitmap);
}
