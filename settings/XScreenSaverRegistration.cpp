#include "settings/XScreenSaverRegistration.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/FileIO.h"

namespace {

// The line Dovel adds as the last of the list, laid out like the lines of
// XScreenSaver's own list.
constexpr const char* kDovelLastLine = "  GL: \t\t\t\tdovel --root\t\t\t\t    \\n";

using Lines = std::vector<std::string>;

// A text as lines, without their newlines; the last line's newline, when
// there is one, is implied (Join puts it back).
Lines SplitLines(const std::string& text) {
    Lines lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string JoinLines(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

bool EndsWithBackslash(const std::string& line) {
    return !line.empty() && line.back() == '\\';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Where the value starts on a line that begins the programs: resource
// (optionally "*programs:", as in the app-defaults file), else npos.
size_t ProgramsValueStart(const std::string& line) {
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i < line.size() && line[i] == '*') ++i;
    if (line.compare(i, 8, "programs") != 0) return std::string::npos;
    i += 8;
    while (i < line.size() && IsBlank(line[i])) ++i;
    return i < line.size() && line[i] == ':' ? i + 1 : std::string::npos;
}

// The lines first..last (inclusive) that hold the programs: resource.
struct Block {
    size_t first = 0;
    size_t last = 0;
    size_t valueStart = 0;  // on the first line
};

// The last programs: resource of the file: the one XScreenSaver uses when
// a file holds two.
bool FindProgramsBlock(const Lines& lines, Block* block) {
    bool found = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        size_t start = ProgramsValueStart(lines[i]);
        if (start == std::string::npos) continue;
        found = true;
        block->first = i;
        block->valueStart = start;
        block->last = i;
        while (EndsWithBackslash(lines[block->last]) && block->last + 1 < lines.size()) ++block->last;
        i = block->last;
    }
    return found;
}

// One "\n"-separated entry of the list on a line, at offset `start`.
struct Entry {
    size_t start = 0;  // first character that is not blank
    bool disabled = false;
    bool isDovel = false;
};

// What the entry runs: past a leading "-" and a visual ("GL:"), the first
// word, without its folder.
std::string ProgramOf(const std::string& entry, bool* disabled) {
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < entry.size() && IsBlank(entry[i])) ++i;
    };
    skipBlanks();
    *disabled = i < entry.size() && entry[i] == '-';
    if (*disabled) ++i;
    skipBlanks();
    size_t word = i;
    while (word < entry.size() &&
           (isalnum(static_cast<unsigned char>(entry[word])) || entry[word] == '-' || entry[word] == '_'))
        ++word;
    if (word > i && word < entry.size() && entry[word] == ':') i = word + 1;
    skipBlanks();
    size_t end = i;
    while (end < entry.size() && !IsBlank(entry[end])) ++end;
    std::string program = entry.substr(i, end - i);
    size_t slash = program.find_last_of('/');
    return slash == std::string::npos ? program : program.substr(slash + 1);
}

// The entries on line `index` of the block (empty pieces left out).
std::vector<Entry> EntriesOnLine(const Lines& lines, const Block& block, size_t index) {
    const std::string& line = lines[index];
    size_t from = index == block.first ? block.valueStart : 0;
    size_t to = line.size() - (EndsWithBackslash(line) ? 1 : 0);
    std::vector<Entry> entries;
    while (from < to) {
        size_t sep = line.find("\\n", from);
        size_t end = sep == std::string::npos || sep >= to ? to : sep;
        size_t start = from;
        while (start < end && IsBlank(line[start])) ++start;
        if (start < end) {
            Entry entry;
            entry.start = start;
            entry.isDovel = ProgramOf(line.substr(start, end - start), &entry.disabled) == "dovel";
            entries.push_back(entry);
        }
        from = end + 2;
    }
    return entries;
}

