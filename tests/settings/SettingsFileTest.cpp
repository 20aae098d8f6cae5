// The user's settings file: one line changes, every other byte stays, nothing hangs, and a
// write never leaves half a file.
#include "DpiSetting.h"
#include "SettingsFile.h"
#include "WindowSettings.h"

#include "BoxWriter.h"

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using velto::testing::TempDir;
using Load = CSettingsFile::LoadResult;
using Save = CSettingsFile::SaveResult;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteFile(const std::string& path, const std::string& text) {
    return TempDir::WriteFile(path, velto::testing::Bytes(text.begin(), text.end()));
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

std::vector<std::string> FolderEntries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(d);
    }
    return names;
}

// Runs `body` in a child process that may not write where root could (it becomes "nobody"
// when the tests run as root) and returns its exit status.
int RunUnprivileged(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

// Setting [System] DPI=120 in each text changes only what it must.
TEST(SettingsFile, SettingOneValueKeepsEveryOtherByte) {
    struct Case {
        const char* name;
        std::string in, out;
    } const cases[] = {
        {"comments and blank lines", "; the player's settings\n\n[System]\n# screen\nDPI=96\n\n",
         "; the player's settings\n\n[System]\n# screen\nDPI=120\n\n"},
        {"backslashes and commas are text",
         "[Paths]\nLast=C:\\dir\\x\n[List]\nItems=a,b\n[System]\nDPI=96\n",
         "[Paths]\nLast=C:\\dir\\x\n[List]\nItems=a,b\n[System]\nDPI=120\n"},
        {"section and key in lower case", "[system]\ndpi = 96\n", "[system]\ndpi = 120\n"},
        {"blanks around names and value", "  [ System ]  \n\tDPI\t=\t 96 \t\n",
         "  [ System ]  \n\tDPI\t=\t 120 \t\n"},
        {"empty value", "[System]\nDPI=\n", "[System]\nDPI=120\n"},
        {"missing key: after the section's last key", "[System]\nFoo=1\n; about Other\n[Other]\n",
         "[System]\nFoo=1\nDPI=120\n; about Other\n[Other]\n"},
        {"missing key in an empty section", "[System]\n[Other]\nx=1\n",
         "[System]\nDPI=120\n[Other]\nx=1\n"},
        {"missing section", "[Other]\nx=1\n", "[Other]\nx=1\n\n[System]\nDPI=120\n"},
        {"empty file", "", "[System]\nDPI=120\n"},
        {"CRLF, value replaced", "[System]\r\nDPI=96\r\nFoo=1\r\n",
         "[System]\r\nDPI=120\r\nFoo=1\r\n"},
        {"CRLF, key added", "[System]\r\nFoo=1\r\n", "[System]\r\nFoo=1\r\nDPI=120\r\n"},
        {"CRLF, section added", "[Other]\r\nx=1\r\n",
         "[Other]\r\nx=1\r\n\r\n[System]\r\nDPI=120\r\n"},
        {"no final newline, value replaced", "[System]\nDPI=96", "[System]\nDPI=120"},
        {"no final newline, key added", "[System]\nFoo=1", "[System]\nFoo=1\nDPI=120"},
        {"no final newline, section added", "[Other]", "[Other]\n\n[System]\nDPI=120\n"},
        {"duplicate sections: the key where it is", "[System]\nFoo=1\n[X]\n[SYSTEM]\nDPI=96\n",
         "[System]\nFoo=1\n[X]\n[SYSTEM]\nDPI=120\n"},
        {"duplicate sections: a new key in the first", "[System]\nFoo=1\n[X]\n[System]\nBar=2\n",
         "[System]\nFoo=1\nDPI=120\n[X]\n[System]\nBar=2\n"},
        {"byte-order mark", "\xEF\xBB\xBF[System]\nDPI=96\n", "\xEF\xBB\xBF[System]\nDPI=120\n"},
        {"odd text: an unclosed header, a key before any section, NUL",
         "DPI=1\n[System\nno equals sign\n\0\x01\xFF\n"s,
         "DPI=1\n[System\nno equals sign\n\0\x01\xFF\n\n[System]\nDPI=120\n"s},
        {"a commented-out key is not the key", "[System]\n;DPI=72\n",
         "[System]\nDPI=120\n;DPI=72\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.File("config.ini");
        ASSERT_TRUE(WriteFile(path, c.in));
        CSettingsFile ini;
        ASSERT_EQ(ini.Load(path), Load::Loaded);
        ASSERT_TRUE(ini.Set("System", "DPI", "120"));
        EXPECT_EQ(ini.Save(), Save::Saved);
        EXPECT_EQ(ReadFile(path), c.out);
        std::string dpi;
        EXPECT_TRUE(ini.Get("system", "dpi", dpi));
        EXPECT_EQ(dpi, "120");
        EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"config.ini"});
    }
}

