#pragma once

// Test support, header-only: writes ISO-BMFF boxes (32-bit big-endian size + four-character
// type + payload, nested to any depth), raw bytes around them, and whole dash-camera
// recordings of each telemetry layout, in memory or in a temporary folder.
//
//   BoxWriter w;
//   w.Open("moov").Leaf("mvhd", Zeros(100)).Open("udta").Leaf("tag ",
//   Text("ICAT")).Close().Close(); w.Text("ICAT6350");                        // a raw tail after
//   the boxes TempDir dir; std::string path = dir.Write("a.MOV", w.Data());
//
// Large recordings (an hour of video) are built as a SparseImage: only the boxes and the
// telemetry records hold bytes, the video data is a hole in the file.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velto::testing {

using Bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------------------------------------
// Words and byte strings

inline void AppendU8(Bytes& b, uint8_t v) {
    b.push_back(v);
}
inline void AppendU16BE(Bytes& b, uint16_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}
inline void AppendU32BE(Bytes& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(uint8_t(v >> s));
}
inline void AppendU16LE(Bytes& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void AppendU32LE(Bytes& b, uint32_t v) {
    for (int s = 0; s <= 24; s += 8)
        b.push_back(uint8_t(v >> s));
}
inline void AppendText(Bytes& b, const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
}
inline void AppendBytes(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}
inline void AppendZeros(Bytes& b, size_t n) {
    b.insert(b.end(), n, 0);
}

inline void PutU32BE(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (24 - 8 * i));
}
inline void PutU32LE(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

inline Bytes Zeros(size_t n) {
    return Bytes(n, 0);
}
inline Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}
inline Bytes U32BE(std::initializer_list<uint32_t> words) {
    Bytes b;
    for (uint32_t w : words)
        AppendU32BE(b, w);
    return b;
}
inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes b;
    for (const Bytes& p : parts)
        AppendBytes(b, p);
    return b;
}

// One box as a value: Box("moov", Concat({Box("mvhd", Zeros(100)), Box("trak", ...)})).
inline Bytes Box(const char* type, const Bytes& payload = {}) {
    Bytes b;
    AppendU32BE(b, uint32_t(payload.size() + 8));
    b.insert(b.end(), type, type + 4);
    AppendBytes(b, payload);
    return b;
}

// A box header with any size field (0, 1, 7, larger than the file ...).
inline Bytes RawHeader(uint32_t size, const char* type) {
    Bytes b;
    AppendU32BE(b, size);
    b.insert(b.end(), type, type + 4);
    return b;
}

// ---------------------------------------------------------------------------------------------
// Streaming writer with nesting: Open() reserves a header, Close() writes its size.

class BoxWriter {
public:
    BoxWriter& Open(const char* type) {
        m_open.push_back(m_data.size());
        AppendU32BE(m_data, 0);
        m_data.insert(m_data.end(), type, type + 4);
        return *this;
    }
    BoxWriter& Close() {
        size_t start = m_open.back();
        m_open.pop_back();
        PutU32BE(m_data, start, uint32_t(m_data.size() - start));
        return *this;
    }
    // Closes the innermost box but writes `size` as its size field.
    BoxWriter& CloseWithSize(uint32_t size) {
        size_t start = m_open.back();
        m_open.pop_back();
        PutU32BE(m_data, start, size);
        return *this;
    }
    BoxWriter& Leaf(const char* type, const Bytes& payload = {}) {
        AppendBytes(m_data, Box(type, payload));
        return *this;
    }
    BoxWriter& Header(uint32_t size, const char* type) {
        AppendBytes(m_data, RawHeader(size, type));
        return *this;
    }
    BoxWriter& U8(uint8_t v) { return AppendU8(m_data, v), *this; }
    BoxWriter& U16(uint16_t v) { return AppendU16BE(m_data, v), *this; }
    BoxWriter& U32(uint32_t v) { return AppendU32BE(m_data, v), *this; }
    BoxWriter& Raw(const Bytes& b) { return AppendBytes(m_data, b), *this; }
    BoxWriter& Text(const std::string& s) { return AppendText(m_data, s), *this; }
    BoxWriter& Zeros(size_t n) { return AppendZeros(m_data, n), *this; }

