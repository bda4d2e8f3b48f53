#include <cstdio>
#include <string>

#include "assets/Alerts.h"
#include "tools/pack/PackTool.h"

namespace {

std::string alertBuffer;

void BufferAlert(const char* title, const char* text) {
    if (!alertBuffer.empty()) alertBuffer += "; ";
    alertBuffer += text;
}

}  // namespace

int BadInput(const std::string& file, const std::string& what) {
    std::fprintf(stderr, "dovel-pack: %s: %s\n", file.c_str(), what.c_str());
    return kExitBadInput;
}

int FileError(const std::string& error) {
    std::fprintf(stderr, "dovel-pack: %s\n", error.c_str());
    return kExitBadInput;
}

int UsageError(const std::string& subcommand, const std::string& usage, const std::string& what) {
    std::fprintf(stderr, "dovel-pack %s: %s\nusage: %s\n", subcommand.c_str(), what.c_str(), usage.c_str());
    return kExitUsage;
}

bool WantsHelp(const Args& args) {
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h") return true;
    return false;
}

void CaptureAlerts() {
    SetAlertSink(BufferAlert);
}

std::string TakeAlerts() {
    std::string taken;
    taken.swap(alertBuffer);
    // Some alert texts end in a blank; the error line should not.
    while (!taken.empty() && taken.back() == ' ') taken.pop_back();
    return taken;
}

bool ParseNumber(const std::string& text, unsigned long long limit, unsigned long long* value) {
    if (text.empty() || text.size() > 20) return false;
    unsigned long long result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        unsigned digit = static_cast<unsigned>(c - '0');
        if (digit > limit || result > (limit - digit) / 10) return false;
        result = result * 10 + digit;
    }
    *value = result;
    return true;
}
