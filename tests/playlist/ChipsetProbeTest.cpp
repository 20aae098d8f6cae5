#include "ChipsetProbe.h"

#include "ByteSource.h"
#include "FileList.h"
#include "PlaylistTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

using namespace playlist_test;

namespace {

struct ProbeCase {
    const char* name;
    Bytes bytes;
    int kind;
};

Bytes FreeBoxes(int n) {
    Bytes out;
    for (int i = 0; i < n; ++i)
        AppendBytes(out, Box("free", Text("xxxx")));
    return out;
}

Bytes Tail(const std::string& bytes) {
    return Text(bytes);
}

std::vector<ProbeCase> ProbeCases() {
    const Bytes a7l = UserData("cami", "AMBARELLA A7L");
    const Bytes tagV4 = UserData("cami", "AMBAxV4");
    const Bytes sizeZeroTag = Box("udta", Concat({RawHeader(0, "cami"), Text("AMBAxV4")}));
    return {
        {"tail tag beats user-data tag", Concat({Recording(a7l), Tail("ICAT6350")}), 3},
        {"tail ICAT6330", Concat({Recording(MvhdBox()), Tail("ICAT6330")}), 3},
        {"tail with a zero byte is no tag",
         Concat({Recording(a7l), Tail(std::string("ICAT6\0"
                                                  "30",
                                                  8))}),
         2},
        {"AMBARELLA A7L", Recording(a7l), 2},
        {"NT96650A", Recording(UserData("cami", "xxNT96650A")), 4},
        {"NT9665x literal", Recording(UserData("cami", "NT9665x")), 4},
        {"NT9665X is not the literal x", Recording(UserData("cami", "NT9665X")), 5},
        {"NT96651 matches nothing", Recording(UserData("cami", "NT96651")), 5},
        {"AMBAxV4", Recording(tagV4), 1},
        {"AMBARELLA A12", Recording(UserData("cami", "AMBARELLA A12")), 1},
        {"unknown tag", Recording(UserData("cami", "SOMECAM")), 5},
        {"NT96650A searched before AMBAxV4", Recording(UserData("cami", "AMBAxV4 NT96650A")), 4},
        // The buffer starts with the child's type: "NT9666" from offset 4
        // lies in the first eight bytes and is skipped, so AMBAxV4 decides.
        {"NT9666 in the first eight bytes", Recording(UserData("cami", "NT9666 AMBAxV4")), 1},
        {"NT9666 after the eighth byte", Recording(UserData("cami", "abcdNT9666 AMBAxV4")), 5},
        {"zero byte hides the tag", Recording(UserData("cami", std::string("\0AMBAxV4", 8))), 5},
        {"tag beyond 64 bytes is not read",
         Recording(UserData("cami", std::string(60, ' ') + "AMBAxV4")), 5},
        {"tag ending at byte 64 is read",
         Recording(UserData("cami", std::string(53, ' ') + "AMBAxV4")), 1},
        {"mvhd first, unrecognised tag", Recording(Concat({MvhdBox(), UserData("cami", "X")})), 5},
        {"mvhd first, A12 tag", Recording(Concat({MvhdBox(), UserData("cami", "AMBARELLA A12")})),
         1},
        {"udta only, first child size 0", Recording(sizeZeroTag), 0},
        {"mvhd then udta with first child size 0", Recording(Concat({MvhdBox(), sizeZeroTag})), 5},
        {"udta tag cut short by the end of file",
         Concat({Recording(Box("udta")), RawHeader(40, "cami"), Text("AMBAxV4")}), 0},
        {"moov without udta", Recording(Concat({MvhdBox(), Box("trak")})), 5},
        {"moov after 127 boxes", Concat({FreeBoxes(127), Box("moov", tagV4)}), 1},
        {"no moov among the first 128 boxes", Concat({FreeBoxes(128), Box("moov", tagV4)}), 0},
        {"udta after 128 other children of moov", Box("moov", Concat({FreeBoxes(128), tagV4})), 5},
        {"box size below 8 ends the walk", Concat({RawHeader(0, "free"), Box("moov", tagV4)}), 0},
        // The tag box, "udta" and "moov" end with the file (the movie box written last).
        {"tag box ends the file, after mvhd", TagBoxAtEndOfFile("NT96650A"), 4},
        {"tag box ends the file, AMBAxV4", TagBoxAtEndOfFile("AMBAxV4"), 1},
        {"tag box ends the file, udta first", Recording(Box("udta", Box("cami", Text("NT9665x")))),
         4},
        {"tag box ends the file, unknown tag", TagBoxAtEndOfFile("SOMECAM"), 5},
        {"empty file", {}, 0},
        {"shorter than a header", Text("abc"), 0},
    };
}

}  // namespace

