// The lock state of a playlist entry, its row's padlock and "ReadOnly", and permission
// changes that a file system accepts without carrying them out.
#include "FileList.h"

#include "PlaylistTestSupport.h"
#include "RecordingView.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

using namespace playlist_test;

namespace {

constexpr int kPadlock = IPlaylistView::kPadlockImage;
constexpr int kNoImage = IPlaylistView::kNoImage;

mode_t PermissionsOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// Permission changes as a file system mounted without permissions makes them (vfat or
// exfat with "quiet"): accepted, and nothing changes. With `partly`, only the owner's
// write bit follows the request.
class IgnoringFileList : public CFileList {
public:
    bool partly = false;

protected:
    bool ApplyPermissions(const std::string& path, unsigned mode) override {
        if (!partly)
            return true;
        const mode_t now = PermissionsOf(path);
        return ::chmod(path.c_str(), (now & ~S_IWUSR) | (mode & S_IWUSR)) == 0;
    }
};

class FileListLock : public ::testing::Test {
protected:
    std::string Write(const std::string& name, mode_t mode) {
        const std::string path = dir.File(name);
        TempDir::WriteFile(path, Recording(UserData("cami", "NT96650A")));
        ::chmod(path.c_str(), mode);
        return path;
    }

    TempDir dir;
    RecordingView view;
};

TEST_F(FileListLock, ThePadlockFollowsTheLockState) {
    CFileList list;
    list.m_pListCtrl = &view;
    list.AddFile(Write("LOCKED.MOV", 0444), nullptr, ".MOV");
    list.AddFile(Write("OPEN.MOV", 0644), nullptr, ".MOV");
    EXPECT_EQ(view.rows[0].lock, "ReadOnly");
    EXPECT_EQ(view.rows[0].image, kPadlock);  // read-only at import
    EXPECT_EQ(view.rows[1].lock, "");
    EXPECT_EQ(view.rows[1].image, kNoImage);

    const struct {
        int row;
        const char* lock;
        int image;
    } steps[] = {
        {0, "", kNoImage},          // unlocking a file read-only at import
        {0, "ReadOnly", kPadlock},  // and locking it again
        {1, "ReadOnly", kPadlock},
        {1, "", kNoImage},
    };
    for (const auto& s : steps) {
        ASSERT_TRUE(list.ToggleLock(s.row));
        EXPECT_EQ(view.rows[size_t(s.row)].lock, s.lock);
        EXPECT_EQ(view.rows[size_t(s.row)].image, s.image);
        tagFileNode node;
        list.GetEntry(s.row, node);
        EXPECT_EQ(node.bReadOnly, s.image == kPadlock ? 1 : 0);
    }
}

TEST_F(FileListLock, AChangeTheFileSystemIgnoresIsAFailedLock) {
    for (const bool partly : {false, true}) {
        SCOPED_TRACE(partly ? "only the owner's bit changes" : "nothing changes");
        IgnoringFileList list;
        list.partly = partly;
        RecordingView rows;
        list.m_pListCtrl = &rows;
        // Locking must clear every write bit; unlocking must give the owner one.
        const std::string open = Write("OPEN.MOV", 0664);
        const std::string locked = Write("LOCKED.MOV", 0444);
        list.AddFile(open, nullptr, ".MOV");
        list.AddFile(locked, nullptr, ".MOV");
        const int changes = rows.changes;

        EXPECT_FALSE(list.ToggleLock(0));
        if (!partly) {
            EXPECT_FALSE(list.ToggleLock(1));
        }
        EXPECT_EQ(rows.changes, changes);
        tagFileNode node;
        list.GetEntry(0, node);
        EXPECT_EQ(node.bReadOnly, 0);
        list.GetEntry(1, node);
        EXPECT_EQ(node.bReadOnly, 1);
        EXPECT_EQ(rows.rows[0].image, kNoImage);
        EXPECT_EQ(rows.rows[1].image, kPadlock);
        if (!partly) {
            EXPECT_EQ(PermissionsOf(locked), 0444u);
        }
    }
}

}  // namespace
