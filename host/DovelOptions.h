// The command line of the dovel program.
#pragma once

#include <cstdint>
#include <string>

#include "host/SettingsOverrides.h"

struct DovelOptions {
    bool headless = false;
    int width = 1280;
    int height = 720;
    int64_t frames = 600;  // ticks of the 60 Hz virtual clock
    std::string outDir;    // where PNG frames go; empty: none written
    int64_t every = 1;     // write every Kth presented frame
    bool seedGiven = false;
    uint32_t seed = 0;  // replaces the wall clock as the random seed
    bool preview = false;
    std::string prefsFile;     // empty: the user's preferences file
    std::string snapshotFile;  // empty: the snapshot fails
    bool stats = false;
    bool help = false;
    // Settings for this run, over the stored preferences.
    SettingsOverrides settings;
};

enum class ParseResult { kRun, kHelp, kError };

// Parses argv (flags with one or two dashes; a value follows its flag as
// the next argument or after "="). On kError, *error says what is wrong.
ParseResult ParseDovelOptions(int argc, const char* const* argv, DovelOptions* out, std::string* error);

// One line: how to call dovel.
const char* DovelUsageLine();
// Every flag, one per line, for -help.
const char* DovelHelpText();
