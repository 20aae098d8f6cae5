#include "LayoutColumn.h"

CLayoutColumn::CLayoutColumn(QWidget* parent) : QWidget(parent) {}

void CLayoutColumn::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_fnPlace) {
        m_fnPlace();
    }
}

void CLayoutColumn::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (m_fnPlace) {
        m_fnPlace();
    }
}
