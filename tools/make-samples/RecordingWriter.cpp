#include "RecordingWriter.h"

#include "BoxBuilder.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint64_t kMacEpochOffset = 2082844800;  // 1904-01-01 to 1970-01-01, seconds
constexpr uint32_t kTextTimescale = 1000;

struct ChunkRef {
    uint64_t offset;
    uint32_t samples;
};

uint32_t MacTime(time_t t) {
    return uint32_t(uint64_t(t) + kMacEpochOffset);
}

void AddMatrix(CBoxBuilder& b) {
    const uint32_t m[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
    for (uint32_t v : m)
        b.U32(v);
}

void AddStts(CBoxBuilder& b, const std::vector<uint32_t>& durations) {
    std::vector<std::pair<uint32_t, uint32_t>> runs;
    for (uint32_t d : durations) {
        if (!runs.empty() && runs.back().second == d)
            ++runs.back().first;
        else
            runs.push_back({1, d});
    }
    b.OpenFullBox("stts", 0, 0);
    b.U32(uint32_t(runs.size()));
    for (const auto& r : runs) {
        b.U32(r.first);
        b.U32(r.second);
    }
    b.CloseBox();
}

void AddStsc(CBoxBuilder& b, const std::vector<ChunkRef>& chunks) {
    std::vector<std::pair<uint32_t, uint32_t>> runs;  // first chunk, samples per chunk
    for (size_t i = 0; i < chunks.size(); ++i)
        if (runs.empty() || runs.back().second != chunks[i].samples)
            runs.push_back({uint32_t(i + 1), chunks[i].samples});
    b.OpenFullBox("stsc", 0, 0);
    b.U32(uint32_t(runs.size()));
    for (const auto& r : runs) {
        b.U32(r.first);
        b.U32(r.second);
        b.U32(1);
    }
    b.CloseBox();
}

// "stsz" is followed directly by "stco": the interleaved layout reads them as
// a pair.
void AddSizesAndOffsets(CBoxBuilder& b, const std::vector<uint32_t>& sizes,
                        const std::vector<ChunkRef>& chunks) {
    b.OpenFullBox("stsz", 0, 0);
    b.U32(0);
    b.U32(uint32_t(sizes.size()));
    for (uint32_t s : sizes)
        b.U32(s);
    b.CloseBox();
    b.OpenFullBox("stco", 0, 0);
    b.U32(uint32_t(chunks.size()));
    for (const ChunkRef& c : chunks)
        b.U32(uint32_t(c.offset));
    b.CloseBox();
}

void AddMediaHeader(CBoxBuilder& b, time_t created, uint32_t timescale, uint64_t duration,
                    uint16_t language) {
    b.OpenFullBox("mdhd", 0, 0);
    b.U32(MacTime(created));
    b.U32(MacTime(created));
    b.U32(timescale);
    b.U32(uint32_t(duration));
    b.U16(language);
    b.U16(0);
    b.CloseBox();
}

// The source's "tkhd" with our track id and creation times.
std::vector<uint8_t> PatchedTrackHeader(std::vector<uint8_t> tkhd, uint32_t trackId,
                                        time_t created) {
    if (tkhd.size() >= 32 && tkhd[8] == 0) {
        PutBe32(tkhd, 12, MacTime(created));
        PutBe32(tkhd, 16, MacTime(created));
        PutBe32(tkhd, 20, trackId);
    } else if (tkhd.size() >= 40) {
        PutBe32(tkhd, 28, trackId);
    }
    return tkhd;
}

}  // namespace

CRecordingWriter::CRecordingWriter(const CMp4Source& source)
    : m_source(source), m_pVideo(source.FindTrack("vide")), m_pSound(source.FindTrack("soun")) {}

uint64_t CRecordingWriter::ItemSize(const tagMdatItem& item) const {
    const tagSourceTrack* track = item.kind == tagMdatItem::VideoChunk   ? m_pVideo
                                  : item.kind == tagMdatItem::SoundChunk ? m_pSound
                                                                         : nullptr;
    if (!track)
        return item.bytes.size();
    uint64_t size = 0;
    for (size_t i = item.first; i < item.first + item.count; ++i)
        size += track->sizes[i];
    return size;
}

