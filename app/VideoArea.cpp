#include "VideoArea.h"

#include <QPainter>

#include "PlayerDlg.h"

CVideoArea::CVideoArea(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CVideoArea::ShowPicture(const QImage& picture) {
    m_picture = picture;
    m_bShown = !picture.isNull();
    update();
}

void CVideoArea::ClearPicture() {
    if (m_bShown) {
        m_bShown = false;
        update();
    }
}

QRect CVideoArea::PictureRect() const {
    if (!m_bShown) {
        return QRect();
    }
    return CPlayerDlg::FitIdleRect(width(), height(), m_picture.width(), m_picture.height());
}

void CVideoArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_bShown) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(PictureRect(), m_picture);
    }
}
