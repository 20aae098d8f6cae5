// make-samples: writes playable dash-camera recordings of one drive, in four
// consecutive 15 s parts, each carrying its telemetry in another record
// layout, plus the CSV that reading the telemetry back must give.
//
//   make-samples --ffmpeg PATH --out DIR
#include "BoxBuilder.h"
#include "DriveModel.h"
#include "Mp4Source.h"
#include "RecordingWriter.h"
#include "TelemetryRecords.h"
#include "VideoRenderer.h"

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kParts = 4;
constexpr int kPartSeconds = 15;
constexpr int kFps = CVideoRenderer::kFps;
// The drive starts at 08:15:00 on 14 March 2026 (the camera's clock, UTC).
const std::tm kDriveStart = [] {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 14;
    t.tm_hour = 8;
    t.tm_min = 15;
    return t;
}();

enum class Layout { UserDataIndex = 5, Interleaved = 4, TextTrack = 1, HeaderBlocks = 3 };

struct PartSpec {
    Layout layout;
    const char* extension;
    const char* talker;
    int fractionDigits;
};

// In drive order: the file names sort the parts the way they were recorded.
const PartSpec kPartSpecs[kParts] = {
    {Layout::UserDataIndex, ".MOV", "GP", 4},
    {Layout::Interleaved, ".MOV", "GN", 5},
    {Layout::TextTrack, ".MP4", "GP", 4},
    {Layout::HeaderBlocks, ".MP4", "GL", 5},
};

std::tm AtSecond(int second) {
    std::tm t = kDriveStart;
    time_t utc = timegm(&t) + second;
    gmtime_r(&utc, &t);
    return t;
}

std::string PartName(int part) {
    const std::tm t = AtSecond(part * kPartSeconds);
    char name[64];
    snprintf(name, sizeof name, "%04d_%02d%02d_%02d%02d%02d_%03d", t.tm_year + 1900, t.tm_mon + 1,
             t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, part + 1);
    return name;
}

struct PartTelemetry {
    std::vector<tagDriveSecond> states;
    std::vector<tagFix> fixes;
    std::vector<std::tm> times;
};

PartTelemetry TelemetryOfPart(const CDriveModel& drive, int part, const PartSpec& spec) {
    PartTelemetry p;
    for (int s = 0; s < kPartSeconds; ++s) {
        const int second = part * kPartSeconds + s;
        p.states.push_back(drive.At(second));
        p.times.push_back(AtSecond(second));
        p.fixes.push_back(
            MakeRmcFix(spec.talker, p.states.back(), spec.fractionDigits, p.times.back()));
    }
    return p;
}

void AddVideoSecond(tagRecordingPlan& plan, int s, bool chunkPerSample) {
    if (!chunkPerSample) {
        tagMdatItem item;
        item.kind = tagMdatItem::VideoChunk;
        item.first = size_t(s) * kFps;
        item.count = kFps;
        plan.items.push_back(item);
        return;
    }
    for (int f = 0; f < kFps; ++f) {
        tagMdatItem item;
        item.kind = tagMdatItem::VideoChunk;
        item.first = size_t(s) * kFps + size_t(f);
        item.count = 1;
        plan.items.push_back(item);
    }
}

// The sound samples whose decoding time falls into second `s` (the last
// second also takes what is left).
void AddSoundSecond(tagRecordingPlan& plan, const tagSourceTrack& sound, int s, bool last) {
    tagMdatItem item;
    item.kind = tagMdatItem::SoundChunk;
    size_t i = 0;
    while (i < sound.sizes.size() && sound.SampleTime(i) < s)
        ++i;
    item.first = i;
    while (i < sound.sizes.size() && (last || sound.SampleTime(i) < s + 1))
        ++i;
    item.count = i - item.first;
    if (item.count)
        plan.items.push_back(item);
}

tagMdatItem BlobItem(std::vector<uint8_t> bytes, uint32_t align, bool indexed) {
    tagMdatItem item;
    item.kind = tagMdatItem::Blob;
    item.bytes = std::move(bytes);
    item.align = align;
    item.indexed = indexed;
    return item;
}

tagMdatItem TextItem(std::vector<uint8_t> bytes) {
    tagMdatItem item;
    item.kind = tagMdatItem::TextChunk;
    item.bytes = std::move(bytes);
    return item;
}

