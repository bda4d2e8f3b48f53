#include "assets/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool IsReadableRegularFile(const std::string& path, std::string* why) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        *why = std::string("cannot open: ") + std::strerror(error);
        errno = error;  // for callers that tell the reasons apart
        return false;
    }
    struct stat info {};
    bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    close(fd);
    if (!regular) {
        *why = "not a regular file";
        errno = 0;
    }
    return regular;
}

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

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                   uint64_t maxBytes) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    std::string why;
    if (fstat(fd, &info) != 0)
        why = std::string("cannot read: ") + std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        why = "not a regular file";
    else if (static_cast<uint64_t>(info.st_size) > maxBytes)
        why = "too large (" + std::to_string(info.st_size) + " bytes, at most " + std::to_string(maxBytes) +
              ")";
    if (why.empty()) {
        bytes->assign(static_cast<size_t>(info.st_size), 0);
        size_t done = 0;
        while (done < bytes->size()) {
            ssize_t got = read(fd, bytes->data() + done, bytes->size() - done);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            done += static_cast<size_t>(got);
        }
        // A file that shrank while being read is cut short; one that grew is
        // taken at the size it had.
        if (done != bytes->size()) why = "cannot read";
    }
    close(fd);
    if (!why.empty()) {
        if (error) *error = path + ": " + why;
        return false;
    }
    return true;
}