    size_t Position() const { return m_data.size(); }
    const Bytes& Data() const { return m_data; }
    Bytes& Data() { return m_data; }

private:
    Bytes m_data;
    std::vector<size_t> m_open;
};

// ---------------------------------------------------------------------------------------------
// Files and folders

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it on destruction.
class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/velto-test-XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        if (mkdtemp(buf.data()))
            m_path = buf.data();
    }
    ~TempDir() {
        std::error_code ec;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool Ok() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

    // Writes `bytes` to `name` inside the folder and returns the full path.
    std::string Write(const std::string& name, const Bytes& bytes) const {
        return WriteFile(File(name), bytes) ? File(name) : std::string();
    }
    static bool WriteFile(const std::string& path, const Bytes& bytes) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        bool ok = WriteAll(fd, 0, bytes.data(), bytes.size());
        return ::close(fd) == 0 && ok;
    }
    static bool WriteAll(int fd, uint64_t at, const uint8_t* p, size_t n) {
        while (n > 0) {
            ssize_t w = ::pwrite(fd, p, n, off_t(at));
            if (w <= 0)
                return false;
            p += w, n -= size_t(w), at += uint64_t(w);
        }
        return true;
    }

private:
    std::string m_path;
};

// A file image that is mostly hole: pieces of bytes at given positions, zeros elsewhere.
class SparseImage {
public:
    uint64_t Size() const { return m_size; }
    void Resize(uint64_t size) { m_size = size; }
    void Put(uint64_t at, const Bytes& bytes) {
        m_pieces.emplace_back(at, bytes);
        m_size = std::max<uint64_t>(m_size, at + bytes.size());
    }
    void Append(const Bytes& bytes) { Put(m_size, bytes); }
    // Later pieces overwrite earlier ones where they overlap.
    Bytes Flatten() const {
        Bytes out(size_t(m_size), 0);
        for (const auto& [at, bytes] : m_pieces)
            std::copy(bytes.begin(), bytes.end(), out.begin() + ptrdiff_t(at));
        return out;
    }
    // Writes the pieces with pwrite and sets the length with ftruncate: holes stay holes.
    bool WriteTo(const std::string& path) const {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        bool ok = ::ftruncate(fd, off_t(m_size)) == 0;
        for (const auto& [at, bytes] : m_pieces)
            ok = ok && TempDir::WriteAll(fd, at, bytes.data(), bytes.size());
        return ::close(fd) == 0 && ok;
    }

private:
    uint64_t m_size = 0;
    std::vector<std::pair<uint64_t, Bytes>> m_pieces;
};

// ---------------------------------------------------------------------------------------------
// Telemetry records of the four layouts

// What one record says, whatever the layout stores it as.
struct TelemetryRecord {
    int32_t accelX = 0;  // thousandths of g
    int32_t accelY = 0;
    int32_t accelZ = 0;
    std::string sentence;  // NMEA sentence without its line end
};

// L = d1 + d2 + d3 + d4 + 2*d5 + d6 + d7 + 2*d8 over the digit characters (others count 0).
inline int DigitSumKey(const std::string& key) {
    static const int weight[8] = {1, 1, 1, 1, 2, 1, 1, 2};
    int sum = 0;
    for (size_t i = 0; i < 8 && i < key.size(); ++i)
        if (key[i] >= '0' && key[i] <= '9')
            sum += weight[i] * (key[i] - '0');
    return sum;
}

enum class RecordShift { Single, Double };

