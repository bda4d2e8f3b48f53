// Reading and writing whole files safely: the one place where Dovel opens a
// file for its contents.
//
// Reading never blocks and never reads more than it was told: only a regular
// file is read (a pipe, a device or a folder in its place is refused without
// waiting on it), and one larger than the cap is refused before a byte is
// read. Writing is atomic: a temporary file beside the target, synced and
// renamed over it, so the target holds either the old or the new contents.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

enum class ReadStatus {
    kRead,     // *text holds the whole file
    kMissing,  // there is no file (a dangling symbolic link included)
    kRefused,  // not a regular file, too large, or unreadable: see *error
};

// Reads the regular file at path whole into *text, at most maxBytes. On
// failure *text is empty and *error (when given) is one line, "PATH: why".
ReadStatus ReadFileText(const std::string& path, std::string* text, std::string* error, uint64_t maxBytes);

// The same into bytes, for binary files; false for a missing file too.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                   uint64_t maxBytes = uint64_t{1} << 32);

// True when path names (after symbolic links) a regular file.
bool IsRegularFile(const std::string& path);

// True when path names a regular file that can be opened for reading; the
// check never waits on a pipe or a device. Otherwise false with the reason
// in *why.
bool IsReadableRegularFile(const std::string& path, std::string* why);

// The file a write to path replaces: path itself, or the end of the chain
// of symbolic links starting there, whether or not that file exists yet.
std::string WriteTarget(const std::string& path);

// True when WriteFileAtomically may replace what is at path: nothing yet,
// or a regular file with write permission for its owner in a folder that
// can be written. Otherwise false with the reason in *why.
bool CanReplaceFile(const std::string& path, std::string* why);

// Writes data to path atomically (see above). A file that is replaced keeps
// its permission bits; a new one gets newMode less the umask. When path is a
// symbolic link, even one to a file not yet there, the file it points to is
// written and the link stays. A target that exists but is not a regular file,
// or has no write permission for its owner, is left alone. On failure
// nothing is left behind, the old file is as it was, and *error (when given)
// is one line.
bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error,
                         mode_t newMode = 0644);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

// The parent folder of a path ("." for a bare name).
std::string ParentFolder(const std::string& path);

// mkdir -p with mode for the folders made; true when the folder exists
// afterwards.
bool MakeFolders(const std::string& folder, mode_t mode);

// The user's home folder: $HOME when it is an absolute path, else the
// account's own from the password database; "" when neither is known.
std::string HomeFolder();
