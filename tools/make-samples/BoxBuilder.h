#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds ISO base media boxes into a byte vector: big-endian numbers, four
// character codes, and nested boxes whose 32-bit size is filled in when the
// box is closed.
class CBoxBuilder {
public:
    void U8(uint8_t v);
    void U16(uint16_t v);
    void U32(uint32_t v);
    void U64(uint64_t v);
    void FourCC(const char* code);
    void Bytes(const void* data, size_t size);
    void Bytes(const std::vector<uint8_t>& data);
    void Text(const std::string& text);
    void Zeros(size_t count);

    // Opens a box of `type`; CloseBox writes its size.
    void OpenBox(const char* type);
    void OpenFullBox(const char* type, uint8_t version, uint32_t flags);
    void CloseBox();

    size_t Size() const { return m_bytes.size(); }
    const std::vector<uint8_t>& Data() const { return m_bytes; }
    std::vector<uint8_t> Take();

private:
    std::vector<uint8_t> m_bytes;
    std::vector<size_t> m_open;
};

// Byte helpers for fixed layouts (records, headers).
void PutLe16(std::vector<uint8_t>& out, size_t at, uint16_t v);
void PutLe32(std::vector<uint8_t>& out, size_t at, uint32_t v);
void PutBe32(std::vector<uint8_t>& out, size_t at, uint32_t v);
uint32_t GetBe32(const uint8_t* p);
uint16_t GetBe16(const uint8_t* p);
uint64_t GetBe64(const uint8_t* p);
