#include "host/view/DovelOptions.h"

#include "base/Text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host/view/FramePacing.h"

namespace {

constexpr int kMaxSide = 16384;
constexpr int64_t kMaxFrames = int64_t{1} << 40;
constexpr int64_t kMaxIdleSeconds = 24 * 60 * 60;

bool ParseSize(const std::string& text, int* w, int* h) {
    size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    int64_t width = 0, height = 0;
    if (!ParseInteger(text.substr(0, x), 1, kMaxSide, &width)) return false;
    if (!ParseInteger(text.substr(x + 1), 1, kMaxSide, &height)) return false;
    *w = static_cast<int>(width);
    *h = static_cast<int>(height);
    return true;
}

// Walks argv, handing out flags and their values.
struct ArgReader {
    ArgReader(int count, const char* const* values) : argc(count), argv(values) {}
    int argc;
    const char* const* argv;
    int next = 1;
    std::string flag;
    std::string inlineValue;
    bool hasInlineValue = false;

    bool NextFlag() {
        if (next >= argc) return false;
        std::string arg = argv[next++];
        hasInlineValue = false;
        size_t eq = arg.find('=');
        if (arg.size() > 1 && arg[0] == '-' && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            hasInlineValue = true;
            arg = arg.substr(0, eq);
        }
        if (arg.size() > 2 && arg[0] == '-' && arg[1] == '-') arg = arg.substr(1);
        flag = arg;
        return true;
    }
    bool Value(std::string* out) {
        if (hasInlineValue) {
            *out = inlineValue;
            hasInlineValue = false;
            return true;
        }
        if (next >= argc) return false;
        *out = argv[next++];
        return true;
    }
};

bool Fail(std::string* error, const std::string& text) {
    *error = text;
    return false;
}

bool TakeValueFlag(ArgReader* args, DovelOptions* o, std::string* error) {
    const std::string flag = args->flag;
    std::string value;
    if (!args->Value(&value)) return Fail(error, flag + " needs a value");
    int64_t n = 0;
    if (flag == "-size") {
        if (!ParseSize(value, &o->width, &o->height))
            return Fail(error, "-size wants WIDTHxHEIGHT, each 1 to 16384, not \"" + value + "\"");
    } else if (flag == "-frames") {
        if (!ParseInteger(value, 0, kMaxFrames, &n)) return Fail(error, "-frames wants a count of 0 or more");
        o->frames = n;
        o->framesGiven = true;
    } else if (flag == "-every") {
        if (!ParseInteger(value, 1, kMaxFrames, &n)) return Fail(error, "-every wants a count of 1 or more");
        o->every = n;
    } else if (flag == "-max-fps") {
        if (!ParseInteger(value, 0, kTickMaxFps, &n))
            return Fail(error, "-max-fps wants a whole number 0 (automatic) to 60, not \"" + value + "\"");
        o->maxFps = static_cast<int>(n);
    } else if (flag == "-window-id") {
        if (!ParseWindowId(value, &o->windowId))
            return Fail(error, "-window-id wants a window id in decimal or 0x-hex, not \"" + value + "\"");
        o->wantWindowId = true;
    } else if (flag == "-idle-seconds") {
        if (!ParseInteger(value, 1, kMaxIdleSeconds, &n))
            return Fail(error, "-idle-seconds wants a number of seconds, 1 to 86400");
        o->idleSeconds = n;
    } else if (flag == "-seed") {
        if (!ParseInteger(value, 0, UINT32_MAX, &n))
            return Fail(error, "-seed wants a number 0 to 4294967295");
        o->seed = static_cast<uint32_t>(n);
        o->seedGiven = true;
    } else if (value.empty()) {
        return Fail(error, flag + " needs a value");
    } else if (flag == "-out") {
        o->outDir = value;
    } else if (flag == "-prefs") {
        o->prefsFile = value;
    } else {
        o->snapshotFile = value;
    }
    return true;
}

bool IsValueFlag(const std::string& flag) {
    return flag == "-size" || flag == "-frames" || flag == "-out" || flag == "-every" || flag == "-seed" ||
           flag == "-prefs" || flag == "-snapshot" || flag == "-window-id" || flag == "-idle-seconds" ||
           flag == "-max-fps";
}

bool TakeSwitch(const std::string& flag, DovelOptions* o) {
    if (flag == "-headless")
        o->headless = true;
    else if (flag == "-preview")
        o->preview = true;
    else if (flag == "-window")
        o->wantWindow = true;
    else if (flag == "-fullscreen")
        o->wantFullscreen = true;
    else if (flag == "-root")
        o->wantRoot = true;
    else if (flag == "-x11")
        o->forceX11 = true;
    else if (flag == "-fps")
        o->showFps = true;
    else if (flag == "-no-exit-on-input")
        o->exitOnInput = false;
    else if (flag == "-stats")
        o->stats = true;
    else if (flag == "-on-idle")
        o->onIdle = true;
    else if (flag == "-verbose")
        o->verbose = true;
    else if (flag == "-help" || flag == "-h")
        o->help = true;
    else
        return false;
    return true;
}

// -window-id wins over -root, -root over -fullscreen, -fullscreen over
// -window (XScreenSaver's order: the most specific target wins).
void ChooseMode(DovelOptions* o) {
    o->modeGiven = o->wantWindowId || o->wantRoot || o->wantFullscreen || o->wantWindow;
    if (o->wantWindowId)
        o->mode = DisplayMode::kWindowId;
    else if (o->wantRoot)
        o->mode = DisplayMode::kRoot;
    else if (o->wantFullscreen)
        o->mode = DisplayMode::kFullscreen;
    else
        o->mode = DisplayMode::kWindow;
}

// A flag of the settings: a switch (no value allowed) or one with a value.
bool TakeSettingsFlag(ArgReader* args, SettingsOverrides* settings, std::string* error) {
    const std::string flag = args->flag;
    if (OverrideFlagKind(flag) == OverrideFlag::kSwitch) {
        if (args->hasInlineValue) return Fail(error, flag + " takes no value");
        return TakeOverrideSwitch(flag, settings);
    }
    std::string value;
    if (!args->Value(&value)) return Fail(error, flag + " needs a value");
    return TakeOverrideValue(flag, value, settings, error);
}

}  // namespace