// The system's programs: list as a user's resource ("*" taken off), or an
// empty list when the system has none.
Lines SystemProgramsBlock(const std::string& systemText) {
    Lines system = SplitLines(systemText);
    Block block;
    if (!FindProgramsBlock(system, &block)) return {"programs:"};
    Lines lines(system.begin() + block.first, system.begin() + block.last + 1);
    size_t star = lines[0].find('*');
    if (star < block.valueStart) lines[0].erase(star, 1);
    return lines;
}

// Puts Dovel's line at the end of the resource, so that every saver keeps
// its place in the list: with "mode: one", "selected:" counts the entries,
// and the one it names must stay the one that runs. It goes after the last
// line with an entry; blank lines the value runs on to stay after it.
void InsertDovelLine(Lines* lines, const Block& block) {
    auto valueOf = [&](size_t i, size_t* from, size_t* to) {
        const std::string& line = (*lines)[i];
        *from = i == block.first ? block.valueStart : 0;
        *to = line.size() - (EndsWithBackslash(line) ? 1 : 0);
        while (*to > *from && IsBlank(line[*to - 1])) --*to;
    };
    size_t at = block.last, from = 0, to = 0;
    for (valueOf(at, &from, &to); at > block.first && to == from; valueOf(at, &from, &to)) --at;
    std::string& line = (*lines)[at];
    // A last entry not ended by "\n" needs one before Dovel's.
    const bool separated = to == from || (to - from >= 2 && line.compare(to - 2, 2, "\\n") == 0);
    std::string dovel = (separated ? "" : "\\n") + std::string(kDovelLastLine);
    if (EndsWithBackslash(line))
        dovel += "\\";
    else
        line += "\\";
    lines->insert(lines->begin() + at + 1, dovel);
}

bool SameLines(const Lines& lines, const Block& block, const Lines& other) {
    if (block.last - block.first + 1 != other.size()) return false;
    for (size_t i = 0; i < other.size(); ++i)
        if (lines[block.first + i] != other[i]) return false;
    return true;
}

}  // namespace

std::string AddDovelToXScreenSaver(const std::string& userText, const std::string& systemText,
                                   RegistrationChange* change) {
    Lines lines = SplitLines(userText);
    Block block;
    if (!FindProgramsBlock(lines, &block)) {
        Lines system = SystemProgramsBlock(systemText);
        lines.insert(lines.end(), system.begin(), system.end());
        FindProgramsBlock(lines, &block);
    }
    for (size_t i = block.first; i <= block.last; ++i) {
        for (const Entry& entry : EntriesOnLine(lines, block, i)) {
            if (!entry.isDovel) continue;
            if (!entry.disabled) {
                *change = RegistrationChange::kAlreadyThere;
                return userText;
            }
            lines[i].erase(lines[i].find('-', entry.start), 1);
            *change = RegistrationChange::kEnabled;
            return JoinLines(lines);
        }
    }
    InsertDovelLine(&lines, block);
    *change = RegistrationChange::kAdded;
    return JoinLines(lines);
}

bool RemoveDovelFromXScreenSaver(const std::string& userText, const std::string& systemText,
                                 std::string* result, RegistrationChange* change, std::string* error) {
    Lines lines = SplitLines(userText);
    Block block;
    *change = RegistrationChange::kNotThere;
    *result = userText;
    if (!FindProgramsBlock(lines, &block)) return true;
    for (size_t i = block.last + 1; i-- > block.first;) {
        std::vector<Entry> entries = EntriesOnLine(lines, block, i);
        bool dovel = false;
        for (const Entry& entry : entries) dovel = dovel || entry.isDovel;
        if (!dovel) continue;
        if (i == block.first || entries.size() != 1) {
            *error = "line " + std::to_string(i + 1) +
                     " of the programs list runs dovel among other commands; take it out by hand";
            return false;
        }
        bool wasLast = i == block.last;
        lines.erase(lines.begin() + i);
        --block.last;
        if (wasLast && EndsWithBackslash(lines[block.last])) lines[block.last].pop_back();
        *change = RegistrationChange::kRemoved;
    }
    if (*change == RegistrationChange::kNotThere) return true;
    // A list that is now just the system's was only written to hold Dovel.
    if (SameLines(lines, block, SystemProgramsBlock(systemText)))
        lines.erase(lines.begin() + block.first, lines.begin() + block.last + 1);
    *result = JoinLines(lines);
    return true;
}

