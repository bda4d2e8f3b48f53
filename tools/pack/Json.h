// A small JSON writer for dovel-pack inspect: values are appended to one
// string; the caller places the commas.
#pragma once

#include <cstdint>
#include <string>

// A name field of a file (at most maxLength bytes, up to its first NUL) as
// a JSON string.
std::string JsonString(const char* text, size_t maxLength);
// A float as a JSON number, or null when it is not finite.
std::string JsonNumber(double value);
// "key": value
std::string JsonField(const std::string& key, const std::string& value);
std::string JsonField(const std::string& key, long long value);
