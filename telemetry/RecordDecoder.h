#pragma once

#include "AssistInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Decoding of the telemetry records of the four layouts into samples. No file access: the
// extractions read the bytes, these functions turn them into a tagAssistInfo.

// Fixed 232-byte record of the interleaved and user-data-index layouts, read at base + 48.
constexpr size_t kFixedRecordSize = 232;
constexpr uint64_t kFixedRecordOffset = 48;
// Header-block layout: 16-byte header ("pelrix1", eight key bytes, one unused), then
// 132-byte blocks.
constexpr size_t kHeaderBlockHeaderSize = 16;
constexpr size_t kHeaderBlockSize = 132;
// Text-track records are read into a buffer of this size, cleared to zero beforehand.
constexpr size_t kTextRecordBuffer = 640;

// L = v(d1) + v(d2) + v(d3) + v(d4) + 2 v(d5) + v(d6) + v(d7) + 2 v(d8), v of a digit its
// value and of any other character 0; 0 <= L <= 90.
int DigitSumKey(const uint8_t key[8]);

// Interleaved layout: L from the key characters at 216; the shift is L when the lead byte
// at 88 is L + 32, else 2 L. Bytes 88 to 214 are shifted back up to a stored CR LF; 215 too
// when none stops it.
void UndoInterleavedShift(uint8_t record[kFixedRecordSize]);

// Accelerations at 76, 80, 84 (int32 LE, thousandths of g; one outside +-10000 zeroes all
// three) and the sentence from 89 to the first zero byte: GGA when it starts "$GPGGA",
// else RMC.
tagAssistInfo DecodeFixedRecord(const uint8_t record[kFixedRecordSize]);

// One text-track line: shifted back by `shift` unless one of characters 1 to 5 is a TAB,
// then scanned as integer, integer, integer, word (blank runs between them, possibly
// empty). The integers are the accelerations in thousandths of g, the word an RMC sentence.
tagAssistInfo DecodeTabLine(std::string& line, int shift);

// Header-block layout: false when the header does not start with "pelrix1"; else the shift
// M = k1 + k2 + k3 + k4 + 2 k5 + k6 + k7 + 2 k8 (mod 256) over the raw key bytes.
bool HeaderBlockShift(const uint8_t header[kHeaderBlockHeaderSize], uint8_t& shift);

// One block: three int16 LE stored plus M (mod 65536), then 126 sentence bytes stored plus M
// (mod 256), ending at the first zero after decoding.
tagAssistInfo DecodeHeaderBlock(const uint8_t block[kHeaderBlockSize], uint8_t shift);
