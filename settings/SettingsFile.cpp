#include "SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

char FoldedAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool SameName(const std::string& text, size_t begin, size_t end, const std::string& name) {
    if (end - begin != name.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (FoldedAscii(text[begin + i]) != FoldedAscii(name[i]))
            return false;
    }
    return true;
}

// [begin, end) without the blanks at either end.
void Trim(const std::string& text, size_t& begin, size_t& end) {
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
}

bool HasLineBreakOrNul(const std::string& s) {
    return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

bool HasOuterBlanks(const std::string& s) {
    return !s.empty() && (IsBlank(s.front()) || IsBlank(s.back()));
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

// Reads at most `limit` + 1 bytes, so a file that grows past the limit is seen to.
bool ReadBounded(int fd, size_t limit, std::string& out) {
    out.clear();
    char block[65536];
    while (out.size() <= limit) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(block, size_t(n));
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates "<folder>/.<name>.XXXXXX" exclusively, never through a link; -1 on failure.
int CreateTemporary(const std::string& path, mode_t mode, std::string& tempPath) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::mt19937_64 random(std::random_device{}() ^
                           uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    const std::string prefix = FolderOf(path) + "/." + NameOf(path) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = prefix;
        for (int i = 0; i < 6; ++i)
            tempPath += kChars[random() % (sizeof kChars - 1)];
        const int fd =
            ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The folder's entry of the renamed file reaches the disk too (best effort).
void SyncFolder(const std::string& path) {
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace

// One line of the text: [begin, contentEnd) without its line end, which ends at `end`.
struct CSettingsFile::Line {
    enum Kind { Other, Section, Key } kind = Other;
    size_t begin = 0, contentEnd = 0, end = 0;
    size_t nameBegin = 0, nameEnd = 0;    // section or key name
    size_t valueBegin = 0, valueEnd = 0;  // Key: the value without the blanks around it
};

CSettingsFile::LoadResult CSettingsFile::Load(const std::string& utf8Path) {
    m_path = utf8Path;
    m_text.clear();
    m_loaded.clear();
    const int fd = ::open(utf8Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_state = errno == ENOENT ? LoadResult::Missing : LoadResult::Unreadable;
        return m_state;
    }
    struct stat st;
    std::string text;
    if (::fstat(fd, &st) != 0)
        m_state = LoadResult::Unreadable;
    else if (!S_ISREG(st.st_mode))
        m_state = LoadResult::NotRegular;
    else if (uint64_t(st.st_size) > kMaxBytes)
        m_state = LoadResult::TooLarge;
    else if (!ReadBounded(fd, kMaxBytes, text))
        m_state = LoadResult::Unreadable;
    else if (text.size() > kMaxBytes)
        m_state = LoadResult::TooLarge;
    else
        m_state = LoadResult::Loaded;
    ::close(fd);
    if (m_state == LoadResult::Loaded) {
        m_text = text;
        m_loaded = std::move(text);
    }
    return m_state;
}

void CSettingsFile::LoadText(std::string text) {
    m_path.clear();
    m_state = LoadResult::Loaded;
    m_loaded = text;
    m_text = std::move(text);
}

bool CSettingsFile::LeftAlone() const {
    return m_state != LoadResult::Loaded && m_state != LoadResult::Missing;
}

bool CSettingsFile::NextLine(size_t& at, Line& line) const {
    if (at >= m_text.size())
        return false;
    line = Line();
    line.begin = at;
    const size_t newline = m_text.find('\n', at);
    line.end = newline == std::string::npos ? m_text.size() : newline + 1;
    line.contentEnd = newline == std::string::npos ? m_text.size() : newline;
    if (line.contentEnd > line.begin && m_text[line.contentEnd - 1] == '\r')
        --line.contentEnd;
    at = line.end;

    size_t p = line.begin;
    if (p == 0 && m_text.compare(0, 3, kByteOrderMark) == 0)
        p = 3;
    while (p < line.contentEnd && IsBlank(m_text[p]))
        ++p;
    if (p == line.contentEnd || m_text[p] == ';' || m_text[p] == '#')
        return true;
    if (m_text[p] == '[') {
        const size_t close = m_text.find(']', p);
        if (close != std::string::npos && close < line.contentEnd) {
            line.kind = Line::Section;
            line.nameBegin = p + 1;
            line.nameEnd = close;
            Trim(m_text, line.nameBegin, line.nameEnd);
        }
        return true;
    }
    const size_t equals = m_text.find('=', p);
    if (equals == std::string::npos || equals >= line.contentEnd)
        return true;
    line.kind = Line::Key;
    line.nameBegin = p;
    line.nameEnd = equals;
    Trim(m_text, line.nameBegin, line.nameEnd);
    line.valueBegin = equals + 1;
    line.valueEnd = line.contentEnd;
    Trim(m_text, line.valueBegin, line.valueEnd);
    return true;
}

bool CSettingsFile::FindKey(const std::string& section, const std::string& key, Line& found) const {
    bool inSection = false;
    size_t at = 0;
    Line line;
    while (NextLine(at, line)) {
        if (line.kind == Line::Section)
            inSection = SameName(m_text, line.nameBegin, line.nameEnd, section);
        else if (line.kind == Line::Key && inSection &&
                 SameName(m_text, line.nameBegin, line.nameEnd, key)) {
            found = line;
            return true;
        }
    }
    return false;
}

// Where a new key of the first `section` goes: after its last key, else after its header.
bool CSettingsFile::FindSectionEnd(const std::string& section, size_t& insertAt) const {
    bool seen = false, inSection = false;
    size_t at = 0;
    Line line;
    while (NextLine(at, line)) {
        if (line.kind == Line::Section) {
            if (inSection)
                break;
            inSection = SameName(m_text, line.nameBegin, line.nameEnd, section);
            if (inSection) {
                seen = true;
                insertAt = line.end;
            }
        } else if (line.kind == Line::Key && inSection) {
            insertAt = line.end;
        }
    }
    return seen;
}

// The file's own line end (that of its first line), LF for a file that has none.
std::string CSettingsFile::LineEnd() const {
    const size_t newline = m_text.find('\n');
    return newline != std::string::npos && newline > 0 && m_text[newline - 1] == '\r' ? "\r\n"
                                                                                      : "\n";
}

// Inserts `text` as a line of its own at `at`, the start of a line or the end of the text.
// A last line without a line end keeps having none.
void CSettingsFile::InsertLine(size_t at, const std::string& text) {
    const std::string eol = LineEnd();
    if (at == m_text.size() && !m_text.empty() && m_text.back() != '\n')
        m_text += eol + text;
    else
        m_text.insert(at, text + eol);
}

bool CSettingsFile::Get(const std::string& section, const std::string& key,
                        std::string& value) const {
    Line line;
    if (LeftAlone() || !FindKey(section, key, line))
        return false;
    value = m_text.substr(line.valueBegin, line.valueEnd - line.valueBegin);
    return true;
}

bool CSettingsFile::Set(const std::string& section, const std::string& key,
                        const std::string& value) {
    if (LeftAlone() || section.empty() || key.empty() || HasLineBreakOrNul(section) ||
        HasLineBreakOrNul(key) || HasLineBreakOrNul(value) ||
        section.find(']') != std::string::npos || key.find('=') != std::string::npos ||
        key[0] == '[' || key[0] == ';' || key[0] == '#' || HasOuterBlanks(section) ||
        HasOuterBlanks(key) || HasOuterBlanks(value))
        return false;

    Line line;
    if (FindKey(section, key, line)) {
        m_text.replace(line.valueBegin, line.valueEnd - line.valueBegin, value);
        return true;
    }
    const std::string entry = key + "=" + value;
    size_t insertAt = 0;
    if (FindSectionEnd(section, insertAt)) {
        InsertLine(insertAt, entry);
        return true;
    }
    const std::string eol = LineEnd();
    if (!m_text.empty()) {
        if (m_text.back() != '\n')
            m_text += eol;
        m_text += eol;  // a blank line before the new section
    }
    m_text += "[" + section + "]" + eol + entry + eol;
    return true;
}

CSettingsFile::SaveResult CSettingsFile::Save() {
    if (LeftAlone() || m_path.empty())
        return SaveResult::LeftAlone;
    if (!IsModified())
        return SaveResult::Unchanged;

    struct stat st;
    const bool exists = ::lstat(m_path.c_str(), &st) == 0;
    // A link, a file replaced by a folder or FIFO since it was read, or a file its owner
    // made read-only: not ours to change.
    if (exists && (!S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0))
        return SaveResult::LeftAlone;
    if (!exists && errno != ENOENT)
        return SaveResult::Failed;

    std::string tempPath;
    const int fd = CreateTemporary(m_path, exists ? (st.st_mode & 07777) : 0666, tempPath);
    if (fd < 0)
        return SaveResult::Failed;
    bool ok = true;
    if (exists) {
        // The old file's permissions exactly (the umask narrowed the creation mode), and
        // its owner when another user's file is written by a privileged process.
        ok = ::fchmod(fd, st.st_mode & 07777) == 0;
        if (ok && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
            (void)::fchown(fd, st.st_uid, st.st_gid);
    }
    ok = ok && WriteAll(fd, m_text) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(tempPath.c_str(), m_path.c_str()) == 0;
    if (!ok) {
        ::unlink(tempPath.c_str());
        return SaveResult::Failed;
    }
    SyncFolder(m_path);
    m_loaded = m_text;
    m_state = LoadResult::Loaded;
    return SaveResult::Saved;
}
