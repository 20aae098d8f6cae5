#include "FileList.h"

#include "ChipsetProbe.h"
#include "PlaylistView.h"

#include <sys/stat.h>

#include <string>

namespace {

const char kLockText[] = "ReadOnly";
const unsigned kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

enum class PathKind { Missing, Regular, Other };

PathKind KindOfPath(const std::string& path, struct stat& st) {
    if (::stat(path.c_str(), &st) != 0)
        return PathKind::Missing;
    return S_ISREG(st.st_mode) ? PathKind::Regular : PathKind::Other;
}

// Locked means that nobody may write the file.
bool IsLockedMode(mode_t mode) {
    return (mode & kAnyWrite) == 0;
}

// Sidecar, chipset kind and recording time of a regular file or a missing one
// (a missing file finds no sidecar in practice and reads no time).
void ProbeRecording(tagFileNode& node, const std::string& ext) {
    std::string datPath;
    switch (FindDatFile(node.strFilePath, datPath)) {
        case DatLookup::Found:
            node.strDatPath = datPath;
            break;
        case DatLookup::NotFound: {
            const ChipsetProbeResult probe = ProbeChipset(node.strFilePath);
            node.nChipset = probe.kind;
            node.eChipsetTag = probe.tag;
            break;
        }
        case DatLookup::NotLooked:
            break;
    }
    node.strDateTime = RecordingTimeText(node.strFilePath, ext, node.nChipset);
}

}  // namespace

bool KindDecided(const tagFileNode& node) {
    return !node.strDatPath.empty() || node.eChipsetTag != ChipsetTag::None;
}

TelemetryReading ReadEntryTelemetry(TelemetryStore& store, const tagFileNode& node) {
    return ReadTelemetry(store, node.strFilePath, node.nChipset, KindDecided(node));
}

int CFileList::AddFile(const std::string& path, const char* name, const std::string& ext) {
    tagFileNode node;
    node.strFilePath = path;
    node.strFileName = name != nullptr ? std::string(name) : FileNameFromPath(path);

    // A directory, FIFO or device is listed like a file that cannot be
    // opened: no sidecar, kind UserDataIndexFallback, no time, not locked.
    struct stat st;
    const PathKind kind = KindOfPath(path, st);
    if (kind != PathKind::Other)
        ProbeRecording(node, ext);
    if (kind == PathKind::Regular && IsLockedMode(st.st_mode))
        node.bReadOnly = 1;

    AppendEntry(node);
    return 0;
}

void CFileList::AppendEntry(const tagFileNode& node) {
    m_list.push_back(node);
    if (m_pListCtrl == nullptr)
        return;
    const int row = m_pListCtrl->GetRowCount();
    m_pListCtrl->AppendRow(std::to_string(row + 1), node.strFileName, node.strDateTime,
                           node.bReadOnly ? kLockText : "");
    if (node.bReadOnly)
        m_pListCtrl->SetRowImage(row, IPlaylistView::kPadlockImage);
}

int CFileList::GetEntryCount() const {
    return static_cast<int>(m_list.size());
}

int CFileList::GetEntry(int index, tagFileNode& out) const {
    if (index < 0 || index >= GetEntryCount())
        return -1;
    out = m_list[static_cast<size_t>(index)];
    return 0;
}

void CFileList::RemoveEntry(int index) {
    if (index < 0 || index >= GetEntryCount())
        return;
    m_list.erase(m_list.begin() + index);
    if (m_pListCtrl != nullptr && index < m_pListCtrl->GetRowCount()) {
        m_pListCtrl->DeleteRow(index);
    }
}

bool CFileList::ToggleLock(int index) {
    if (index < 0 || index >= GetEntryCount())
        return false;
    tagFileNode& node = m_list[static_cast<size_t>(index)];

    struct stat st;
    if (::stat(node.strFilePath.c_str(), &st) != 0)
        return false;
    const bool lock = !IsLockedMode(st.st_mode);
    const mode_t permissions = st.st_mode & 07777;
    const mode_t newMode = lock ? (permissions & ~kAnyWrite) : (permissions | S_IWUSR);

    // The file first: entry and row change only once the file has. A file system without
    // permissions (vfat, exfat) may accept the change and keep the old bits: read them back.
    if (!ApplyPermissions(node.strFilePath, newMode) ||
        ::stat(node.strFilePath.c_str(), &st) != 0 || IsLockedMode(st.st_mode) != lock)
        return false;

    node.bReadOnly = lock ? 1 : 0;
    if (m_pListCtrl != nullptr && index < m_pListCtrl->GetRowCount()) {
        m_pListCtrl->SetRowImage(index,
                                 lock ? IPlaylistView::kPadlockImage : IPlaylistView::kNoImage);
        m_pListCtrl->SetLockText(index, lock ? kLockText : "");
    }
    return true;
}

bool CFileList::ApplyPermissions(const std::string& path, unsigned mode) {
    return ::chmod(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

std::string CFileList::FileNameFromPath(const std::string& path) {
    size_t end = path.size();
    while (end > 0 && path[end - 1] == '/')
        --end;
    if (end == 0)
        return std::string();
    const size_t start = path.rfind('/', end - 1);
    return start == std::string::npos ? path.substr(0, end)
                                      : path.substr(start + 1, end - start - 1);
}
