#include "MyListCtrl.h"

#include "PlaylistItemDelegate.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPalette>
#include <QPixmap>

namespace {

struct tagColumn {
    const char* heading;
    QHeaderView::ResizeMode mode;
    Qt::Alignment alignment;
};

const tagColumn kColumns[] = {
    {"No.", QHeaderView::ResizeToContents, Qt::AlignCenter},
    {"Filename", QHeaderView::Stretch, Qt::AlignLeft | Qt::AlignVCenter},
    {"DateTime", QHeaderView::ResizeToContents, Qt::AlignLeft | Qt::AlignVCenter},
    {"Lock", QHeaderView::ResizeToContents, Qt::AlignCenter},
};
// Room above and below a row's text or icon.
constexpr int kRowPadding = 6;
constexpr int kIconSide = 16;
constexpr int kColumnCount = 4;

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CMyListCtrl::CMyListCtrl(QWidget* parent) : QTableWidget(0, kColumnCount, parent) {
    // The icon picks its 2x picture on a screen of twice the pixel density.
    const QIcon padlock(QStringLiteral(":/icon/222.png"));
    if (!padlock.isNull())
        m_padlock = padlock;

    setItemDelegate(new CPlaylistItemDelegate(this));
    for (int c = 0; c < kColumnCount; ++c) {
        auto* header = new QTableWidgetItem(QString::fromLatin1(kColumns[c].heading));
        header->setTextAlignment(kColumns[c].alignment);
        setHorizontalHeaderItem(c, header);
        horizontalHeader()->setSectionResizeMode(c, kColumns[c].mode);
    }
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    setTextElideMode(Qt::ElideMiddle);
    verticalHeader()->setVisible(false);
    // Each row as high as its text or its icon needs.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(qMax(fontMetrics().height(), kIconSide) + kRowPadding);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setIconSize(QSize(kIconSide, kIconSide));
    setTabKeyNavigation(false);

    KeepSelectionVisibleWhenInactive();

    connect(this, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { emit rowDoubleClicked(row); });
}

CMyListCtrl::~CMyListCtrl() = default;

// The row being played stays visibly selected while the window is inactive.
void CMyListCtrl::KeepSelectionVisibleWhenInactive() {
    QPalette pal = palette();
    const QColor highlight = pal.color(QPalette::Active, QPalette::Highlight);
    const QColor text = pal.color(QPalette::Active, QPalette::HighlightedText);
    if (pal.color(QPalette::Inactive, QPalette::Highlight) == highlight &&
        pal.color(QPalette::Inactive, QPalette::HighlightedText) == text) {
        return;
    }
    pal.setColor(QPalette::Inactive, QPalette::Highlight, highlight);
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, text);
    setPalette(pal);
}

void CMyListCtrl::changeEvent(QEvent* event) {
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        KeepSelectionVisibleWhenInactive();
    if (event->type() == QEvent::FontChange)
        verticalHeader()->setDefaultSectionSize(qMax(fontMetrics().height(), kIconSide) +
                                                kRowPadding);
}

int CMyListCtrl::GetRowCount() const {
    return rowCount();
}

void CMyListCtrl::AppendRow(const std::string& number, const std::string& fileName,
                            const std::string& dateTime, const std::string& lock) {
    const int row = rowCount();
    insertRow(row);
    const std::string* texts[kColumnCount] = {&number, &fileName, &dateTime, &lock};
    for (int c = 0; c < kColumnCount; ++c) {
        auto* item = new QTableWidgetItem(ToQString(*texts[c]));
        item->setTextAlignment(kColumns[c].alignment);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        if (c == ColNumber)
            item->setData(CPlaylistItemDelegate::kRowKindRole,
                          CPlaylistItemDelegate::kRecordingRow);
        if (c == ColFileName)
            item->setToolTip(item->text());
        setItem(row, c, item);
    }
}

void CMyListCtrl::DeleteRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    removeRow(row);
}

void CMyListCtrl::SetLockText(int row, const std::string& lock) {
    QTableWidgetItem* cell = item(row, ColLock);
    if (cell != nullptr)
        cell->setText(ToQString(lock));
}

void CMyListCtrl::SetRowImage(int row, int image) {
    QTableWidgetItem* cell = item(row, ColNumber);
    if (cell == nullptr)
        return;
    cell->setIcon(image == kPadlockImage ? m_padlock : QIcon());
    cell->setData(Qt::UserRole, image == kPadlockImage);
}

void CMyListCtrl::SetSelected(int row) {
    if (row < 0 || row >= rowCount())
        return;
    setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CMyListCtrl::SelectRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    selectionModel()->select(model()->index(row, 0),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void CMyListCtrl::ClearSelectedAndFocused(int row) {
    if (row < 0 || row >= rowCount())
        return;
    QItemSelectionModel* selection = selectionModel();
    const QModelIndex index = model()->index(row, 0);
    selection->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    if (selection->currentIndex().row() == row) {
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
}

int CMyListCtrl::FirstSelected() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& index : rows) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

int CMyListCtrl::FocusedRow() const {
    const QModelIndex current = selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

QString CMyListCtrl::CellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text() : QString();
}

bool CMyListCtrl::RowHasImage(int row) const {
    const QTableWidgetItem* cell = item(row, ColNumber);
    return cell != nullptr && cell->data(Qt::UserRole).toBool();
}

void CMyListCtrl::SetPlayingRow(int row) {
    const int old = PlayingRow();
    if (old == row)
        return;
    if (QTableWidgetItem* cell = item(old, ColNumber))
        cell->setData(CPlaylistItemDelegate::kPlayingRole, QVariant());
    if (QTableWidgetItem* cell = item(row, ColNumber))
        cell->setData(CPlaylistItemDelegate::kPlayingRole, true);
}

int CMyListCtrl::PlayingRow() const {
    for (int r = 0; r < rowCount(); ++r) {
        const QTableWidgetItem* cell = item(r, ColNumber);
        if (cell != nullptr && cell->data(CPlaylistItemDelegate::kPlayingRole).toBool())
            return r;
    }
    return -1;
}
