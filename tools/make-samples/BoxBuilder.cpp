#include "BoxBuilder.h"

#include <cstring>

void CBoxBuilder::U8(uint8_t v) {
    m_bytes.push_back(v);
}

void CBoxBuilder::U16(uint16_t v) {
    U8(uint8_t(v >> 8));
    U8(uint8_t(v));
}

void CBoxBuilder::U32(uint32_t v) {
    U16(uint16_t(v >> 16));
    U16(uint16_t(v));
}

void CBoxBuilder::U64(uint64_t v) {
    U32(uint32_t(v >> 32));
    U32(uint32_t(v));
}

void CBoxBuilder::FourCC(const char* code) {
    Bytes(code, 4);
}

void CBoxBuilder::Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), p, p + size);
}

void CBoxBuilder::Bytes(const std::vector<uint8_t>& data) {
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
}

void CBoxBuilder::Text(const std::string& text) {
    Bytes(text.data(), text.size());
}

void CBoxBuilder::Zeros(size_t count) {
    m_bytes.insert(m_bytes.end(), count, 0);
}

void CBoxBuilder::OpenBox(const char* type) {
    m_open.push_back(m_bytes.size());
    U32(0);
    FourCC(type);
}

void CBoxBuilder::OpenFullBox(const char* type, uint8_t version, uint32_t flags) {
    OpenBox(type);
    U32((uint32_t(version) << 24) | (flags & 0xFFFFFF));
}

void CBoxBuilder::CloseBox() {
    const size_t start = m_open.back();
    m_open.pop_back();
    PutBe32(m_bytes, start, uint32_t(m_bytes.size() - start));
}

std::vector<uint8_t> CBoxBuilder::Take() {
    std::vector<uint8_t> out;
    out.swap(m_bytes);
    m_open.clear();
    return out;
}

void PutLe16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
    out[at] = uint8_t(v);
    out[at + 1] = uint8_t(v >> 8);
}

void PutLe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = uint8_t(v >> (8 * i));
}

void PutBe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = uint8_t(v >> (8 * (3 - i)));
}

uint32_t GetBe32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint16_t GetBe16(const uint8_t* p) {
    return uint16_t((p[0] << 8) | p[1]);
}

uint64_t GetBe64(const uint8_t* p) {
    return (uint64_t(GetBe32(p)) << 32) | GetBe32(p + 4);
}
