#include "tools/pack/Json.h"

#include "base/Text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

std::string JsonString(const char* text, size_t maxLength) {
    return JsonQuoted(std::string(text, strnlen(text, maxLength)));
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", value);
    return buffer;
}

std::string JsonField(const std::string& key, const std::string& value) {
    return JsonQuoted(key) + ": " + value;
}

std::string JsonField(const std::string& key, long long value) {
    return JsonField(key, std::to_string(value));
}