// The 232-byte record of the interleaved and user-data-index layouts (read at base + 48):
// accelerations at 76/80/84 (int32 LE), lead byte at 88, sentence + CR LF from 89, the eight
// key characters at 216. With a key holding digits the record is shifted: Single stores the
// lead byte as L + 32 and shifts by L, Double shifts by 2L. The CR LF stays unshifted.
inline Bytes FixedRecord(const TelemetryRecord& r, const std::string& key = "",
                         RecordShift mode = RecordShift::Single) {
    Bytes b(232, 0);
    PutU32LE(b, 76, uint32_t(r.accelX));
    PutU32LE(b, 80, uint32_t(r.accelY));
    PutU32LE(b, 84, uint32_t(r.accelZ));
    int L = DigitSumKey(key);
    int shift = mode == RecordShift::Single ? L : 2 * L;
    b[88] = uint8_t(' ' + shift);
    std::string text = r.sentence.substr(0, 125);
    for (size_t i = 0; i < text.size(); ++i)
        b[89 + i] = uint8_t(uint8_t(text[i]) + shift);
    b[89 + text.size()] = '\r';
    b[90 + text.size()] = '\n';
    for (size_t i = 0; i < 8 && i < key.size(); ++i)
        b[216 + i] = uint8_t(key[i]);
    return b;
}

// "ax<TAB>ay<TAB>az<TAB>sentence", the line of the text-track layout.
inline std::string TabLine(const TelemetryRecord& r) {
    return std::to_string(r.accelX) + "\t" + std::to_string(r.accelY) + "\t" +
           std::to_string(r.accelZ) + "\t" + r.sentence;
}

// One text-track chunk: 2-byte big-endian length n, then n text bytes whose first byte is not
// part of the line. Every line byte is stored plus `shift` (mod 256).
inline Bytes TextChunk(const std::string& line, uint8_t shift = 0) {
    Bytes b;
    AppendU16BE(b, uint16_t(line.size() + 1));
    b.push_back(' ');
    for (char c : line)
        b.push_back(uint8_t(uint8_t(c) + shift));
    return b;
}

// The 11-byte key record of the text-track layout: ignored byte, eight key characters, two
// unused bytes.
inline Bytes KeyChunk(const std::string& key8) {
    Bytes b;
    AppendU16BE(b, 11);
    b.push_back('K');
    for (size_t i = 0; i < 8; ++i)
        b.push_back(i < key8.size() ? uint8_t(key8[i]) : '0');
    b.push_back('0');
    b.push_back('0');
    return b;
}

// Header-block shift over the raw key bytes.
inline uint8_t HeaderBlockShift(const uint8_t key[8]) {
    return uint8_t(key[0] + key[1] + key[2] + key[3] + 2 * key[4] + key[5] + key[6] + 2 * key[7]);
}

// One 132-byte block: three int16 LE accelerations stored plus M (mod 65536), then 126 text
// bytes (sentence, CR LF, zeros) each stored plus M (mod 256).
inline Bytes HeaderBlock(const TelemetryRecord& r, uint8_t m) {
    Bytes b;
    for (int32_t a : {r.accelX, r.accelY, r.accelZ})
        AppendU16LE(b, uint16_t(uint16_t(a) + m));
    std::string text = (r.sentence + "\r\n").substr(0, 126);
    text.resize(126, '\0');
    for (char c : text)
        b.push_back(uint8_t(uint8_t(c) + m));
    return b;
}

// ---------------------------------------------------------------------------------------------
// Recordings

