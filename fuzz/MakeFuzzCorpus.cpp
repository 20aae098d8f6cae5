// Writes the starting corpus of the fuzz targets: recordings of each telemetry layout built
// with BoxWriter, the recordings that once went wrong, deeply nested boxes and settings
// files, all under 64 KiB. Usage: make_fuzz_corpus <corpus-dir> <target>...
// Every target gets the recordings of its own layout; the chipset probe, and targets this
// program does not know, get all of them (the probe its own tag recordings too).
#include "BlackVueFixture.h"
#include "BoxWriter.h"
#include "NovatekWriter.h"
#include "SeventyMaiFixture.h"
#include "TextGpsWriter.h"

#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace velto::testing;

namespace {

TelemetryRecord Second(int i) {
    return {i * 10, -i, 1000,
            "$GPRMC,120000,A,2232.1234,N,11403.12345,W," + std::to_string(i) + ",84.4,230394"};
}

// Tables far longer than the movie's duration of 60 s allows, all entries at one record.
Bytes Repeated(RepeatedLayout layout) {
    return OneRecordRepeated(layout, 15000, MvhdBox(1000, 60000));
}

std::vector<Bytes> TextTrackCorpus() {
    std::vector<Bytes> plain, shifted;
    for (int i = 0; i < 4; ++i) {
        plain.push_back(TextChunk(TabLine(Second(i))));
        shifted.push_back(TextChunk(TabLine(Second(i)), 49));
    }
    shifted.insert(shifted.begin() + 2, KeyChunk("12345678"));
    return {TextTrackRecording(plain), TextTrackRecording(shifted),
            TextTrackRecording({TextChunk("no tab"), KeyChunk("abcdefgh"), TextChunk("1 2 3 x")}),
            Repeated(RepeatedLayout::TextTrack)};
}

std::vector<Bytes> HeaderBlockCorpus() {
    const uint8_t key[8] = {'3', '1', '4', '1', '5', '9', '2', '6'};
    const uint8_t zero[8] = {};
    std::vector<TelemetryRecord> records = {Second(1), Second(2), Second(3)};
    // A negative speed and course, and more blocks than the movie's 2 s allow.
    const std::vector<TelemetryRecord> negative(
        70, {0, 0, 0, "$GPRMC,1,A,2232.1234,N,11403.12345,E,-100.0,-1e308,230394"});
    return {HeaderBlockRecording(key, records, true), HeaderBlockRecording(zero, records, false),
            HeaderBlockRecording(zero, negative, false, MvhdBox(1, 2))};
}

// Second track with chunk offsets that wrap: offset + 65536 (mod 2^32) lands in this file.
Bytes CompactSecondTrack(const std::vector<Bytes>& records) {
    Bytes data;
    std::vector<uint32_t> offsets;
    for (const Bytes& r : records) {
        offsets.push_back(uint32_t(kMediaDataStart + data.size()) - 65536u);
        AppendZeros(data, 48);
        AppendBytes(data, r);
    }
    const uint32_t n = uint32_t(records.size());
    Bytes video = TrakBox(Concat({StszBox(std::vector<uint32_t>(30 * n, 10)),
                                  StcoBox(std::vector<uint32_t>(30 * n, 32))}),
                          30000, n * 30000);
    Bytes gps =
        TrakBox(Concat({StszBox(std::vector<uint32_t>(n, 232)), StcoBox(offsets)}), 1000, n * 1000);
    return Concat({FtypBox(), Box("mdat", data), Box("moov", Concat({MvhdBox(), video, gps}))});
}

std::vector<Bytes> InterleavedCorpus() {
    std::vector<Bytes> single = {FixedRecord(Second(1), "20261211")};
    return {CompactSecondTrack({FixedRecord(Second(1), "20261211"),
                                FixedRecord(Second(2), "20261211", RecordShift::Double)}),
            SingleTrackRecording(ThirtyFpsLayout(single, 100)).Flatten(),
            Repeated(RepeatedLayout::SecondTrack)};
}

std::vector<Bytes> UserDataIndexCorpus() {
    return {
        UserDataIndexRecording({FixedRecord(Second(1)), FixedRecord(Second(2)),
                                FixedRecord({0, 0, 0, "$GPGGA,1,2232.1234,N,11403.12345,E,1"})}),
        UserDataIndexRecording({FixedRecord(Second(1))}, 501)};
}

// Novatek blocks of several variants, listed by an index (one past the file) or left for the
// scan; the scan's recordings are kept small by a short lead and tail.
std::vector<Bytes> NovatekIndexCorpus() {
    NovatekFix a, v;
    v.status = 'V';
    return {NovatekIndexedRecording({ClassicBlock(a, true), CompactBlock(a), XorBlock(a, false)}),
            NovatekIndexedRecording({NmeaTextBlock(a), AkasoBlock(a), ShiftedNmeaBlock(a),
                                     VantrueS1Block(a), ClassicBlock(v)},
                                    {{0x7FFFFFF0u, 0x400}})};
}

std::vector<Bytes> NovatekScanCorpus() {
    NovatekFix a;
    std::vector<Bytes> out;
    for (const Bytes& block : {ClassicBlock(a, false, 0x200), ClassicIqsBlock(a, 0x200),
                               TypeTwoBlock(a, 0x200), VantrueN4Block(a, 0x200)}) {
        out.push_back(NovatekScanRecording({block, block}, 16, 100, 64));
    }
    return out;
}

// A recording per text dialect, two samples each.
std::vector<Bytes> TextGpsCorpus() {
    NovatekFix a, b;
    b.second = 1;
    std::vector<Bytes> out;
    for (const auto& make : std::vector<Bytes (*)(const NovatekFix&)>{
             [](const NovatekFix& f) { return LengthPrefixed(RmcSentence(f) + GgaSentence(f)); },
             [](const NovatekFix& f) { return LengthPrefixed(ThinkwareText(f)); },
             [](const NovatekFix& f) { return LengthPrefixed(Mini0806Text(f, 1, 2, 9.8)); },
             [](const NovatekFix& f) { return LengthPrefixed(RoadhawkText(f, 0.1, 0.2, 1)); },
             [](const NovatekFix& f) { return LengthPrefixed(DjiText(f)); },
             [](const NovatekFix& f) { return EPranceSample(f); },
             [](const NovatekFix& f) { return XorTextSample(f, false); },
             [](const NovatekFix& f) { return PndmSample(f); }})
        out.push_back(TextGpsRecording({make(a), make(b)}));
    return out;
}

// Tag boxes that end with the file, so that the four bytes read past them are missing.
std::vector<Bytes> ProbeCorpus() {
    return {TagBoxAtEndOfFile("NT96650A"), TagBoxAtEndOfFile("AMBAxV4"),
            TagBoxAtEndOfFile("AMBARELLA A7L"), TagBoxAtEndOfFile("xxxxNT9666")};
}

// Recordings of every layout, and boxes nested past the bound: 7,000 levels of "trak" (the
// file that killed libvlc's reader) and other containers.
std::vector<Bytes> BoxDepthCorpus() {
    std::vector<Bytes> files = {NestedBoxesRecording(7000), NestedBoxesRecording(40, "udta"),
                                NestedBoxesRecording(40, "moof")};
    for (const auto& layout : {TextTrackCorpus(), HeaderBlockCorpus(), UserDataIndexCorpus()})
        files.insert(files.end(), layout.begin(), layout.end());
    return files;
}

// Settings files as users keep them, and as they should not be.
std::vector<Bytes> SettingsFileCorpus() {
    const char* const texts[] = {
        "[System]\nDPI=96\n",
        "; notes\r\n[system]\r\nLast=C:\\dir\\x\r\nItems=a,b\r\ndpi = 120\r\n",
        "\xEF\xBB\xBF[System]\nFoo=1\n\n[Other]\nx=1",
        "[System]\nFoo=1\n[X]\n[SYSTEM]\nDPI=96\n[System\n=\n[]\n#DPI=1",
    };
    std::vector<Bytes> files;
    for (const char* t : texts)
        files.push_back(Text(t));
    return files;
}

// 70mai "GPS " boxes: a drive, and records that lie (second running back, a far second, no
// hemisphere, 60 minutes) in a box of more slots than the movie's 5 s allow.
std::vector<Bytes> SeventyMaiCorpus() {
    std::vector<Bytes> lying = SeventyMaiRecords(SeventyMaiDrive(8, -33.9, 151.2));
    PutU32LE(lying[2], 8, 0);
    PutU32LE(lying[3], 8, 0xFFFFFFF0u);
    lying[4][16] = 0;
    PutU32LE(lying[5], 17, 1060000);
    return {SeventyMaiRecording(
                SeventyMaiGpsBox(SeventyMaiRecords(SeventyMaiDrive(30, 52.19, 20.78))), 30),
            SeventyMaiRecording(SeventyMaiGpsBox(lying, 3), 5)};
}

constexpr int64_t kCorpusUtc = 1538267046000;

// BlackVue "free" boxes: with sttm, gps and 3gf; without sttm; only 3gf.
std::vector<Bytes> BlackVueCorpus() {
    const std::vector<NmeaFix> fixes = NmeaDrive(20, kCorpusUtc, 47.6, -122.3, 2);
    const Bytes accelerations = ThreeGfRecords(ThreeGfDrive(20, 98));
    return {
        BlackVueRecording(
            BlackVueFreeBox(kCorpusUtc, NmeaLogText(fixes, kCorpusUtc, true), accelerations), 20),
        BlackVueRecording(BlackVueFreeBox(0, NmeaLogText(fixes, kCorpusUtc + 500, true), {}), 20),
        BlackVueRecording(BlackVueFreeBox(kCorpusUtc, "", accelerations), 20)};
}

// What sidecar files hold: a plain NMEA log, a [ms]-prefixed one, 3gf records.
std::vector<Bytes> NmeaSidecarCorpus() {
    const std::vector<NmeaFix> fixes = NmeaDrive(20, kCorpusUtc, -27.47, 153.02, 2);
    const std::string plain = NmeaLogText(fixes, 0, false);
    const std::string prefixed = NmeaLogText(fixes, kCorpusUtc, true);
    return {Bytes(plain.begin(), plain.end()), Bytes(prefixed.begin(), prefixed.end()),
            ThreeGfRecords(ThreeGfDrive(20, 256))};
}

bool WriteAll(const std::string& dir, const std::string& prefix, const std::vector<Bytes>& files) {
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string path = dir + "/" + prefix + "-" + std::to_string(i);
        if (!TempDir::WriteFile(path, files[i])) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_fuzz_corpus <corpus-dir> <target>...\n");
        return 2;
    }
    const std::map<std::string, std::vector<Bytes>> byTarget = {
        {"fuzz_text_track", TextTrackCorpus()},
        {"fuzz_header_blocks", HeaderBlockCorpus()},
        {"fuzz_interleaved", InterleavedCorpus()},
        {"fuzz_user_data_index", UserDataIndexCorpus()},
        {"fuzz_novatek_index", NovatekIndexCorpus()},
        {"fuzz_novatek_scan", NovatekScanCorpus()},
        {"fuzz_text_gps", TextGpsCorpus()},
        {"fuzz_box_depth", BoxDepthCorpus()},
        {"fuzz_settings_file", SettingsFileCorpus()},
        {"fuzz_seventymai_gps", SeventyMaiCorpus()},
        {"fuzz_blackvue", BlackVueCorpus()},
        {"fuzz_nmea_sidecar", NmeaSidecarCorpus()},
    };
    const std::string root = argv[1];
    ::mkdir(root.c_str(), 0755);
    for (int a = 2; a < argc; ++a) {
        const std::string target = argv[a];
        const std::string dir = root + "/" + target;
        ::mkdir(dir.c_str(), 0755);
        auto own = byTarget.find(target);
        bool ok = true;
        if (own != byTarget.end()) {
            ok = WriteAll(dir, "recording", own->second);
        } else {
            for (const auto& [name, files] : byTarget)
                ok = ok && WriteAll(dir, name, files);
            if (target == "fuzz_probe")
                ok = ok && WriteAll(dir, "tag", ProbeCorpus());
        }
        if (!ok)
            return 1;
    }
    return 0;
}
