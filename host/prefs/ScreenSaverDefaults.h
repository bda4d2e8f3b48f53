// The stored preferences of one module: a TOML file, by default
// $XDG_CONFIG_HOME/dovel/<module>.toml (~/.config/dovel/ when unset, the
// account's home folder when HOME is unset).
//
// Keys keep their types (integer, bool, float, string); a missing key, or
// one stored with another type, reads as 0, false, 0.0 or "" unless the
// caller names its own fallback. Synchronize edits the file as the user
// wrote it: the values that changed are rewritten on their own lines and new
// keys are added after the last value; comments, blank lines, key order and
// keys it does not know stay, and so does the file's mode. It writes a
// temporary file beside the real one and renames it over it, so a crash
// never leaves a half-written file; a symbolic link stays a link, and a file
// without write permission is never replaced. A file that cannot be parsed
// is renamed aside (never lost) and the store starts empty. Reading never
// waits: a pipe or a device in the file's place is refused.
//
// Reading, moving aside and writing are serialised between processes by a
// lock on a file beside the preferences file (<file>.lock).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The parsed file; defined where the TOML library is used.
struct PrefsTable;

struct ScreenSaverDefaults {
    // The file of module `module` in the user's configuration folder.
    static std::string PathForModule(const char* module);

    // Opens the store kept in file and reads it (see Read).
    explicit ScreenSaverDefaults(const std::string& file);
    ~ScreenSaverDefaults();
    ScreenSaverDefaults(const ScreenSaverDefaults&) = delete;
    ScreenSaverDefaults& operator=(const ScreenSaverDefaults&) = delete;

    // Reads the file again, dropping unsaved changes. A missing file gives
    // an empty store. A damaged one is renamed aside (MovedAsidePath) and
    // gives an empty store. One that exists but cannot be read gives an
    // empty store that refuses to overwrite it.
    void Read();

    // Holds the lock shared with every other process using this file until
    // the matching Unlock; calls nest. Read, KeepCopy and Synchronize take it
    // themselves; a caller holds it across a sequence of them that must not
    // be interleaved with another process (read, then reset).
    void Lock();
    void Unlock();

    // True when the file at path is missing, blank, or a TOML file that
    // holds at least one of keys; otherwise false with the reason in *why.
    // Reads only.
    static bool HoldsAnyKey(const std::string& path, const std::vector<const char*>& keys, std::string* why);

    bool HasKey(const char* key) const;
    int64_t IntegerForKey(const char* key) const { return IntegerForKey(key, 0); }
    bool BoolForKey(const char* key) const { return BoolForKey(key, false); }
    float FloatForKey(const char* key) const { return FloatForKey(key, 0.0f); }
    std::string StringForKey(const char* key) const { return StringForKey(key, ""); }
    // The same with the value that a missing key reads as; a value of
    // another type also reads as fallback, with a warning on standard error.
    int64_t IntegerForKey(const char* key, int64_t fallback) const;
    bool BoolForKey(const char* key, bool fallback) const;
    float FloatForKey(const char* key, float fallback) const;
    std::string StringForKey(const char* key, const std::string& fallback) const;

    void SetInteger(const char* key, int64_t value);
    void SetBool(const char* key, bool value);
    void SetFloat(const char* key, float value);
    // A value that is not UTF-8 (which a TOML file cannot hold) is stored
    // with U+FFFD in place of each byte that is not; callers that need the
    // bytes back store them escaped.
    void SetString(const char* key, const std::string& value);
    // Copies the file as it stands on disk to a free name beside it
    // (path.<suffix>, else path.<suffix>-1, -2, ...) before it is replaced,
    // unless one of those already holds the same bytes; true when it was
    // copied, was already kept, or there is no file. The name is returned in
    // *kept (empty when there was no file).
    bool KeepCopy(const char* suffix, std::string* kept);

    // True when Synchronize may replace the file: it was read (or is
    // missing), is a regular file with write permission, in a folder that
    // can be written. Otherwise false with the reason in *why.
    bool CanReplace(std::string* why) const;

    // Writes the values set since the last Read into the file, atomically.
    // False (with a warning on standard error) when it cannot; the old file
    // is then left as it was.
    bool Synchronize();

    const std::string& Path() const { return path; }
    // False when the file exists but could not be read: it is never replaced.
    bool CanSave() const { return writable; }
    // Where a damaged file was moved by the last Read; empty if none was.
    const std::string& MovedAsidePath() const { return movedAside; }

private:
    std::string path;
    std::string movedAside;
    bool writable = true;
    std::unique_ptr<PrefsTable> table;
    // Keys set since the last Read, in the order they were first set.
    std::vector<std::string> changed;
    std::string lastWarning;  // of the last Read
    int lockFd = -1;
    int lockDepth = 0;

    void MarkChanged(const char* key);
};
