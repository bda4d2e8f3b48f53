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

// The line Dovel adds, laid out like the lines of XScreenSaver's own list.
constexpr const char* kDovelLine = "  GL: \t\t\t\tdovel --root\t\t\t\t    \\n\\";

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

bool FindProgramsBlock(const Lines& lines, Block* block) {
    for (size_t i = 0; i < lines.size(); ++i) {
        size_t start = ProgramsValueStart(lines[i]);
        if (start == std::string::npos) continue;
        block->first = i;
        block->valueStart = start;
        block->last = i;
        while (EndsWithBackslash(lines[block->last]) && block->last + 1 < lines.size()) ++block->last;
        return true;
    }
    return false;
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

// Puts Dovel's line just after the first line of the resource. A value all
// on one line is first split so that the line ends in a continuation.
void InsertDovelLine(Lines* lines, const Block& block) {
    std::string& header = (*lines)[block.first];
    if (EndsWithBackslash(header)) {
        lines->insert(lines->begin() + block.first + 1, kDovelLine);
        return;
    }
    std::string rest = header.substr(block.valueStart);
    header = header.substr(0, block.valueStart) + "\\";
    lines->insert(lines->begin() + block.first + 1, {kDovelLine, rest});
}

// Undoes the split of InsertDovelLine: a first line that is only
// "programs:\" takes the next line back.
void RejoinSplitHeader(Lines* lines, Block* block) {
    std::string& header = (*lines)[block->first];
    if (block->first == block->last || header.size() != block->valueStart + 1 || !EndsWithBackslash(header))
        return;
    header.pop_back();
    header += (*lines)[block->first + 1];
    lines->erase(lines->begin() + block->first + 1);
    --block->last;
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
    RejoinSplitHeader(&lines, &block);
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

using Edit = bool (*)(const std::string& user, const std::string& system, std::string* result,
                      RegistrationChange* change, std::string* error);

bool AddEdit(const std::string& user, const std::string& system, std::string* result,
             RegistrationChange* change, std::string*) {
    *result = AddDovelToXScreenSaver(user, system, change);
    return true;
}

bool EditUserFile(const XScreenSaverFiles& files, Edit edit, RegistrationChange* change, std::string* error) {
    // A symbolic link (to a dotfiles folder, say) stays a link: the file
    // behind it is what is read, written and removed.
    const std::string path = WriteTarget(files.UserFile());
    std::string user, system, result, why;
    struct stat info {};
    const bool exists = stat(path.c_str(), &info) == 0;
    if (ReadFileText(path, &user, &why, kMaxResourceFileBytes) == ReadStatus::kRefused) {
        *error = "cannot read " + why;
        return false;
    }
    if (ReadFileText(files.appDefaults, &system, nullptr, kMaxResourceFileBytes) != ReadStatus::kRead)
        system.clear();
    if (!edit(user, system, &result, change, error)) return false;
    if (result == user) return true;
    const mode_t mode = exists ? info.st_mode & 07777 : 0644;
    if (exists && !WriteFileAtomically(files.BackupFile(), user, error, mode)) return false;
    if (result.empty()) {
        if (unlink(path.c_str()) == 0) return true;
        *error = "cannot remove " + path + ": " + std::strerror(errno);
        return false;
    }
    return WriteFileAtomically(path, result, error, mode);
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
    }
    return "";
}

}  // namespace

bool RegisterWithXScreenSaver(const XScreenSaverFiles& files, std::string* message, std::string* error) {
    RegistrationChange change;
    if (!EditUserFile(files, AddEdit, &change, error)) return false;
    *message = Describe(change, files);
    return true;
}

bool UnregisterFromXScreenSaver(const XScreenSaverFiles& files, std::string* message, std::string* error) {
    RegistrationChange change;
    if (!EditUserFile(files, RemoveDovelFromXScreenSaver, &change, error)) return false;
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
    std::printf("%s\n", message.c_str());
    return 0;
}