TEST(SettingsFile, ValuesAreReadVerbatim) {
    CSettingsFile ini;
    ini.LoadText(
        "top=level\n[Paths]\nLast = C:\\dir\\x \r\nQuoted=\"a b\"\nEq=a=b\n[List]\nItems=a,b\n"
        "[paths]\nLast=second\nOther=o\n");
    struct {
        const char *section, *key, *value;
    } const found[] = {
        {"Paths", "Last", "C:\\dir\\x"}, {"PATHS", "last", "C:\\dir\\x"},
        {"Paths", "Quoted", "\"a b\""},  {"Paths", "Eq", "a=b"},
        {"List", "Items", "a,b"},        {"Paths", "Other", "o"},
    };
    for (const auto& f : found) {
        std::string value;
        EXPECT_TRUE(ini.Get(f.section, f.key, value)) << f.section << "/" << f.key;
        EXPECT_EQ(value, f.value);
    }
    std::string value;
    EXPECT_FALSE(ini.Get("Paths", "Missing", value));
    EXPECT_FALSE(ini.Get("Nowhere", "Last", value));
    EXPECT_FALSE(ini.Get("", "top", value));
}

TEST(SettingsFile, NamesAndValuesThatCannotBeOneLineAreRefused) {
    const std::string text = "[System]\nDPI=96\n";
    const char* const bad[][3] = {
        {"", "DPI", "1"},         {"System", "", "1"},       {"Sys]tem", "DPI", "1"},
        {"System", "D=PI", "1"},  {"System", "DPI", "1\n2"}, {"System", "DPI", "1\r"},
        {"Sys\ntem", "DPI", "1"}, {"System", "[DPI", "1"},   {"System", ";DPI", "1"},
        {"System", " DPI", "1"},  {"System", "DPI", " 1"},   {" System", "DPI", "1"},
    };
    for (const auto& b : bad) {
        CSettingsFile ini;
        ini.LoadText(text);
        EXPECT_FALSE(ini.Set(b[0], b[1], b[2])) << b[0] << "/" << b[1] << "/" << b[2];
        EXPECT_EQ(ini.Text(), text);
    }
    CSettingsFile ini;
    ini.LoadText(text);
    EXPECT_FALSE(ini.Set("System", std::string("D\0PI", 4), "1"));
    EXPECT_FALSE(ini.Set("System", "DPI", std::string("1\0", 2)));
    EXPECT_TRUE(ini.Set("Map", "TileUrl", "https://tile.example/{z}/{x}/{y}.png?a=b,c"));
    std::string url;
    EXPECT_TRUE(ini.Get("map", "tileurl", url));
    EXPECT_EQ(url, "https://tile.example/{z}/{x}/{y}.png?a=b,c");
}

