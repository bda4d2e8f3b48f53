// Picture files: folder listing, random choice, decoding into the 512 x 512
// staging image, refusing damaged and hostile files, and the GL texture.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "assets/Alerts.h"
#include "assets/Pics.h"
#include "tests/scene/PictureFiles.h"
#include "tests/support/GLHarness.h"

namespace {

// Staging texel (i, j) with j counted from the top of the picture.
const uint8_t* Texel(const Texture& t, int i, int j) {
    int bytes = t.type == GL_RGBA ? 4 : 3;
    return t.imageData + (static_cast<size_t>(kPicTextureSize - 1 - j) * kPicTextureSize + i) * bytes;
}

// A pixel colour that tells every pixel of a picture up to 4096 wide apart.
void Coded(int x, int y, uint8_t* p) {
    p[0] = static_cast<uint8_t>(x & 0xFF);
    p[1] = static_cast<uint8_t>((x >> 8) | ((y & 0x0F) << 4));
    p[2] = static_cast<uint8_t>(y >> 4);
    p[3] = static_cast<uint8_t>(y * 8);  // alpha from 0
}

// Noise that JPEG cannot squeeze, so a cut falls inside the image data.
void Noise(int x, int y, uint8_t* p) {
    uint32_t v = static_cast<uint32_t>(x * 7919 + y * 104729);
    v ^= v >> 13;
    v *= 0x5bd1e995u;
    p[0] = static_cast<uint8_t>(v), p[1] = static_cast<uint8_t>(v >> 8), p[2] = static_cast<uint8_t>(v >> 16);
}

// A 2 x 2 GIF: black, white / white, black from the top-left. The screen
// size is at bytes 6 to 9, the image size at 24 to 27.
const std::vector<uint8_t> kSmallGif = {'G', 'I', 'F', '8', '9', 'a', 2,   0,    2,    0,    0x80, 0,
                                        0,   0,   0,   0,   255, 255, 255, ',',  0,    0,    0,    0,
                                        2,   0,   2,   0,   0,   2,   3,   0x44, 0x02, 0x05, 0,    ';'};

// The PNG with its header (and the header's CRC) changed to claim w x h.
std::vector<uint8_t> PngClaiming(std::vector<uint8_t> png, uint32_t w, uint32_t h) {
    for (int k = 0; k < 4; ++k) png[16 + k] = static_cast<uint8_t>(w >> (24 - 8 * k));
    for (int k = 0; k < 4; ++k) png[20 + k] = static_cast<uint8_t>(h >> (24 - 8 * k));
    const uint32_t crc = static_cast<uint32_t>(crc32(0, &png[12], 17));
    for (int k = 0; k < 4; ++k) png[29 + k] = static_cast<uint8_t>(crc >> (24 - 8 * k));
    return png;
}

// A minimal progressive grey JPEG of w x h: one DC scan whose few bytes of
// data (every block the same grey) stop before the end, as decoders allow.
std::vector<uint8_t> ProgressiveGreyJpeg(int w, int h) {
    std::vector<uint8_t> j = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
    j.insert(j.end(), 64, 1);  // quantisation table 0
    const uint8_t frame[] = {0xFF,
                             0xC2,
                             0,
                             11,
                             8,
                             static_cast<uint8_t>(h >> 8),
                             static_cast<uint8_t>(h),
                             static_cast<uint8_t>(w >> 8),
                             static_cast<uint8_t>(w),
                             1,
                             1,
                             0x11,
                             0};
    j.insert(j.end(), std::begin(frame), std::end(frame));
    const uint8_t dcTable[] = {0xFF, 0xC4, 0, 20, 0x00, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    j.insert(j.end(), std::begin(dcTable), std::end(dcTable));
    const uint8_t scan[] = {0xFF, 0xDA, 0, 8, 1, 1, 0x00, 0, 0, 0};
    j.insert(j.end(), std::begin(scan), std::end(scan));
    j.insert(j.end(), 16, 0);  // the code of "no change" for the first 128 blocks
    j.insert(j.end(), {0xFF, 0xD9});
    return j;
}

std::vector<uint8_t> TextBytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

// A 2 x 2 BMP (24-bit, bottom-up), a picture kind the slideshow never reads.
const std::vector<uint8_t> kSmallBmp = {
    'B', 'M', 70, 0, 0, 0,  0, 0, 0, 0,  54,  0,   0,   0, 40, 0,   0,   0,   2, 0, 0, 0, 2,
    0,   0,   0,  1, 0, 24, 0, 0, 0, 16, 0,   0,   0,   0, 0,  0,   0,   0,   0, 0, 0, 0, 0,
    0,   0,   0,  0, 0, 0,  0, 0, 0, 0,  255, 255, 255, 0, 0,  255, 255, 255, 0, 0, 0, 0, 0};
const char kSmallSvg[] =
    "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"20\">"
    "<rect width=\"40\" height=\"20\" fill=\"#00ff00\"/></svg>\n";
const char kHugeSvg[] =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"60000\" height=\"60000\">"
    "<rect width=\"60000\" height=\"60000\" fill=\"#0000ff\"/></svg>";
const char kSmallXpm[] = "/* XPM */\nstatic char *p[] = {\"2 2 1 1\", \"a c #FF0000\", \"aa\", \"aa\"};\n";

// A file decoded into a fresh staging image; w and h stay -1 on failure.
struct Decoded {
    Texture staging;
    int w = -1, h = -1;
    bool ok;
    explicit Decoded(const std::string& path, unsigned kinds = kSlideshowPictureKinds)
        : ok(DecodePicFile(path.c_str(), &staging, &w, &h, kinds)) {}
};

using PicsTexture = GLTest;

}  // namespace

TEST(PicsListing, MatchesEndingsWithoutRegardToCaseAndChoosesByTheCounts) {
    TempFolder folder;
    for (const char* name :
         {"Photo.JPG", "a.jpg", ".jpg", "x.jpeg", "b.gif", "c.PNG", "d.png", "notes.txt", "jpg"})
        ASSERT_TRUE(WriteBytes(folder.File(name), {0}));
    ASSERT_EQ(mkdir(folder.File("album.jpg").c_str(), 0700), 0);  // entries of every kind count
    const char* dir = folder.path.c_str();
    EXPECT_EQ((std::vector<int>{CountFiles(dir, ".jpg"), CountFiles(dir, ".gif"), CountFiles(dir, ".png"),
                                CountFiles(folder.File("missing").c_str(), ".jpg")}),
              (std::vector<int>{3, 1, 2, 0}));
    std::set<std::string> found;
    char name[kPicNameSize];
    for (int n = 0; n < 3; ++n) {
        ASSERT_TRUE(FindNthFile(dir, name, ".jpg", n));
        found.insert(name);
    }
    EXPECT_EQ(found, (std::set<std::string>{"Photo.JPG", "a.jpg", "album.jpg"}));
    EXPECT_FALSE(FindNthFile(dir, name, ".jpg", 3));
    EXPECT_FALSE(FindNthFile(dir, name, ".jpg", -1));
    EXPECT_FALSE(FindNthFile(folder.File("missing").c_str(), name, ".jpg", 0));

    // rand() % 6 picks among the three JPEGs, the GIF and the two PNGs.
    std::set<int> seen;
    for (unsigned seed = 1; seen.size() < 6 && seed < 500; ++seed) {
        srand(seed);
        int r = rand() % 6;
        seen.insert(r);
        const char* endings[] = {".jpg", ".jpg", ".jpg", ".gif", ".png", ".png"};
        const int index[] = {0, 1, 2, 0, 0, 1};
        char expected[kPicNameSize];
        ASSERT_TRUE(FindNthFile(dir, expected, endings[r], index[r]));
        srand(seed);
        ASSERT_TRUE(ChooseRandomImageFile(dir, name));
        EXPECT_STREQ(name, expected) << "rand % 6 = " << r;
    }
    EXPECT_EQ(seen.size(), 6u);
    TempFolder none;
    ASSERT_TRUE(WriteBytes(none.File("readme.txt"), {0}));
    EXPECT_FALSE(ChooseRandomImageFile(none.path.c_str(), name));
    EXPECT_FALSE(ChooseRandomImageFile(none.File("missing").c_str(), name));
}

TEST(PicsDecode, EveryPngColourTypeIsResampledUprightToRgbWithOpaqueAlpha) {
    TempFolder folder;
    const int w = 1000, h = 48;  // by nearest neighbour, fewer columns and more rows
    static const uint8_t kPalette[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (PicKind kind :
         {PicKind::Rgb, PicKind::Rgba, PicKind::Grey, PicKind::GreyAlpha, PicKind::Palette, PicKind::Rgb16}) {
        for (bool interlaced : {false, true}) {
            std::string path =
                folder.File(std::to_string(static_cast<int>(kind)) + (interlaced ? "i.png" : ".png"));
            SCOPED_TRACE(path);
            ASSERT_TRUE(SavePicture(path, w, h, Coded, kind, interlaced));
            Decoded d(path);
            ASSERT_TRUE(d.ok);
            EXPECT_EQ(std::make_pair(d.w, d.h), std::make_pair(w, h));
            EXPECT_EQ(std::make_pair(d.staging.width, d.staging.height), std::make_pair(512u, 512u));
            const bool alpha = kind == PicKind::Rgba || kind == PicKind::GreyAlpha;
            EXPECT_EQ(d.staging.type, static_cast<uint32_t>(alpha ? GL_RGBA : GL_RGB));
            EXPECT_EQ(d.staging.bpp, alpha ? 32u : 24u);
            int wrong = 0;
            for (int j = 0; j < 512; ++j) {
                for (int i = 0; i < 512; ++i) {
                    uint8_t p[4];
                    Coded(i * w / 512, j * h / 512, p);
                    uint8_t e[4] = {p[0], p[1], p[2], 255};
                    if (kind == PicKind::Grey || kind == PicKind::GreyAlpha) e[1] = e[2] = p[0];
                    if (kind == PicKind::Palette) memcpy(e, kPalette[p[0] % 4], 3);
                    wrong += memcmp(Texel(d.staging, i, j), e, alpha ? 4 : 3) != 0;
                }
            }
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST(PicsDecode, SmallGifAndLargeJpegsKeepTheirOwnSize) {
    TempFolder folder;
    ASSERT_TRUE(WriteBytes(folder.File("two.gif"), kSmallGif));
    Decoded gif(folder.File("two.gif"));
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(std::make_pair(gif.w, gif.h), std::make_pair(2, 2));
    const Texture& s = gif.staging;  // black, white / white, black from the top-left
    EXPECT_EQ((std::vector<int>{Texel(s, 10, 10)[0], Texel(s, 400, 10)[0], Texel(s, 10, 400)[0],
                                Texel(s, 400, 400)[1]}),
              (std::vector<int>{0, 255, 255, 0}));

    // Quadrants red, green / blue, white; 2049 x 1031 is reduced by 2 while
    // decoding, 4000 x 3000 by 4.
    for (auto size : {std::pair<int, int>{2049, 1031}, std::pair<int, int>{4000, 3000}}) {
        const int w = size.first, h = size.second;
        auto quadrants = [w, h](int x, int y, uint8_t* p) {
            bool right = x >= w / 2, bottom = y >= h / 2;
            p[0] = right == bottom ? 255 : 0, p[1] = right ? 255 : 0, p[2] = bottom ? 255 : 0;
        };
        ASSERT_TRUE(SavePicture(folder.File("big.jpg"), w, h, quadrants, PicKind::Jpeg));
        Decoded d(folder.File("big.jpg"));
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(std::make_pair(d.w, d.h), std::make_pair(w, h));
        for (int j : {100, 400}) {
            for (int i : {100, 400}) {
                uint8_t e[4];
                quadrants(i * w / 512, j * h / 512, e);
                for (int c = 0; c < 3; ++c) EXPECT_NEAR(Texel(d.staging, i, j)[c], e[c], 8) << i << "," << j;
            }
        }
    }
}

TEST(PicsDecode, RefusesDamagedAndHostileFiles) {
    TempFolder folder;
    ASSERT_TRUE(SavePicture(folder.File("n.png"), 200, 150, Noise));
    ASSERT_TRUE(SavePicture(folder.File("n.jpg"), 200, 150, Noise, PicKind::Jpeg));
    ASSERT_TRUE(SavePicture(folder.File("i.png"), 200, 150, Noise, PicKind::Rgb, true));
    const std::vector<uint8_t> png = ReadBytes(folder.File("n.png")), jpg = ReadBytes(folder.File("n.jpg")),
                               interlaced = ReadBytes(folder.File("i.png"));
    ASSERT_GT(std::min(png.size(), jpg.size()), 1000u);
    auto cut = [](std::vector<uint8_t> bytes, size_t keep) {
        bytes.resize(keep);
        return bytes;
    };
    std::vector<uint8_t> badCrc = png, garbage(4096), hugeJpg = jpg, hugeGif = kSmallGif;
    for (int k : {6, 7, 8, 9, 24, 25, 26, 27}) hugeGif[k] = 0xFF;
    badCrc[png.size() / 2] ^= 0x5A;
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 37 + 11);
    for (size_t i = 0; i + 8 < hugeJpg.size(); ++i) {
        if (hugeJpg[i] == 0xFF && hugeJpg[i + 1] == 0xC0) {  // the frame header: 65000 x 65000
            hugeJpg[i + 5] = hugeJpg[i + 7] = 0xFD;
            hugeJpg[i + 6] = hugeJpg[i + 8] = 0xE8;
            break;
        }
    }
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } files[] = {
        {"cut-half.png", cut(png, png.size() / 2)},
        {"cut-end.png", cut(png, png.size() - 12)},  // IEND gone
        {"cut-header.png", cut(png, 20)},
        {"cut-half.jpg", cut(jpg, jpg.size() / 2)},
        {"cut-end.jpg", cut(jpg, jpg.size() - 2)},  // end-of-image marker gone
        {"cut-interlaced.png", cut(interlaced, interlaced.size() * 4 / 5)},
        {"bad-crc.png", badCrc},
        {"garbage.png", garbage},
        {"garbage.jpg", garbage},
        {"empty.png", {}},
        {"short-data.png", PngClaiming(png, 200, 300)},
        {"huge.png", PngClaiming(png, 100000, 100000)},
        {"wide.png", PngClaiming(png, 0x7FFFFFFF, 1)},
        {"zero.png", PngClaiming(png, 0, 10)},
        {"huge.gif", hugeGif},
        {"huge.jpg", hugeJpg},
        // Declared sizes within the pixel limit whose coefficients alone
        // would take 288 MB, and beyond it.
        {"progressive-big.jpg", ProgressiveGreyJpeg(12000, 12000)},
        {"progressive-huge.jpg", ProgressiveGreyJpeg(20000, 20000)},
        // Kinds the slideshow does not read, whatever their names say.
        {"bitmap.png", kSmallBmp},
        {"vector.jpg", TextBytes(kSmallSvg)},
        {"pixmap.gif", TextBytes(kSmallXpm)},
    };
    for (const auto& f : files) {
        ASSERT_TRUE(WriteBytes(folder.File(f.name), f.bytes));
        Decoded d(folder.File(f.name));
        EXPECT_FALSE(d.ok) << f.name;
        EXPECT_TRUE(d.staging.imageData == nullptr && d.staging.width == 0 && d.w == -1) << f.name;
    }
    // Not regular files: a folder, a pipe (must not block), a missing file.
    ASSERT_EQ(mkdir(folder.File("folder.jpg").c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(folder.File("pipe.png").c_str(), 0600), 0);
    static std::vector<std::string> hooks;
    hooks.clear();
    SetErrorHookSink([](const char* message) { hooks.push_back(message); });
    for (const char* name : {"folder.jpg", "pipe.png", "missing.png"})
        EXPECT_FALSE(Decoded(folder.File(name)).ok) << name;
    SetErrorHookSink(nullptr);
    ASSERT_EQ(hooks.size(), 3u) << "one message each";
    EXPECT_EQ(hooks[1], "picture " + folder.File("pipe.png") + ": not a regular file");
    Texture staging;
    EXPECT_FALSE(DecodePicFile(nullptr, &staging, nullptr, nullptr));
    // The complete files still decode, and so does a header rewritten to its own size.
    ASSERT_TRUE(WriteBytes(folder.File("same.png"), PngClaiming(png, 200, 150)));
    ASSERT_TRUE(WriteBytes(folder.File("progressive.jpg"), ProgressiveGreyJpeg(1200, 800)));
    for (const char* name : {"n.png", "n.jpg", "i.png", "same.png", "progressive.jpg"})
        EXPECT_TRUE(Decoded(folder.File(name)).ok) << name;
}

// The desktop picture may also be an SVG or a WebP wallpaper, under the same
// limits; an SVG declaring a huge size is drawn at a size within them.
TEST(PicsDecode, DesktopPicturesAlsoTakeSvgAndWebp) {
    TempFolder folder;
    ASSERT_TRUE(WriteBytes(folder.File("small.svg"), TextBytes(kSmallSvg)));
    ASSERT_TRUE(WriteBytes(folder.File("huge.svg"), TextBytes(kHugeSvg)));
    ASSERT_TRUE(WriteBytes(folder.File("pixmap.xpm"), TextBytes(kSmallXpm)));
    ASSERT_TRUE(SavePicture(folder.File("w.webp"), 30, 10, SolidColour(255, 0, 0), PicKind::Webp));
    Decoded svg(folder.File("small.svg"), kDesktopPictureKinds);
    ASSERT_TRUE(svg.ok);
    EXPECT_EQ(std::make_pair(svg.w, svg.h), std::make_pair(40, 20));
    EXPECT_EQ((std::vector<int>{Texel(svg.staging, 256, 256)[0], Texel(svg.staging, 256, 256)[1]}),
              (std::vector<int>{0, 255}));
    Decoded webp(folder.File("w.webp"), kDesktopPictureKinds);
    ASSERT_TRUE(webp.ok);
    EXPECT_EQ(std::make_pair(webp.w, webp.h), std::make_pair(30, 10));
    EXPECT_GT(Texel(webp.staging, 100, 100)[0], 240);
    EXPECT_TRUE(Decoded(folder.File("huge.svg"), kDesktopPictureKinds).ok);
    EXPECT_FALSE(Decoded(folder.File("pixmap.xpm"), kDesktopPictureKinds).ok);
    EXPECT_FALSE(Decoded(folder.File("w.webp")).ok) << "not a slideshow picture";
}

TEST_F(PicsTexture, LoadPictureJoinsThePathAndLoadPicFileBuildsASquareTextureOrLeavesTheRecord) {
    TempFolder folder;
    // LoadPicture joins the folder, with or without its slash, even a short
    // relative one such as ".", and the name.
    ASSERT_TRUE(SavePicture(folder.File("name.jpg"), 40, 30, SolidColour(200, 0, 0), PicKind::Jpeg));
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(folder.path.c_str()), 0);
    for (const std::string& f :
         {folder.path, folder.path.substr(0, folder.path.size() - 1), std::string(".")}) {
        Texture t;
        EXPECT_TRUE(LoadPicture(f.c_str(), &t)) << f;
        EXPECT_EQ(std::make_pair(t.width, t.height), std::make_pair(40u, 30u)) << f;
    }
    ASSERT_EQ(chdir(cwd), 0);

    ASSERT_TRUE(SavePicture(folder.File("p.png"), 300, 200, SolidColour(0, 128, 255), PicKind::Rgba));
    Texture t;
    GLuint old = 0;
    glGenTextures(1, &old);
    glBindTexture(GL_TEXTURE_2D, old);
    t.texID = old;
    ASSERT_TRUE(loadPicFile(folder.File("p.png").c_str(), &t));
    EXPECT_NE(t.texID, 0u);
    EXPECT_NE(t.texID, old);
    EXPECT_FALSE(glIsTexture(old)) << "the texture the record held is released";
    EXPECT_EQ(t.imageData, nullptr);
    EXPECT_EQ(std::make_pair(t.width, t.height), std::make_pair(300u, 200u));
    EXPECT_EQ(t.type, static_cast<uint32_t>(GL_RGBA));
    GLint tw = 0, th = 0;
    glBindTexture(GL_TEXTURE_2D, t.texID);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
    EXPECT_EQ(std::make_pair(tw, th), std::make_pair(512, 512));

    ASSERT_TRUE(WriteBytes(folder.File("bad.png"), {1, 2, 3}));
    const uint32_t name = t.texID;
    EXPECT_FALSE(loadPicFile(folder.File("bad.png").c_str(), &t));
    EXPECT_EQ(t.texID, name);
    EXPECT_TRUE(glIsTexture(name));
    EXPECT_EQ(t.width, 300u);
}
