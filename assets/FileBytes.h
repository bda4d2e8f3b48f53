// Whole-file reading and writing for the tools and tests that build packs,
// images and models in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// True when path names a regular file that can be opened for reading; the
// check never waits on a pipe or a device. Otherwise false with the reason
// in *why.
bool IsReadableRegularFile(const std::string& path, std::string* why);

// Writes the bytes to path (replacing the file). On failure returns false
// and, when error is given, says why.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

// Reads the whole file at path into *bytes. Only a regular file of at most
// maxBytes is read: a pipe, a device or a larger file is refused before any
// byte is read (the open never waits on a pipe). On failure returns false
// and, when error is given, says why.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                   uint64_t maxBytes = uint64_t{1} << 32);