// 24 bytes, so the media data of the recordings below starts at 32.
inline Bytes FtypBox() {
    return Box("ftyp", Concat({Text("qt  "), U32BE({0}), Text("qt  isom")}));
}
inline Bytes MvhdBox() {
    return Box("mvhd", Zeros(100));
}
// mvhd version 0: timescale at payload offset 12, duration at 16.
inline Bytes MvhdBox(uint32_t timescale, uint32_t duration) {
    return Box("mvhd", Concat({U32BE({0, 0, 0, timescale, duration}), Zeros(80)}));
}
// mvhd version 1: 64-bit times and duration; timescale at payload offset 20, duration at 24.
inline Bytes MvhdBoxV1(uint32_t timescale, uint64_t duration) {
    return Box("mvhd", Concat({U32BE({0x01000000, 0, 0, 0, 0, timescale, uint32_t(duration >> 32),
                                      uint32_t(duration)}),
                               Zeros(80)}));
}
// mdhd version 0: timescale at payload offset 12, duration at 16.
inline Bytes MdhdBox(uint32_t timescale, uint32_t duration) {
    return Box("mdhd", Concat({U32BE({0, 0, 0, timescale, duration}), Zeros(4)}));
}
inline Bytes StszBox(const std::vector<uint32_t>& sizes) {
    Bytes p = U32BE({0, 0, uint32_t(sizes.size())});
    for (uint32_t s : sizes)
        AppendU32BE(p, s);
    return Box("stsz", p);
}
inline Bytes StcoBox(const std::vector<uint32_t>& offsets) {
    Bytes p = U32BE({0, uint32_t(offsets.size())});
    for (uint32_t o : offsets)
        AppendU32BE(p, o);
    return Box("stco", p);
}
// trak > mdia > (mdhd, hdlr) minf > stbl > (stsd, tables...)
inline Bytes TrakBox(const Bytes& tables, uint32_t timescale = 30000, uint32_t duration = 0) {
    Bytes stbl = Box("stbl", Concat({Box("stsd", Zeros(8)), tables}));
    Bytes minf = Box("minf", Concat({Box("vmhd", Zeros(12)), stbl}));
    Bytes mdia = Box("mdia", Concat({MdhdBox(timescale, duration), Box("hdlr", Zeros(24)), minf}));
    return Box("trak", Concat({Box("tkhd", Zeros(84)), mdia}));
}

// Text-track layout: ftyp, mdat holding the chunks, moov with `trakCount` tracks of which the
// third holds the chunk offsets (the others point at garbage).
inline Bytes TextTrackRecording(const std::vector<Bytes>& chunks, int trakCount = 3) {
    Bytes ftyp = FtypBox();
    std::vector<uint32_t> offsets;
    Bytes data = Text("video-data-before-the-text-chunks");
    uint32_t dataStart = uint32_t(ftyp.size() + 8);
    for (const Bytes& c : chunks) {
        offsets.push_back(dataStart + uint32_t(data.size()));
        AppendBytes(data, c);
    }
    Bytes traks;
    for (int t = 1; t <= trakCount; ++t) {
        if (t == 3)
            AppendBytes(traks, TrakBox(StcoBox(offsets)));
        else
            AppendBytes(traks, TrakBox(StcoBox({dataStart, dataStart + 3})));
    }
    return Concat({ftyp, Box("mdat", data), Box("moov", Concat({MvhdBox(), traks}))});
}

// Header-block layout: ftyp, mdat, moov, then either a "free" box and the telemetry box
// (fourthIsFree) or the telemetry box as the fourth box. The telemetry box's payload is the
// 16-byte header ("pelrix1", key, one unused byte) and the blocks.
inline Bytes HeaderBlockRecording(const uint8_t key[8], const std::vector<TelemetryRecord>& records,
                                  bool fourthIsFree = false, const Bytes& mvhd = MvhdBox()) {
    uint8_t m = HeaderBlockShift(key);
    Bytes payload = Text("pelrix1");
    payload.insert(payload.end(), key, key + 8);
    payload.push_back(0);
    for (const TelemetryRecord& r : records)
        AppendBytes(payload, HeaderBlock(r, m));
    Bytes file = Concat({FtypBox(), Box("mdat", Zeros(64)), Box("moov", mvhd)});
    if (fourthIsFree)
        AppendBytes(file, Box("free", Zeros(16)));
    AppendBytes(file, Box("gps ", payload));
    return file;
}