TEST(SettingsFile, SeveralSetsOneSaveAndNothingWrittenWhenNothingChanged) {
    TempDir dir;
    const std::string path = dir.File("config.ini");
    ASSERT_TRUE(WriteFile(path, "[System]\nDPI=96\n"));
    const struct stat before = StatOf(path);

    CSettingsFile ini;
    ASSERT_EQ(ini.Load(path), Load::Loaded);
    EXPECT_TRUE(ini.Set("System", "DPI", "96"));
    EXPECT_FALSE(ini.IsModified());
    EXPECT_EQ(ini.Save(), Save::Unchanged);
    EXPECT_EQ(StatOf(path).st_ino, before.st_ino);

    EXPECT_TRUE(ini.Set("Window", "Geometry", "0,0,800,600"));
    EXPECT_TRUE(ini.Set("Window", "Splitter", "300"));
    EXPECT_TRUE(ini.Set("System", "DPI", "144"));
    EXPECT_EQ(ini.Save(), Save::Saved);
    EXPECT_EQ(ReadFile(path),
              "[System]\nDPI=144\n\n[Window]\nGeometry=0,0,800,600\nSplitter=300\n");
    EXPECT_NE(StatOf(path).st_ino, before.st_ino);  // renamed over, not rewritten in place
    EXPECT_EQ(ini.Save(), Save::Unchanged);
}

TEST(SettingsFile, PermissionsAreKeptAndNewFilesFollowTheUmask) {
    TempDir dir;
    const std::string path = dir.File("config.ini");
    ASSERT_TRUE(WriteFile(path, "[System]\nDPI=96\n"));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    CSettingsFile ini;
    ASSERT_EQ(ini.Load(path), Load::Loaded);
    ini.Set("System", "DPI", "120");
    ASSERT_EQ(ini.Save(), Save::Saved);
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);

    const mode_t old = ::umask(027);
    CSettingsFile fresh;
    EXPECT_EQ(fresh.Load(dir.File("new.ini")), Load::Missing);
    fresh.Set("System", "DPI", "96");
    EXPECT_EQ(fresh.Save(), Save::Saved);
    ::umask(old);
    EXPECT_EQ(StatOf(dir.File("new.ini")).st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFile(dir.File("new.ini")), "[System]\nDPI=96\n");
}

// What is not a regular file of at most 1 MiB that its owner may write is left alone: no
// hang, no memory, no write; the settings are the defaults.
TEST(SettingsFile, FilesThatAreLeftAlone) {
    TempDir dir;
    const std::string exact(CSettingsFile::kMaxBytes, 'x');
    ASSERT_TRUE(WriteFile(dir.File("exact.ini"), "[System]\nDPI=96\n" + exact.substr(16)));
    ASSERT_TRUE(WriteFile(dir.File("large.ini"), "[System]\nDPI=96\n" + exact.substr(15)));
    ASSERT_EQ(::mkfifo(dir.File("fifo.ini").c_str(), 0644), 0);
    ASSERT_EQ(::mkdir(dir.File("folder.ini").c_str(), 0755), 0);
    ASSERT_TRUE(WriteFile(dir.File("readonly.ini"), "[System]\nDPI=96\n"));
    ASSERT_EQ(::chmod(dir.File("readonly.ini").c_str(), 0444), 0);

    CSettingsFile ini;
    EXPECT_EQ(ini.Load(dir.File("exact.ini")), Load::Loaded);
    EXPECT_TRUE(ini.Set("System", "DPI", "120"));

    struct Case {
        const char* name;
        Load load;
        Save save;
    } const cases[] = {
        {"large.ini", Load::TooLarge, Save::LeftAlone},
        {"fifo.ini", Load::NotRegular, Save::LeftAlone},
        {"folder.ini", Load::NotRegular, Save::LeftAlone},
        {"readonly.ini", Load::Loaded, Save::LeftAlone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.name);
        const struct stat before = StatOf(path);
        const std::string bytes = S_ISREG(before.st_mode) ? ReadFile(path) : "";
        CSettingsFile left;
        EXPECT_EQ(left.Load(path), c.load);
        std::string value;
        EXPECT_EQ(left.Get("System", "DPI", value), c.load == Load::Loaded);
        left.Set("System", "DPI", "120");
        EXPECT_EQ(left.Save(), c.save);
        const struct stat after = StatOf(path);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        if (S_ISREG(before.st_mode)) {
            EXPECT_EQ(ReadFile(path), bytes);
        }
        EXPECT_FALSE(WriteDpiSetting(path, 120));
    }
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 5u);  // no temporary file left behind
}

