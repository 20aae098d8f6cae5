// The one entry point: detection order, the specified layouts unchanged through it, the rule
// "plausible user-data index", and the real recordings that no tag chooses.
#include "BoxWriter.h"
#include "ByteSource.h"
#include "ChipsetProbe.h"
#include "ExifToolOracle.h"
#include "Extraction.h"
#include "FileList.h"
#include "FormatRegistry.h"
#include "TelemetryStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace {

using namespace velto::testing;

TelemetryRecord Second(int i) {
    return {i, 2 * i, -i,
            "$GPRMC,101530.25,A,2232.1234,N,11403.12345,W," + std::to_string(i) + ",45.5,230394"};
}

std::vector<Bytes> FixedRecords(int count) {
    std::vector<Bytes> out;
    for (int i = 0; i < count; ++i)
        out.push_back(FixedRecord(Second(i)));
    return out;
}

void ExpectSameSamples(const TelemetryStore& a, const TelemetryStore& b) {
    ASSERT_EQ(a.GetCount(), b.GetCount());
    tagAssistInfo x, y;
    for (int i = 0; i < a.GetCount(); ++i) {
        a.GetSample(i, x);
        b.GetSample(i, y);
        EXPECT_EQ(std::memcmp(&x.accelX, &y.accelX, 3 * sizeof(float)), 0) << i;
        EXPECT_EQ(x.latitude, y.latitude) << i;
        EXPECT_EQ(x.longitude, y.longitude) << i;
        EXPECT_EQ(x.speed, y.speed) << i;
        EXPECT_EQ(x.course, y.course) << i;
        EXPECT_EQ(x.utcMillis, y.utcMillis) << i;
    }
}

struct Layout {
    const char* name;
    ChipsetKind kind;
    Bytes file;
};

std::vector<Layout> TaggedLayouts() {
    const uint8_t key[8] = {'3', '1', '4', '1', '5', '9', '2', '6'};
    std::vector<Bytes> chunks;
    for (int i = 0; i < 3; ++i)
        chunks.push_back(TextChunk(TabLine(Second(i))));
    return {
        {"text track", ChipsetKind::TextTrack, TextTrackRecording(chunks)},
        {"header blocks", ChipsetKind::HeaderBlocks,
         HeaderBlockRecording(key, {Second(0), Second(1)})},
        {"interleaved", ChipsetKind::Interleaved,
         InterleavedSecondTrackRecording(FixedRecords(3)).Flatten()},
        {"user-data index", ChipsetKind::UserDataIndex, UserDataIndexRecording(FixedRecords(3))},
        {"sidecar default", ChipsetKind::UserDataIndexFallback,
         UserDataIndexRecording(FixedRecords(2))},
    };
}

TEST(ReadTelemetry, DecidedKindsReadTheirLayoutAsExtractForKind) {
    TempDir dir;
    for (const Layout& l : TaggedLayouts()) {
        const std::string path = dir.Write("rec.MOV", l.file);
        TelemetryStore viaTable, viaEntry;
        const int count = ExtractForKind(viaTable, l.kind, path);
        const TelemetryReading r = ReadTelemetry(viaEntry, path, l.kind, true);
        EXPECT_GT(count, 0) << l.name;
        EXPECT_EQ(r.count, count) << l.name;
        EXPECT_EQ(r.format, FormatForKind(l.kind)) << l.name;
        EXPECT_STREQ(r.name, FormatName(r.format)) << l.name;
        ExpectSameSamples(viaEntry, viaTable);
    }
}

TEST(ReadTelemetry, SpecifiedLayoutsKeepTheRmcTime) {
    const Bytes recording = UserDataIndexRecording(FixedRecords(2));
    MemoryByteSource src(recording);
    TelemetryStore store;
    ASSERT_EQ(ReadTelemetry(store, src, "", ChipsetKind::UserDataIndex, true).count, 2);
    tagAssistInfo s;
    store.GetSample(1, s);
    // 1994-03-23 10:15:30.250 UTC
    EXPECT_EQ(s.utcMillis, 764417730250);
    EXPECT_EQ(s.latitude, "22.535390");
}

// An untagged recording: the user-data index is read only when it looks as the layout writes
// it.
TEST(ReadTelemetry, UntaggedUserDataIndexNeedsThePlausibleRule) {
    Bytes outside = UserDataIndexRecording(FixedRecords(2));
    // The last pair's base points past the end of the file.
    PutU32BE(outside, outside.size() - 8, uint32_t(outside.size()));
    Bytes notNmea =
        UserDataIndexRecording({FixedRecord(Second(0)), FixedRecord({1, 1, 1, "hello"})});
    const struct {
        const char* name;
        Bytes file;
        bool read;
    } cases[] = {
        {"plausible", UserDataIndexRecording(FixedRecords(3)), true},
        {"GGA only",
         UserDataIndexRecording({FixedRecord({0, 0, 0, "$GPGGA,1,2232.1234,N,11403.12345,E,1"})}),
         true},
        {"count 0", UserDataIndexRecording(FixedRecords(2), 0), false},
        {"count 501 (was read as 200)", UserDataIndexRecording(FixedRecords(2), 501), false},
        {"negative count", UserDataIndexRecording(FixedRecords(2), -1), false},
        {"more entries than pairs", UserDataIndexRecording(FixedRecords(2), 3), false},
        {"record past the file", outside, false},
        {"record that is no sentence", notNmea, false},
    };
    for (const auto& c : cases) {
        MemoryByteSource src(c.file);
        EXPECT_EQ(UserDataIndexIsPlausible(src), c.read) << c.name;
        TelemetryStore store;
        const TelemetryReading r = ReadTelemetry(store, src, "", ChipsetKind::UserDataIndex, false);
        EXPECT_EQ(r.format, c.read ? TelemetryFormatId::UserDataIndex : TelemetryFormatId::None)
            << c.name;
        EXPECT_EQ(r.count, store.GetCount()) << c.name;
        EXPECT_EQ(store.GetCount() > 0, c.read) << c.name;
    }
}