// Interleaved layout, second track: records at chunk offset + 65536 (+ 48). The first track is
// a video track with `fps` samples a second; the media data is a hole.
// `gpsTimescale` 0 makes samples-per-second unformable, which this table does not need.
inline SparseImage InterleavedSecondTrackRecording(const std::vector<Bytes>& records232,
                                                   uint32_t gpsTimescale = 1000) {
    SparseImage img;
    Bytes ftyp = FtypBox();
    img.Put(0, ftyp);
    std::vector<uint32_t> chunkOffsets;
    for (size_t i = 0; i < records232.size(); ++i) {
        uint64_t base = 65536 + 4096 + 4096 * i;
        chunkOffsets.push_back(uint32_t(base - 65536));
        img.Put(base + 48, records232[i]);
    }
    uint64_t mdatEnd = std::max<uint64_t>(img.Size(), 65536) + 16;
    Bytes mdatHeader = RawHeader(uint32_t(mdatEnd - ftyp.size()), "mdat");
    img.Put(ftyp.size(), mdatHeader);
    uint32_t seconds = uint32_t(records232.size());
    std::vector<uint32_t> videoSizes(seconds * 30, 100), videoOffsets(seconds * 30, 64);
    Bytes video =
        TrakBox(Concat({StszBox(videoSizes), StcoBox(videoOffsets)}), 30000, seconds * 30000);
    Bytes gps =
        TrakBox(Concat({StszBox(std::vector<uint32_t>(seconds, 232)), StcoBox(chunkOffsets)}),
                gpsTimescale, seconds * 1000);
    img.Put(mdatEnd, Box("moov", Concat({MvhdBox(), video, gps})));
    return img;
}

// Interleaved layout, single track: the tables of the one video track and the bytes placed in
// the media data (records at their base positions + 48).
struct SingleTrackLayout {
    uint32_t timescale = 30000;
    uint32_t duration = 0;
    std::vector<uint32_t> sampleSizes;
    std::vector<uint32_t> chunkOffsets;
    std::vector<std::pair<uint64_t, Bytes>> placed;
    uint64_t dataEnd = 0;
};

constexpr uint64_t kMediaDataStart = 32;  // ftyp (24) + mdat header (8)

inline uint64_t RoundUp32K(uint64_t v) {
    return (v + 32767) & ~uint64_t(32767);
}

// `seconds` of video at `fps` samples a second, one sample per chunk, each `sampleSize` bytes;
// after every 30th sample, the record of that second at the next 32 KiB boundary + 48, as the
// cameras write it.
inline SingleTrackLayout ThirtyFpsLayout(const std::vector<Bytes>& records232,
                                         uint32_t sampleSize = 1000) {
    SingleTrackLayout l;
    uint32_t seconds = uint32_t(records232.size());
    l.duration = seconds * l.timescale;
    uint64_t pos = kMediaDataStart;
    for (uint32_t i = 1; i <= seconds * 30; ++i) {
        l.sampleSizes.push_back(sampleSize);
        l.chunkOffsets.push_back(uint32_t(pos));
        pos += sampleSize;
        if (i % 30 == 0) {
            uint64_t base = RoundUp32K(pos);
            l.placed.emplace_back(base + 48, records232[i / 30 - 1]);
            pos = base + 48 + 232;
        }
    }
    l.dataEnd = pos;
    return l;
}

enum class MoovTail { Udta, UdtaThenTrak, None };

inline SparseImage SingleTrackRecording(const SingleTrackLayout& l,
                                        MoovTail tail = MoovTail::Udta) {
    SparseImage img;
    Bytes ftyp = FtypBox();
    img.Put(0, ftyp);
    for (const auto& [at, bytes] : l.placed)
        img.Put(at, bytes);
    uint64_t mdatEnd = std::max<uint64_t>({img.Size(), l.dataEnd, kMediaDataStart});
    img.Put(ftyp.size(), RawHeader(uint32_t(mdatEnd - ftyp.size()), "mdat"));
    Bytes moov =
        Concat({MvhdBox(), TrakBox(Concat({StszBox(l.sampleSizes), StcoBox(l.chunkOffsets)}),
                                   l.timescale, l.duration)});
    if (tail != MoovTail::None)
        AppendBytes(moov, Box("udta", Box("tag ", Text("none"))));
    if (tail == MoovTail::UdtaThenTrak)
        AppendBytes(moov, TrakBox(StcoBox({0, 0})));
    img.Put(mdatEnd, Box("moov", moov));
    return img;
}

