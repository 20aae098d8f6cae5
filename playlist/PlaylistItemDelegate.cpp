#include "PlaylistItemDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

CPlaylistItemDelegate::CPlaylistItemDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

const QColor& CPlaylistItemDelegate::MarkColour() {
    // Amber: apart from the selection's blue and from the dark rows.
    static const QColor kAmber(255, 176, 32);
    return kAmber;
}

int CPlaylistItemDelegate::MarkWidth(int fontHeight) {
    return fontHeight * 3 / 4 + 4;
}

QRect CPlaylistItemDelegate::MarkRect(const QRect& cell, int fontHeight) {
    const int side = qMin(fontHeight * 3 / 4, cell.height() - 2);
    return QRect(cell.left() + 3, cell.top() + (cell.height() - side) / 2, side * 3 / 4, side);
}

void CPlaylistItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    switch (index.siblingAtColumn(0).data(kRowKindRole).toInt()) {
        case kRecordingRow:
        default:
            PaintRecordingCell(painter, option, index);
            break;
    }
}

void CPlaylistItemDelegate::PaintRecordingCell(QPainter* painter,
                                               const QStyleOptionViewItem& option,
                                               const QModelIndex& index) const {
    if (index.column() != 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The whole cell gets the row's background and selection; the contents
    // go right of the mark's strip.
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    QStyleOptionViewItem background = opt;
    background.text.clear();
    background.icon = QIcon();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
    const int fontHeight = opt.fontMetrics.height();
    QStyleOptionViewItem contents = option;
    contents.rect.setLeft(contents.rect.left() + MarkWidth(fontHeight));
    QStyledItemDelegate::paint(painter, contents, index);

    if (index.data(kPlayingRole).toBool()) {
        const QRectF mark = MarkRect(option.rect, fontHeight);
        QPainterPath triangle;
        triangle.moveTo(mark.topLeft());
        triangle.lineTo(mark.right(), mark.center().y());
        triangle.lineTo(mark.bottomLeft());
        triangle.closeSubpath();
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(MarkColour());
        painter->drawPath(triangle);
        painter->restore();
    }
}

QSize CPlaylistItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (index.column() == 0) {
        size.rwidth() += MarkWidth(option.fontMetrics.height());
    }
    return size;
}