namespace {

// XScreenSaver's resource files are a few hundred lines; anything larger is
// not one.
constexpr uint64_t kMaxResourceFileBytes = uint64_t{4} << 20;

// Reads the file whole; a missing file is empty and *exists false.
bool ReadWholeFile(const std::string& path, std::string* text, bool* exists, std::string* error) {
    std::string why;
    const ReadStatus status = ReadFileText(path, text, &why, kMaxResourceFileBytes);
    *exists = status == ReadStatus::kRead;
    if (status != ReadStatus::kRefused) return true;
    *error = "cannot read " + why;
    return false;
}

// False (with a reason) when the file is there but is no regular file, or
// its owner may not write it: such a file is left as it is. *mode is the
// file's permissions (0644 when it does not exist).
bool CheckEditable(const std::string& path, const std::string& name, mode_t* mode, std::string* error) {
    *mode = 0644;
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return true;
        *error = "cannot read " + name + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = name + " is not a regular file; it is left as it is";
        return false;
    }
    if ((info.st_mode & S_IWUSR) == 0 || access(path.c_str(), W_OK) != 0) {
        *error = name + " is read-only; it is left as it is";
        return false;
    }
    *mode = info.st_mode & 07777;
    return true;
}

// The user's file and the system's defaults, read when the user's file may
// be edited.
struct UserFile {
    std::string path;  // the file behind ~/.xscreensaver
    std::string text, system;
    bool exists = false;
    mode_t mode = 0644;
};

// What Dovel's backup says: it holds the file as it was before Dovel was
// registered, and counts only while the file is still what registering
// made of it (XScreenSaver's settings rewrite the file when they save).
struct Backup {
    bool exists = false;
    std::string text;
};

bool ReadBackup(const XScreenSaverFiles& files, Backup* backup, std::string* error) {
    mode_t mode;
    if (!CheckEditable(files.BackupFile(), files.BackupFile(), &mode, error)) return false;
    return ReadWholeFile(files.BackupFile(), &backup->text, &backup->exists, error);
}

// Without a backup, registering found no file and made one.
bool RegistrationInEffect(const Backup& backup, const UserFile& user) {
    RegistrationChange ignored;
    return (backup.exists || user.exists) &&
           AddDovelToXScreenSaver(backup.exists ? backup.text : "", user.system, &ignored) == user.text;
}

bool RemoveFile(const std::string& path, std::string* error) {
    if (unlink(path.c_str()) == 0 || errno == ENOENT) return true;
    *error = "cannot remove " + path + ": " + std::strerror(errno);
    return false;
}

bool RemoveBackup(const XScreenSaverFiles& files, std::string* error) {
    return RemoveFile(files.BackupFile(), error);
}

bool ReadUserFile(const XScreenSaverFiles& files, UserFile* user, std::string* error) {
    user->path = WriteTarget(files.UserFile());
    bool systemExists = false;
    if (!CheckEditable(user->path, files.UserFile(), &user->mode, error)) return false;
    if (!ReadWholeFile(user->path, &user->text, &user->exists, error)) return false;
    if (!ReadWholeFile(files.appDefaults, &user->system, &systemExists, error)) user->system.clear();
    return true;
}

