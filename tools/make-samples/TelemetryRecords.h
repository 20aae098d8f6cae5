#pragma once

#include "DriveModel.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// What the player must read back for one sample, in the velto-telemetry CSV
// form (accelerations as stored thousandths / 1000, coordinate texts as the
// NMEA reader forms them, speed from knots times 1.85, course 0 when absent).
struct tagExpectedSample {
    int accelX = 0, accelY = 0, accelZ = 0;  // thousandths of g
    std::string latitude, longitude;
    int speed = 0;
    double course = 0.0;
};

std::string CsvHeader();
std::string CsvRow(int second, const tagExpectedSample& sample);

// An RMC sentence for one second of the drive, with what reading it gives.
struct tagFix {
    std::string sentence;  // "$GPRMC,...*hh", without CR LF
    tagExpectedSample expected;
};

// `talker` is "GP", "GN" or "GL"; `fractionDigits` 4 or 5 minute-fraction
// digits. A stationary car writes no course (as receivers do).
tagFix MakeRmcFix(const char* talker, const tagDriveSecond& state, int fractionDigits,
                  const std::tm& utc);

// ---- 232-byte records of the user-data-index and interleaved layouts.
constexpr size_t kFixedRecordSize = 232;
constexpr size_t kRecordLeadIn = 48;  // the record is read at its base + 48

// The plain record: time text, accelerations at 76/80/84 (little-endian),
// a blank lead byte at 88 and the sentence with CR LF from 89.
std::vector<uint8_t> MakeFixedRecord(const tagDriveSecond& state, const std::string& sentence,
                                     const std::tm& local);
// Stores the eight key characters at 216 and shifts bytes 88.. up to the
// sentence's CR LF by the key's digit sum L (lead byte L + 32) or by 2 L.
void ShiftFixedRecord(std::vector<uint8_t>& record, const char key[8], bool singleShift);
int DigitSumKey(const char key[8]);
// The 48 bytes in front of a record, then the record.
std::vector<uint8_t> WithLeadIn(const std::vector<uint8_t>& record);

// ---- text-track layout: 2-byte length, an ignored byte, the line.
std::string MakeTabLine(const tagDriveSecond& state, const std::string& sentence);
std::vector<uint8_t> MakeTextRecord(const std::string& line, int shift);
std::vector<uint8_t> MakeKeyRecord(const char key[8]);

// ---- header-block layout.
constexpr size_t kHeaderBlockSize = 132;
std::vector<uint8_t> MakeBlockHeader(const uint8_t key[8]);
int HeaderBlockShift(const uint8_t key[8]);
std::vector<uint8_t> MakeHeaderBlock(const tagDriveSecond& state, const std::string& sentence,
                                     int shift);
