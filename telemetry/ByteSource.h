#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Where the extractions read a recording from: positional reads over a file or a memory
// buffer, so tests and fuzzers can feed bytes without temp files.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Copies up to `count` bytes from `position` into `dst` and returns how many were copied:
    // fewer at the end of the data, 0 beyond it or on a read error.
    virtual size_t ReadAt(uint64_t position, void* dst, size_t count) = 0;
    // Length of the data; every count read from the data is bounded by it.
    virtual uint64_t Size() const = 0;

    bool ReadExact(uint64_t position, void* dst, size_t count) {
        return ReadAt(position, dst, count) == count;
    }
    // Big-endian words; false on a short read.
    bool ReadU32BE(uint64_t position, uint32_t& out);
    bool ReadU16BE(uint64_t position, uint16_t& out);
    // Whole 4-byte words from `position` to the end of the data.
    uint64_t WordsAvailable(uint64_t position) const;
};

// Reads through a window: a read within the last window is served from memory, else one read
// of the source fetches `capacity` bytes (at least those asked for) from there. For the many
// small reads of a format that walks samples or blocks in file order; capacity 0 reads just
// what is asked for, when the next read is far away anyway.
class WindowedReader {
public:
    explicit WindowedReader(ByteSource& src, size_t capacity = size_t(64) << 10)
        : m_src(src), m_capacity(capacity) {}

    // Up to `count` bytes at `position` (fewer at the end of the data, none beyond it); the
    // pointer stays valid until the next call.
    const uint8_t* Read(uint64_t position, size_t count, size_t& got);

private:
    ByteSource& m_src;
    size_t m_capacity;
    std::vector<uint8_t> m_buffer;
    uint64_t m_start = 0;
    size_t m_filled = 0;
};

// A regular file, read with pread. Directories, FIFOs, devices and sockets do not open.
class FileByteSource : public ByteSource {
public:
    FileByteSource() = default;
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    // Opens `utf8Path` read-only without blocking (a FIFO never waits for a writer); false
    // when it cannot be opened or is not a regular file.
    bool Open(const std::string& utf8Path);
    void Close();

    size_t ReadAt(uint64_t position, void* dst, size_t count) override;
    uint64_t Size() const override { return m_size; }

private:
    int m_fd = -1;
    uint64_t m_size = 0;
};

// A buffer the caller keeps alive for the life of the source.
class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    explicit MemoryByteSource(const std::vector<uint8_t>& bytes)
        : m_data(bytes.data()), m_size(bytes.size()) {}
    // A temporary would be gone before the first read.
    explicit MemoryByteSource(std::vector<uint8_t>&&) = delete;

    size_t ReadAt(uint64_t position, void* dst, size_t count) override;
    uint64_t Size() const override { return m_size; }

private:
    const uint8_t* m_data;
    size_t m_size;
};
