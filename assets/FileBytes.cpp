#include "assets/FileBytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        if (error) *error = path + ": cannot create: " + std::strerror(errno);
        return false;
    }
    size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), out);
    bool closed = std::fclose(out) == 0;
    if (written != bytes.size() || !closed) {
        if (error) *error = path + ": cannot write: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        if (error) *error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    bytes->clear();
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + got);
    bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) {
        if (error) *error = path + ": cannot read";
        return false;
    }
    return true;
}
