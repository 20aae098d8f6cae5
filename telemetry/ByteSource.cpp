#include "ByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

bool ByteSource::ReadU32BE(uint64_t position, uint32_t& out) {
    uint8_t b[4];
    if (!ReadExact(position, b, 4))
        return false;
    out = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    return true;
}

bool ByteSource::ReadU16BE(uint64_t position, uint16_t& out) {
    uint8_t b[2];
    if (!ReadExact(position, b, 2))
        return false;
    out = uint16_t(b[0] << 8 | b[1]);
    return true;
}

uint64_t ByteSource::WordsAvailable(uint64_t position) const {
    uint64_t size = Size();
    return position >= size ? 0 : (size - position) / 4;
}

FileByteSource::~FileByteSource() {
    Close();
}

bool FileByteSource::Open(const std::string& utf8Path) {
    Close();
    int fd = ::open(utf8Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_size = uint64_t(st.st_size);
    return true;
}

void FileByteSource::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_size = 0;
}

size_t FileByteSource::ReadAt(uint64_t position, void* dst, size_t count) {
    constexpr uint64_t kMaxOffset = uint64_t(std::numeric_limits<off_t>::max());
    if (m_fd < 0 || position >= kMaxOffset)
        return 0;
    auto* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    while (done < count && position + done < kMaxOffset) {
        ssize_t n = ::pread(m_fd, out + done, count - done, off_t(position + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += size_t(n);
    }
    return done;
}

size_t MemoryByteSource::ReadAt(uint64_t position, void* dst, size_t count) {
    if (position >= m_size)
        return 0;
    size_t n = size_t(std::min<uint64_t>(count, m_size - position));
    if (n > 0)
        std::memcpy(dst, m_data + position, n);
    return n;
}

const uint8_t* WindowedReader::Read(uint64_t position, size_t count, size_t& got) {
    const bool inside = position >= m_start && position - m_start <= m_filled &&
                        m_filled - (position - m_start) >= count;
    if (!inside) {
        m_buffer.resize(std::max(m_capacity, count));
        m_start = position;
        m_filled = m_src.ReadAt(position, m_buffer.data(), m_buffer.size());
    }
    const size_t offset = size_t(position - m_start);
    got = std::min(count, m_filled - offset);
    return m_buffer.data() + offset;
}
