// dovel-pack: the subcommands and what they share. Each subcommand takes
// the arguments after its name and returns the exit status: 0 done, 1 bad
// input (one line on standard error naming the file), 2 usage error.
#pragma once

#include <string>
#include <vector>

using Args = std::vector<std::string>;

constexpr int kExitOk = 0;
constexpr int kExitBadInput = 1;
constexpr int kExitUsage = 2;

int RunCreate(const Args& args);
int RunList(const Args& args);
int RunExtract(const Args& args);
int RunVerify(const Args& args);
int RunInspect(const Args& args);
int RunConvert(const Args& args);

// Prints "dovel-pack: FILE: what" on standard error; returns kExitBadInput.
int BadInput(const std::string& file, const std::string& what);
// Prints "dovel-pack: " and error (which names the file); returns
// kExitBadInput.
int FileError(const std::string& error);
// Prints "dovel-pack SUBCOMMAND: what" and the subcommand's usage line on
// standard error; returns kExitUsage.
int UsageError(const std::string& subcommand, const std::string& usage, const std::string& what);
// True when args hold "--help" or "-h".
bool WantsHelp(const Args& args);

// Sends the decoders' alerts to a buffer instead of the screen.
void CaptureAlerts();
// The alerts shown since the last call, joined with "; " (empty if none).
std::string TakeAlerts();

// Parses a whole non-negative decimal number no larger than limit.
bool ParseNumber(const std::string& text, unsigned long long limit, unsigned long long* value);