// Kind 5: records beside the media data, listed by the box after "udta".
void PlanUserDataIndex(tagRecordingPlan& plan, const tagSourceTrack& sound,
                       const PartTelemetry& t) {
    plan.moovOrder = {MoovChild::Video, MoovChild::Sound, MoovChild::UserData,
                      MoovChild::RecordIndex};
    plan.userDataTag = "DASHCAM NT96660 FW 2.3.1";
    for (int s = 0; s < kPartSeconds; ++s) {
        AddVideoSecond(plan, s, false);
        AddSoundSecond(plan, sound, s, s == kPartSeconds - 1);
        const auto record = MakeFixedRecord(t.states[s], t.fixes[s].sentence, t.times[s]);
        plan.items.push_back(BlobItem(WithLeadIn(record), 0, true));
    }
}

// Kind 4: one video sample per chunk, the only video track first in "moov"
// ("udta" keeps the sound track from being taken for a second track); after
// every 30th video sample a shifted record at the next 32 KiB boundary.
void PlanInterleaved(tagRecordingPlan& plan, const tagSourceTrack& sound, const PartTelemetry& t) {
    plan.moovOrder = {MoovChild::Video, MoovChild::UserData, MoovChild::Sound};
    plan.userDataTag = "DASHCAM NT96650A FW 1.0.7";
    for (int s = 0; s < kPartSeconds; ++s) {
        AddVideoSecond(plan, s, true);
        auto record = MakeFixedRecord(t.states[s], t.fixes[s].sentence, t.times[s]);
        if (s == 7) {
            ShiftFixedRecord(record, "NOKEYSET", true);  // no digits: stored plain
        } else {
            char key[16];
            snprintf(key, sizeof key, "2026%02d%02d", t.times[s].tm_min % 100,
                     t.times[s].tm_sec % 100);
            ShiftFixedRecord(record, key, s % 2 == 0);
        }
        plan.items.push_back(BlobItem(WithLeadIn(record), 32768, false));
        AddSoundSecond(plan, sound, s, s == kPartSeconds - 1);
    }
}

// Kind 1: a third track of text records; the first three lines are shifted
// and their key comes after them; later lines are plain or shifted in turn.
void PlanTextTrack(tagRecordingPlan& plan, const tagSourceTrack& sound, const PartTelemetry& t) {
    static const char kKey[8] = {'3', '1', '4', '1', '5', '9', '2', '6'};
    const int shift = DigitSumKey(kKey);
    constexpr int kKeyAfter = 2;
    plan.moovOrder = {MoovChild::Video, MoovChild::Sound, MoovChild::Text, MoovChild::UserData};
    plan.userDataTag = "DASHCAM AMBARELLA A12 SDK 4.1";
    for (int s = 0; s < kPartSeconds; ++s) {
        AddVideoSecond(plan, s, false);
        AddSoundSecond(plan, sound, s, s == kPartSeconds - 1);
        const bool shifted = s <= kKeyAfter || s % 2 == 1;
        const std::string line = MakeTabLine(t.states[s], t.fixes[s].sentence);
        plan.items.push_back(TextItem(MakeTextRecord(line, shifted ? shift : 0)));
        plan.textDurations.push_back(s == kKeyAfter ? 999 : 1000);
        if (s == kKeyAfter) {
            plan.items.push_back(TextItem(MakeKeyRecord(kKey)));
            plan.textDurations.push_back(1);
        }
    }
}

// Kind 3: the fourth top-level box holds the "pelrix1" header and one
// 132-byte block a second, and ends the file with the chipset tag.
void PlanHeaderBlocks(tagRecordingPlan& plan, const tagSourceTrack& sound, const PartTelemetry& t) {
    static const uint8_t kKey[8] = {0x05, 0x0B, 0x11, 0x03, 0x07, 0x02, 0x0D, 0x01};
    const int shift = HeaderBlockShift(kKey);
    plan.moovOrder = {MoovChild::Video, MoovChild::Sound};
    for (int s = 0; s < kPartSeconds; ++s) {
        AddVideoSecond(plan, s, false);
        AddSoundSecond(plan, sound, s, s == kPartSeconds - 1);
    }
    std::vector<uint8_t> payload = MakeBlockHeader(kKey);
    for (int s = 0; s < kPartSeconds; ++s) {
        const auto block = MakeHeaderBlock(t.states[s], t.fixes[s].sentence, shift);
        payload.insert(payload.end(), block.begin(), block.end());
    }
    const char tail[] = "ICAT6350";
    payload.insert(payload.end(), tail, tail + 8);
    CBoxBuilder box;
    box.OpenBox("gpsd");
    box.Bytes(payload);
    box.CloseBox();
    plan.trailingBox = box.Take();
}

