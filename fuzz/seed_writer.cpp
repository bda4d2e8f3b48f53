// Writes the fuzzers' seed files: small valid inputs of every kind, one
// folder per fuzz target under the folder given on the command line.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "assets/PackWriter.h"
#include "assets/TGAWriter.h"
#include "model/MS3DWriter.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pattern(int width, int height, int bpp) {
    Bytes pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Runs and single pixels alike, so RLE files hold both packet kinds.
            uint8_t v = static_cast<uint8_t>(x < width / 2 ? 40 : x * 30 + y);
            pixels.insert(pixels.end(), {v, static_cast<uint8_t>(y * 60), 200});
            if (bpp == 32) pixels.push_back(static_cast<uint8_t>(x * 50));
        }
    }
    return pixels;
}

Bytes Image(int width, int height, int bpp, bool rle, bool top) {
    Bytes pixels = Pattern(width, height, bpp);
    return EncodeTGA(pixels.data(), width, height, bpp, rle, top);
}

bool Write(const std::string& folder, const std::string& name, const Bytes& bytes) {
    mkdir(folder.c_str(), 0755);
    std::string error;
    if (WriteFileBytes(folder + "/" + name, bytes, &error)) return true;
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
}

// A seed of fuzz_desktop_settings: the file's selector, monitor 0, then its text.
Bytes SettingsFile(uint8_t which, const std::string& text) {
    Bytes bytes = {which, 0};
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SEED_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    mkdir(root.c_str(), 0755);
    bool ok = true;
    const std::string tga = root + "/fuzz_tga";
    ok &= Write(tga, "raw24.tga", Image(4, 3, 24, false, false));
    ok &= Write(tga, "raw32top.tga", Image(3, 2, 32, false, true));
    ok &= Write(tga, "rle24top.tga", Image(6, 3, 24, true, true));
    ok &= Write(tga, "rle32.tga", Image(5, 2, 32, true, false));

    const std::string pack = root + "/fuzz_pack";
    ok &= Write(pack, "textures.ple",
                EncodePack({{Image(2, 2, 24, false, false), 1, 0},
                            {{'n', 'o', 't', 'e'}, 0, 0},
                            {Image(3, 2, 32, true, true), 1, 1}}));
    ok &= Write(pack, "model.ple",
                EncodePack({{EncodeSampleMS3D(false), 0, 1}, {Image(2, 1, 24, true, false), 1, 2}}));
    ok &= Write(pack, "empty.ple", EncodePack({}));

    const std::string ms3d = root + "/fuzz_ms3d";
    ok &= Write(ms3d, "sample.ms3d", EncodeSampleMS3D(false));
    ok &= Write(ms3d, "sample-trailing.ms3d", EncodeSampleMS3D(true));

    const std::string desktop = root + "/fuzz_desktop_settings";
    ok &= Write(desktop, "xfce.xml",
                SettingsFile(0,
                             "<channel name=\"xfce4-desktop\"><property name=\"backdrop\" type=\"empty\">"
                             "<property name=\"monitoreDP-1\"><property name=\"workspace0\">"
                             "<property name=\"last-image\" type=\"string\" value=\"~/picture.jpg\"/>"
                             "</property></property></property></channel>\n"));
    ok &= Write(desktop, "plasma.ini",
                SettingsFile(1,
                             "[Containments][1]\nlastScreen=0\n\n"
                             "[Containments][1][Wallpaper][org.kde.image][General]\nImage=~/picture.jpg\n"));
    ok &= Write(desktop, "fehbg.sh",
                SettingsFile(2, "#!/bin/sh\nfeh --no-fehbg --bg-fill '~/picture.jpg' \"~/b\"\n"));
    ok &= Write(desktop, "nitrogen.cfg",
                SettingsFile(3, "[xin_-1]\nfile=~/none.jpg\n[xin_0]\nfile=~/picture.jpg\n"));
    ok &= Write(desktop, "slideshow.xml",
                SettingsFile(4,
                             "<background><static><duration>9</duration><file><size width=\"1\" "
                             "height=\"1\">~/picture.jpg</size></file></static></background>"));
    ok &= Write(
        desktop, "sway.config",
        SettingsFile(5,
                     "set $p ~/picture.jpg\ninclude ~/.config/sway/config\noutput eDP-1 {\n bg $p fill\n}\n"
                     "output * bg #000000 solid_color\n"));
    ok &= Write(desktop, "hyprpaper.conf",
                SettingsFile(6, "preload = ~/none.jpg\nwallpaper = eDP-1,~/picture.jpg\n"));
    static const char swaybg[] = "swaybg\0-o\0eDP-1\0-i\0~/picture.jpg\0--image=x";
    ok &= Write(desktop, "swaybg.cmdline", SettingsFile(7, std::string(swaybg, sizeof swaybg - 1)));
    return ok ? 0 : 1;
}
