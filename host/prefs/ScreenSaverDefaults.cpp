#include "host/prefs/ScreenSaverDefaults.h"

#include <toml++/toml.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "base/FileIO.h"
#include "base/HostLog.h"
#include "base/Text.h"

struct PrefsTable {
    toml::table values;
};

namespace {

// A preferences file larger than this is not ours: it is not read.
constexpr uint64_t kMaxPrefsFileBytes = 1 << 20;
// A new preferences file is for its owner's eyes only.
constexpr mode_t kNewFileMode = 0600;

std::string ConfigHome() {
    const char* xdg = getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    return HomeFolder() + "/.config";
}

bool FileExists(const std::string& file) {
    struct stat st {};
    return lstat(file.c_str(), &st) == 0;
}

// path.<suffix>, else path.<suffix>-1, -2, ...: a name not yet taken.
std::string FreeAsideName(const std::string& file, const char* suffix) {
    std::string base = file + "." + suffix;
    if (!FileExists(base)) return base;
    for (int i = 1; i < 10000; ++i) {
        std::string name = base + "-" + std::to_string(i);
        if (!FileExists(name)) return name;
    }
    return "";
}

// The error of a base file function without the path it starts with.
std::string Reason(const std::string& error, const std::string& path) {
    return error.compare(0, path.size() + 2, path + ": ") == 0 ? error.substr(path.size() + 2) : error;
}

// Parses text; false with a description when it is not a TOML document we
// can use. toml++ reports parse errors by throwing: nothing escapes here.
bool ParseToml(const std::string& text, const std::string& file, toml::table* out, std::string* why) {
    try {
        *out = toml::parse(text, file);
        return true;
    } catch (const toml::parse_error& e) {
        std::ostringstream os;
        os << e.description() << " (line " << e.source().begin.line << ", column " << e.source().begin.column
           << ")";
        *why = os.str();
    } catch (const std::exception& e) {
        *why = e.what();
    }
    return false;
}

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

// The shortest decimal that reads back as the same float, as a double, so
// that 0.6f is written as 0.6 rather than 0.60000002384185791.
double ShortestDouble(float value) {
    if (!std::isfinite(value)) return static_cast<double>(value);
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof buf - 1, value);
    *result.ptr = '\0';
    return strtod(buf, nullptr);
}

// A key as TOML writes it: bare when it can be, else a quoted string.
std::string KeyText(const std::string& key) {
    bool bare = !key.empty();
    for (char c : key)
        bare = bare && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                        c == '_' || c == '-');
    return bare ? key : TomlQuoted(key);
}

// The shortest text that reads back as the same double, always a TOML float.
std::string FloatText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof buf - 1, value);
    std::string text(buf, result.ptr);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

// One value as it is written after "key = ": floats in their shortest form
// (toml++ writes 17 digits), strings quoted here, the rest as toml++ writes
// it.
std::string ValueText(const toml::node& node) {
    if (const auto* f = node.as_floating_point()) return FloatText(f->get());
    if (const auto* s = node.as_string()) return TomlQuoted(s->get());
    std::ostringstream os;
    node.visit([&os](const auto& value) { os << value; });
    return os.str();
}

bool IsTable(const toml::node& node) {
    return node.is_table() || node.is_array_of_tables();
}

// A new file holding every value: plain values first, in the order given,
// then sub-tables (written by toml++), so no value falls into a table.
std::string NewFileText(const toml::table& values, const std::vector<std::string>& order) {
    std::vector<std::string> keys = order;
    for (const auto& [key, node] : values)
        if (std::find(keys.begin(), keys.end(), std::string(key.str())) == keys.end())
            keys.emplace_back(key.str());
    std::ostringstream plain, tables;
    plain << "# Dovel preferences\n";
    for (const std::string& key : keys) {
        const toml::node* node = values.get(key);
        if (node == nullptr) continue;
        if (IsTable(*node)) {
            toml::table one;
            one.insert(key, *node);
            tables << one << "\n";
        } else {
            plain << KeyText(key) << " = " << ValueText(*node) << "\n";
        }
    }
    return plain.str() + tables.str();
}

// Past a basic or literal string starting at line[i] (a quote); the line's
// end when it is not closed there.
size_t PastString(const std::string& line, size_t i) {
    char quote = line[i];
    for (++i; i < line.size(); ++i) {
        if (quote == '"' && line[i] == '\\') {
            ++i;
            continue;
        }
        if (line[i] == quote) return i + 1;
    }
    return line.size();
}

