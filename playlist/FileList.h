#pragma once

#include "ChipsetProbe.h"
#include "FormatRegistry.h"

#include <cstdint>
#include <string>
#include <vector>

class IPlaylistView;

// One playlist entry, handed out as a copy.
struct tagFileNode {
    std::string strFilePath;  // exactly as given to AddFile (UTF-8)
    std::string strFileName;  // display name
    std::string strDatPath;   // sidecar found beside the recording, or empty
    std::string strDateTime;  // "%02d:%02d:%02d %02d-%02d-%04d" or empty
    int32_t bReadOnly = 0;    // 1: locked (no write permission for anyone)
    ChipsetKind nChipset = ChipsetKind::UserDataIndexFallback;
    ChipsetTag eChipsetTag = ChipsetTag::None;  // what chose nChipset
};

// Whether a .DAT sidecar or a chipset tag chose the entry's kind (else it is the default
// that an untagged recording gets).
bool KindDecided(const tagFileNode& node);

// The entry's telemetry as the player shows it: ReadTelemetry with the entry's kind.
TelemetryReading ReadEntryTelemetry(TelemetryStore& store, const tagFileNode& node);

class CFileList {
public:
    // Not owned; rows follow entries while a view is attached.
    IPlaylistView* m_pListCtrl = nullptr;

    // Builds and appends one entry: sidecar lookup, chipset probe, recording
    // time, lock state. `name` may be null (the file name of the path is
    // used); `ext` is the upper-case extension with its dot. Always 0.
    int AddFile(const std::string& path, const char* name, const std::string& ext);
    void AppendEntry(const tagFileNode& node);
    int GetEntryCount() const;
    int GetEntry(int index, tagFileNode& out) const;  // 0, or -1 untouched
    void RemoveEntry(int index);
    // Locks or unlocks the file. Returns false, leaving entry and row as they
    // were, when the index is out of range or the permission change fails,
    // also when the file system accepts it but the permissions read back
    // unchanged. The row's padlock and lock text follow the entry.
    bool ToggleLock(int index);

    static std::string FileNameFromPath(const std::string& path);

    virtual ~CFileList() = default;

protected:
    // Sets the permission bits of `path`; false when the file system refuses.
    // A seam for tests that need the change to fail.
    virtual bool ApplyPermissions(const std::string& path, unsigned mode);

private:
    std::vector<tagFileNode> m_list;
};
