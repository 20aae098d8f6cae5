#pragma once

// A small strict JSON reader for checking the tool's GeoJSON: it accepts only
// what RFC 8259 allows and builds a plain tree to look into.

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tools_test {

struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    const JsonValue& operator[](const std::string& key) const {
        static const JsonValue kMissing;
        const auto it = members.find(key);
        return it == members.end() ? kMissing : it->second;
    }
};

class JsonReader {
public:
    // False when `text` is not exactly one JSON value (whitespace around it).
    static bool Parse(const std::string& text, JsonValue& out) {
        JsonReader r(text);
        r.SkipSpace();
        if (!r.Value(out, 0))
            return false;
        r.SkipSpace();
        return r.m_pos == text.size();
    }

private:
    explicit JsonReader(const std::string& t) : m_t(t) {}

    bool Value(JsonValue& v, int depth) {
        if (depth > 64 || m_pos >= m_t.size())
            return false;
        const char c = m_t[m_pos];
        if (c == '{')
            return Object(v, depth);
        if (c == '[')
            return Array(v, depth);
        if (c == '"')
            return v.type = JsonValue::Type::String, String(v.text);
        if (Word("true") || Word("false"))
            return v.type = JsonValue::Type::Bool, true;
        if (Word("null"))
            return v.type = JsonValue::Type::Null, true;
        return Number(v);
    }

    bool Object(JsonValue& v, int depth) {
        v.type = JsonValue::Type::Object;
        ++m_pos;
        SkipSpace();
        if (Take('}'))
            return true;
        do {
            SkipSpace();
            std::string key;
            if (!Peek('"') || !String(key))
                return false;
            SkipSpace();
            if (!Take(':'))
                return false;
            SkipSpace();
            if (!Value(v.members[key], depth + 1))
                return false;
            SkipSpace();
        } while (Take(','));
        return Take('}');
    }

    bool Array(JsonValue& v, int depth) {
        v.type = JsonValue::Type::Array;
        ++m_pos;
        SkipSpace();
        if (Take(']'))
            return true;
        do {
            SkipSpace();
            v.items.emplace_back();
            if (!Value(v.items.back(), depth + 1))
                return false;
            SkipSpace();
        } while (Take(','));
        return Take(']');
    }

    bool String(std::string& out) {
        ++m_pos;
        while (m_pos < m_t.size()) {
            const unsigned char c = static_cast<unsigned char>(m_t[m_pos++]);
            if (c == '"')
                return true;
            if (c < 0x20)
                return false;
            if (c != '\\') {
                out += char(c);
                continue;
            }
            if (m_pos >= m_t.size())
                return false;
            const char e = m_t[m_pos++];
            if (e == 'u') {
                if (m_pos + 4 > m_t.size())
                    return false;
                for (int i = 0; i < 4; ++i) {
                    if (!std::isxdigit(static_cast<unsigned char>(m_t[m_pos + i])))
                        return false;
                }
                m_pos += 4;
                out += '?';
            } else if (std::string("\"\\/bfnrt").find(e) != std::string::npos) {
                out += e;
            } else {
                return false;
            }
        }
        return false;
    }

    bool Number(JsonValue& v) {
        const size_t start = m_pos;
        Take('-');
        if (Take('0')) {
        } else if (!Digits()) {
            return false;
        }
        if (Take('.') && !Digits())
            return false;
        if (Take('e') || Take('E')) {
            if (!Take('+'))
                Take('-');
            if (!Digits())
                return false;
        }
        v.type = JsonValue::Type::Number;
        v.text = m_t.substr(start, m_pos - start);
        v.number = std::strtod(v.text.c_str(), nullptr);
        return true;
    }

    bool Digits() {
        const size_t start = m_pos;
        while (m_pos < m_t.size() && m_t[m_pos] >= '0' && m_t[m_pos] <= '9')
            ++m_pos;
        return m_pos > start;
    }

    bool Word(const char* w) {
        const std::string word(w);
        if (m_t.compare(m_pos, word.size(), word) != 0)
            return false;
        m_pos += word.size();
        return true;
    }

    bool Peek(char c) const { return m_pos < m_t.size() && m_t[m_pos] == c; }
    bool Take(char c) { return Peek(c) ? (++m_pos, true) : false; }
    void SkipSpace() {
        while (m_pos < m_t.size() && std::string(" \t\r\n").find(m_t[m_pos]) != std::string::npos) {
            ++m_pos;
        }
    }

    const std::string& m_t;
    size_t m_pos = 0;
};

}  // namespace tools_test
