#pragma once

#include "ChipsetKind.h"

#include <string>

class ByteSource;

// Sidecar lookup, chipset probe and recording time, settled once per
// playlist entry when a recording is added.

enum class DatLookup { Found, NotFound, NotLooked };

// <dir>/<name>.DAT, then <dir>/gps/<name>.DAT; each by its exact name first,
// then in any ASCII letter case (gps/ too), so the one beside the recording
// wins. Paths shorter than 8 characters: NotLooked.
DatLookup FindDatFile(const std::string& path, std::string& datPath);

// What chose the kind the probe gives: the eight-byte tail tag, one of the tags of the
// user-data box, or neither (the kind is then the 0 or 5 that any recording gets whose
// walk ends, or whose user-data tag is none of the known ones).
enum class ChipsetTag { None, Tail, UserData };

struct ChipsetProbeResult {
    ChipsetKind kind = ChipsetKind::UserDataIndexFallback;
    ChipsetTag tag = ChipsetTag::None;
};

// The kind from the tail tag and the user-data tag. The probe reads the last eight bytes,
// at most 128 box headers at the top level and 128 inside "moov", and at most 68 bytes of
// the user-data box; never the media data. A path that does not open as a regular file
// gives UserDataIndexFallback.
ChipsetProbeResult ProbeChipset(ByteSource& src);
ChipsetProbeResult ProbeChipset(const std::string& path);
ChipsetKind DetectChipset(ByteSource& src);
ChipsetKind DetectChipset(const std::string& path);

struct BrokenDownTime {
    int year, month, day, hour, minute, second;
};

// Birth time where the file system records one, else modification time,
// in local time.
bool ReadCreationTime(const std::string& path, BrokenDownTime& out);

// The text for tagFileNode::strDateTime; empty when no time can be read.
std::string RecordingTimeText(const std::string& path, const std::string& ext, ChipsetKind kind);
