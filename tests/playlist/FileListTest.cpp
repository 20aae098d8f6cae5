#include "FileList.h"

#include "ChipsetProbe.h"
#include "PlaylistTestSupport.h"
#include "RecordingView.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace playlist_test;

namespace {

const Bytes kNt96650aRecording = Recording(UserData("cami", "NT96650A"));

mode_t PermissionsOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override { list.m_pListCtrl = &view; }

    // A recording of kind 4 named `name` in the temp folder.
    std::string AddRecording(const std::string& name, mode_t mode = 0644) {
        const std::string path = dir.File(name);
        TempDir::WriteFile(path, kNt96650aRecording);
        ::chmod(path.c_str(), mode);
        list.AddFile(path, nullptr, ".MOV");
        return path;
    }

    tagFileNode Entry(int index) {
        tagFileNode node;
        EXPECT_EQ(list.GetEntry(index, node), 0);
        return node;
    }

    TempDir dir;
    RecordingView view;
    CFileList list;
};

// A list whose permission changes fail, as on a read-only medium.
class RefusingFileList : public CFileList {
protected:
    bool ApplyPermissions(const std::string&, unsigned) override { return false; }
};

}  // namespace

TEST_F(FileListTest, AddFileBuildsEntryAndRow) {
    const std::string path = dir.File("clip.mov");
    TempDir::WriteFile(path, kNt96650aRecording);
    EXPECT_EQ(list.AddFile(path, "Clip.mov", ".MOV"), 0);

    const tagFileNode node = Entry(0);
    EXPECT_EQ(node.strFilePath, path);
    EXPECT_EQ(node.strFileName, "Clip.mov");
    EXPECT_EQ(node.strDatPath, "");
    EXPECT_EQ(node.nChipset, ChipsetKind(4));
    EXPECT_EQ(node.strDateTime, RecordingTimeText(path, ".MOV", ChipsetKind(4)));
    EXPECT_FALSE(node.strDateTime.empty());
    EXPECT_EQ(node.bReadOnly, 0);

    ASSERT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(view.rows[0].number, "1");
    EXPECT_EQ(view.rows[0].fileName, "Clip.mov");
    EXPECT_EQ(view.rows[0].dateTime, node.strDateTime);
    EXPECT_EQ(view.rows[0].lock, "");
    EXPECT_EQ(view.rows[0].image, -1);
}

