#include "TextEscape.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";

// Length of the valid UTF-8 sequence starting at `i` and its code point in `cp`, or 0.
size_t DecodeUtf8(const std::string& s, size_t i, uint32_t& cp) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    size_t len = 0;
    uint32_t min = 0;
    if ((c & 0xE0) == 0xC0) {
        len = 2, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4, min = 0x10000, cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

// The characters XML 1.0 allows: TAB, LF, CR, U+0020 to U+D7FF, U+E000 to U+FFFD and
// U+10000 to U+10FFFF.
bool IsXmlCharacter(uint32_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string ValidUtf8(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        uint32_t cp = 0;
        const size_t len = DecodeUtf8(text, i, cp);
        if (len == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(text, i, len);
            i += len;
        }
    }
    return out;
}

std::string XmlEscaped(const std::string& text) {
    const std::string valid = ValidUtf8(text);
    std::string out;
    for (size_t i = 0; i < valid.size();) {
        uint32_t cp = 0;
        const size_t len = DecodeUtf8(valid, i, cp);
        switch (cp) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '\r':  // a parser would read a bare CR as a line end
                out += "&#xD;";
                break;
            default:
                if (IsXmlCharacter(cp)) {
                    out.append(valid, i, len);
                } else {
                    out += kReplacement;
                }
        }
        i += len;
    }
    return out;
}

std::string ProbeField(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string JsonQuoted(const std::string& text) {
    std::string out = "\"";
    for (char c : ValidUtf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(c));
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

bool CoordinateNumber(const std::string& text, double limit, std::string& number) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        ++i;
    const size_t intStart = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    const size_t intEnd = i;
    if (intEnd == intStart || i >= text.size() || text[i] != '.')
        return false;
    ++i;
    const size_t fracStart = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    if (i != text.size() || i == fracStart)
        return false;

    const double value = std::strtod(text.c_str(), nullptr);
    if (!(value >= -limit && value <= limit))
        return false;

    size_t firstSignificant = intStart;
    while (firstSignificant + 1 < intEnd && text[firstSignificant] == '0')
        ++firstSignificant;
    number = (negative ? "-" : "") + text.substr(firstSignificant);
    return true;
}
