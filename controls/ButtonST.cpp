#include "ButtonST.h"

#include "LoadPngResource.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

CButtonST::CButtonST(QWidget* parent) : QPushButton(parent) {
    // An image button never becomes a dialog's default button (Enter in the
    // playlist must not press it).
    setAutoDefault(false);
    setMouseTracking(true);
    TakeColours();
}

// The face blends with the window behind it (as the button face does with a
// dialog); the hover highlight takes the button colour inside its black frame.
void CButtonST::TakeColours() {
    m_crIdle = palette().color(QPalette::Window);
    m_crFocus = m_crIdle;
    m_crHover = palette().color(QPalette::Button);
}

CButtonST::~CButtonST() = default;

void CButtonST::SetFlatMode(bool flat, bool repaint) {
    m_bIsFlat = flat;
    if (repaint)
        update();
}

QImage CButtonST::MakeTransparent(const QImage& source, QRgb transparent) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent & 0x00FFFFFFu;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0x00FFFFFFu) == key)
                line[x] = 0;
        }
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool CButtonST::AssignImages(const QImage& over, QRgb overTransparent, const QImage& away,
                             QRgb awayTransparent) {
    m_imageOver = QImage();
    m_imageAway = QImage();
    if (over.isNull() || away.isNull()) {
        update();
        return false;
    }
    m_imageOver = MakeTransparent(over, overTransparent);
    m_imageAway = MakeTransparent(away, awayTransparent);
    update();
    return true;
}

bool CButtonST::AssignBitmaps(int overId, QRgb overTransparent, int awayId, QRgb awayTransparent) {
    QImage over;
    QImage away;
    const bool loaded =
        LoadPngResource(overId, "BITMAP", over) && LoadPngResource(awayId, "BITMAP", away);
    if (!loaded)
        return AssignImages(QImage(), 0, QImage(), 0);
    return AssignImages(over, overTransparent, away, awayTransparent);
}

QSize CButtonST::sizeHint() const {
    if (!m_imageAway.isNull())
        return m_imageAway.deviceIndependentSize().toSize() + QSize(4, 4);
    return QPushButton::sizeHint();
}

void CButtonST::SetHovered(bool hovered) {
    if (m_bMouseOnButton == hovered)
        return;
    m_bMouseOnButton = hovered;
    update();
}

void CButtonST::DrawBackground(QPainter& painter, bool highlighted) {
    const QRect r = rect();
    if (!m_bIsFlat) {
        painter.fillRect(r, m_crIdle);
        const bool sunken = isDown();
        painter.setPen(sunken ? m_crIdle.darker(160) : m_crIdle.lighter(150));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(sunken ? m_crIdle.lighter(150) : m_crIdle.darker(160));
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
        return;
    }
    if (highlighted) {
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(m_crHover);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        return;
    }
    painter.fillRect(r, hasFocus() ? m_crFocus : m_crIdle);
}

void CButtonST::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool pressed = isDown();
    const bool highlighted = m_bMouseOnButton || pressed;
    DrawBackground(painter, highlighted);

    const QImage& image = highlighted ? m_imageOver : m_imageAway;
    if (image.isNull())
        return;
    const QSize logical = image.deviceIndependentSize().toSize();
    QPoint topLeft((width() - logical.width()) / 2, (height() - logical.height()) / 2);
    if (pressed)
        topLeft += PressedOffset();
    if (!isEnabled())
        painter.setOpacity(0.4);
    painter.drawImage(topLeft, image);
}

void CButtonST::mouseMoveEvent(QMouseEvent* event) {
    QPushButton::mouseMoveEvent(event);
    if (!m_bIsFlat)
        return;
    if ((event->buttons() & Qt::LeftButton) && !m_bMouseOnButton)
        return;
    SetHovered(rect().contains(event->position().toPoint()));
}

// A fast second click is a click of its own.
void CButtonST::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void CButtonST::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    if (!m_bIsFlat || !isEnabled())
        return;
    if ((QApplication::mouseButtons() & Qt::LeftButton) && !m_bMouseOnButton)
        return;
    SetHovered(true);
}

void CButtonST::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    SetHovered(false);
}

void CButtonST::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    SetHovered(false);
}

void CButtonST::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        TakeColours();
    if (event->type() != QEvent::EnabledChange || isEnabled())
        return;
    if (hasFocus()) {
        focusNextChild();
        if (hasFocus() && parentWidget() != nullptr)
            parentWidget()->setFocus(Qt::OtherFocusReason);
    }
    SetHovered(false);
}
