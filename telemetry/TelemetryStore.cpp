#include "TelemetryStore.h"

#include "BoxWalker.h"
#include "ByteSource.h"
#include "RecordDecoder.h"
#include "TextTrackLines.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Code points, not bytes: a path is UTF-8.
size_t CharacterCount(const std::string& utf8) {
    return size_t(std::count_if(utf8.begin(), utf8.end(),
                                [](char c) { return (uint8_t(c) & 0xC0) != 0x80; }));
}

// The frame shared by the path-taking extractions: empty the store, refuse a path under 4
// characters or a file that does not open as a regular file (-1), else run the extraction.
template <typename Extract>
int ExtractFromPath(TelemetryStore& store, const std::string& path, Extract extract) {
    store.Clear();
    if (CharacterCount(path) < 4)
        return -1;
    FileByteSource src;
    if (!src.Open(path))
        return -1;
    return extract(src);
}

// Runs one extraction over a source; nothing it meets (not even memory running out)
// escapes: the samples found so far stay.
template <typename Walk>
int Guarded(TelemetryStore& store, Walk walk) {
    store.Clear();
    try {
        walk();
    } catch (const std::exception&) {
    }
    return store.GetCount();
}

void ReadFixedRecord(ByteSource& src, uint32_t base, uint8_t record[kFixedRecordSize]) {
    std::memset(record, 0, kFixedRecordSize);
    src.ReadAt(uint64_t(base) + kFixedRecordOffset, record, kFixedRecordSize);
}

}  // namespace

void TelemetryStore::Clear() {
    m_samples.clear();
}

int TelemetryStore::GetCount() const {
    return int(m_samples.size());
}

void TelemetryStore::AddSample(const tagAssistInfo& sample) {
    m_samples.push_back(sample);
}

int TelemetryStore::GetSample(int index, tagAssistInfo& out) const {
    if (index < 0 || index >= GetCount()) {
        out.longitude = "0";
        out.latitude = "0";
        out.accelX = out.accelY = out.accelZ = 0.0f;
        out.speed = 0;
        out.utcMillis = kNoUtcTime;
        return -1;
    }
    out = m_samples[size_t(index)];
    return 0;
}

int TelemetryStore::ParseTabLine(std::string& line, int shift) {
    AddSample(DecodeTabLine(line, shift));
    return GetCount();
}

int TelemetryStore::ExtractTextTrack(const std::string& path) {
    return ExtractFromPath(*this, path, [this](ByteSource& s) { return ExtractTextTrack(s); });
}

int TelemetryStore::ExtractHeaderBlocks(const std::string& path) {
    return ExtractFromPath(*this, path, [this](ByteSource& s) { return ExtractHeaderBlocks(s); });
}

int TelemetryStore::ExtractInterleaved(const std::string& path) {
    return ExtractFromPath(*this, path, [this](ByteSource& s) { return ExtractInterleaved(s); });
}

int TelemetryStore::ExtractUserDataIndex(const std::string& path) {
    return ExtractFromPath(*this, path, [this](ByteSource& s) { return ExtractUserDataIndex(s); });
}

// Each chunk: 2-byte big-endian length n, then n text bytes. A length that cannot be read
// makes an empty line. A length of 640 or more is cut to 639 bytes, so the buffer always
// keeps its terminating zero.
int TelemetryStore::ExtractTextTrack(ByteSource& src) {
    return Guarded(*this, [&] {
        const std::vector<uint32_t> chunks = BoxWalker(src).TextTrackChunks();
        TextTrackLines lines(*this);
        // Length and text in one read; the bytes past the record are cleared again.
        uint8_t record[2 + kTextRecordBuffer];
        for (uint32_t offset : chunks) {
            const size_t got = src.ReadAt(offset, record, 2 + kTextRecordBuffer - 1);
            const uint32_t n = got < 2 ? 0 : uint32_t(record[0] << 8 | record[1]);
            const size_t textBytes =
                std::min<size_t>({n, kTextRecordBuffer - 1, got < 2 ? 0 : got - 2});
            std::memset(record + 2 + textBytes, 0, kTextRecordBuffer - textBytes);
            lines.AddChunk(n, record + 2);
        }
    });
}

// The header, then 132-byte blocks back to back until fewer than 132 bytes remain (a
// partial last block is ignored).
int TelemetryStore::ExtractHeaderBlocks(ByteSource& src) {
    return Guarded(*this, [&] {
        uint64_t pos = 0;
        uint8_t header[kHeaderBlockHeaderSize];
        uint8_t shift = 0;
        BoxWalker walker(src);
        if (!walker.HeaderBlockPosition(pos) || !src.ReadExact(pos, header, sizeof header) ||
            !HeaderBlockShift(header, shift))
            return;
        pos += kHeaderBlockHeaderSize;
        // The blocks run to the end of the file, one a second of the recording at most: read
        // them a batch at a time.
        const uint64_t limit = walker.RecordLimit();
        constexpr size_t kBatch = 64;
        std::vector<uint8_t> batch(kBatch * kHeaderBlockSize);
        for (uint64_t blocks = 0; blocks < limit;) {
            const size_t got = src.ReadAt(pos, batch.data(), batch.size()) / kHeaderBlockSize;
            for (size_t i = 0; i < got && blocks < limit; ++i, ++blocks)
                AddSample(DecodeHeaderBlock(&batch[i * kHeaderBlockSize], shift));
            if (got < kBatch)
                break;
            pos += batch.size();
        }
    });
}

int TelemetryStore::ExtractInterleaved(ByteSource& src) {
    return Guarded(*this, [&] {
        const std::vector<uint32_t> bases = BoxWalker(src).InterleavedBases(videoSamplesPerSecond);
        uint8_t record[kFixedRecordSize];
        for (uint32_t base : bases) {
            ReadFixedRecord(src, base, record);
            UndoInterleavedShift(record);
            AddSample(DecodeFixedRecord(record));
        }
    });
}

int TelemetryStore::ExtractUserDataIndex(ByteSource& src) {
    return Guarded(*this, [&] {
        const std::vector<uint32_t> bases = BoxWalker(src).UserDataIndexBases();
        uint8_t record[kFixedRecordSize];
        for (uint32_t base : bases) {
            ReadFixedRecord(src, base, record);
            AddSample(DecodeFixedRecord(record));
        }
    });
}
