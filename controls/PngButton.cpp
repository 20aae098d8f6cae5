#include "PngButton.h"

#include "LoadPngResource.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kFrameNormal = 0;
constexpr int kFrameHover = 2;
constexpr int kFrameDisabled = 3;
constexpr int kFrameCount = 4;
}  // namespace

CPngButton::CPngButton(QWidget* parent) : QPushButton(parent) {
    // An image button never becomes a dialog's default button (Enter in the
    // playlist must not press it).
    setAutoDefault(false);
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
}

CPngButton::~CPngButton() = default;

bool CPngButton::SetImage(int id) {
    QImage image;
    if (!LoadPngResource(id, "PNG", image)) {
        m_image = QImage();
        m_nImageWidth = m_nImageHeight = m_nFrameWidth = 0;
        update();
        return false;
    }
    m_image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Sizes are logical: a 2x strip draws as large as the 1x one.
    const QSize logical = m_image.deviceIndependentSize().toSize();
    m_nImageWidth = logical.width();
    m_nImageHeight = logical.height();
    m_nFrameWidth = m_nImageWidth / kFrameCount;
    if (!m_bSized) {
        m_bSized = true;
        resize(m_nFrameWidth, m_nImageHeight);
        m_nCurFrame = StateFrame();
        update();
    } else {
        repaint();
    }
    return true;
}

QSize CPngButton::sizeHint() const {
    if (HasImage())
        return QSize(m_nFrameWidth, m_nImageHeight);
    return QPushButton::sizeHint();
}

int CPngButton::StateFrame() const {
    if (!isEnabled())
        return kFrameDisabled;
    if (hasFocus() || m_bHover)
        return kFrameHover;
    return kFrameNormal;
}

void CPngButton::DrawFrame(int frame) {
    if (frame == m_nCurFrame)
        return;
    m_nCurFrame = frame;
    repaint();
}

void CPngButton::DrawStateFrame() {
    DrawFrame(StateFrame());
}

void CPngButton::paintEvent(QPaintEvent*) {
    if (m_image.isNull() || m_nFrameWidth <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal dpr = m_image.devicePixelRatio();
    const QRectF source(m_nCurFrame * m_nFrameWidth * dpr, 0, m_nFrameWidth * dpr,
                        m_nImageHeight * dpr);
    painter.drawImage(QRectF(rect()), m_image, source);
}

void CPngButton::mouseMoveEvent(QMouseEvent* event) {
    const bool wasDown = isDown();
    QPushButton::mouseMoveEvent(event);
    if (isDown() != wasDown)
        DrawStateFrame();  // pressed look follows the cursor

    if ((event->buttons() & Qt::LeftButton) && !m_bHover)
        return;
    if (rect().contains(event->position().toPoint())) {
        if (!m_bHover) {
            m_bHover = true;
            DrawFrame(kFrameHover);
        }
    } else {
        m_bHover = false;
        DrawFrame(kFrameNormal);
    }
}

void CPngButton::mousePressEvent(QMouseEvent* event) {
    QPushButton::mousePressEvent(event);
    DrawStateFrame();
}

void CPngButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasDown = isDown();
    QPushButton::mouseReleaseEvent(event);
    if (wasDown)
        DrawStateFrame();
}

void CPngButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    if ((QApplication::mouseButtons() & Qt::LeftButton) && !m_bHover)
        return;
    if (!m_bHover && isEnabled()) {
        m_bHover = true;
        DrawFrame(kFrameHover);
    }
}

void CPngButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    m_bHover = false;
    if (isEnabled())
        DrawFrame(kFrameNormal);
}

void CPngButton::focusInEvent(QFocusEvent* event) {
    QPushButton::focusInEvent(event);
    DrawStateFrame();
}

void CPngButton::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    m_bHover = false;
    DrawFrame(isEnabled() ? kFrameNormal : kFrameDisabled);
}

void CPngButton::showEvent(QShowEvent* event) {
    QPushButton::showEvent(event);
    m_nCurFrame = StateFrame();
}

void CPngButton::MoveFocusAway() {
    if (!hasFocus())
        return;
    focusNextChild();
    if (hasFocus() && parentWidget() != nullptr)
        parentWidget()->setFocus(Qt::OtherFocusReason);
}

void CPngButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    if (!isEnabled()) {
        MoveFocusAway();
        m_bHover = false;
    }
    DrawStateFrame();
}
