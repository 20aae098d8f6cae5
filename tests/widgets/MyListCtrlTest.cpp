#include "MyListCtrl.h"

#include "FileList.h"
#include "PlaylistItemDelegate.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

namespace {

tagFileNode Node(const std::string& name, bool readOnly = false) {
    tagFileNode node;
    node.strFilePath = "/rec/" + name;
    node.strFileName = name;
    node.strDateTime = "10:00:00 01-02-2024";
    node.bReadOnly = readOnly ? 1 : 0;
    return node;
}

class MyListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override { list.m_pListCtrl = &view; }
    QStringList Numbers() const {
        QStringList numbers;
        for (int r = 0; r < view.ItemCount(); ++r)
            numbers << view.CellText(r, 0);
        return numbers;
    }
    CMyListCtrl view;
    CFileList list;
};

TEST_F(MyListCtrlTest, FourColumnsFitTheirContentsAndTheNameTakesTheRest) {
    ASSERT_EQ(view.columnCount(), 4);
    const struct {
        const char* heading;
        bool centred;
    } expected[] = {{"No.", true}, {"Filename", false}, {"DateTime", false}, {"Lock", true}};
    view.resize(420, 200);
    view.AppendRow("12", "2026_0314_081500_001.MOV", "08:15:00 03-14-2026", "ReadOnly");
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const QFontMetrics fm = view.fontMetrics();
    for (int c = 0; c < 4; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(view.horizontalHeaderItem(c)->text(), QString::fromLatin1(expected[c].heading));
        const auto align = Qt::Alignment(view.item(0, c)->textAlignment());
        EXPECT_EQ(bool(align & Qt::AlignHCenter), expected[c].centred);
        if (c != CMyListCtrl::ColFileName) {
            // Never cut off: as wide as the cell's text and the heading.
            EXPECT_GT(view.columnWidth(c), fm.horizontalAdvance(view.item(0, c)->text()));
            EXPECT_GT(view.columnWidth(c), fm.horizontalAdvance(expected[c].heading));
        }
    }
    // The name takes what the others leave: together they fill the view.
    int total = 0;
    for (int c = 0; c < 4; ++c)
        total += view.columnWidth(c);
    EXPECT_EQ(total, view.viewport()->width());
    view.resize(900, 200);
    QTest::qWait(20);
    EXPECT_GT(view.columnWidth(CMyListCtrl::ColFileName),
              fm.horizontalAdvance("2026_0314_081500_001.MOV"));
    // Rows are as high as the text and the 16-pixel padlock need.
    EXPECT_GE(view.rowHeight(0), qMax(fm.height(), 16) + 2);

    EXPECT_TRUE(view.showGrid());
    EXPECT_EQ(view.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view.selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(view.palette().color(QPalette::Inactive, QPalette::Highlight),
              view.palette().color(QPalette::Active, QPalette::Highlight));
}

// The row that plays carries the mark, selected or not; the mark follows its
// row when rows above go, and leaves with it.
TEST_F(MyListCtrlTest, NowPlayingMarkStandsApartFromTheSelection) {
    view.resize(500, 200);
    for (const char* n : {"1", "2", "3"})
        view.AppendRow(n, n, "", "");
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const auto isMark = [](QRgb p) {
        return widgettest::Near(p, CPlaylistItemDelegate::MarkColour(), 40);
    };
    const auto markPixels = [&](int row) {
        const QImage shot = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect cell = view.visualRect(view.model()->index(row, 0));
        return widgettest::CountPixels(shot, cell, isMark);
    };
    EXPECT_EQ(view.PlayingRow(), -1);
    view.SetPlayingRow(1);
    view.SetSelected(1);
    QTest::qWait(20);
    EXPECT_EQ(view.PlayingRow(), 1);
    EXPECT_GT(markPixels(1), 6);  // drawn over the selection
    EXPECT_EQ(markPixels(0), 0);
    view.SetSelected(2);
    QTest::qWait(20);
    EXPECT_GT(markPixels(1), 6);  // and without it

    view.DeleteRow(0);
    EXPECT_EQ(view.PlayingRow(), 0);
    view.SetPlayingRow(-1);
    EXPECT_EQ(view.PlayingRow(), -1);
    view.SetPlayingRow(0);
    view.DeleteRow(0);
    EXPECT_EQ(view.PlayingRow(), -1);
}

TEST_F(MyListCtrlTest, SelectionStaysVisibleWhenInactiveAfterAPaletteChange) {
    QWidget window;
    auto* child = new CMyListCtrl(&window);
    QPalette pal = window.palette();
    pal.setColor(QPalette::Active, QPalette::Highlight, QColor(10, 120, 200));
    pal.setColor(QPalette::Inactive, QPalette::Highlight, QColor(90, 90, 90));
    window.setPalette(pal);
    EXPECT_EQ(child->palette().color(QPalette::Inactive, QPalette::Highlight),
              QColor(10, 120, 200));
}

TEST_F(MyListCtrlTest, RowNumbersAreKeptAfterRemovals) {
    list.AppendEntry(Node("a.MOV"));
    list.AppendEntry(Node("b.MOV"));
    list.AppendEntry(Node("c.MOV", true));
    EXPECT_EQ(Numbers(), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(view.CellText(2, CMyListCtrl::ColFileName), "c.MOV");
    EXPECT_EQ(view.CellText(2, CMyListCtrl::ColDateTime), "10:00:00 01-02-2024");
    EXPECT_EQ(view.CellText(2, CMyListCtrl::ColLock), "ReadOnly");
    EXPECT_EQ(view.CellText(0, CMyListCtrl::ColLock), "");
    list.RemoveEntry(1);
    EXPECT_EQ(Numbers(), (QStringList{"1", "3"}));
    list.AppendEntry(Node("d.MOV"));
    EXPECT_EQ(Numbers(), (QStringList{"1", "3", "3"}));
    EXPECT_EQ(view.GetRowCount(), list.GetEntryCount());
}

TEST_F(MyListCtrlTest, PadlockImageAndLockText) {
    view.AppendRow("1", "a.MOV", "", "");
    EXPECT_FALSE(view.RowHasImage(0));
    view.SetRowImage(0, 0);
    view.SetLockText(0, "ReadOnly");
    EXPECT_TRUE(view.RowHasImage(0));
    EXPECT_EQ(view.CellText(0, CMyListCtrl::ColLock), "ReadOnly");
    view.SetRowImage(0, -1);
    EXPECT_FALSE(view.RowHasImage(0));
    // Out-of-range rows are ignored.
    view.SetRowImage(5, 0);
    view.SetLockText(-1, "x");
    view.DeleteRow(7);
    EXPECT_EQ(view.GetRowCount(), 1);
}

TEST_F(MyListCtrlTest, SelectionHelpers) {
    for (const char* n : {"1", "2", "3"})
        view.AppendRow(n, n, "", "");
    EXPECT_EQ(view.FirstSelected(), -1);
    view.SetSelected(2);
    EXPECT_EQ(view.FirstSelected(), 2);
    EXPECT_EQ(view.FocusedRow(), 2);
    view.SetSelected(1);
    EXPECT_EQ(view.FirstSelected(), 1) << "one selected row at a time";
    view.ClearSelectedAndFocused(1);
    EXPECT_EQ(view.FirstSelected(), -1);
    EXPECT_EQ(view.FocusedRow(), -1);
    view.SetSelected(9);
    EXPECT_EQ(view.FirstSelected(), -1);
}

// The row that plays is selected beside the user's rows; the focus stays.
TEST_F(MyListCtrlTest, SelectRowKeepsTheFocusedRowAndTheOtherSelectedOnes) {
    for (const char* n : {"1", "2", "3", "4"})
        view.AppendRow(n, n, "", "");
    view.SetSelected(3);
    view.SelectRow(1);
    EXPECT_EQ(view.FirstSelected(), 1);
    EXPECT_EQ(view.FocusedRow(), 3);
    EXPECT_EQ(view.selectionModel()->selectedRows().size(), 2);
    view.ClearSelectedAndFocused(3);
    view.SelectRow(2);
    EXPECT_EQ(view.FocusedRow(), -1);
    EXPECT_EQ(view.FirstSelected(), 1);
    view.SelectRow(-1);
    view.SelectRow(4);
    EXPECT_EQ(view.selectionModel()->selectedRows().size(), 2);
}

TEST_F(MyListCtrlTest, DoubleClickOnARowIsReported) {
    view.resize(500, 200);
    for (const char* n : {"1", "2"})
        view.AppendRow(n, n, "", "");
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QSignalSpy spy(&view, &CMyListCtrl::rowDoubleClicked);
    const QRect cell = view.visualRect(view.model()->index(1, 1));
    const QPoint inWindow = view.viewport()->mapTo(&view, cell.center());
    QTest::mouseDClick(view.windowHandle(), Qt::LeftButton, {}, inWindow);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
}

}  // namespace
