// Warnings of the host on standard error, one line each, prefixed "dovel: ".
#pragma once

#include <cstdarg>

// printf-style; a newline is added.
void HostWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));

// printf-style, one line prefixed "dovel: " on standard error, for what a
// program says that is not a warning.
void HostNote(const char* format, ...) __attribute__((format(printf, 1, 2)));
void HostNoteV(const char* format, va_list args);