TEST(ReadTelemetry, UnopenablePathsFail) {
    TempDir dir;
    TelemetryStore store;
    store.AddSample(tagAssistInfo());
    EXPECT_EQ(ReadTelemetry(store, "a.b", ChipsetKind::UserDataIndex, false).count, -1);
    EXPECT_EQ(store.GetCount(), 0);
    EXPECT_EQ(ReadTelemetry(store, dir.Path(), ChipsetKind::TextTrack, true).count, -1);
    EXPECT_EQ(ReadTelemetry(store, dir.File("missing.MP4"), ChipsetKind::TextTrack, true).count,
              -1);
}

TEST(ReadTelemetry, EntryKindIsDecidedBySidecarOrTag) {
    tagFileNode node;
    EXPECT_FALSE(KindDecided(node));
    node.eChipsetTag = ChipsetTag::UserData;
    EXPECT_TRUE(KindDecided(node));
    node.eChipsetTag = ChipsetTag::None;
    node.strDatPath = "/x/gps/a.DAT";
    EXPECT_TRUE(KindDecided(node));
}

TEST(FormatRegistry, RowsAreUniqueAndTheLayoutsComeFirst) {
    std::vector<TelemetryFormatId> seen;
    bool cameraFormatSeen = false;
    for (const FormatRow* row = FormatRegistryBegin(); row != FormatRegistryEnd(); ++row) {
        ASSERT_NE(row->format, nullptr);
        EXPECT_EQ(row->format->Id(), row->id);
        EXPECT_GT(std::strlen(row->format->Name()), 3u);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), row->id), 0);
        if (IsChipsetLayoutFormat(row->id))
            EXPECT_FALSE(cameraFormatSeen) << row->format->Name();
        else
            cameraFormatSeen = true;
        seen.push_back(row->id);
    }
    for (int k = 0; k <= ChipsetKindNumber(kHighestChipsetKind); ++k)
        EXPECT_NE(FormatById(FormatForKind(ChipsetKind(k))), nullptr) << k;
    EXPECT_EQ(FormatById(TelemetryFormatId::None), nullptr);
}

// Neither real recording carries a tag; neither may be read as a user-data index (the GoPro
// clip's box after "udta" once gave 200 all-zero samples).
TEST(RealRecordings, NoUserDataIndexWithoutATag) {
    for (const char* name : {"gopro-gpmf.mp4", "70mai-gps-box.MP4"}) {
        const std::string path = std::string(VELTO_REALCAMS_DIR) + "/" + name;
        CFileList list;
        list.AddFile(path, nullptr, ".MP4");
        tagFileNode node;
        ASSERT_EQ(list.GetEntry(0, node), 0);
        EXPECT_FALSE(KindDecided(node)) << name;
        TelemetryStore store;
        const TelemetryReading r = ReadEntryTelemetry(store, node);
        ASSERT_GE(r.count, 0) << name << ": missing from " << VELTO_REALCAMS_DIR;
        EXPECT_NE(r.format, TelemetryFormatId::UserDataIndex) << name;
    }
}

}  // namespace

namespace {

// The oracle itself, on the real recordings: it reads the fixes that the reference lists
// (made with the same ExifTool command) hold, in the same order.
TEST(ExifToolOracle, ReadsTheRealRecordingsAsTheirReference) {
    for (const char* name : {"gopro-gpmf", "70mai-gps-box"}) {
        const std::string base = std::string(VELTO_REALCAMS_DIR) + "/" + name;
        const OracleReading r =
            RunExifTool(base + (std::string(name) == "gopro-gpmf" ? ".mp4" : ".MP4"));
        ASSERT_TRUE(r.ran) << r.error;
        std::ifstream reference(base + ".exiftool.csv");
        ASSERT_TRUE(reference.good()) << base;
        std::string line;
        std::getline(reference, line);  // header
        size_t i = 0;
        while (std::getline(reference, line)) {
            const size_t c1 = line.find(','), c2 = line.find(',', c1 + 1);
            ASSERT_LT(i, r.fixes.size()) << name;
            EXPECT_NEAR(r.fixes[i].latitude, std::stod(line.substr(c1 + 1, c2 - c1 - 1)), 1e-9);
            EXPECT_NEAR(r.fixes[i].longitude, std::stod(line.substr(c2 + 1)), 1e-9);
            EXPECT_EQ(r.fixes[i].dateTime.substr(0, 19), line.substr(0, 19)) << name << " " << i;
            ++i;
        }
        EXPECT_EQ(i, r.fixes.size()) << name;
        EXPECT_GT(i, 40u) << name;
    }
}

}  // namespace