bool CRecordingWriter::Write(tagRecordingPlan& plan, const std::string& path, std::string& error) {
    if (!m_pVideo || !m_pSound) {
        error = "the rendered video lacks a video or a sound track";
        return false;
    }
    CBoxBuilder ftyp;
    ftyp.OpenBox("ftyp");
    if (plan.quickTime) {
        ftyp.FourCC("qt  ");
        ftyp.U32(0x00000200);
        ftyp.FourCC("qt  ");
    } else {
        ftyp.FourCC("isom");
        ftyp.U32(0x00000200);
        for (const char* brand : {"isom", "iso2", "avc1", "mp41"})
            ftyp.FourCC(brand);
    }
    ftyp.CloseBox();

    // The size of "moov" does not depend on the offsets it holds.
    const size_t moovSize = BuildMoov(plan).size();
    const uint64_t mdatStart = ftyp.Size() + moovSize;
    uint64_t pos = mdatStart + 8;
    for (tagMdatItem& item : plan.items) {
        if (item.align)
            pos = (pos + item.align - 1) / item.align * item.align;
        item.position = pos;
        pos += ItemSize(item);
    }
    if (pos > 0xFFFFFFFFull) {
        error = "recording too large for 32-bit offsets";
        return false;
    }
    const std::vector<uint8_t> moov = BuildMoov(plan);

    FILE* out = fopen(path.c_str(), "wb");
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    std::vector<uint8_t> head = ftyp.Take();
    head.insert(head.end(), moov.begin(), moov.end());
    CBoxBuilder mdatHeader;
    mdatHeader.U32(uint32_t(pos - mdatStart));
    mdatHeader.FourCC("mdat");
    head.insert(head.end(), mdatHeader.Data().begin(), mdatHeader.Data().end());
    fwrite(head.data(), 1, head.size(), out);

    uint64_t written = mdatStart + 8;
    const std::vector<uint8_t> zeros(64 * 1024, 0);
    for (const tagMdatItem& item : plan.items) {
        while (written < item.position) {
            const size_t n = size_t(std::min<uint64_t>(item.position - written, zeros.size()));
            fwrite(zeros.data(), 1, n, out);
            written += n;
        }
        const tagSourceTrack* track = item.kind == tagMdatItem::VideoChunk   ? m_pVideo
                                      : item.kind == tagMdatItem::SoundChunk ? m_pSound
                                                                             : nullptr;
        if (track) {
            for (size_t i = item.first; i < item.first + item.count; ++i)
                fwrite(m_source.SampleData(*track, i), 1, track->sizes[i], out);
        } else {
            fwrite(item.bytes.data(), 1, item.bytes.size(), out);
        }
        written += ItemSize(item);
    }
    fwrite(plan.trailingBox.data(), 1, plan.trailingBox.size(), out);
    const bool ok = !ferror(out);
    if (fclose(out) != 0 || !ok) {
        error = "error writing " + path;
        return false;
    }
    return true;
}

std::vector<uint8_t> CRecordingWriter::BuildMoov(const tagRecordingPlan& plan) const {
    CBoxBuilder b;
    b.OpenBox("moov");
    AddMovieHeader(b, plan);
    for (MoovChild child : plan.moovOrder) {
        switch (child) {
            case MoovChild::Video:
                AddSourceTrack(b, plan, *m_pVideo, tagMdatItem::VideoChunk, 1);
                break;
            case MoovChild::Sound:
                AddSourceTrack(b, plan, *m_pSound, tagMdatItem::SoundChunk, 2);
                break;
            case MoovChild::Text:
                AddTextTrack(b, plan, 3);
                break;
            case MoovChild::UserData:
                AddUserData(b, plan);
                break;
            case MoovChild::RecordIndex:
                AddRecordIndex(b, plan);
                break;
        }
    }
    b.CloseBox();
    return b.Take();
}

void CRecordingWriter::AddMovieHeader(CBoxBuilder& b, const tagRecordingPlan& plan) const {
    b.OpenFullBox("mvhd", 0, 0);
    b.U32(MacTime(plan.creationTime));
    b.U32(MacTime(plan.creationTime));
    b.U32(m_source.movieTimescale);
    b.U32(uint32_t(m_source.movieDuration));
    b.U32(0x00010000);  // rate 1.0
    b.U16(0x0100);      // volume 1.0
    b.Zeros(10);
    AddMatrix(b);
    b.Zeros(24);
    b.U32(4);  // next track id
    b.CloseBox();
}

