#include "Mp4Source.h"

#include "BoxBuilder.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

struct Box {
    size_t start = 0;    // header position
    size_t payload = 0;  // first byte after the header
    size_t end = 0;      // first byte after the box
    std::string type;
};

// Children of the byte range [begin, end); stops at the first malformed box.
std::vector<Box> Children(const std::vector<uint8_t>& f, size_t begin, size_t end) {
    std::vector<Box> boxes;
    size_t pos = begin;
    while (pos + 8 <= end) {
        Box box;
        box.start = pos;
        uint64_t size = GetBe32(&f[pos]);
        box.type.assign(reinterpret_cast<const char*>(&f[pos + 4]), 4);
        box.payload = pos + 8;
        if (size == 1) {
            if (pos + 16 > end)
                break;
            size = GetBe64(&f[pos + 8]);
            box.payload = pos + 16;
        } else if (size == 0) {
            size = end - pos;
        }
        if (size < box.payload - pos || pos + size > end)
            break;
        box.end = pos + size_t(size);
        boxes.push_back(box);
        pos = box.end;
    }
    return boxes;
}

std::vector<uint8_t> Whole(const std::vector<uint8_t>& f, const Box& box) {
    return std::vector<uint8_t>(f.begin() + long(box.start), f.begin() + long(box.end));
}

}  // namespace

uint64_t tagSourceTrack::Duration() const {
    uint64_t total = 0;
    for (uint32_t d : durations)
        total += d;
    return total;
}

double tagSourceTrack::SampleTime(size_t i) const {
    uint64_t t = 0;
    for (size_t j = 0; j < i && j < durations.size(); ++j)
        t += durations[j];
    return timescale ? double(t) / timescale : 0.0;
}

bool CMp4Source::Load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    m_file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    for (const Box& box : Children(m_file, 0, m_file.size())) {
        if (box.type == "moov")
            return ParseMoov(box.payload, box.end, error);
    }
    error = "no moov box in " + path;
    return false;
}

bool CMp4Source::ParseMoov(size_t begin, size_t end, std::string& error) {
    for (const Box& box : Children(m_file, begin, end)) {
        if (box.type == "mvhd") {
            const uint8_t* p = &m_file[box.payload];
            if (p[0] == 1) {
                movieTimescale = GetBe32(p + 20);
                movieDuration = GetBe64(p + 24);
            } else {
                movieTimescale = GetBe32(p + 12);
                movieDuration = GetBe32(p + 16);
            }
        } else if (box.type == "trak") {
            tagSourceTrack track;
            if (!ParseTrak(box.payload, box.end, track)) {
                error = "unreadable track";
                return false;
            }
            tracks.push_back(std::move(track));
        }
    }
    return !tracks.empty();
}

bool CMp4Source::ParseTrak(size_t begin, size_t end, tagSourceTrack& track) {
    for (const Box& box : Children(m_file, begin, end)) {
        if (box.type == "tkhd")
            track.tkhd = Whole(m_file, box);
        if (box.type == "edts")
            track.edts = Whole(m_file, box);
        if (box.type != "mdia")
            continue;
        for (const Box& m : Children(m_file, box.payload, box.end)) {
            if (m.type == "mdhd") {
                const uint8_t* p = &m_file[m.payload];
                const size_t at = p[0] == 1 ? 20 : 12;
                track.timescale = GetBe32(p + at);
                track.language = GetBe16(p + at + (p[0] == 1 ? 12 : 8));
            } else if (m.type == "hdlr") {
                track.hdlr = Whole(m_file, m);
                memcpy(track.handler, &m_file[m.payload + 8], 4);
            } else if (m.type == "minf") {
                for (const Box& n : Children(m_file, m.payload, m.end)) {
                    if (n.type == "vmhd" || n.type == "smhd" || n.type == "nmhd")
                        track.mediaHeader = Whole(m_file, n);
                    else if (n.type == "dinf")
                        track.dinf = Whole(m_file, n);
                    else if (n.type == "stbl" && !ParseStbl(n.payload, n.end, track))
                        return false;
                }
            }
        }
    }
    return !track.sizes.empty() && track.sizes.size() == track.offsets.size() &&
           track.sizes.size() == track.durations.size();
}

bool CMp4Source::ParseStbl(size_t begin, size_t end, tagSourceTrack& track) {
    struct Run {
        uint32_t firstChunk, samplesPerChunk;
    };
    std::vector<Run> runs;
    std::vector<uint64_t> chunks;
    for (const Box& box : Children(m_file, begin, end)) {
        const uint8_t* p = &m_file[box.payload];
        if (box.type == "stsd") {
            track.stsd = Whole(m_file, box);
        } else if (box.type == "stss") {
            track.stss = Whole(m_file, box);
        } else if (box.type == "ctts") {
            track.ctts = Whole(m_file, box);
        } else if (box.type == "stts") {
            const uint32_t n = GetBe32(p + 4);
            for (uint32_t i = 0; i < n; ++i)
                track.durations.insert(track.durations.end(), GetBe32(p + 8 + 8 * i),
                                       GetBe32(p + 12 + 8 * i));
        } else if (box.type == "stsz") {
            const uint32_t fixed = GetBe32(p + 4), n = GetBe32(p + 8);
            for (uint32_t i = 0; i < n; ++i)
                track.sizes.push_back(fixed ? fixed : GetBe32(p + 12 + 4 * i));
        } else if (box.type == "stsc") {
            const uint32_t n = GetBe32(p + 4);
            for (uint32_t i = 0; i < n; ++i)
                runs.push_back({GetBe32(p + 8 + 12 * i), GetBe32(p + 12 + 12 * i)});
        } else if (box.type == "stco" || box.type == "co64") {
            const uint32_t n = GetBe32(p + 4);
            for (uint32_t i = 0; i < n; ++i)
                chunks.push_back(box.type == "stco" ? GetBe32(p + 8 + 4 * i)
                                                    : GetBe64(p + 8 + 8 * i));
        }
    }
    size_t sample = 0;
    for (size_t c = 0; c < chunks.size(); ++c) {
        uint32_t perChunk = 0;
        for (const Run& r : runs)
            if (r.firstChunk <= c + 1)
                perChunk = r.samplesPerChunk;
        uint64_t offset = chunks[c];
        for (uint32_t s = 0; s < perChunk && sample < track.sizes.size(); ++s, ++sample) {
            track.offsets.push_back(offset);
            offset += track.sizes[sample];
        }
    }
    for (size_t i = 0; i < track.offsets.size(); ++i)
        if (track.offsets[i] + track.sizes[i] > m_file.size())
            return false;
    return true;
}

const tagSourceTrack* CMp4Source::FindTrack(const char* handler) const {
    for (const tagSourceTrack& t : tracks)
        if (std::string(t.handler) == handler)
            return &t;
    return nullptr;
}

const uint8_t* CMp4Source::SampleData(const tagSourceTrack& track, size_t i) const {
    return &m_file[size_t(track.offsets[i])];
}
