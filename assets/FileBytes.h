// Whole-file reading and writing for the tools and tests that build packs,
// images and models in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes the bytes to path (replacing the file). On failure returns false
// and, when error is given, says why.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

// Reads the whole file at path into *bytes. On failure returns false and,
// when error is given, says why.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);
