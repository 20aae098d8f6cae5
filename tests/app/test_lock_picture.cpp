// The playlist's padlock in the real main window: shown for a recording that is read-only
// when imported, and following every lock and unlock made from the playlist's menu.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include "GuiTestEnvironment.h"
#include "MyListCtrl.h"
#include "PlayerApp.h"
#include "PlayerDlg.h"

namespace {

using velto::testing::MessageBoxReader;
using velto::testing::SampleRecordings;
const velto::testing::GuiTestEnvironment* g_environment = nullptr;

mode_t PermissionsOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// Right-clicks `row` of the playlist and picks "Lock/UnLock current file" from the menu,
// as the user does. False when no menu opened or it had no such entry.
bool LockOrUnlockFromTheMenu(CMyListCtrl* list, int row) {
    const QPoint at = list->visualItemRect(list->item(row, CMyListCtrl::ColFileName)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    bool picked = false;
    QTimer::singleShot(200, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* action : menu->actions()) {
            if (action->text() == "Lock/UnLock current file" && action->isEnabled()) {
                menu->setActiveAction(action);
                picked = true;
            }
        }
        QTest::keyClick(menu, picked ? Qt::Key_Return : Qt::Key_Escape);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
    return picked;
}

TEST(LockPicture, ThePadlockFollowsTheLockState) {
    const QStringList samples = SampleRecordings();
    ASSERT_FALSE(samples.isEmpty()) << "no sample recordings (build the samples target)";
    const QString locked = g_environment->HomePath() + "/LOCKED.MOV";
    const QString open = g_environment->HomePath() + "/OPEN.MOV";
    ASSERT_TRUE(QFile::copy(samples[0], locked) && QFile::copy(samples[1], open));
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), 0644), 0);

    CPlayerDlg dlg;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    auto* list = qobject_cast<CMyListCtrl*>(dlg.GetDlgItem(IDC_PLAYLIST));
    ASSERT_TRUE(list);
    MessageBoxReader boxes;
    dlg.ImportPaths({locked, open});
    ASSERT_EQ(list->ItemCount(), 2);
    EXPECT_EQ(list->CellText(0, CMyListCtrl::ColLock), "ReadOnly");
    EXPECT_TRUE(list->RowHasImage(0));  // read-only at import: the padlock too
    EXPECT_EQ(list->CellText(1, CMyListCtrl::ColLock), "");
    EXPECT_FALSE(list->RowHasImage(1));

    const struct {
        int row;
        bool lockedAfter;
    } steps[] = {{0, false}, {0, true}, {1, true}, {1, false}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.row);
        ASSERT_TRUE(LockOrUnlockFromTheMenu(list, s.row));
        EXPECT_EQ(list->RowHasImage(s.row), s.lockedAfter);
        EXPECT_EQ(list->CellText(s.row, CMyListCtrl::ColLock), s.lockedAfter ? "ReadOnly" : "");
        EXPECT_EQ((PermissionsOf(s.row == 0 ? locked : open) & 0222) == 0, s.lockedAfter);
    }
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join("|").toStdString();
}

}  // namespace

int main(int argc, char** argv) {
    const velto::testing::GuiTestEnvironment environment;
    g_environment = &environment;
    qputenv("XDG_PICTURES_DIR", environment.HomePath().toUtf8() + "/Pictures");
    CPlayerApp::PrepareProcess();
    QApplication app(argc, argv);
    CPlayerApp::ApplyStyle(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