bool ParseWindowId(const std::string& text, unsigned long* out) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > (hex ? 8u : 10u)) return false;
    for (char c : digits)
        if (!(c >= '0' && c <= '9') && !(hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))))
            return false;
    unsigned long long value = strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
    if (value == 0 || value > 0xffffffffull) return false;
    *out = static_cast<unsigned long>(value);
    return true;
}

ParseResult ParseDovelOptions(int argc, const char* const* argv, DovelOptions* out, std::string* error) {
    DovelOptions o;
    ArgReader args(argc, argv);
    while (args.NextFlag()) {
        if (IsValueFlag(args.flag)) {
            if (!TakeValueFlag(&args, &o, error)) return ParseResult::kError;
        } else if (OverrideFlagKind(args.flag) != OverrideFlag::kNotOurs) {
            if (!TakeSettingsFlag(&args, &o.settings, error)) return ParseResult::kError;
        } else if (args.hasInlineValue || !TakeSwitch(args.flag, &o)) {
            *error = "unknown flag \"" + std::string(argv[args.next - 1]) + "\"";
            return ParseResult::kError;
        }
    }
    ChooseMode(&o);
    *out = o;
    return o.help ? ParseResult::kHelp : ParseResult::kRun;
}

const char* DovelUsageLine() {
    return "usage: dovel [-window | -fullscreen | -root | -window-id ID] [-x11] [-fps] [-max-fps N]\n"
           "             [-no-exit-on-input] [-frames N] [-stats]\n"
           "       dovel -on-idle [-idle-seconds S] [-verbose]\n"
           "       dovel -headless [-frames N] [-out DIR] [-every K] [-seed N] [-snapshot FILE] [-stats]\n"
           "       common: [-size WxH] [-preview] [-prefs FILE] [-help]";
}

