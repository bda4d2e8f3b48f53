// The stored preferences of one module: a TOML file, by default
// $XDG_CONFIG_HOME/dovel/<module>.toml (~/.config/dovel/ when unset).
//
// Keys keep their types (integer, bool, float, string); a missing key, or
// one stored with another type, reads as 0, false, 0.0 or "". Synchronize
// writes a temporary file next to the real one and renames it over it, so a
// crash never leaves a half-written file. A file that cannot be parsed is
// renamed aside (never lost) and the store starts empty. Reading never
// changes the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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

    bool HasKey(const char* key) const;
    int64_t IntegerForKey(const char* key) const;
    bool BoolForKey(const char* key) const;
    float FloatForKey(const char* key) const;
    std::string StringForKey(const char* key) const;

    void SetInteger(const char* key, int64_t value);
    void SetBool(const char* key, bool value);
    void SetFloat(const char* key, float value);
    void SetString(const char* key, const std::string& value);

    // Writes every value to the file, atomically. False (with a warning on
    // standard error) when it cannot; the old file is then left as it was.
    bool Synchronize();

    const std::string& Path() const { return path; }
    // Where a damaged file was moved by the last Read; empty if none was.
    const std::string& MovedAsidePath() const { return movedAside; }

private:
    std::string path;
    std::string movedAside;
    bool writable = true;
    std::unique_ptr<PrefsTable> table;
};
