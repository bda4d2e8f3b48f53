// Warnings of the host on standard error, one line each, prefixed "dovel: ".
#pragma once

// printf-style; a newline is added.
void HostWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));
