#include "WinXPButtonST.h"

#include <QPainter>

CWinXPButtonST::CWinXPButtonST(QWidget* parent) : CButtonST(parent) {}

void CWinXPButtonST::SetRounded(bool rounded, bool repaint) {
    m_bIsRounded = rounded;
    if (repaint)
        update();
}

void CWinXPButtonST::DrawBackground(QPainter& painter, bool highlighted) {
    if (!m_bIsRounded || !highlighted || !IsFlat()) {
        CButtonST::DrawBackground(painter, highlighted);
        return;
    }
    painter.fillRect(rect(), IdleColour());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(HoverColour());
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
}
