#pragma once

#include <string>

// Text made safe for the documents velto-telemetry writes. File names may
// hold any bytes: invalid UTF-8 becomes U+FFFD.
std::string ValidUtf8(const std::string& text);
// Only characters XML 1.0 allows: the others (control characters, U+FFFE, U+FFFF) become
// U+FFFD.
std::string XmlEscaped(const std::string& text);
std::string JsonQuoted(const std::string& text);  // with the quotes
std::string CsvField(const std::string& text);    // quoted only when it must be
// A field of a --probe line: backslash, TAB, LF and CR as \\, \t, \n and \r, so that
// every line holds five fields.
std::string ProbeField(const std::string& text);

// A coordinate text "[-]D.ddd" as a plain decimal number without redundant
// leading zeros; false when the text is no such number or lies outside
// [-limit, limit].
bool CoordinateNumber(const std::string& text, double limit, std::string& number);
