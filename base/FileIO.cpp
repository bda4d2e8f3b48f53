#include "base/FileIO.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string Because(const std::string& path, const std::string& why) {
    return path + ": " + why;
}

// Reads from fd into *out until the end of the file or limit + 1 bytes (a
// file that grew after fstat is still held to the limit).
bool ReadAll(int fd, uint64_t limit, std::string* out) {
    char buffer[16384];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        out->append(buffer, static_cast<size_t>(got));
        if (out->size() > limit) return true;
    }
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A name beside target that no other writer picks: the process id and a
// count, created with O_EXCL.
int CreateTemporary(const std::string& target, mode_t mode, std::string* temp) {
    static std::atomic<unsigned> count{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temp = target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(count++);
        int fd = open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

ReadStatus ReadFileText(const std::string& path, std::string* text, std::string* error, uint64_t maxBytes) {
    text->clear();
    std::string why;
    // A pipe or a device is refused before it is opened at all; the
    // non-blocking open and fstat below catch one put there meanwhile.
    struct stat before {};
    if (stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
        if (error) *error = Because(path, "not a regular file");
        return ReadStatus::kRefused;
    }
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) {
            if (error) *error = Because(path, std::string("cannot open: ") + std::strerror(ENOENT));
            return ReadStatus::kMissing;
        }
        if (error) *error = Because(path, std::string("cannot open: ") + std::strerror(errno));
        return ReadStatus::kRefused;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0)
        why = std::string("cannot read: ") + std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        why = "not a regular file";
    else if (static_cast<uint64_t>(info.st_size) > maxBytes)
        why = "too large (" + std::to_string(info.st_size) + " bytes, at most " + std::to_string(maxBytes) +
              ")";
    else if (!ReadAll(fd, maxBytes, text))
        why = std::string("cannot read: ") + std::strerror(errno);
    else if (text->size() > maxBytes)
        why = "too large (more than " + std::to_string(maxBytes) + " bytes)";
    close(fd);
    if (why.empty()) return ReadStatus::kRead;
    text->clear();
    if (error) *error = Because(path, why);
    return ReadStatus::kRefused;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                   uint64_t maxBytes) {
    std::string text;
    bool read = ReadFileText(path, &text, error, maxBytes) == ReadStatus::kRead;
    bytes->assign(text.begin(), text.end());
    return read;
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsReadableRegularFile(const std::string& path, std::string* why) {
    struct stat before {};
    if (stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
        *why = "not a regular file";
        errno = 0;
        return false;
    }
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
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

std::string WriteTarget(const std::string& path) {
    std::string target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
        std::string link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 4096) + 1, '\0');
        ssize_t n = readlink(target.c_str(), &link[0], link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) return target;
        link.resize(static_cast<size_t>(n));
        target = link[0] == '/' ? link : ParentFolder(target) + "/" + link;
    }
    return target;  // a loop: the write fails on it with ELOOP
}

bool CanReplaceFile(const std::string& path, std::string* why) {
    const std::string target = WriteTarget(path);
    struct stat info {};
    if (lstat(target.c_str(), &info) != 0) return true;
    if (!S_ISREG(info.st_mode))
        *why = "not a regular file";
    else if ((info.st_mode & S_IWUSR) == 0)
        *why = "read-only";
    else if (access(ParentFolder(target).c_str(), W_OK) != 0)
        *why = "in a folder that cannot be written";
    else
        return true;
    return false;
}

bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error,
                         mode_t newMode) {
    std::string why;
    if (!CanReplaceFile(path, &why)) {
        if (error) *error = Because(path, why + "; left alone");
        return false;
    }
    const std::string target = WriteTarget(path);
    struct stat info {};
    const bool replacing = lstat(target.c_str(), &info) == 0;
    const mode_t mode = replacing ? info.st_mode & 07777 : newMode;
    std::string temp;
    int fd = CreateTemporary(target, mode, &temp);
    if (fd < 0) {
        if (error)
            *error = Because(path, std::string("cannot create a file beside it: ") + std::strerror(errno));
        return false;
    }
    // open applied the umask to a new file; a replaced one keeps its bits.
    bool ok = (!replacing || fchmod(fd, mode) == 0) && WriteAll(fd, data) && fsync(fd) == 0;
    int saved = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && rename(temp.c_str(), target.c_str()) == 0) return true;
    if (ok) saved = errno;
    unlink(temp.c_str());
    if (error) *error = Because(path, std::string("cannot write: ") + std::strerror(saved));
    return false;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    return WriteFileAtomically(path, std::string(bytes.begin(), bytes.end()), error);
}

std::string ParentFolder(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool MakeFolders(const std::string& folder, mode_t mode) {
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
    std::string parent = ParentFolder(folder);
    if (parent != folder && !MakeFolders(parent, mode)) return false;
    return mkdir(folder.c_str(), mode) == 0 || errno == EEXIST;
}

std::string HomeFolder() {
    const char* home = getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    const passwd* account = getpwuid(getuid());
    if (account != nullptr && account->pw_dir != nullptr && account->pw_dir[0] == '/') return account->pw_dir;
    return "";
}