// A symbolic link at the settings path is read through but neither written through nor
// replaced; a dangling one creates nothing at its target.
TEST(SettingsFile, SymbolicLinksAreNotWrittenThrough) {
    TempDir dir;
    ASSERT_TRUE(WriteFile(dir.File("target.ini"), "[System]\nDPI=96\n"));
    ASSERT_EQ(::symlink("target.ini", dir.File("config.ini").c_str()), 0);
    ASSERT_EQ(::symlink("elsewhere.ini", dir.File("dangling.ini").c_str()), 0);

    CSettingsFile ini;
    ASSERT_EQ(ini.Load(dir.File("config.ini")), Load::Loaded);
    std::string dpi;
    EXPECT_TRUE(ini.Get("System", "DPI", dpi));
    EXPECT_EQ(dpi, "96");
    EXPECT_TRUE(ini.Set("System", "DPI", "120"));
    EXPECT_EQ(ini.Save(), Save::LeftAlone);
    EXPECT_TRUE(S_ISLNK(StatOf(dir.File("config.ini")).st_mode));
    EXPECT_EQ(ReadFile(dir.File("target.ini")), "[System]\nDPI=96\n");

    CSettingsFile dangling;
    EXPECT_EQ(dangling.Load(dir.File("dangling.ini")), Load::Missing);
    EXPECT_TRUE(dangling.Set("System", "DPI", "120"));
    EXPECT_EQ(dangling.Save(), Save::LeftAlone);
    EXPECT_TRUE(S_ISLNK(StatOf(dir.File("dangling.ini")).st_mode));
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 3u);
    EXPECT_FALSE(WriteDpiSetting(dir.File("dangling.ini"), 120));
}

// A folder the player may not write, and a disk that fills up half way: the old file stays
// whole and no temporary file is left.
TEST(SettingsFile, AFailedWriteLeavesTheOldFileWhole) {
    TempDir dir;
    const std::string path = dir.File("config.ini");
    const std::string old = "; mine\n[System]\nDPI=96\n";
    ASSERT_TRUE(WriteFile(path, old));
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);  // the file may be written, its folder not
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    EXPECT_EQ(RunUnprivileged([&] {
                  CSettingsFile ini;
                  if (ini.Load(path) != Load::Loaded || !ini.Set("System", "DPI", "120"))
                      return 1;
                  return ini.Save() == Save::Failed ? 0 : 2;
              }),
              0);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    EXPECT_EQ(ReadFile(path), old);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {4096, 4096};  // files may not grow past 4 KiB
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CSettingsFile ini;
        if (ini.Load(path) != Load::Loaded || !ini.Set("System", "Big", std::string(8192, 'b')))
            ::_exit(1);
        ::_exit(ini.Save() == Save::Failed ? 0 : 2);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"config.ini"});
}

TEST(DpiSetting, ANewFileAndAnExistingOne) {
    TempDir dir;
    const std::string path = dir.File("config.ini");
    EXPECT_TRUE(WriteDpiSetting(path, 120));
    EXPECT_EQ(ReadFile(path), "[System]\nDPI=120\n");

    ASSERT_TRUE(WriteFile(path, "; keep me\r\n[system]\r\nLast=C:\\dir\\x\r\ndpi=96\r\n"));
    EXPECT_TRUE(WriteDpiSetting(path, 144));
    EXPECT_EQ(ReadFile(path), "; keep me\r\n[system]\r\nLast=C:\\dir\\x\r\ndpi=144\r\n");

    const ino_t inode = StatOf(path).st_ino;
    EXPECT_TRUE(WriteDpiSetting(path, 144));  // already so: not written
    EXPECT_EQ(StatOf(path).st_ino, inode);
}

