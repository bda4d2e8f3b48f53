#include "base/Text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Length of the UTF-8 sequence that starts at text[i], or 0 when the bytes
// there are not one.
size_t Utf8SequenceLength(const std::string& text, size_t i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) return 1;
    size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (n == 0 || c > 0xF4 || i + n > text.size()) return 0;
    unsigned char c1 = static_cast<unsigned char>(text[i + 1]);
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
        (c == 0xF4 && c1 > 0x8F))
        return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

// Quotes, backslashes and control characters escaped as both JSON and TOML
// read them; valid UTF-8 kept, any other byte handed to other.
template <typename Other>
std::string Quoted(const std::string& text, Other other) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t n = Utf8SequenceLength(text, i);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f || n == 0) {
            if (n == 0) {
                other(&out, c);
            } else {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            }
        } else {
            out.append(text, i, n);
            i += n;
            continue;
        }
        ++i;
    }
    return out + "\"";
}

}  // namespace

std::string Trim(const std::string& text) {
    const char* space = " \t\r\n";
    size_t first = text.find_first_not_of(space);
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHexBytes(const std::string& text, uint8_t* bytes, size_t count) {
    size_t from = !text.empty() && text[0] == '#' ? 1 : 0;
    if (text.size() - from != 2 * count) return false;
    for (size_t i = 0; i < count; ++i) {
        int high = HexDigit(text[from + 2 * i]), low = HexDigit(text[from + 2 * i + 1]);
        if (high < 0 || low < 0) return false;
        bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return true;
}

std::string PercentEncode(const std::string& text, const char* keep) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     (c != '\0' && std::strchr("-._~", c) != nullptr) ||
                     (c != '\0' && std::strchr(keep, c) != nullptr);
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kDigits[c >> 4];
            out += kDigits[c & 15];
        }
    }
    return out;
}

bool PercentDecode(const std::string& text, std::string* out) {
    out->clear();
    bool wellFormed = true;
    for (size_t i = 0; i < text.size(); ++i) {
        int high = text[i] == '%' && i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
        int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (text[i] != '%') {
            out->push_back(text[i]);
        } else if (low < 0 || (high == 0 && low == 0)) {
            wellFormed = false;
            out->push_back(text[i]);
        } else {
            out->push_back(static_cast<char>(high * 16 + low));
            i += 2;
        }
    }
    return wellFormed;
}

bool IsValidUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        size_t n = Utf8SequenceLength(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string ValidUtf8(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        size_t n = Utf8SequenceLength(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

std::string JsonQuoted(const std::string& text) {
    return Quoted(text, [](std::string* out, unsigned char c) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
        *out += escaped;
    });
}

std::string TomlQuoted(const std::string& text) {
    // A TOML document is UTF-8: a stray byte can only be replaced.
    return Quoted(text, [](std::string* out, unsigned char) { *out += "\xEF\xBF\xBD"; });
}

bool ParseInteger(const std::string& text, int64_t low, int64_t high, int64_t* out) {
    if (text.empty() || text.size() > 20) return false;
    for (char c : text)
        if ((c < '0' || c > '9') && c != '-' && c != '+') return false;
    errno = 0;
    char* end = nullptr;
    long long value = strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    *out = value;
    return true;
}
