// The desktop picture lookup over a fake home: every desktop's setting, the
// order between them, per-monitor entries, URIs, slideshows and settings
// that name nothing usable; and SVG and WebP wallpapers reaching the view.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sys/stat.h>

#include <filesystem>

#include "host/desktop/DesktopPicture.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/GLHarness.h"

namespace {

namespace fs = std::filesystem;

// Replaces every "$H" in text by home.
std::string WithHome(std::string text, const std::string& home) {
    for (size_t at = text.find("$H"); at != std::string::npos; at = text.find("$H", at + home.size()))
        text.replace(at, 2, home);
    return text;
}

// Minimal schemas of the three GSettings desktops; GNOME's default picture is
// $H/default.jpg.
const char* const kGnomeSchemas =
    "<schema id='org.gnome.desktop.background' path='/org/gnome/desktop/background/'>"
    "<key name='picture-uri' type='s'><default>'file://$H/default.jpg'</default></key>"
    "<key name='picture-uri-dark' type='s'><default>''</default></key></schema>"
    "<schema id='org.gnome.desktop.interface' path='/org/gnome/desktop/interface/'>"
    "<key name='color-scheme' type='s'><default>'default'</default></key></schema>";
const char* const kCinnamonSchema =
    "<schema id='org.cinnamon.desktop.background' path='/org/cinnamon/desktop/background/'>"
    "<key name='picture-uri' type='s'><default>''</default></key></schema>";
const char* const kMateSchema =
    "<schema id='org.mate.background' path='/org/mate/desktop/background/'>"
    "<key name='picture-filename' type='s'><default>''</default></key></schema>";

// Settings files of the desktops, each naming pictures in the fake home.
const char* const kXfcePath = ".config/xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml";
const char* const kXfce =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<channel name=\"xfce4-desktop\" version=\"1.0\">\n"
    "<property name=\"backdrop\" type=\"empty\"><property name=\"screen0\" type=\"empty\">\n"
    "  <property name=\"monitoreDP-1\" type=\"empty\">\n"
    "    <property name=\"workspace1\" type=\"empty\">"
    "<property name=\"last-image\" type=\"string\" value=\"$H/e1.jpg\"/></property>\n"
    "    <property name=\"workspace0\" type=\"empty\"><property name=\"image-style\" type=\"int\" "
    "value=\"5\"/>"
    "<property name=\"last-image\" type=\"string\" value=\"$H/e0 &amp; co.jpg\"/></property>\n"
    "  </property>\n  <property name=\"monitorHDMI-1\" type=\"empty\"><property name=\"workspace0\" "
    "type=\"empty\">"
    "<property name=\"last-image\" type=\"string\" value=\"$H/h0.jpg\"/></property></property>\n"
    "</property></property></channel>\n";
const char* const kPlasmaPath = ".config/plasma-org.kde.plasma.desktop-appletsrc";
const char* const kPlasma =
    "[Containments][1]\nlastScreen=1\nwallpaperplugin=org.kde.image\n\n"
    "[Containments][1][Wallpaper][org.kde.image][General]\nImage=$H/k1.jpg\n\n"
    "[Containments][7]\nlastScreen=0\n\n"
    "[Containments][7][Wallpaper][org.kde.image][General]\nImage=file://$H/k%C3%A9%200.jpg\n";
// A relative path, and a path with a NUL inside.
const char kPlasmaDamaged[] =
    "[Containments][1][Wallpaper][org.kde.image][General]\nImage=all.jpg\n"
    "[Containments][2][Wallpaper][org.kde.image][General]\nImage=$H/all.jpg\0.png\n";
const char* const kFeh =
    "#!/bin/sh\nfeh --no-fehbg --bg-fill --image-bg black '$H/it'\"'\"'s a.jpg' \"$H/b \\\"2\\\".png\"\n";
const char* const kNitrogenPath = ".config/nitrogen/bg-saved.cfg";
const char* const kNitrogen =
    "[xin_-1]\nfile=$H/all.jpg\nmode=5\n\n[xin_1]\nfile=$H/n1.jpg\n\n[xin_0]\nfile=$H/missing.jpg\n";

// sway's config: a variable, an include of itself (followed only so deep)
// and of a folder of parts by glob, an output block, a colour for the
// second output.
const char* const kSway =
    "set $wall ~/w\ninclude ~/.config/sway/config\ninclude config.d/*\n"
    "output * bg $wall/all.jpg fill\noutput HEADLESS-2 bg #000000 solid_color\n";
const char* const kSwayPart = "output HEADLESS-1 {\n  bg \"$H/sw one.jpg\" fit\n}\n";
const char* const kHyprpaper =
    "preload = ~/pre.jpg\nwallpaper = ,~/every.jpg # all\nwallpaper = DP-1, ~/dp1.jpg\n";
// A running swaybg's command line (another program's is passed over).
const char kSwaybg[] =
    "/usr/bin/swaybg\0-o\0*\0-i\0$H/bg all.png\0-m\0fill\0--output=HEADLESS-2\0-i$H/bg2.png";

// Files of the fake home: path from the home folder, contents.
using Files = std::vector<std::pair<std::string, std::string>>;

struct Case {
    const char* name;
    std::string expected;  // home-relative; "" for none
    Files files;
    std::string keyfile = "";  // GSettings keyfile
    std::string desktop = "";  // $XDG_CURRENT_DESKTOP
    int monitor = 0;
    std::string output = "";
    std::string schemas = "";  // the desktops whose schemas are installed: all when empty, or "none"
};

// Picture files of the given names (the lookup never decodes them).
Files Pictures(std::initializer_list<const char*> names) {
    Files files;
    for (const char* name : names) files.emplace_back(name, "picture");
    return files;
}

Files operator+(Files a, const Files& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const char* const kGnomeSet = "[org/gnome/desktop/background]\npicture-uri='file://$H/g%20one.jpg'\n";

struct DesktopPictureTest : ::testing::Test {
    ScratchFolder scratch;

    // Writes the case's files into home ("@fifo" makes a named pipe there).
    void MakeFiles(const Case& c, const std::string& home) {
        for (const auto& [name, contents] : c.files) {
            std::string path = home + "/" + name;
            fs::create_directories(fs::path(path).parent_path());
            if (contents == "@fifo")
                ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
            else
                WriteFileText(path, WithHome(contents, home));
        }
    }
    // Compiles the schemas the case installs into folder.
    void CompileSchemas(const Case& c, const std::string& home, const std::string& folder) {
        fs::create_directories(folder);
        if (c.schemas == "none") return;
        auto installed = [&](const char* desktop) { return c.schemas.empty() || c.schemas == desktop; };
        std::string list;
        if (installed("gnome")) list += kGnomeSchemas;
        if (installed("cinnamon")) list += kCinnamonSchema;
        if (installed("mate")) list += kMateSchema;
        WriteFileText(folder + "/dovel-test.gschema.xml",
                      "<schemalist>" + WithHome(list, home) + "</schemalist>\n");
        ASSERT_EQ(std::system(("glib-compile-schemas " + folder).c_str()), 0)
            << "is libglib2.0-bin installed?";
    }
};

TEST_F(DesktopPictureTest, EachDesktopsSettingInOrderPerMonitorPassingOverWhatIsMissing) {
    const auto all = Pictures({"g one.jpg", "dark.png", "cin.jpg", "mate.jpg", "e1.jpg", "e0 & co.jpg",
                               "h0.jpg", "k1.jpg", "k\xC3\xA9 0.jpg", "it's a.jpg", "b \"2\".png", "all.jpg",
                               "n1.jpg", "default.jpg", "slide.jpg"});
    const Files xfce = {{kXfcePath, kXfce}};
    const Files fehAndNitrogen = {{".fehbg", kFeh}, {kNitrogenPath, kNitrogen}};
    const Files others = Files{{kPlasmaPath, kPlasma}} + fehAndNitrogen;
    const std::string cinnamonSet =
        "[org/cinnamon/desktop/background]\npicture-uri='file://localhost$H/cin.jpg'\n";
    const std::string mateSet = "[org/mate/desktop/background]\npicture-filename='~/mate.jpg'\n";
    const std::string dark = "[org/gnome/desktop/interface]\ncolor-scheme='prefer-dark'\n";
    const Case cases[] = {
        {"GNOME first", "g one.jpg", all + xfce + others, kGnomeSet + cinnamonSet},
        {"GNOME dark", "dark.png", all, dark + kGnomeSet + "picture-uri-dark='file://$H/dark.png'\n"},
        {"GNOME dark, no dark picture", "g one.jpg", all, dark + kGnomeSet},
        {"GNOME file missing: Cinnamon", "cin.jpg", Pictures({"cin.jpg", "mate.jpg"}),
         kGnomeSet + cinnamonSet + mateSet},
        {"MATE, ~", "mate.jpg", all + xfce, mateSet},
        {"only MATE's schema installed", "mate.jpg", all, kGnomeSet + cinnamonSet + mateSet, "", 0, "",
         "mate"},
        {"no schema installed: Xfce", "h0.jpg", all + xfce + others, kGnomeSet + mateSet, "", 1, "HDMI-1",
         "none"},
        {"Xfce workspace 0 of the monitor", "e0 & co.jpg", all + xfce, "", "", 0, "eDP-1"},
        {"Xfce unknown monitor", "e0 & co.jpg", all + xfce, "", "", 4, "DP-9"},
        {"Plasma by lastScreen 0", "k\xC3\xA9 0.jpg", all + others},
        {"Plasma by lastScreen 1", "k1.jpg", all + others, "", "", 1},
        {"Plasma wallpaper package", "pack/contents/images/3840x2160.jpg",
         all +
             Pictures({"pack/contents/images/1280x720.png", "pack/contents/images/3840x2160.jpg",
                       "pack/contents/images/7680x4320.jpg", "pack/metadata.json"}) +
             Files{{kPlasmaPath,
                    "[Containments][3][Wallpaper][org.kde.image][General]\n"
                    "Image=file://$H/pack/\n"}}},
        {"feh monitor 0", "it's a.jpg", all + fehAndNitrogen},
        {"feh monitor 1", "b \"2\".png", all + fehAndNitrogen, "", "", 1},
        {"nitrogen xin_1", "n1.jpg", all + Files{{kNitrogenPath, kNitrogen}}, "", "", 1},
        {"nitrogen xin_0 missing: xin_-1", "all.jpg", all + Files{{kNitrogenPath, kNitrogen}}},
        {"GNOME slideshow", "slide.jpg",
         all + Files{{"show.xml",
                      "<background><starttime><year>2020</year></starttime>"
                      "<static><duration>60</duration><file>\n"
                      "<size width=\"1\" height=\"1\">$H/slide.jpg</size>"
                      "</file></static></background>"}},
         "[org/gnome/desktop/background]\npicture-uri='file://$H/show.xml'\n"},
        {"GNOME's default ignored on another desktop", "it's a.jpg", all + fehAndNitrogen, "", "i3"},
        {"GNOME's default on GNOME", "default.jpg", all + others, "", "ubuntu:GNOME"},
        {"the running desktop first", "e0 & co.jpg", all + xfce, kGnomeSet, "XFCE", 0, "eDP-1"},
        {"sway: this output's block", "sw one.jpg",
         all + Pictures({"w/all.jpg", "sw one.jpg"}) +
             Files{{".config/sway/config", kSway}, {".config/sway/config.d/50-out", kSwayPart}},
         "", "sway", 0, "HEADLESS-1"},
        {"sway: a colour passed over for every output's", "w/all.jpg",
         Pictures({"w/all.jpg"}) + Files{{".config/sway/config", kSway}}, "", "sway", 1, "HEADLESS-2"},
        {"swaybg before sway's config on sway", "bg2.png",
         Pictures({"w/all.jpg", "bg2.png", "bg all.png"}) +
             Files{{".config/sway/config", kSway},
                   {"proc/41/cmdline", std::string(kSwaybg, sizeof kSwaybg - 1)},
                   {"proc/42/cmdline", std::string("feh\0-i\0$H/w/all.jpg", 19)}},
         "", "sway", 1, "HEADLESS-2"},
        {"swaybg for every output", "bg all.png",
         Pictures({"bg all.png"}) + Files{{"proc/7/cmdline", std::string(kSwaybg, sizeof kSwaybg - 1)}}, "",
         "", 0, "HEADLESS-1"},
        {"hyprpaper by monitor", "dp1.jpg",
         Pictures({"pre.jpg", "every.jpg", "dp1.jpg"}) + Files{{".config/hypr/hyprpaper.conf", kHyprpaper}},
         "", "Hyprland", 0, "DP-1"},
        {"hyprpaper for every monitor, then preloaded", "pre.jpg",
         Pictures({"pre.jpg"}) + Files{{".config/hypr/hyprpaper.conf", kHyprpaper}}, "", "Hyprland", 1,
         "DP-2"},
        {"nothing usable",
         "",
         {{kXfcePath, "<channel><property name=\"last-image\" value=\"$H/all.jpg"},
          {kPlasmaPath, std::string(kPlasmaDamaged, sizeof kPlasmaDamaged - 1)},
          {".fehbg", "@fifo"},
          {kNitrogenPath,
           "[xin_0]\nfile=~root/all.jpg\n[xin_1]\nfile=http://host/all.jpg\n[x]\nfile=~/loop.xml"},
          {"loop.xml", "<background><static><file>$H/loop.xml</file></static></background>"},
          {"all.jpg", "picture"}},
         "[org/gnome/desktop/background]\npicture-uri='file://$H/all%2.jpg'\n"
         "[org/cinnamon/desktop/background]\npicture-uri='file://$H/all.jpg%00.png'\n"
         "[org/mate/desktop/background]\npicture-filename='file://elsewhere$H/all.jpg'\n",
         "GNOME"},
    };
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string base = scratch.File(std::to_string(row++));
        DesktopPictureSources sources;
        sources.home = base + "/home";
        sources.configHome = sources.home + "/.config";
        sources.currentDesktop = c.desktop;
        sources.procDir = sources.home + "/proc";
        sources.swaySystemConfig = base + "/no-such-config";
        sources.gsettings.schemaDir = base + "/schemas";
        sources.gsettings.keyfile = base + "/keyfile";
        fs::create_directories(sources.home);
        MakeFiles(c, sources.home);
        CompileSchemas(c, sources.home, sources.gsettings.schemaDir);
        WriteFileText(sources.gsettings.keyfile, WithHome(c.keyfile, sources.home));
        std::string expected = c.expected.empty() ? "" : sources.home + "/" + c.expected;
        EXPECT_EQ(FindDesktopPicture(c.monitor, c.output, sources), expected);
    }
}

// A headless display whose desktop shows the given picture.
class PictureBackend : public HeadlessBackend {
public:
    PictureBackend(int w, int h, std::string picture)
        : HeadlessBackend(w, h, nullptr), picture(std::move(picture)) {}
    std::string DesktopPicturePath(int) override { return picture; }

private:
    std::string picture;
};

TEST_F(DesktopPictureTest, SvgAndWebPWallpapersBecomeTheViewsDesktopTexture) {
    // A red 40 x 30 SVG and a green 24 x 16 WebP.
    std::string svg = scratch.File("wall.svg");
    WriteFileText(svg,
                  "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'>"
                  "<rect width='40' height='30' fill='#ff0000'/></svg>\n");
    std::string webp = scratch.File("wall.webp");
    GdkPixbuf* green = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 24, 16);
    gdk_pixbuf_fill(green, 0x00ff00ff);
    GError* error = nullptr;
    bool saved = gdk_pixbuf_save(green, webp.c_str(), "webp", &error, nullptr);
    g_object_unref(green);
    ASSERT_TRUE(saved) << (error != nullptr ? error->message : "") << " (is webp-pixbuf-loader installed?)";