// ---------------------------------------------------------------------------
// The window's section.

TEST(WindowSettings, RoundTripChangesOnlyItsOwnSection) {
    TempDir dir;
    const std::string path = dir.File("config.ini");
    const std::string before = "; mine\r\n[System]\r\nDPI=96\r\n\r\n[Window]\r\nTheme=dark\r\n";
    ASSERT_TRUE(WriteFile(path, before));
    tagWindowSettings s;
    s.hasGeometry = true;
    s.x = -8;
    s.y = 20;
    s.width = 1280;
    s.height = 700;
    s.hasMaximized = true;
    s.maximized = true;
    s.sidePanelWidth = 420;
    s.playlistHeight = 0;
    ASSERT_TRUE(WriteWindowSettings(path, s));
    EXPECT_EQ(ReadFile(path),
              "; mine\r\n[System]\r\nDPI=96\r\n\r\n[Window]\r\nTheme=dark\r\n"
              "Geometry=-8,20,1280,700\r\nMaximized=1\r\nSidePanelWidth=420\r\n"
              "PlaylistHeight=0\r\n");
    const tagWindowSettings back = ReadWindowSettings(path);
    EXPECT_TRUE(back.hasGeometry);
    EXPECT_EQ(back.x, -8);
    EXPECT_EQ(back.y, 20);
    EXPECT_EQ(back.width, 1280);
    EXPECT_EQ(back.height, 700);
    EXPECT_TRUE(back.hasMaximized && back.maximized);
    EXPECT_EQ(back.sidePanelWidth, 420);
    EXPECT_EQ(back.playlistHeight, 0);

    // Unset values leave their lines alone.
    tagWindowSettings only;
    only.hasMaximized = true;
    ASSERT_TRUE(WriteWindowSettings(path, only));
    const tagWindowSettings again = ReadWindowSettings(path);
    EXPECT_FALSE(again.maximized);
    EXPECT_TRUE(again.hasGeometry);
    EXPECT_EQ(again.sidePanelWidth, 420);
}

TEST(WindowSettings, MalformedOrAbsurdValuesReadAsNotSaved) {
    struct {
        const char* line;
        bool geometry;
        int panel;
    } const cases[] = {
        {"Geometry=10,20,800,600", true, -1},
        {"Geometry=10,20,800", false, -1},
        {"Geometry=10,20,800,600,5", false, -1},
        {"Geometry=10,20,0,600", false, -1},
        {"Geometry=10,20,800,100001", false, -1},
        {"Geometry=10,,800,600", false, -1},
        {"Geometry=1e3,20,800,600", false, -1},
        {"Geometry=99999999999999999999,0,800,600", false, -1},
        {"Geometry=10, 20,800,600", false, -1},
        {"Geometry=10,20,800,600,", false, -1},
        {"SidePanelWidth=-5", false, -1},
        {"SidePanelWidth=12x", false, -1},
        {"SidePanelWidth=300", false, 300},
    };
    TempDir dir;
    const std::string path = dir.File("config.ini");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(WriteFile(path, "[Window]\n"s + c.line + "\nMaximized=2\n"));
        const tagWindowSettings s = ReadWindowSettings(path);
        EXPECT_EQ(s.hasGeometry, c.geometry);
        EXPECT_EQ(s.sidePanelWidth, c.panel);
        EXPECT_FALSE(s.hasMaximized);
    }
    // No file, or a folder in its place: nothing saved, nothing written over the folder.
    EXPECT_FALSE(ReadWindowSettings(dir.File("none.ini")).hasGeometry);
    ASSERT_EQ(mkdir(dir.File("folder.ini").c_str(), 0755), 0);
    tagWindowSettings s;
    s.hasMaximized = true;
    EXPECT_FALSE(WriteWindowSettings(dir.File("folder.ini"), s));
}

}  // namespace