std::string Describe(RegistrationChange change, const XScreenSaverFiles& files) {
    std::string where = files.UserFile();
    switch (change) {
        case RegistrationChange::kAdded:
            return "Dovel is now in XScreenSaver's list of screen savers (" + where + ")";
        case RegistrationChange::kEnabled:
            return "Dovel was in XScreenSaver's list but disabled; it is enabled again (" + where + ")";
        case RegistrationChange::kAlreadyThere:
            return "Dovel is already in XScreenSaver's list of screen savers (" + where + ")";
        case RegistrationChange::kRemoved:
            return "Dovel is no longer in XScreenSaver's list of screen savers (" + where + ")";
        case RegistrationChange::kNotThere:
            return "Dovel was not in XScreenSaver's list of screen savers (" + where + ")";
        case RegistrationChange::kRestored:
            return where + " is back as it was before Dovel was registered";
    }
    return "";
}

}  // namespace

bool RegisterWithXScreenSaver(const XScreenSaverFiles& files, std::string* message, std::string* error) {
    UserFile user;
    Backup backup;
    if (!ReadUserFile(files, &user, error) || !ReadBackup(files, &backup, error)) return false;
    if (RegistrationInEffect(backup, user)) {
        *message = Describe(RegistrationChange::kAlreadyThere, files);
        return true;
    }
    RegistrationChange change;
    std::string result = AddDovelToXScreenSaver(user.text, user.system, &change);
    // The backup is the record of what registering changed, also when it
    // changed nothing (a list that runs Dovel already), so that
    // unregistering gives back the very same file.
    bool kept = user.exists ? WriteFileAtomically(files.BackupFile(), user.text, error, user.mode)
                            : RemoveBackup(files, error);
    if (!kept) return false;
    if (result != user.text && !WriteFileAtomically(user.path, result, error, user.mode)) return false;
    *message = Describe(change, files);
    return true;
}

bool UnregisterFromXScreenSaver(const XScreenSaverFiles& files, std::string* message, std::string* error) {
    UserFile user;
    Backup backup;
    if (!ReadUserFile(files, &user, error) || !ReadBackup(files, &backup, error)) return false;
    if (RegistrationInEffect(backup, user)) {
        if (!backup.exists) {
            if (!RemoveFile(user.path, error)) return false;
        } else if (backup.text != user.text &&
                   !WriteFileAtomically(user.path, backup.text, error, user.mode)) {
            return false;
        }
        if (!RemoveBackup(files, error)) return false;
        *message = Describe(RegistrationChange::kRestored, files);
        return true;
    }
    // The file changed since (or Dovel never registered it): every dovel
    // entry is taken out of the list as it is now.
    RegistrationChange change;
    std::string result;
    if (!RemoveDovelFromXScreenSaver(user.text, user.system, &result, &change, error)) return false;
    if (result != user.text) {
        if (result.empty() && !backup.exists) {
            if (!RemoveFile(user.path, error)) return false;
        } else if (!WriteFileAtomically(user.path, result, error, user.mode)) {
            return false;
        }
    }
    if (!RemoveBackup(files, error)) return false;
    *message = Describe(change, files);
    return true;
}

int RunRegistrationCommand(const std::string& flag) {
    bool add = flag == "--register-xscreensaver" || flag == "-register-xscreensaver";
    bool remove = flag == "--unregister-xscreensaver" || flag == "-unregister-xscreensaver";
    if (!add && !remove) {
        std::fprintf(stderr, "dovel-settings: unknown flag %s\n", flag.c_str());
        return 2;
    }
    XScreenSaverFiles files;
    files.home = HomeFolder();
    if (files.home.empty()) {
        std::fprintf(stderr, "dovel-settings: cannot find the home folder (HOME is not set)\n");
        return 1;
    }
    std::string message, error;
    bool done = add ? RegisterWithXScreenSaver(files, &message, &error)
                    : UnregisterFromXScreenSaver(files, &message, &error);
    if (!done) {
        std::fprintf(stderr, "dovel-settings: %s\n", error.c_str());
        return 1;
    }
    std::printf("dovel-settings: %s\n", message.c_str());
    return 0;
}
