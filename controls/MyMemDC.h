#pragma once

#include <QPainter>
#include <QPixmap>
#include <QRect>

// Off-screen drawing for one paint: the caller draws through painter() in
// the target's coordinates; the destructor copies the finished picture to
// the target in one blit (so the target's clipping decides what shows).
// Without copyBackground the area starts in the target painter's background
// colour; with it, a copy of the target's pixels when the target paints on
// an image or pixmap (a widget target starts in the background colour).
class CMyMemDC {
public:
    CMyMemDC(QPainter* target, const QRect& rect, bool copyBackground = false);
    ~CMyMemDC();
    CMyMemDC(const CMyMemDC&) = delete;
    CMyMemDC& operator=(const CMyMemDC&) = delete;

    QPainter* painter() { return &m_painter; }
    QPainter* operator->() { return &m_painter; }
    const QRect& rect() const { return m_rect; }

private:
    QPainter* m_pTarget;
    QRect m_rect;
    QPixmap m_bitmap;
    QPainter m_painter;
};