TEST(DetectChipset, KindFromTailAndUserDataTags) {
    TempDir dir;
    for (const ProbeCase& c : ProbeCases()) {
        const std::string path = dir.File("clip.MOV");
        TempDir::WriteFile(path, c.bytes);
        EXPECT_EQ(DetectChipset(path), ChipsetKind(c.kind)) << c.name;
        MemoryByteSource memory(c.bytes);
        EXPECT_EQ(DetectChipset(memory), ChipsetKind(c.kind)) << c.name << " (memory)";
    }
}

TEST(ProbeChipset, TellsWhetherATagChoseTheKind) {
    const struct {
        const char* name;
        Bytes bytes;
        ChipsetKind kind;
        ChipsetTag tag;
    } cases[] = {
        {"tail tag", Concat({Recording(MvhdBox()), Text("ICAT6330")}), ChipsetKind::HeaderBlocks,
         ChipsetTag::Tail},
        {"A7L", Recording(UserData("cami", "AMBARELLA A7L")), ChipsetKind::TextTrackA7L,
         ChipsetTag::UserData},
        {"NT9666 chooses 5", Recording(UserData("cami", "abcdNT9666")), ChipsetKind::UserDataIndex,
         ChipsetTag::UserData},
        {"tag box ending the file", TagBoxAtEndOfFile("NT96650A"), ChipsetKind::Interleaved,
         ChipsetTag::UserData},
        {"unknown tag", Recording(UserData("cami", "SOMECAM")), ChipsetKind::UserDataIndex,
         ChipsetTag::None},
        {"no udta", Recording(MvhdBox()), ChipsetKind::UserDataIndex, ChipsetTag::None},
        {"no moov", Concat({FtypBox(), Box("mdat")}), ChipsetKind::UserDataIndexFallback,
         ChipsetTag::None},
    };
    TempDir dir;
    for (const auto& c : cases) {
        MemoryByteSource src(c.bytes);
        const ChipsetProbeResult probe = ProbeChipset(src);
        EXPECT_EQ(probe.kind, c.kind) << c.name;
        EXPECT_EQ(probe.tag, c.tag) << c.name;

        // The playlist entry keeps both.
        const std::string path = dir.Write("CLIP0001.MP4", c.bytes);
        CFileList list;
        list.AddFile(path, nullptr, ".MP4");
        tagFileNode node;
        ASSERT_EQ(list.GetEntry(0, node), 0);
        EXPECT_EQ(node.nChipset, c.kind) << c.name;
        EXPECT_EQ(node.eChipsetTag, c.tag) << c.name;
    }
}

// Counts what the probe reads.
class CountingSource : public ByteSource {
public:
    explicit CountingSource(const Bytes& bytes) : m_inner(bytes) {}
    size_t ReadAt(uint64_t position, void* dst, size_t count) override {
        ++reads;
        bytesAsked += count;
        return m_inner.ReadAt(position, dst, count);
    }
    uint64_t Size() const override { return m_inner.Size(); }

    size_t reads = 0;
    uint64_t bytesAsked = 0;

private:
    MemoryByteSource m_inner;
};

