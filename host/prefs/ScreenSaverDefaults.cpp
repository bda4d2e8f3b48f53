#include "host/prefs/ScreenSaverDefaults.h"

#include <toml++/toml.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "base/HostLog.h"

struct PrefsTable {
    toml::table values;
};

namespace {

// A preferences file larger than this is not ours: it is treated as damaged.
constexpr off_t kMaxPrefsFileBytes = 1 << 20;

std::string ConfigHome() {
    const char* xdg = getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config";
}

std::string ParentFolder(const std::string& file) {
    size_t slash = file.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return file.substr(0, slash);
}

// mkdir -p; true when the folder exists afterwards.
bool MakeFolders(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    std::string parent = ParentFolder(folder);
    if (parent != folder && !MakeFolders(parent)) return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
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

enum class ReadResult { kMissing, kUnreadable, kRead };

ReadResult ReadWholeFile(const std::string& file, std::string* text, std::string* why) {
    int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return ReadResult::kMissing;
        *why = strerror(errno);
        return ReadResult::kUnreadable;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *why = "not a regular file";
        close(fd);
        return ReadResult::kUnreadable;
    }
    text->clear();
    char buf[8192];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *why = strerror(errno);
            close(fd);
            return ReadResult::kUnreadable;
        }
        if (n == 0) break;
        text->append(buf, static_cast<size_t>(n));
        if (static_cast<off_t>(text->size()) > kMaxPrefsFileBytes) break;
    }
    close(fd);
    return ReadResult::kRead;
}

// Parses text; false with a description when it is not a TOML document we
// can use. toml++ reports parse errors by throwing: nothing escapes here.
bool ParseToml(const std::string& text, const std::string& file, toml::table* out, std::string* why) {
    if (static_cast<off_t>(text.size()) > kMaxPrefsFileBytes) {
        *why = "larger than 1 MiB";
        return false;
    }
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

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
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
    if (bare) return key;
    std::string out = "\"";
    for (unsigned char c : key) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
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

// One value as TOML writes it after "key = ": floats in their shortest
// form (toml++ writes 17 digits), the rest as toml++ writes it.
std::string ValueText(const toml::node& node) {
    if (const auto* f = node.as_floating_point()) return FloatText(f->get());
    std::ostringstream os;
    node.visit([&os](const auto& value) { os << value; });
    return os.str();
}

// The table as TOML. Keys are always written by KeyText: toml++ writes a key
// such as it's bare, which no parser reads back. Plain values come before
// sub-tables so that no value falls into a table above it; sub-tables are
// written by toml++.
std::string FormatTable(const toml::table& values) {
    std::ostringstream plain, tables;
    for (const auto& [key, node] : values) {
        if (node.is_table() || node.is_array_of_tables()) {
            toml::table one;
            one.insert(key, node);
            tables << one << "\n";
            continue;
        }
        plain << KeyText(std::string(key.str())) << " = " << ValueText(node) << "\n";
    }
    return plain.str() + tables.str();
}

// Length of the UTF-8 sequence that starts at text[i], or 0 when the bytes
// there are not one (overlong forms, surrogates and values beyond U+10FFFF
// included).
size_t Utf8SequenceLength(const std::string& text, size_t i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) return 1;
    size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (n == 0 || c > 0xF4 || i + n > text.size()) return 0;
    unsigned char c1 = static_cast<unsigned char>(text[i + 1]);
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
        (c == 0xF4 && c1 > 0x8F))
        return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

// text with U+FFFD in place of every byte that does not start a valid UTF-8
// sequence.
std::string ValidUtf8(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        size_t n = Utf8SequenceLength(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

// Where a save goes: the file itself, or the file a symbolic link points to
// (the link stays). Empty, with *why, when the file must not be replaced.
std::string SaveTarget(const std::string& file, std::string* why) {
    struct stat st {};
    if (lstat(file.c_str(), &st) != 0) return file;  // no file yet
    std::string target = file;
    if (S_ISLNK(st.st_mode)) {
        char* resolved = realpath(file.c_str(), nullptr);
        if (resolved == nullptr) {
            *why = "it is a symbolic link to a file that does not exist";
            return "";
        }
        target = resolved;
        free(resolved);
        if (stat(target.c_str(), &st) != 0) return target;
    }
    if (!S_ISREG(st.st_mode)) {
        *why = "it is not a regular file";
        return "";
    }
    if ((st.st_mode & S_IWUSR) == 0) {
        *why = "it is read-only";
        return "";
    }
    return target;
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    std::string text, why;
    if (ReadWholeFile(from, &text, &why) != ReadResult::kRead) return false;
    int fd = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok) unlink(to.c_str());
    return ok;
}

}  // namespace