TEST_F(FileListTest, SameFileTwiceGivesTwoEntriesAndRows) {
    const std::string path = AddRecording("CLIP.MOV");
    list.AddFile(path, nullptr, ".MOV");
    ASSERT_EQ(list.GetEntryCount(), 2);
    EXPECT_EQ(Entry(0).strFileName, "CLIP.MOV");
    EXPECT_EQ(Entry(1).strFileName, "CLIP.MOV");
    EXPECT_EQ(view.Numbers(), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(view.rows[0].dateTime, view.rows[1].dateTime);
}

TEST_F(FileListTest, SidecarSkipsTheProbe) {
    ::mkdir((dir.File("gps")).c_str(), 0755);
    TempDir::WriteFile(dir.File("gps/CLIP.DAT"), {});
    const std::string path = AddRecording("CLIP.MOV");
    EXPECT_EQ(Entry(0).strDatPath, dir.File("gps/CLIP.DAT"));
    EXPECT_EQ(Entry(0).nChipset, ChipsetKind(0));
    // Kind 0 on a .MOV: the modification time is shown.
    EXPECT_EQ(Entry(0).strDateTime, RecordingTimeText(path, ".MP4", ChipsetKind(0)));
}

TEST_F(FileListTest, SevenCharacterPathIsNeitherLookedUpNorProbed) {
    char* oldCwd = ::getcwd(nullptr, 0);
    ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    TempDir::WriteFile("abc.MOV", kNt96650aRecording);
    TempDir::WriteFile("abc.DAT", {});
    list.AddFile("abc.MOV", nullptr, ".MOV");
    const tagFileNode node = Entry(0);
    EXPECT_EQ(::chdir(oldCwd), 0);
    std::free(oldCwd);

    EXPECT_EQ(node.strDatPath, "");
    EXPECT_EQ(node.nChipset, ChipsetKind(0));
    EXPECT_EQ(node.strFileName, "abc.MOV");
    EXPECT_FALSE(node.strDateTime.empty());
}

TEST_F(FileListTest, ReadOnlyFileIsImportedLocked) {
    AddRecording("LOCKED.MOV", 0444);
    AddRecording("GROUPW.MOV", 0464);  // someone may write: not locked
    EXPECT_EQ(Entry(0).bReadOnly, 1);
    EXPECT_EQ(view.rows[0].lock, "ReadOnly");
    EXPECT_EQ(Entry(1).bReadOnly, 0);
    EXPECT_EQ(view.rows[1].lock, "");
}

TEST_F(FileListTest, LockAndUnlockRoundTrip) {
    const std::string path = AddRecording("CLIP.MOV", 0664);

    EXPECT_TRUE(list.ToggleLock(0));
    EXPECT_EQ(PermissionsOf(path), 0444u);
    EXPECT_EQ(Entry(0).bReadOnly, 1);
    EXPECT_EQ(view.rows[0].lock, "ReadOnly");
    EXPECT_EQ(view.rows[0].image, 0);

    EXPECT_TRUE(list.ToggleLock(0));
    EXPECT_EQ(PermissionsOf(path), 0644u);  // the owner's write bit comes back
    EXPECT_EQ(Entry(0).bReadOnly, 0);
    EXPECT_EQ(view.rows[0].lock, "");
    EXPECT_EQ(Entry(0).strFileName, "CLIP.MOV");
}

TEST_F(FileListTest, ToggleUnlocksFileThatWasReadOnlyAtImport) {
    const std::string path = AddRecording("CLIP.MOV", 0444);
    EXPECT_TRUE(list.ToggleLock(0));
    EXPECT_EQ(PermissionsOf(path), 0644u);
    EXPECT_EQ(Entry(0).bReadOnly, 0);
    EXPECT_EQ(view.rows[0].lock, "");
}

TEST_F(FileListTest, FailedLockLeavesEntryAndRow) {
    const std::string gone = AddRecording("GONE.MOV");
    ASSERT_EQ(::unlink(gone.c_str()), 0);
    const int changesBefore = view.changes;
    EXPECT_FALSE(list.ToggleLock(0));
    EXPECT_EQ(Entry(0).bReadOnly, 0);
    EXPECT_EQ(view.changes, changesBefore);

    EXPECT_FALSE(list.ToggleLock(-1));
    EXPECT_FALSE(list.ToggleLock(1));
}

TEST_F(FileListTest, RefusedPermissionChangeLeavesEntryAndRow) {
    RefusingFileList refusing;
    refusing.m_pListCtrl = &view;
    const std::string path = dir.File("CLIP.MOV");
    TempDir::WriteFile(path, kNt96650aRecording);
    ::chmod(path.c_str(), 0444);
    refusing.AddFile(path, nullptr, ".MOV");
    const int changesBefore = view.changes;

    EXPECT_FALSE(refusing.ToggleLock(0));
    tagFileNode node;
    ASSERT_EQ(refusing.GetEntry(0, node), 0);
    EXPECT_EQ(node.bReadOnly, 1);
    EXPECT_EQ(view.rows[0].lock, "ReadOnly");
    EXPECT_EQ(view.changes, changesBefore);
    EXPECT_EQ(PermissionsOf(path), 0444u);
}

TEST_F(FileListTest, RemoveKeepsRowsInStepAndNumbersUnchanged) {
    for (const char* name : {"A.MOV", "B.MOV", "C.MOV", "D.MOV", "E.MOV"})
        AddRecording(name);

    list.RemoveEntry(2);  // middle
    list.RemoveEntry(0);  // first
    list.RemoveEntry(2);  // last
    list.RemoveEntry(2);  // out of range now
    list.RemoveEntry(-1);
    ASSERT_EQ(list.GetEntryCount(), 2);
    EXPECT_EQ(Entry(0).strFileName, "B.MOV");
    EXPECT_EQ(Entry(1).strFileName, "D.MOV");
    EXPECT_EQ(view.Numbers(), (std::vector<std::string>{"2", "4"}));
    EXPECT_EQ(view.rows[1].fileName, "D.MOV");

    AddRecording("F.MOV");  // numbered from the row count
    EXPECT_EQ(view.Numbers(), (std::vector<std::string>{"2", "4", "3"}));

    // The file itself stays.
    EXPECT_EQ(::access((dir.File("C.MOV")).c_str(), F_OK), 0);
}

TEST_F(FileListTest, GetEntryOutOfRangeLeavesDestination) {
    tagFileNode node;
    node.strFileName = "kept";
    EXPECT_EQ(list.GetEntry(0, node), -1);
    AddRecording("A.MOV");
    EXPECT_EQ(list.GetEntry(-1, node), -1);
    EXPECT_EQ(list.GetEntry(1, node), -1);
    EXPECT_EQ(node.strFileName, "kept");
}

TEST_F(FileListTest, SpecialFilesGetAnUnopenableEntryPromptly) {
    const std::string fifo = dir.File("FIFO.MOV");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ::mkdir((dir.File("FOLDER.MOV")).c_str(), 0555);
    TempDir::WriteFile(dir.File("FIFO.DAT"), {});  // a sidecar is not looked for either

    for (const std::string& path :
         {fifo, dir.File("FOLDER.MOV"), std::string("/dev/null"), dir.File("MISSING.MOV")}) {
        list.AddFile(path, nullptr, ".MOV");
    }
    ASSERT_EQ(list.GetEntryCount(), 4);
    for (int i = 0; i < 4; ++i) {
        const tagFileNode node = Entry(i);
        EXPECT_EQ(node.nChipset, ChipsetKind(0)) << node.strFilePath;
        EXPECT_EQ(node.strDatPath, "") << node.strFilePath;
        EXPECT_EQ(node.strDateTime, "") << node.strFilePath;
        EXPECT_EQ(node.bReadOnly, 0) << node.strFilePath;
    }
    EXPECT_EQ(view.Numbers(), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(view.rows[1].fileName, "FOLDER.MOV");
}

TEST(FileList, WorksWithoutAView) {
    TempDir dir;
    TempDir::WriteFile(dir.File("A.MP4"), {});
    CFileList list;
    list.AddFile(dir.File("A.MP4"), nullptr, ".MP4");
    list.AddFile(dir.File("A.MP4"), nullptr, ".MP4");
    EXPECT_TRUE(list.ToggleLock(0));
    list.RemoveEntry(0);
    EXPECT_EQ(list.GetEntryCount(), 1);
    tagFileNode node;
    EXPECT_EQ(list.GetEntry(0, node), 0);
    EXPECT_EQ(node.strFileName, "A.MP4");
}

TEST(FileList, FileNameFromPath) {
    const std::pair<const char*, const char*> cases[] = {
        {"/media/cam/b.MOV", "b.MOV"},      {"b.MOV", "b.MOV"}, {"/media/cam/", "cam"},
        {"//x//y.mp4//", "y.mp4"},          {"/", ""},          {"", ""},
        {"./FILE0001.MOV", "FILE0001.MOV"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFileList::FileNameFromPath(c.first), c.second) << c.first;
}