TEST(ProbeChipset, ReadsHeadersAndTheTagOnly) {
    // A megabyte of media data, 127 boxes before the movie box and 127 children before the
    // user-data box: the most box headers the probe reads.
    Bytes many;
    for (int i = 0; i < 126; ++i)
        AppendBytes(many, Box("free", Bytes(100, 0x22)));
    const Bytes moov =
        Concat({many, MvhdBox(), UserData("cami", std::string(50, 'x') + "NT96650A")});
    const Bytes file = Concat({many, Box("mdat", Bytes(1 << 20, 0x11)), Box("moov", moov)});
    CountingSource src(file);
    EXPECT_EQ(DetectChipset(src), ChipsetKind::Interleaved);
    // Tail, 2 x 128 headers, the tag's size word and at most 64 tag bytes.
    EXPECT_LE(src.bytesAsked, 8u + 2 * 128 * 8 + 4 + 64);
    EXPECT_LE(src.reads, 1u + 2 * 128 + 2);
}

TEST(DetectChipset, UnopenableAndSpecialFilesGiveZeroPromptly) {
    TempDir dir;
    const std::string fifo = dir.File("fifo.MOV");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(DetectChipset(fifo), ChipsetKind(0));  // must not block waiting for a writer
    EXPECT_EQ(DetectChipset(dir.Path()), ChipsetKind(0));
    EXPECT_EQ(DetectChipset("/dev/null"), ChipsetKind(0));
    EXPECT_EQ(DetectChipset(dir.File("missing.MOV")), ChipsetKind(0));
    EXPECT_EQ(DetectChipset(""), ChipsetKind(0));
}

TEST(FindDatFile, CandidatesInOrderAndInAnyCase) {
    struct Case {
        const char* name;
        std::vector<std::string> sidecars;  // relative to the recording's folder
        const char* expected;               // relative; null: not found
    };
    const Case cases[] = {
        {"none", {}, nullptr},
        {"beside", {"CLIP0001.DAT"}, "CLIP0001.DAT"},
        {"in gps", {"gps/CLIP0001.DAT"}, "gps/CLIP0001.DAT"},
        {"beside wins over gps", {"gps/CLIP0001.DAT", "CLIP0001.DAT"}, "CLIP0001.DAT"},
        {"beside in lower case", {"clip0001.dat"}, "clip0001.dat"},
        {"gps folder and name in other case", {"GPS/Clip0001.Dat"}, "GPS/Clip0001.Dat"},
        {"exact name preferred over other case", {"clip0001.dat", "CLIP0001.DAT"}, "CLIP0001.DAT"},
        {"beside in other case wins over exact gps",
         {"gps/CLIP0001.DAT", "clip0001.DAT"},
         "clip0001.DAT"},
        {"other name is no sidecar", {"CLIP0002.DAT", "gps/CLIP0001.DAT.bak"}, nullptr},
    };
    for (const Case& c : cases) {
        TempDir dir;
        ::mkdir((dir.File("gps")).c_str(), 0755);
        ::mkdir((dir.File("GPS")).c_str(), 0755);
        const std::string recording = dir.File("CLIP0001.MOV");
        TempDir::WriteFile(recording, {});
        for (const std::string& s : c.sidecars)
            TempDir::WriteFile(dir.File(s), {});

        std::string datPath = "untouched";
        const DatLookup result = FindDatFile(recording, datPath);
        if (c.expected == nullptr) {
            EXPECT_EQ(result, DatLookup::NotFound) << c.name;
            EXPECT_EQ(datPath, "untouched") << c.name;
        } else {
            EXPECT_EQ(result, DatLookup::Found) << c.name;
            EXPECT_EQ(datPath, dir.File(c.expected)) << c.name;
        }
    }
}