// Where the value starts on a "key = value" line, or npos.
size_t ValueStart(const std::string& line) {
    size_t i = 0;
    while (i < line.size() && line[i] != '=')
        i = line[i] == '"' || line[i] == '\'' ? PastString(line, i) : i + 1;
    if (i >= line.size()) return std::string::npos;
    for (++i; i < line.size() && (line[i] == ' ' || line[i] == '\t');) ++i;
    return i;
}

// Where a value that starts at `start` and ends on the same line ends: what
// follows (spaces and a comment) is kept when the value is rewritten.
size_t ValueEnd(const std::string& line, size_t start) {
    if (start >= line.size()) return start;
    for (const char* triple : {"\"\"\"", "'''"}) {
        if (line.compare(start, 3, triple) != 0) continue;
        size_t close = line.find(triple, start + 3);
        return close == std::string::npos ? line.size() : close + 3;
    }
    char c = line[start];
    if (c == '"' || c == '\'') return PastString(line, start);
    if (c == '[' || c == '{') {
        int depth = 0;
        for (size_t i = start; i < line.size();) {
            if (line[i] == '"' || line[i] == '\'') {
                i = PastString(line, i);
                continue;
            }
            if (line[i] == '[' || line[i] == '{') ++depth;
            if ((line[i] == ']' || line[i] == '}') && --depth == 0) return i + 1;
            ++i;
        }
        return line.size();
    }
    size_t end = line.find('#', start);
    if (end == std::string::npos) end = line.size();
    while (end > start && strchr(" \t\r", line[end - 1]) != nullptr) --end;
    return end;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t from = 0; from < text.size();) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

// The file's text with the given keys set to the store's values: a key on
// disk with another value has its line rewritten (what follows the value on
// that line stays), a key not on disk is added after the last plain value
// (before the first table when there is none). Everything else stays as
// written.
std::string EditedText(const std::string& text, const toml::table& disk, const toml::table& values,
                       const std::vector<std::string>& keys) {
    std::vector<std::string> lines = SplitLines(text);
    size_t insertAt = 0, firstTable = 0;
    for (const auto& [key, node] : disk) {
        const size_t end = node.source().end.line;
        if (IsTable(node))
            firstTable = firstTable == 0 ? key.source().begin.line
                                         : std::min<size_t>(firstTable, key.source().begin.line);
        else
            insertAt = std::max(insertAt, end);
    }
    if (insertAt == 0) insertAt = firstTable > 0 ? firstTable - 1 : lines.size();
    insertAt = std::min(insertAt, lines.size());
    // Rewrites first, from the bottom up, so earlier line numbers hold.
    struct Rewrite {
        size_t first, last;  // 1-based lines of the key and the value's end
        std::string value;
    };
    std::vector<Rewrite> rewrites;
    std::vector<std::string> added;
    for (const std::string& key : keys) {
        const toml::node* node = values.get(key);
        if (node == nullptr || IsTable(*node)) continue;
        const std::string value = ValueText(*node);
        auto found = disk.find(key);
        if (found == disk.end()) {
            added.push_back(KeyText(key) + " = " + value);
            continue;
        }
        if (IsTable(found->second) || ValueText(found->second) == value) continue;
        size_t first = found->first.source().begin.line, last = found->second.source().end.line;
        if (first == 0 || last < first || last > lines.size()) continue;
        rewrites.push_back({first, last, value});
    }
    std::sort(rewrites.begin(), rewrites.end(),
              [](const Rewrite& a, const Rewrite& b) { return a.first > b.first; });
    for (const Rewrite& r : rewrites) {
        std::string& line = lines[r.first - 1];
        size_t start = ValueStart(line);
        if (start == std::string::npos) continue;
        std::string rest = r.last == r.first ? line.substr(ValueEnd(line, start)) : "";
        line = line.substr(0, start) + r.value + rest;
        if (r.last > r.first && insertAt >= r.last) insertAt -= r.last - r.first;
        lines.erase(lines.begin() + static_cast<long>(r.first), lines.begin() + static_cast<long>(r.last));
    }
    lines.insert(lines.begin() + static_cast<long>(insertAt), added.begin(), added.end());
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return out;
}

}  // namespace

