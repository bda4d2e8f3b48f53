#include "tools/pack/Json.h"

#include <cmath>
#include <cstdio>
#include <cstring>

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string JsonString(const char* text, size_t maxLength) {
    return JsonString(std::string(text, strnlen(text, maxLength)));
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", value);
    return buffer;
}

std::string JsonField(const std::string& key, const std::string& value) {
    return JsonString(key) + ": " + value;
}

std::string JsonField(const std::string& key, long long value) {
    return JsonField(key, std::to_string(value));
}