void CRecordingWriter::AddSourceTrack(CBoxBuilder& b, const tagRecordingPlan& plan,
                                      const tagSourceTrack& track, tagMdatItem::Kind kind,
                                      uint32_t trackId) const {
    std::vector<ChunkRef> chunks;
    for (const tagMdatItem& item : plan.items)
        if (item.kind == kind)
            chunks.push_back({item.position, uint32_t(item.count)});

    b.OpenBox("trak");
    b.Bytes(PatchedTrackHeader(track.tkhd, trackId, plan.creationTime));
    b.Bytes(track.edts);
    b.OpenBox("mdia");
    AddMediaHeader(b, plan.creationTime, track.timescale, track.Duration(), track.language);
    b.Bytes(track.hdlr);
    b.OpenBox("minf");
    b.Bytes(track.mediaHeader);
    b.Bytes(track.dinf);
    b.OpenBox("stbl");
    b.Bytes(track.stsd);
    AddStts(b, track.durations);
    b.Bytes(track.stss);
    b.Bytes(track.ctts);
    AddStsc(b, chunks);
    AddSizesAndOffsets(b, track.sizes, chunks);
    b.CloseBox();  // stbl
    b.CloseBox();  // minf
    b.CloseBox();  // mdia
    b.CloseBox();  // trak
}

// A timed-metadata track whose samples are the camera's text records.
void CRecordingWriter::AddTextTrack(CBoxBuilder& b, const tagRecordingPlan& plan,
                                    uint32_t trackId) const {
    std::vector<ChunkRef> chunks;
    std::vector<uint32_t> sizes;
    for (const tagMdatItem& item : plan.items) {
        if (item.kind != tagMdatItem::TextChunk)
            continue;
        chunks.push_back({item.position, 1});
        sizes.push_back(uint32_t(item.bytes.size()));
    }
    uint64_t duration = 0;
    for (uint32_t d : plan.textDurations)
        duration += d;

    b.OpenBox("trak");
    b.OpenFullBox("tkhd", 0, 0);  // not enabled: nothing to show
    b.U32(MacTime(plan.creationTime));
    b.U32(MacTime(plan.creationTime));
    b.U32(trackId);
    b.U32(0);
    b.U32(uint32_t(duration * m_source.movieTimescale / kTextTimescale));
    b.Zeros(8);
    b.U16(0);  // layer
    b.U16(0);  // alternate group
    b.U16(0);  // volume
    b.U16(0);
    AddMatrix(b);
    b.U32(0);  // width
    b.U32(0);  // height
    b.CloseBox();
    b.OpenBox("mdia");
    AddMediaHeader(b, plan.creationTime, kTextTimescale, duration, 0x55C4 /* und */);
    b.OpenFullBox("hdlr", 0, 0);
    b.U32(0);
    b.FourCC("meta");
    b.Zeros(12);
    b.Text(std::string("VeltoGps", 9));
    b.CloseBox();
    b.OpenBox("minf");
    b.OpenFullBox("nmhd", 0, 0);
    b.CloseBox();
    b.Bytes(m_pVideo->dinf);
    b.OpenBox("stbl");
    b.OpenFullBox("stsd", 0, 0);
    b.U32(1);
    b.OpenBox("mett");
    b.Zeros(6);
    b.U16(1);  // data reference index
    b.U8(0);   // content encoding: none
    b.Text(std::string("text/plain", 11));
    b.CloseBox();
    b.CloseBox();  // stsd
    AddStts(b, plan.textDurations);
    AddStsc(b, chunks);
    AddSizesAndOffsets(b, sizes, chunks);
    b.CloseBox();  // stbl
    b.CloseBox();  // minf
    b.CloseBox();  // mdia
    b.CloseBox();  // trak
}

// The camera's tag: the first child of "udta" holds the chipset name.
void CRecordingWriter::AddUserData(CBoxBuilder& b, const tagRecordingPlan& plan) const {
    b.OpenBox("udta");
    b.OpenBox("VLTO");
    b.Text(plan.userDataTag);
    b.CloseBox();
    b.CloseBox();
}

// Right after "udta": version and flags, the record count at +12, then one
// (record base, record size) pair per record from +16.
void CRecordingWriter::AddRecordIndex(CBoxBuilder& b, const tagRecordingPlan& plan) const {
    std::vector<const tagMdatItem*> records;
    for (const tagMdatItem& item : plan.items)
        if (item.indexed)
            records.push_back(&item);
    b.OpenFullBox("gps ", 0, 0);
    b.U32(uint32_t(records.size()));
    for (const tagMdatItem* r : records) {
        b.U32(uint32_t(r->position));
        b.U32(uint32_t(r->bytes.size()));
    }
    b.CloseBox();
}
