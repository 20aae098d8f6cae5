// The box-nesting check that stands between a recording and libvlc's recursive MP4 reader.
#include "BoxNesting.h"

#include "BoxWriter.h"
#include "ByteSource.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

void PrintTo(BoxNestingVerdict v, std::ostream* os) {
    static const char* const kNames[] = {"Acceptable", "TooDeep", "TooManyBoxes"};
    *os << kNames[int(v)];
}

namespace {

using namespace velto::testing;

BoxNesting Measure(const Bytes& file) {
    MemoryByteSource src(file);
    return MeasureBoxNesting(src);
}

// `levels` boxes, each inside the one before, each written by `open` around its content.
Bytes Nest(int levels, const std::function<Bytes(const Bytes&)>& open) {
    Bytes inner;
    for (int i = 0; i < levels; ++i)
        inner = open(inner);
    return inner;
}

// A video entry: 78 bytes of its own fields, then its boxes.
Bytes VisualEntry(const char* type, const Bytes& boxes) {
    return Box(type, Concat({Zeros(78), boxes}));
}
// A sound entry of the given version: 28, 44 or 64 bytes of its own fields.
Bytes SoundEntry(const char* type, uint16_t version, const Bytes& boxes) {
    Bytes fields = Zeros(version == 0 ? 28 : version == 1 ? 44 : 64);
    fields[8] = uint8_t(version >> 8);
    fields[9] = uint8_t(version);
    return Box(type, Concat({fields, boxes}));
}
Bytes Stsd(const Bytes& entries) {
    return Box("stsd", Concat({U32BE({0, 1}), entries}));
}
Bytes FullMeta(const Bytes& boxes) {
    return Box("meta", Concat({U32BE({0}), boxes}));
}

// A camera-like movie: video and sound tracks with their sample descriptions, edit lists,
// and user data with an ISO metadata list. Deepest: moov/trak/mdia/minf/stbl/stsd/mp4a/wave/esds.
Bytes CameraLikeRecording() {
    BoxWriter w;
    w.Raw(FtypBox()).Leaf("mdat", Zeros(64)).Open("moov").Raw(MvhdBox());
    w.Open("trak").Leaf("tkhd", Zeros(84)).Open("edts").Leaf("elst", Zeros(16)).Close();
    w.Open("mdia").Raw(MdhdBox(30000, 450000)).Leaf("hdlr", Zeros(24));
    w.Open("minf").Leaf("vmhd", Zeros(12));
    w.Open("dinf").Open("dref").U32(0).U32(1).Leaf("url ", U32BE({1})).Close().Close();
    w.Open("stbl").Raw(
        Stsd(VisualEntry("avc1", Concat({Box("avcC", Zeros(40)), Box("pasp", Zeros(8))}))));
    w.Raw(StszBox({10, 20})).Raw(StcoBox({48}));
    w.Close().Close().Close().Close();  // stbl, minf, mdia, trak
    w.Raw(TrakBox(
        Concat({Stsd(SoundEntry("mp4a", 1, Box("wave", Box("esds", Zeros(30))))), StcoBox({40})})));
    w.Open("udta").Leaf("tag ", Text("ICAT"));
    w.Raw(FullMeta(
        Concat({Box("hdlr", Zeros(24)), Box("ilst", Box("\xa9too", Box("data", Zeros(12))))})));
    w.Close().Close();  // udta, moov
    return w.Data();
}

TEST(BoxNesting, DepthOfRecordingsAndNests) {
    const Bytes deep = NestedBoxesRecording(7000);
    const TelemetryRecord record = {1, 2, 3, "$GPRMC,1,A,2232.1234,N,11403.12345,W,1,2,3"};
    const uint8_t key[8] = {'1', '2', '3', '4', '5', '6', '7', '8'};
    struct Case {
        const char* name;
        Bytes file;
        BoxNestingVerdict verdict;
        int depth;
    } const cases[] = {
        {"7,000 nested trak (56 KB)", deep, BoxNestingVerdict::TooDeep, kMaxBoxNesting + 1},
        {"deepest box at the bound", NestedBoxesRecording(kMaxBoxNesting - 1),
         BoxNestingVerdict::Acceptable, kMaxBoxNesting},
        {"one level past the bound", NestedBoxesRecording(kMaxBoxNesting),
         BoxNestingVerdict::TooDeep, kMaxBoxNesting + 1},
        {"camera-like movie", CameraLikeRecording(), BoxNestingVerdict::Acceptable, 9},
        {"text-track layout", TextTrackRecording({TextChunk(TabLine(record))}),
         BoxNestingVerdict::Acceptable, 6},
        {"header-block layout", HeaderBlockRecording(key, {record}, true),
         BoxNestingVerdict::Acceptable, 2},
        {"user-data index layout", UserDataIndexRecording({FixedRecord(record)}),
         BoxNestingVerdict::Acceptable, 3},
        {"empty file", {}, BoxNestingVerdict::Acceptable, 0},
        {"not boxes at all", Text("just some text that is no recording at all"),
         BoxNestingVerdict::Acceptable, 1},
        // Media data and unknown boxes are skipped whole, whatever they hold.
        {"a nest inside mdat", Concat({FtypBox(), Box("mdat", NestedBoxesRecording(100))}),
         BoxNestingVerdict::Acceptable, 1},
        {"a nest inside an unknown box", Box("moov", Box("xyzw", NestedBoxesRecording(100))),
         BoxNestingVerdict::Acceptable, 2},
        // Every way libvlc's reader goes down counts.
        {"meta and ilst, ISO style",
         Nest(40, [](const Bytes& in) { return FullMeta(Box("ilst", in)); }),
         BoxNestingVerdict::TooDeep, kMaxBoxNesting + 1},
        {"meta, QuickTime style (no version word)",
         Nest(40,
              [](const Bytes& in) {
                  return Box("meta", Concat({Box("hdlr", Zeros(24)), in}));
              }),
         BoxNestingVerdict::TooDeep, kMaxBoxNesting + 1},
        {"metadata items hold boxes",
         Nest(40, [](const Bytes& in) { return Box("ilst", Box("----", in)); }),
         BoxNestingVerdict::TooDeep, kMaxBoxNesting + 1},
        {"video sample entries",
         Nest(40, [](const Bytes& in) { return Stsd(VisualEntry("avc1", in)); }),
         BoxNestingVerdict::TooDeep, kMaxBoxNesting + 1},
        {"sound sample entries, version 2",
         Nest(40, [](const Bytes& in) { return Stsd(SoundEntry("mp4a", 2, in)); }),
         BoxNestingVerdict::TooDeep, kMaxBoxNesting + 1},
        {"fragments", Nest(40, [](const Bytes& in) { return Box("moof", Box("traf", in)); }),
         BoxNestingVerdict::TooDeep, kMaxBoxNesting + 1},
        {"data references",
         Nest(40,
              [](const Bytes& in) {
                  return Box("dinf", Box("dref", Concat({U32BE({0, 1}), in})));
              }),
         BoxNestingVerdict::TooDeep, kMaxBoxNesting + 1},
        {"size 0: to the end of the parent",
         Nest(40,
              [](const Bytes& in) {
                  return Concat({RawHeader(0, "trak"), in});
              }),
         BoxNestingVerdict::TooDeep, kMaxBoxNesting + 1},
        {"size 1: 64-bit size",
         Nest(40,
              [](const Bytes& in) {
                  return Concat({RawHeader(1, "udta"), U32BE({0, uint32_t(in.size() + 16)}), in});
              }),
         BoxNestingVerdict::TooDeep, kMaxBoxNesting + 1},
        {"children claiming more than their parent",
         Nest(40,
              [](const Bytes& in) {
                  return Concat({RawHeader(0x7FFFFFFF, "mdia"), in});
              }),
         BoxNestingVerdict::TooDeep, kMaxBoxNesting + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BoxNesting n = Measure(c.file);
        EXPECT_EQ(n.verdict, c.verdict);
        EXPECT_EQ(n.depth, c.depth);
    }
    // The walk over the deep file stops where the bound is passed.
    EXPECT_LE(Measure(deep).boxes, uint64_t(kMaxBoxNesting + 2));
}

// A deep file cut anywhere: refused as soon as the cut keeps a box past the bound, accepted
// before; a well-formed recording cut anywhere stays acceptable and never nests deeper.
TEST(BoxNesting, TruncationAtEveryByte) {
    const Bytes deep = NestedBoxesRecording(200);
    const size_t firstTooDeep = FtypBox().size() + 8 * size_t(kMaxBoxNesting + 1);
    for (size_t n = 0; n <= 600; ++n) {
        const BoxNesting r = Measure(Bytes(deep.begin(), deep.begin() + ptrdiff_t(n)));
        ASSERT_EQ(r.verdict,
                  n >= firstTooDeep ? BoxNestingVerdict::TooDeep : BoxNestingVerdict::Acceptable)
            << n;
    }
    const Bytes camera = CameraLikeRecording();
    for (size_t n = 0; n <= camera.size(); ++n) {
        const BoxNesting r = Measure(Bytes(camera.begin(), camera.begin() + ptrdiff_t(n)));
        ASSERT_EQ(r.verdict, BoxNestingVerdict::Acceptable) << n;
        ASSERT_LE(r.depth, 9) << n;
    }
}

// A size of 2 to 7 cannot hold a header: it ends its level (libvlc's reader stops there
// too), and the walk goes on with the parent's next sibling.
TEST(BoxNesting, SizesTooSmallForAHeaderEndTheirLevel) {
    for (uint32_t size = 2; size < 8; ++size) {
        SCOPED_TRACE(size);
        const Bytes file = Concat({Box("moov", Concat({RawHeader(size, "trak"), Box("trak")})),
                                   Box("udta", Box("meta", U32BE({0})))});
        const BoxNesting r = Measure(file);
        EXPECT_EQ(r.verdict, BoxNestingVerdict::Acceptable);
        EXPECT_EQ(r.depth, 2);
        EXPECT_EQ(r.boxes, 3u);  // moov, udta, meta
    }
}

TEST(BoxNesting, TheNumberOfHeadersReadIsBounded) {
    Bytes flat;
    flat.reserve(8 * kMaxBoxesVisited);
    for (uint64_t i = 0; i < kMaxBoxesVisited; ++i)
        AppendBytes(flat, Box("free"));
    const BoxNesting r = Measure(flat);
    EXPECT_EQ(r.verdict, BoxNestingVerdict::TooManyBoxes);
    EXPECT_EQ(r.boxes, kMaxBoxesVisited);

    flat.resize(8 * (kMaxBoxesVisited - 1));
    EXPECT_EQ(Measure(flat).verdict, BoxNestingVerdict::Acceptable);
}

TEST(BoxNesting, FilesByPath) {
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    EXPECT_FALSE(HasAcceptableBoxNesting(dir.Write("DEEP.MP4", NestedBoxesRecording(7000))));
    EXPECT_TRUE(HasAcceptableBoxNesting(dir.Write("GOOD.MP4", CameraLikeRecording())));
    EXPECT_TRUE(HasAcceptableBoxNesting(dir.Write("EMPTY.MP4", {})));
    // What is not a readable regular file is not accepted (a FIFO without waiting).
    ASSERT_EQ(::mkfifo(dir.File("FIFO.MP4").c_str(), 0644), 0);
    EXPECT_FALSE(HasAcceptableBoxNesting(dir.File("FIFO.MP4")));
    EXPECT_FALSE(HasAcceptableBoxNesting(dir.Path()));
    EXPECT_FALSE(HasAcceptableBoxNesting(dir.File("MISSING.MP4")));
    EXPECT_FALSE(HasAcceptableBoxNesting(""));
}

}  // namespace