bool IsValidUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        size_t n = Utf8SequenceLength(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string ScreenSaverDefaults::PathForModule(const char* module) {
    return ConfigHome() + "/dovel/" + module + ".toml";
}

ScreenSaverDefaults::ScreenSaverDefaults(const std::string& file) : path(file), table(new PrefsTable) {
    Read();
}

ScreenSaverDefaults::~ScreenSaverDefaults() = default;

void ScreenSaverDefaults::Read() {
    table->values.clear();
    movedAside.clear();
    writable = true;
    std::string text, why;
    ReadResult result = ReadWholeFile(path, &text, &why);
    if (result == ReadResult::kMissing) return;
    if (result == ReadResult::kUnreadable) {
        writable = false;
        HostWarning("cannot read preferences file %s (%s); using defaults and leaving it untouched",
                    path.c_str(), why.c_str());
        return;
    }
    if (ParseToml(text, path, &table->values, &why)) return;
    table->values.clear();
    std::string aside = FreeAsideName(path, "damaged");
    if (aside.empty() || rename(path.c_str(), aside.c_str()) != 0) {
        writable = false;
        HostWarning("preferences file %s is damaged (%s) and cannot be moved aside; using defaults",
                    path.c_str(), why.c_str());
        return;
    }
    movedAside = aside;
    HostWarning("preferences file %s is damaged (%s); kept as %s, using defaults", path.c_str(), why.c_str(),
                aside.c_str());
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

void ScreenSaverDefaults::SetInteger(const char* key, int64_t value) {
    table->values.insert_or_assign(key, value);
}

void ScreenSaverDefaults::SetBool(const char* key, bool value) {
    table->values.insert_or_assign(key, value);
}

void ScreenSaverDefaults::SetFloat(const char* key, float value) {
    table->values.insert_or_assign(key, ShortestDouble(value));
}

void ScreenSaverDefaults::SetString(const char* key, const std::string& value) {
    table->values.insert_or_assign(key, ValidUtf8(value));
}

void ScreenSaverDefaults::RemoveAll() {
    table->values.clear();
}

bool ScreenSaverDefaults::KeepCopy(const char* suffix, std::string* kept) {
    kept->clear();
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return true;
    std::string name = FreeAsideName(path, suffix);
    if (name.empty() || !CopyFileTo(path, name)) {
        HostWarning("cannot keep a copy of preferences file %s", path.c_str());
        return false;
    }
    *kept = name;
    return true;
}

bool ScreenSaverDefaults::Synchronize() {
    if (!writable) {
        HostWarning("preferences not saved: %s could not be read, so it is not overwritten", path.c_str());
        return false;
    }
    std::string why;
    const std::string target = SaveTarget(path, &why);
    if (target.empty()) {
        HostWarning("preferences not saved: %s is not replaced, %s", path.c_str(), why.c_str());
        return false;
    }
    std::string folder = ParentFolder(target);
    if (!MakeFolders(folder)) {
        HostWarning("preferences not saved: cannot create folder %s (%s)", folder.c_str(), strerror(errno));
        return false;
    }
    std::ostringstream os;
    os << "# Dovel preferences\n" << FormatTable(table->values);
    std::string temp = target + ".tmp-XXXXXX";
    int fd = mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0) {
        HostWarning("preferences not saved: cannot create %s (%s)", temp.c_str(), strerror(errno));
        return false;
    }
    bool ok = WriteAll(fd, os.str()) && fsync(fd) == 0;
    int writeErrno = errno;
    ok = (close(fd) == 0) && ok;
    if (ok && rename(temp.c_str(), target.c_str()) == 0) return true;
    if (ok) writeErrno = errno;
    unlink(temp.c_str());
    HostWarning("preferences not saved to %s (%s)", path.c_str(), strerror(writeErrno));
    return false;
}