std::string ScreenSaverDefaults::PathForModule(const char* module) {
    return ConfigHome() + "/dovel/" + module + ".toml";
}

ScreenSaverDefaults::ScreenSaverDefaults(const std::string& file) : path(file), table(new PrefsTable) {
    Read();
}

ScreenSaverDefaults::~ScreenSaverDefaults() {
    if (lockFd >= 0) close(lockFd);
}

void ScreenSaverDefaults::Lock() {
    if (lockDepth++ > 0) return;
    // Without a lock (a folder that cannot be written) the store still
    // works; only other processes are not kept out.
    MakeFolders(ParentFolder(path), 0700);
    lockFd = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (lockFd < 0) return;
    while (flock(lockFd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

void ScreenSaverDefaults::Unlock() {
    if (lockDepth == 0 || --lockDepth > 0) return;
    if (lockFd >= 0) close(lockFd);  // closing releases the lock
    lockFd = -1;
}

bool ScreenSaverDefaults::HoldsAnyKey(const std::string& file, const std::vector<const char*>& keys,
                                      std::string* why) {
    std::string text, error;
    ReadStatus status = ReadFileText(file, &text, &error, kMaxPrefsFileBytes);
    if (status == ReadStatus::kMissing || (status == ReadStatus::kRead && IsBlank(text))) return true;
    if (status == ReadStatus::kRefused) {
        *why = Reason(error, file);
        return false;
    }
    toml::table values;
    if (!ParseToml(text, file, &values, why)) {
        *why = "not a TOML file: " + *why;
        return false;
    }
    for (const char* key : keys)
        if (values.contains(key)) return true;
    *why = "it holds none of Dovel's preferences";
    return false;
}

void ScreenSaverDefaults::Read() {
    Lock();
    table->values.clear();
    changed.clear();
    movedAside.clear();
    writable = true;
    std::string text, error, why, warning;
    ReadStatus status = ReadFileText(path, &text, &error, kMaxPrefsFileBytes);
    if (status == ReadStatus::kRefused) {
        writable = false;
        warning = "cannot read preferences file " + path + " (" + Reason(error, path) +
                  "); using defaults and leaving it untouched";
    } else if (status == ReadStatus::kRead && !ParseToml(text, path, &table->values, &why)) {
        table->values.clear();
        std::string aside = FreeAsideName(path, "damaged");
        if (aside.empty() || rename(path.c_str(), aside.c_str()) != 0) {
            writable = false;
            warning = "preferences file " + path + " is damaged (" + why +
                      ") and cannot be moved aside; using defaults";
        } else {
            movedAside = aside;
            HostWarning("preferences file %s is damaged (%s); kept as %s, using defaults", path.c_str(),
                        why.c_str(), aside.c_str());
        }
    }
    // Reading the same file again (as LoadSettings does under the lock)
    // says what is wrong with it once.
    if (!warning.empty() && warning != lastWarning) HostWarning("%s", warning.c_str());
    lastWarning = warning;
    Unlock();
}

bool ScreenSaverDefaults::HasKey(const char* key) const {
    return table->values.contains(key);
}

int64_t ScreenSaverDefaults::IntegerForKey(const char* key, int64_t fallback) const {
    const toml::node* node = table->values.get(key);
    if (node == nullptr) return fallback;
    if (const auto* i = node->as_integer()) return i->get();
    if (const auto* f = node->as_floating_point()) {
        double d = f->get();
        // A whole number written as a float (200.0) is still that number.
        if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e18) return static_cast<int64_t>(d);
    }
    HostWarning("preference %s should be an integer; using %lld", key, static_cast<long long>(fallback));
    return fallback;
}

bool ScreenSaverDefaults::BoolForKey(const char* key, bool fallback) const {
    const toml::node* node = table->values.get(key);
    if (node == nullptr) return fallback;
    if (const auto* b = node->as_boolean()) return b->get();
    HostWarning("preference %s should be true or false; using %s", key, fallback ? "true" : "false");
    return fallback;
}

float ScreenSaverDefaults::FloatForKey(const char* key, float fallback) const {
    const toml::node* node = table->values.get(key);
    if (node == nullptr) return fallback;
    if (const auto* f = node->as_floating_point()) return static_cast<float>(f->get());
    if (const auto* i = node->as_integer()) return static_cast<float>(i->get());
    HostWarning("preference %s should be a number; using %g", key, static_cast<double>(fallback));
    return fallback;
}

std::string ScreenSaverDefaults::StringForKey(const char* key, const std::string& fallback) const {
    const toml::node* node = table->values.get(key);
    if (node == nullptr) return fallback;
    if (const auto* s = node->as_string()) return s->get();
    HostWarning("preference %s should be a string; using its default", key);
    return fallback;
}

void ScreenSaverDefaults::MarkChanged(const char* key) {
    if (std::find(changed.begin(), changed.end(), key) == changed.end()) changed.emplace_back(key);
}

void ScreenSaverDefaults::SetInteger(const char* key, int64_t value) {
    table->values.insert_or_assign(key, value);
    MarkChanged(key);
}

void ScreenSaverDefaults::SetBool(const char* key, bool value) {
    table->values.insert_or_assign(key, value);
    MarkChanged(key);
}

void ScreenSaverDefaults::SetFloat(const char* key, float value) {
    table->values.insert_or_assign(key, ShortestDouble(value));
    MarkChanged(key);
}

void ScreenSaverDefaults::SetString(const char* key, const std::string& value) {
    table->values.insert_or_assign(key, ValidUtf8(value));
    MarkChanged(key);
}

bool ScreenSaverDefaults::KeepCopy(const char* suffix, std::string* kept) {
    kept->clear();
    Lock();
    std::string text, error;
    ReadStatus status = ReadFileText(path, &text, &error, kMaxPrefsFileBytes);
    bool ok = status == ReadStatus::kMissing;
    if (status == ReadStatus::kRead) {
        // A copy of these very bytes is enough: a file that keeps coming
        // back (one that cannot be replaced) is not copied again and again.
        const std::string base = path + "." + suffix;
        for (int i = 0; i < 10000 && kept->empty(); ++i) {
            std::string name = i == 0 ? base : base + "-" + std::to_string(i);
            if (!FileExists(name)) break;
            std::string copy;
            if (ReadFileText(name, &copy, nullptr, kMaxPrefsFileBytes) == ReadStatus::kRead && copy == text)
                *kept = name;
        }
        if (kept->empty()) {
            std::string name = FreeAsideName(path, suffix);
            if (!name.empty() && WriteFileAtomically(name, text, &error, kNewFileMode)) *kept = name;
        }
        ok = !kept->empty();
    }
    if (!ok) HostWarning("cannot keep a copy of preferences file %s", path.c_str());
    Unlock();
    return ok;
}

bool ScreenSaverDefaults::CanReplace(std::string* why) const {
    if (!writable) {
        *why = "it could not be read";
        return false;
    }
    if (CanReplaceFile(path, why)) return true;
    *why = "it is " + *why;
    return false;
}

bool ScreenSaverDefaults::Synchronize() {
    if (!writable) {
        HostWarning("preferences not saved: %s could not be read, so it is not overwritten", path.c_str());
        return false;
    }
    Lock();
    // The file as it stands now: another process may have saved since it
    // was read, and only what this store changed is written into it.
    std::string text, error, why;
    toml::table disk;
    bool saved = false;
    ReadStatus status = ReadFileText(path, &text, &error, kMaxPrefsFileBytes);
    if (status == ReadStatus::kRefused) {
        HostWarning("preferences not saved: %s", error.c_str());
    } else {
        std::string out;
        if (status == ReadStatus::kRead && !IsBlank(text) && ParseToml(text, path, &disk, &why)) {
            out = EditedText(text, disk, table->values, changed);
        } else {
            if (status == ReadStatus::kRead && !IsBlank(text)) {
                std::string kept;
                if (!KeepCopy("damaged", &kept)) {
                    Unlock();
                    return false;
                }
            }
            out = NewFileText(table->values, changed);
        }
        if (!MakeFolders(ParentFolder(WriteTarget(path)), 0700))
            HostWarning("preferences not saved: cannot create the folder of %s (%s)", path.c_str(),
                        strerror(errno));
        else if (!WriteFileAtomically(path, out, &error, kNewFileMode))
            HostWarning("preferences not saved: %s", error.c_str());
        else
            saved = true;
    }
    if (saved) changed.clear();
    Unlock();
    return saved;
}
