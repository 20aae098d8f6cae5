#pragma once

#include <string>

// Sidecar lookup, chipset probe and recording time, settled once per
// playlist entry when a recording is added.

enum class DatLookup { Found, NotFound, NotLooked };

// <dir>/<name>.DAT, then <dir>/gps/<name>.DAT; each by its exact name first,
// then in any ASCII letter case (gps/ too), so the one beside the recording
// wins. Paths shorter than 8 characters: NotLooked.
DatLookup FindDatFile(const std::string& path, std::string& datPath);

// ChipsetKind 0..5 from the tail tag and the user-data tag.
int DetectChipset(const std::string& path);

struct BrokenDownTime {
    int year, month, day, hour, minute, second;
};

// Birth time where the file system records one, else modification time,
// in local time.
bool ReadCreationTime(const std::string& path, BrokenDownTime& out);

// The text for tagFileNode::strDateTime; empty when no time can be read.
std::string RecordingTimeText(const std::string& path, const std::string& ext, int nChipset);
