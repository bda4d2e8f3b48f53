#include "base/HostLog.h"

#include <cstdarg>
#include <cstdio>

namespace {

void Say(const char* prefix, const char* format, va_list args) {
    char line[2048];
    std::vsnprintf(line, sizeof line, format, args);
    std::fprintf(stderr, "dovel: %s%s\n", prefix, line);
}

}  // namespace

void HostWarning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Say("warning: ", format, args);
    va_end(args);
}

void HostNoteV(const char* format, va_list args) {
    Say("", format, args);
}

void HostNote(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Say("", format, args);
    va_end(args);
}
