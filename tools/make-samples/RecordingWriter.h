#pragma once

#include "Mp4Source.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// One piece of the media data, in file order.
struct tagMdatItem {
    enum Kind { VideoChunk, SoundChunk, TextChunk, Blob };
    Kind kind = Blob;
    size_t first = 0, count = 0;  // VideoChunk, SoundChunk: samples of the source track
    std::vector<uint8_t> bytes;   // TextChunk: its one sample; Blob: raw bytes
    uint32_t align = 0;           // start at a file offset that is a multiple of this
    bool indexed = false;         // Blob: listed in the record index box
    uint64_t position = 0;        // file offset, set while writing
};

// The children of "moov" after "mvhd", in the order they are written.
enum class MoovChild { Video, Sound, Text, UserData, RecordIndex };

struct tagRecordingPlan {
    bool quickTime = false;  // "qt  " brand (.MOV) instead of "isom" (.MP4)
    std::vector<MoovChild> moovOrder;
    std::string userDataTag;              // contents of the user-data box's first child
    std::vector<tagMdatItem> items;       // the media data
    std::vector<uint32_t> textDurations;  // ms, one per text sample
    std::vector<uint8_t> trailingBox;     // a whole top-level box after "mdat", or nothing
    time_t creationTime = 0;
};

// Writes a recording with its own "moov" and media layout around the video
// and sound samples of a plain MP4: sample descriptions, edit lists and
// track headers are copied, sample tables are built for the new layout.
class CRecordingWriter {
public:
    explicit CRecordingWriter(const CMp4Source& source);
    bool Write(tagRecordingPlan& plan, const std::string& path, std::string& error);

private:
    std::vector<uint8_t> BuildMoov(const tagRecordingPlan& plan) const;
    void AddMovieHeader(class CBoxBuilder& b, const tagRecordingPlan& plan) const;
    void AddSourceTrack(CBoxBuilder& b, const tagRecordingPlan& plan, const tagSourceTrack& track,
                        tagMdatItem::Kind kind, uint32_t trackId) const;
    void AddTextTrack(CBoxBuilder& b, const tagRecordingPlan& plan, uint32_t trackId) const;
    void AddUserData(CBoxBuilder& b, const tagRecordingPlan& plan) const;
    void AddRecordIndex(CBoxBuilder& b, const tagRecordingPlan& plan) const;
    uint64_t ItemSize(const tagMdatItem& item) const;

    const CMp4Source& m_source;
    const tagSourceTrack* m_pVideo;
    const tagSourceTrack* m_pSound;
};
