#pragma once

#include <QStyledItemDelegate>

// Paints the playlist's cells. Every row has a kind (kRowKindRole on the
// row's first cell): a recording row is painted as the style paints items,
// its first cell with a strip at the left where the "now playing" mark
// goes, drawn over the selection so that it shows on a selected row too.
// Other kinds of rows (a heading between groups of recordings, say) get a
// kind of their own and a painter here.
class CPlaylistItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum RowKind { kRecordingRow = 0 };
    // Data roles of a row's first cell.
    static constexpr int kRowKindRole = Qt::UserRole + 1;  // RowKind; recording when unset
    static constexpr int kPlayingRole = Qt::UserRole + 2;  // bool: the row that plays

    explicit CPlaylistItemDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Width of the strip for the mark, for a font of `fontHeight` pixels.
    static int MarkWidth(int fontHeight);
    // Where the mark is drawn inside a first cell at `cell`.
    static QRect MarkRect(const QRect& cell, int fontHeight);
    static const QColor& MarkColour();

private:
    void PaintRecordingCell(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const;
};