TEST(FindDatFile, SeesSidecarsAddedAndRemovedAfterALookup) {
    // An old folder, whose listing the lookup may keep between calls.
    TempDir dir;
    const std::string recording = dir.File("CLIP0001.MOV");
    TempDir::WriteFile(recording, {});
    SetModificationTime(dir.Path(), 1553688309);
    std::string datPath;
    EXPECT_EQ(FindDatFile(recording, datPath), DatLookup::NotFound);
    EXPECT_EQ(FindDatFile(recording, datPath), DatLookup::NotFound);

    TempDir::WriteFile(dir.File("clip0001.dat"), {});
    EXPECT_EQ(FindDatFile(recording, datPath), DatLookup::Found);
    EXPECT_EQ(datPath, dir.File("clip0001.dat"));

    ::unlink(dir.File("clip0001.dat").c_str());
    SetModificationTime(dir.Path(), 1553688309);
    EXPECT_EQ(FindDatFile(recording, datPath), DatLookup::NotFound);
}

TEST(FindDatFile, ShortPathsAreNotLookedUp) {
    std::string datPath;
    EXPECT_EQ(FindDatFile("", datPath), DatLookup::NotLooked);
    EXPECT_EQ(FindDatFile("abc.MOV", datPath), DatLookup::NotLooked);  // 7 characters
    EXPECT_EQ(FindDatFile("abcd.MOV", datPath), DatLookup::NotFound);  // 8 characters
    EXPECT_TRUE(datPath.empty());
}

class RecordingTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        m_hadTz = tz != nullptr;
        if (m_hadTz)
            m_oldTz = tz;
        // Two hours east of UTC, no daylight saving.
        ::setenv("TZ", "VLT-2", 1);
        ::tzset();
    }
    void TearDown() override {
        if (m_hadTz) {
            ::setenv("TZ", m_oldTz.c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

    // 2019-03-27 12:05:09 UTC, 14:05:09 local.
    static constexpr time_t kModified = 1553688309;

    bool m_hadTz = false;
    std::string m_oldTz;
};

TEST_F(RecordingTimeTest, ModificationOrCreationTimeByExtensionAndKind) {
    TempDir dir;
    const std::string path = dir.File("CLIP.MOV");
    TempDir::WriteFile(path, Text("x"));
    SetModificationTime(path, kModified);
    const std::string modified = "14:05:09 03-27-2019";

    BrokenDownTime created{};
    ASSERT_TRUE(ReadCreationTime(path, created));
    char createdText[64];
    std::snprintf(createdText, sizeof createdText, "%02d:%02d:%02d %02d-%02d-%04d", created.hour,
                  created.minute, created.second, created.month, created.day, created.year);

    EXPECT_EQ(RecordingTimeText(path, ".MP4", ChipsetKind(4)), modified);
    EXPECT_EQ(RecordingTimeText(path, ".MOV", ChipsetKind(1)), modified);
    EXPECT_EQ(RecordingTimeText(path, ".MOV", ChipsetKind(0)), modified);
    EXPECT_EQ(RecordingTimeText(path, ".mov", ChipsetKind(4)),
              modified);  // the rule is case-sensitive
    EXPECT_EQ(RecordingTimeText(path, ".MOV", ChipsetKind(4)), createdText);
    EXPECT_EQ(RecordingTimeText(path, ".MOV", ChipsetKind(5)), createdText);
    // The file was made just now, so a recorded birth time is not in 2019.
    if (created.year != 2019) {
        EXPECT_NE(std::string(createdText), modified);
    }
}

TEST_F(RecordingTimeTest, UnreadableTimeGivesEmptyText) {
    TempDir dir;
    EXPECT_EQ(RecordingTimeText(dir.File("missing.MOV"), ".MOV", ChipsetKind(4)), "");
    EXPECT_EQ(RecordingTimeText(dir.File("missing.MP4"), ".MP4", ChipsetKind(0)), "");
    BrokenDownTime t{};
    EXPECT_FALSE(ReadCreationTime(dir.File("missing.MOV"), t));
}
