// A recording nested 7,000 boxes deep in the real main window: libvlc's MP4 reader used to
// kill the player on it. It is reported as a file that cannot be played, and the player
// goes on to the next recording. Real libvlc, real map page, under Xvfb.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "BoxWriter.h"
#include "GuiTestEnvironment.h"
#include "MyListCtrl.h"
#include "PlayerApp.h"
#include "PlayerDlg.h"

namespace {

using velto::testing::MessageBoxReader;
using velto::testing::SampleRecordings;
using velto::testing::WaitFor;

const velto::testing::GuiTestEnvironment* g_environment = nullptr;

QString LabelText(CPlayerDlg& dlg, int id) {
    auto* label = qobject_cast<QLabel*>(dlg.GetDlgItem(id));
    return label ? label->text() : QString();
}

TEST(DeepRecording, IsReportedAsUnplayableAndThePlayerGoesOnToTheSample) {
    const QStringList samples = SampleRecordings();
    ASSERT_FALSE(samples.isEmpty()) << "no sample recordings (build the samples target)";
    const QString deep = g_environment->HomePath() + "/2026_0314_081500_DEEP.MP4";
    ASSERT_TRUE(velto::testing::TempDir::WriteFile(deep.toStdString(),
                                                   velto::testing::NestedBoxesRecording(7000)));

    CPlayerDlg dlg;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    auto* list = qobject_cast<CMyListCtrl*>(dlg.GetDlgItem(IDC_PLAYLIST));
    auto* play = qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_PLAY));
    auto* next = qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_NEXT));
    ASSERT_TRUE(list && play && next);

    MessageBoxReader boxes;
    dlg.ImportPaths({deep, samples[0]});
    ASSERT_EQ(boxes.texts, QStringList{"Play file failed!\n"});
    EXPECT_EQ(list->ItemCount(), 2);
    EXPECT_EQ(list->FirstSelected(), 0);
    // Had libvlc been given the file, its reader would have died on its own thread by now.
    QTest::qWait(1500);
    EXPECT_EQ(play->text(), "Play");

    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return play->text() == "Pause"; }, 10000));
    EXPECT_TRUE(WaitFor([&] { return LabelText(dlg, IDC_ELAPSED) != "0:00"; }, 10000));
    EXPECT_EQ(LabelText(dlg, IDC_TOTAL), "0:15");
    EXPECT_EQ(list->FirstSelected(), 1);
    EXPECT_EQ(boxes.texts.size(), 1);
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