bool WriteCsv(const std::string& path, const PartTelemetry& t) {
    std::ofstream out(path);
    out << CsvHeader();
    for (int s = 0; s < kPartSeconds; ++s)
        out << CsvRow(s, t.fixes[s].expected);
    return bool(out);
}

// Cameras stamp a clip with the time it was recorded.
void SetRecordingTime(const std::string& path, int second) {
    std::tm local = AtSecond(second);
    local.tm_isdst = -1;
    const time_t t = mktime(&local);
    const timeval times[2] = {{t, 0}, {t, 0}};
    utimes(path.c_str(), times);
}

bool MakePart(const CDriveModel& drive, const CVideoRenderer& renderer, int part,
              const std::string& outDir, const std::string& workDir) {
    const PartSpec& spec = kPartSpecs[part];
    const PartTelemetry telemetry = TelemetryOfPart(drive, part, spec);
    std::vector<int> speeds;
    for (const tagFix& f : telemetry.fixes)
        speeds.push_back(f.expected.speed);

    std::string error;
    const std::string plain = workDir + "/part" + std::to_string(part + 1) + ".mp4";
    std::tm start = AtSecond(part * kPartSeconds);
    if (!renderer.Render(drive, part, kParts, part * kPartSeconds, kPartSeconds, timegm(&start),
                         speeds, plain, error)) {
        fprintf(stderr, "make-samples: %s\n", error.c_str());
        return false;
    }
    CMp4Source source;
    if (!source.Load(plain, error)) {
        fprintf(stderr, "make-samples: %s\n", error.c_str());
        return false;
    }
    const tagSourceTrack* video = source.FindTrack("vide");
    const tagSourceTrack* sound = source.FindTrack("soun");
    if (!video || !sound || video->sizes.size() != size_t(kPartSeconds * kFps)) {
        fprintf(stderr, "make-samples: %s is not %d frames with sound\n", plain.c_str(),
                kPartSeconds * kFps);
        return false;
    }

    tagRecordingPlan plan;
    plan.quickTime = std::string(spec.extension) == ".MOV";
    plan.creationTime = timegm(&start);
    switch (spec.layout) {
        case Layout::UserDataIndex:
            PlanUserDataIndex(plan, *sound, telemetry);
            break;
        case Layout::Interleaved:
            PlanInterleaved(plan, *sound, telemetry);
            break;
        case Layout::TextTrack:
            PlanTextTrack(plan, *sound, telemetry);
            break;
        case Layout::HeaderBlocks:
            PlanHeaderBlocks(plan, *sound, telemetry);
            break;
    }
    const std::string base = outDir + "/" + PartName(part);
    const std::string path = base + spec.extension;
    CRecordingWriter writer(source);
    if (!writer.Write(plan, path, error) || !WriteCsv(base + ".csv", telemetry)) {
        fprintf(stderr, "make-samples: %s\n", error.empty() ? "cannot write CSV" : error.c_str());
        return false;
    }
    SetRecordingTime(path, part * kPartSeconds);
    printf("%s  kind %d\n", path.c_str(), int(spec.layout));
    return true;
}

int Usage() {
    fprintf(stderr, "Usage: make-samples --ffmpeg PATH --out DIR\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string ffmpeg = "ffmpeg", outDir;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ffmpeg" && i + 1 < argc)
            ffmpeg = argv[++i];
        else if (arg == "--out" && i + 1 < argc)
            outDir = argv[++i];
        else
            return Usage();
    }
    if (outDir.empty())
        return Usage();
    std::error_code ec;
    const std::string workDir = outDir + "/work";
    std::filesystem::create_directories(workDir, ec);
    if (ec) {
        fprintf(stderr, "make-samples: cannot create %s\n", workDir.c_str());
        return 1;
    }
    const CDriveModel drive;
    const CVideoRenderer renderer(ffmpeg, workDir);
    for (int part = 0; part < kParts; ++part)
        if (!MakePart(drive, renderer, part, outDir, workDir))
            return 1;
    std::filesystem::remove_all(workDir, ec);
    return 0;
}