// User-data-index layout: ftyp, mdat with the records, moov ending in udta, then a box whose
// payload holds a word, the entry count (int32) and the (base, size) pairs, so the count lies
// 12 bytes after the udta box. Without `count`, the number of records is written.
inline Bytes UserDataIndexRecording(const std::vector<Bytes>& records232,
                                    std::optional<int32_t> count = std::nullopt) {
    Bytes ftyp = FtypBox();
    Bytes data;
    std::vector<uint32_t> bases;
    for (const Bytes& r : records232) {
        bases.push_back(uint32_t(kMediaDataStart + data.size()));
        AppendZeros(data, 48);
        AppendBytes(data, r);
        AppendZeros(data, 20);
    }
    Bytes index = U32BE({0, uint32_t(count.value_or(int32_t(records232.size())))});
    for (uint32_t b : bases)
        AppendBytes(index, U32BE({b, 232}));
    return Concat({ftyp, Box("mdat", data),
                   Box("moov", Concat({MvhdBox(), Box("udta", Box("tag ", Text("ICAT")))})),
                   Box("gpsi", index)});
}

// ---------------------------------------------------------------------------------------------
// Recordings that once went wrong, for the tests and the fuzz corpus

// A user-data box whose first child is a chipset tag (`tag` its contents).
inline Bytes TaggedUserData(const std::string& tag) {
    return Box("udta", Concat({Box("cami", Text(tag)), Box("free")}));
}

enum class RepeatedLayout { TextTrack, SecondTrack };

// One telemetry record and a table of `count` entries that all point at it: 2^20 entries
// make a 4 MB file. `mvhd` gives the movie's duration (MvhdBox(): none). The movie box ends
// with the tag that selects the layout ("AMBAxV4": text track; "NT96650A": interleaved).
inline Bytes OneRecordRepeated(RepeatedLayout layout, uint32_t count,
                               const Bytes& mvhd = MvhdBox()) {
    const TelemetryRecord r = {120, -40, 990,
                               "$GPRMC,120000,A,2232.1234,N,11403.12345,E,35.2,84.4,230394"};
    const Bytes ftyp = FtypBox();
    const uint32_t at = uint32_t(kMediaDataStart);
    Bytes data, tracks;
    if (layout == RepeatedLayout::TextTrack) {
        data = TextChunk(TabLine(r));
        tracks = Concat({TrakBox(StcoBox({at})), TrakBox(StcoBox({at})),
                         TrakBox(StcoBox(std::vector<uint32_t>(count, at)))});
    } else {
        data = Concat({Zeros(48), FixedRecord(r)});
        tracks = Concat({TrakBox(Concat({StszBox({100}), StcoBox({at})})),
                         TrakBox(Concat({StszBox({232}),
                                         StcoBox(std::vector<uint32_t>(count, at - 65536u))}))});
    }
    const Bytes tag = TaggedUserData(layout == RepeatedLayout::TextTrack ? "AMBAxV4" : "NT96650A");
    return Concat({ftyp, Box("mdat", data), Box("moov", Concat({mvhd, tracks, tag}))});
}

// A recording whose movie box is written last and ends with the user-data box, whose tag
// box ends with the file: reading four bytes past the tag box reaches past the end.
inline Bytes TagBoxAtEndOfFile(const std::string& tag) {
    return Concat({FtypBox(), Box("mdat", Bytes(64, 0x11)),
                   Box("moov", Concat({MvhdBox(), Box("udta", Box("cami", Text(tag)))}))});
}

}  // namespace velto::testing