    VirtualClock clock;
    HostEnvironment env{&clock, scratch.File("qvDovelSS.toml"), DataFolder(), {}};
    WriteFileText(env.prefsPath, PrefsText(BG_DESKTOP));
    const struct {
        std::string path;
        uint32_t width, height;
        Rgba colour;
    } pictures[] = {{svg, 40, 30, {255, 0, 0, 255}}, {webp, 24, 16, {0, 255, 0, 255}}};
    for (const auto& picture : pictures) {
        SCOPED_TRACE(picture.path);
        auto view =
            MakeView(env, 64, 48, false, nullptr, std::make_unique<PictureBackend>(64, 48, picture.path));
        ASSERT_TRUE(view);
        view->startAnimation();
        clock.SetSeconds(0.0);
        view->animateOneFrame();
        ASSERT_NE(view->ssMain, nullptr);
        EXPECT_TRUE(view->DeskTex.width == picture.width && view->DeskTex.height == picture.height)
            << view->DeskTex.width << "x" << view->DeskTex.height;
        ASSERT_NE(view->ssMain->deskTexID, 0u);
        std::vector<uint8_t> texels(512 * 512 * 4);
        glBindTexture(GL_TEXTURE_2D, view->ssMain->deskTexID);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        const uint8_t* middle = &texels[(256 * 512 + 256) * 4];
        // WebP is saved lossy: a step or two off is the encoder's, not the loader's.
        EXPECT_NEAR(middle[0], picture.colour.r, 4);
        EXPECT_NEAR(middle[1], picture.colour.g, 4);
        EXPECT_NEAR(middle[2], picture.colour.b, 4);
    }
}

}  // namespace
