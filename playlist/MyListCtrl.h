#pragma once

#include "PlaylistView.h"

#include <QIcon>
#include <QTableWidget>

// The playlist view (control 1004): one row per playlist entry with the
// columns "No." (centred), "Filename", "DateTime" and "Lock" (centred); grid
// lines, full-row selection of one or several rows, selection shown also
// without focus. Row image 0 is the padlock. The columns "No.", "DateTime"
// and "Lock" are as wide as their contents; "Filename" takes the rest (a
// name too long for it is shortened in the middle). The row that plays
// carries a mark in its first cell (CPlaylistItemDelegate).
class CMyListCtrl : public QTableWidget, public IPlaylistView {
    Q_OBJECT
public:
    enum Column { ColNumber = 0, ColFileName = 1, ColDateTime = 2, ColLock = 3 };

    explicit CMyListCtrl(QWidget* parent = nullptr);
    ~CMyListCtrl() override;

    // IPlaylistView
    int GetRowCount() const override;
    void AppendRow(const std::string& number, const std::string& fileName,
                   const std::string& dateTime, const std::string& lock) override;
    void DeleteRow(int row) override;
    void SetLockText(int row, const std::string& lock) override;
    // kPadlockImage: the padlock; kNoImage (or any other value): no image.
    void SetRowImage(int row, int image) override;

    // Helpers for the main window.
    int ItemCount() const { return GetRowCount(); }
    // Selects `row` (the only selected row) and makes it the focused row.
    void SetSelected(int row);
    // Adds `row` to the selection; the focused row stays what it was.
    void SelectRow(int row);
    // Clears the selected and focused states of `row`.
    void ClearSelectedAndFocused(int row);
    // First selected row, or -1.
    int FirstSelected() const;
    // The row with the keyboard-focus marker (current row), or -1.
    int FocusedRow() const;
    // Text of a cell ("" when out of range), and whether the row shows the padlock.
    QString CellText(int row, int column) const;
    bool RowHasImage(int row) const;
    // The "now playing" mark: on `row` only; -1 (or a row out of range)
    // clears it. It moves with its row when rows above it are removed.
    void SetPlayingRow(int row);
    int PlayingRow() const;  // -1 when no row carries it

signals:
    // A row was double-clicked (the main window plays the first selected row).
    void rowDoubleClicked(int row);

protected:
    void changeEvent(QEvent* event) override;

private:
    void KeepSelectionVisibleWhenInactive();

    QIcon m_padlock;
};