// The flags of the program itself.
static const char* DovelProgramHelpText() {
    return "Dovel, an OpenGL screen saver: a winged archer among floating hearts.\n"
           "\n"
           "On a Wayland session ($WAYLAND_DISPLAY) Dovel runs as a Wayland client; on\n"
           "an X display ($DISPLAY) as an X11 client. Where to draw:\n"
           "  -window          a window of its own titled \"Dovel\" (the default);\n"
           "                   Escape, q or closing the window ends it\n"
           "  -fullscreen      one borderless view on every monitor (Wayland: every output,\n"
           "                   above everything where the compositor offers the layer shell);\n"
           "                   any key, click or pointer move ends it\n"
           "  -root            XScreenSaver's mode: the window named by $XSCREENSAVER_WINDOW,\n"
           "                   else the root window (always X11)\n"
           "  -window-id ID    an existing X window (decimal or 0x-hex); wins over -root; one\n"
           "                   that does not cover a whole monitor is drawn as the preview\n"
           "                   (always X11)\n"
           "  -x11             use X11 (XWayland on a Wayland session) even where Wayland is there\n"
           "  On Wayland, -frames N ends the run once every drawing view has presented N\n"
           "  frames, and -stats prints each view's output, size and frames at exit.\n"
           "  -fps             draw the measured frame rate in the upper left corner\n"
           "  -max-fps N       draw at most N frames a second, 1 to 60; 0 (the default):\n"
           "                   30 on a software renderer (llvmpipe, softpipe, swrast), else 60.\n"
           "                   The animation keeps its speed at any rate\n"
           "  -frames N        end after N presented frames (default: run until ended)\n"
           "  -stats           at exit, print one JSON object of run statistics on standard output\n"
           "  -no-exit-on-input  with -fullscreen, keys, clicks and pointer moves do not end it\n"
           "  SIGTERM, SIGINT and SIGHUP end every mode.\n"
           "\n"
           "The idle service:\n"
           "  -on-idle         wait until the session has been without input for the idle\n"
           "                   time, then run Dovel full screen until the first input\n"
           "  -idle-seconds S  the idle time for this run, over the stored IdleMinutes\n"
           "  -verbose         say which source of idleness is used, and each start and end\n"
           "\n"
           "Everywhere:\n"
           "  -size WxH        size of the window or drawable in pixels (default 1280x720)\n"
           "  -preview         draw as the small preview (no overlay)\n"
           "  -prefs FILE      read the preferences from FILE instead of\n"
           "                   $XDG_CONFIG_HOME/dovel/qvDovelSS.toml\n"
           "  -help            show this text\n"
           "\n"
           "Without a display (or with -headless):\n"
           "  -headless        render without a display (EGL pbuffer)\n"
           "  -frames N        run N ticks of an exact 60 Hz clock (default 600)\n"
           "  -out DIR         write the presented frames to DIR as frame-000000.png, ...\n"
           "  -every K         write only every Kth presented frame (default 1)\n"
           "  -seed N          seed the random generator with N instead of the clock\n"
           "  -snapshot FILE   this picture stands for what the display shows\n"
           "                   (without it the snapshot background falls back to the desktop picture)\n"
           "  -stats           at exit, print one JSON object of run statistics on standard output\n"
           "\n"
           "Flags may also be written with two dashes (--frames 60) or with \"=\" (-frames=60).\n";
}

const char* DovelHelpText() {
    static const std::string text = std::string(DovelProgramHelpText()) + "\n" + SettingFlagsHelpText();
    return text.c_str();
}
