#include "AssistInfo.h"
#include "BoxWriter.h"
#include "Extraction.h"
#include "TelemetryStore.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace velto::testing;

tagAssistInfo Sample(const char* lat, const char* lng) {
    tagAssistInfo s;
    s.latitude = lat;
    s.longitude = lng;
    s.speed = 50;
    s.course = 90.0;
    s.accelX = 0.5f;
    return s;
}

TEST(TelemetryStore, GetSampleInAndOutOfRange) {
    TelemetryStore store;
    tagAssistInfo out = Sample("1", "2");
    out.course = 12.5;
    EXPECT_EQ(store.GetCount(), 0);
    EXPECT_EQ(store.GetSample(0, out), -1);
    EXPECT_EQ(out.latitude, "0");
    EXPECT_EQ(out.longitude, "0");
    EXPECT_EQ(out.speed, 0);
    EXPECT_EQ(out.accelX, 0.0f);
    EXPECT_EQ(out.course, 12.5);  // left as it was

    store.AddSample(Sample("22.535390", "-114.0520575"));
    for (int bad : {-1, 1}) {
        out.course = 3.0;
        EXPECT_EQ(store.GetSample(bad, out), -1);
        EXPECT_EQ(out.course, 3.0);
    }
    EXPECT_EQ(store.GetSample(0, out), 0);
    EXPECT_EQ(out.latitude, "22.535390");
    EXPECT_EQ(out.course, 90.0);
    EXPECT_EQ(out.accelX, 0.5f);
    store.Clear();
    EXPECT_EQ(store.GetCount(), 0);
}

TEST(TelemetryStore, UsablePosition) {
    EXPECT_TRUE(HasUsablePosition(Sample("22.535390", "-114.0520575")));
    EXPECT_FALSE(HasUsablePosition(Sample("0", "114.052057")));
    EXPECT_FALSE(HasUsablePosition(Sample("22.535390", "")));
    EXPECT_FALSE(HasUsablePosition(Sample("1.2345", "1.2345")));  // 6 characters
    EXPECT_TRUE(HasUsablePosition(Sample("1.23456", "1.23456")));
}

TEST(TelemetryStore, ShortPathOrUnopenableFileEmptiesTheStoreAndFails) {
    TelemetryStore store;
    using PathExtraction = int (TelemetryStore::*)(const std::string&);
    for (PathExtraction extract : std::initializer_list<PathExtraction>{
             &TelemetryStore::ExtractTextTrack, &TelemetryStore::ExtractHeaderBlocks,
             &TelemetryStore::ExtractInterleaved, &TelemetryStore::ExtractUserDataIndex}) {
        store.AddSample(Sample("1", "2"));
        EXPECT_EQ((store.*extract)("a.b"), -1);
        EXPECT_EQ(store.GetCount(), 0);
        store.AddSample(Sample("1", "2"));
        EXPECT_EQ((store.*extract)("/nonexistent/velto/x.MOV"), -1);
        EXPECT_EQ(store.GetCount(), 0);
    }
    EXPECT_EQ(store.ExtractTextTrack("é.MO"), -1);  // 4 characters, but no such file
    EXPECT_EQ(store.ExtractTextTrack("éé"), -1);    // 4 bytes, 2 characters
}

TEST(Extraction, KindTable) {
    struct Row {
        int kind;
        const char* name;
    } rows[] = {{1, "ExtractTextTrack"},      {2, "ExtractTextTrack"},
                {3, "ExtractHeaderBlocks"},   {4, "ExtractInterleaved"},
                {5, "ExtractUserDataIndex"},  {0, "ExtractUserDataIndex"},
                {-1, "ExtractUserDataIndex"}, {99, "ExtractUserDataIndex"}};
    for (const Row& r : rows)
        EXPECT_STREQ(ExtractionForKind(ChipsetKind(r.kind)).name, r.name) << r.kind;
}

TEST(Extraction, FromFilesWithLongUtf8Paths) {
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    std::string sub = dir.Path();
    for (int i = 0; i < 3; ++i) {  // a path well over 260 bytes
        sub += "/Fahrt-über-die-Brücke-" + std::string(80, 'x');
        ASSERT_TRUE(std::filesystem::create_directory(sub));
    }
    const std::string path = sub + "/Aufnahme-ß.MOV";
    ASSERT_GT(path.size(), 260u);

    const TelemetryRecord r = {1, 2, 3, "$GPRMC,1,A,2232.1234,N,11403.12345,W,1,2,3"};
    const uint8_t key[8] = {};
    const Bytes files[] = {TextTrackRecording({TextChunk(TabLine(r))}),
                           HeaderBlockRecording(key, {r}), Bytes(),
                           UserDataIndexRecording({FixedRecord(r)})};
    const int kinds[] = {1, 3, 4, 5};
    TelemetryStore store;
    for (int i = 0; i < 4; ++i) {
        if (kinds[i] == 4) {
            ASSERT_TRUE(InterleavedSecondTrackRecording({FixedRecord(r)}).WriteTo(path));
        } else {
            ASSERT_TRUE(TempDir::WriteFile(path, files[i]));
        }
        EXPECT_EQ(ExtractForKind(store, ChipsetKind(kinds[i]), path), 1) << kinds[i];
        tagAssistInfo s;
        store.GetSample(0, s);
        EXPECT_EQ(s.latitude, "22.535390") << kinds[i];
    }
}

}  // namespace
