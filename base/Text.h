// Small text helpers shared by every reader and writer of settings files.
#pragma once

#include <cstdint>
#include <string>

// text without the spaces, tabs, carriage returns and newlines around it.
std::string Trim(const std::string& text);

// The value of one hexadecimal digit (either case), or -1.
int HexDigit(char c);

// A whole number in decimal from low to high, the whole text ("12", "-3");
// false for anything else (blank, "1e3", "12x", out of range).
bool ParseInteger(const std::string& text, int64_t low, int64_t high, int64_t* out);

// Reads hexadecimal digits as bytes ("ff8000" gives 255, 128, 0); false when
// text is not exactly count pairs of digits. An optional leading "#" is
// skipped, so "#RRGGBB" and "RRGGBB" both read as three bytes.
bool ParseHexBytes(const std::string& text, uint8_t* bytes, size_t count);

// Percent-encoding: every byte but ASCII letters, digits, "-._~" and the
// characters in keep becomes %XX (upper-case digits).
std::string PercentEncode(const std::string& text, const char* keep = "");

// Decodes %XX escapes into *out. False when an escape is malformed or stands
// for a NUL byte; *out then still holds the text with those escapes left as
// written, for callers that take text leniently.
bool PercentDecode(const std::string& text, std::string* out);

// True when text is well-formed UTF-8 (no overlong forms, surrogates or
// values beyond U+10FFFF).
bool IsValidUtf8(const std::string& text);

// text with U+FFFD in place of every byte that does not start a valid UTF-8
// sequence.
std::string ValidUtf8(const std::string& text);

// text as a JSON string, quotes included: quotes, backslashes and control
// characters escaped; a byte that is not part of valid UTF-8 is written as
// the character of the same number, so any bytes give valid JSON.
std::string JsonQuoted(const std::string& text);

// text as a TOML basic string, quotes included; text must be UTF-8, as
// every TOML document is.
std::string TomlQuoted(const std::string& text);
