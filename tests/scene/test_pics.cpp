// Picture files: folder listing, random choice, decoding into the 512 x 512
// staging image, refusing damaged and hostile files, and the GL texture.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>

#include "assets/Pics.h"
#include "tests/scene/PictureFiles.h"
#include "tests/support/GLHarness.h"

namespace {

void Touch(const TempFolder& folder, const std::string& name) {
    ASSERT_TRUE(WriteBytes(folder.File(name), {0}));
}

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
    p[3] = 255;
}

// Noise that JPEG cannot squeeze, so a cut falls inside the image data.
void Noise(int x, int y, uint8_t* p) {
    uint32_t v = static_cast<uint32_t>(x * 7919 + y * 104729);
    v ^= v >> 13;
    v *= 0x5bd1e995u;
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = 255;
}

bool Decodes(const std::string& path, Texture* staging, int* w = nullptr, int* h = nullptr) {
    int pw = 0, ph = 0;
    bool ok = DecodePicFile(path.c_str(), staging, w ? w : &pw, h ? h : &ph);
    return ok;
}

}  // namespace

TEST(PicsListing, MatchesEndingsWithoutRegardToCase) {
    TempFolder folder;
    for (const char* name :
         {"Photo.JPG", "a.jpg", ".jpg", "x.jpeg", "b.gif", "c.PNG", "d.png", "notes.txt", "jpg"})
        Touch(folder, name);
    ASSERT_EQ(mkdir(folder.File("album.jpg").c_str(), 0700), 0);  // entries of every kind count
    EXPECT_EQ(CountFiles(folder.path.c_str(), ".jpg"), 3);
    EXPECT_EQ(CountFiles(folder.path.c_str(), ".gif"), 1);
    EXPECT_EQ(CountFiles(folder.path.c_str(), ".png"), 2);
    EXPECT_EQ(CountFiles(folder.File("missing").c_str(), ".jpg"), 0);

    std::set<std::string> found;
    char name[kPicNameSize];
    for (int n = 0; n < 3; ++n) {
        ASSERT_TRUE(FindNthFile(folder.path.c_str(), name, ".jpg", n));
        found.insert(name);
    }
    EXPECT_EQ(found, (std::set<std::string>{"Photo.JPG", "a.jpg", "album.jpg"}));
    EXPECT_FALSE(FindNthFile(folder.path.c_str(), name, ".jpg", 3));
    EXPECT_FALSE(FindNthFile(folder.path.c_str(), name, ".jpg", -1));
    EXPECT_FALSE(FindNthFile(folder.File("missing").c_str(), name, ".jpg", 0));
}

TEST(PicsListing, RandomChoiceFollowsTheCountsOfEachKind) {
    TempFolder folder;
    for (const char* n : {"1.jpg", "2.jpg", "3.gif", "4.png", "5.png", "6.png"}) Touch(folder, n);
    std::set<int> seen;
    for (unsigned seed = 1; seen.size() < 6 && seed < 500; ++seed) {
        srand(seed);
        int r = rand() % 6;
        seen.insert(r);
        const char* ending = r < 2 ? ".jpg" : r < 3 ? ".gif" : ".png";
        int index = r < 2 ? r : r < 3 ? r - 2 : r - 3;
        char expected[kPicNameSize];
        ASSERT_TRUE(FindNthFile(folder.path.c_str(), expected, ending, index));
        char chosen[kPicNameSize];
        srand(seed);
        ASSERT_TRUE(ChooseRandomImageFile(folder.path.c_str(), chosen));
        EXPECT_STREQ(chosen, expected) << "rand % 6 = " << r;
    }
    EXPECT_EQ(seen.size(), 6u);

    TempFolder empty;
    Touch(empty, "readme.txt");
    char name[kPicNameSize];
    EXPECT_FALSE(ChooseRandomImageFile(empty.path.c_str(), name));
    EXPECT_FALSE(ChooseRandomImageFile(empty.File("missing").c_str(), name));
}

TEST(PicsDecode, ResamplesByNearestNeighbourUpright) {
    TempFolder folder;
    ASSERT_TRUE(SavePicture(folder.File("wide.png"), 1024, 256, Coded, "png"));
    Texture staging;
    int w = 0, h = 0;
    ASSERT_TRUE(Decodes(folder.File("wide.png"), &staging, &w, &h));
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 256);
    EXPECT_EQ(staging.width, 512u);
    EXPECT_EQ(staging.height, 512u);
    EXPECT_EQ(staging.type, static_cast<uint32_t>(GL_RGB));
    EXPECT_EQ(staging.bpp, 24u);
    int wrong = 0;
    for (int j = 0; j < 512; ++j) {
        for (int i = 0; i < 512; ++i) {
            uint8_t expected[4];
            Coded(2 * i, j / 2, expected);  // every second column, each row twice
            if (memcmp(Texel(staging, i, j), expected, 3) != 0) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(PicsDecode, AlphaPicturesBecomeOpaqueRgbaTexels) {
    TempFolder folder;
    auto halfClear = [](int x, int y, uint8_t* p) {
        p[0] = 10, p[1] = 200, p[2] = 30, p[3] = x < 8 ? 0 : 128;
    };
    ASSERT_TRUE(SavePicture(folder.File("a.png"), 16, 16, halfClear, "png", true));
    Texture staging;
    ASSERT_TRUE(Decodes(folder.File("a.png"), &staging));
    EXPECT_EQ(staging.type, static_cast<uint32_t>(GL_RGBA));
    EXPECT_EQ(staging.bpp, 32u);
    for (int i : {0, 300, 511}) {
        const uint8_t* t = Texel(staging, i, 100);
        EXPECT_EQ(t[0], 10);
        EXPECT_EQ(t[1], 200);
        EXPECT_EQ(t[2], 30);
        EXPECT_EQ(t[3], 255);
    }
}

TEST(PicsDecode, GreyPaletteSixteenBitAndInterlacedArriveAsRgb) {
    TempFolder folder;
    const int w = 64, h = 48;
    auto pixel = [](int x, int y, uint8_t* p) {
        p[0] = static_cast<uint8_t>(x * 4 + 1);
        p[1] = static_cast<uint8_t>(y * 5 + 2);
        p[2] = static_cast<uint8_t>(x + y);
        p[3] = static_cast<uint8_t>(255 - x);
    };
    static const uint8_t kPalette[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    const struct {
        PngKind kind;
        const char* name;
    } kinds[] = {{PngKind::Grey, "grey"},
                 {PngKind::GreyAlpha, "greyalpha"},
                 {PngKind::Palette, "palette"},
                 {PngKind::Rgb16, "rgb16"},
                 {PngKind::Rgb, "rgb"}};
    for (const auto& k : kinds) {
        for (bool interlaced : {false, true}) {
            std::string path = folder.File(std::string(k.name) + (interlaced ? "-i.png" : ".png"));
            SCOPED_TRACE(path);
            ASSERT_TRUE(WritePng(path, w, h, k.kind, interlaced, pixel));
            Texture staging;
            int pw = 0, ph = 0;
            ASSERT_TRUE(Decodes(path, &staging, &pw, &ph));
            EXPECT_EQ(pw, w);
            EXPECT_EQ(ph, h);
            int wrong = 0;
            for (int j = 0; j < 512; j += 7) {
                for (int i = 0; i < 512; i += 5) {
                    uint8_t p[4];
                    pixel(i * w / 512, j * h / 512, p);
                    uint8_t e[3] = {p[0], p[1], p[2]};
                    if (k.kind == PngKind::Grey || k.kind == PngKind::GreyAlpha) e[1] = e[2] = p[0];
                    if (k.kind == PngKind::Palette) memcpy(e, kPalette[p[0] % 4], 3);
                    if (memcmp(Texel(staging, i, j), e, 3) != 0) ++wrong;
                }
            }
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST(PicsDecode, SmallGif) {
    TempFolder folder;
    ASSERT_TRUE(WriteBytes(folder.File("two.gif"), SmallGif()));
    Texture staging;
    int w = 0, h = 0;
    ASSERT_TRUE(Decodes(folder.File("two.gif"), &staging, &w, &h));
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(Texel(staging, 10, 10)[0], 0);     // top-left black
    EXPECT_EQ(Texel(staging, 400, 10)[0], 255);  // top-right white
    EXPECT_EQ(Texel(staging, 10, 400)[0], 255);  // bottom-left white
    EXPECT_EQ(Texel(staging, 400, 400)[1], 0);   // bottom-right black
}

TEST(PicsDecode, LargeJpegKeepsItsOwnSize) {
    TempFolder folder;
    // Four quadrants: red, green / blue, white; 2049 x 1031 is reduced by 2
    // while decoding, 4000 x 3000 by 4.
    auto quadrants = [](int w, int h) {
        return [w, h](int x, int y, uint8_t* p) {
            bool right = x >= w / 2, bottom = y >= h / 2;
            p[0] = (!right && !bottom) || (right && bottom) ? 255 : 0;
            p[1] = (right && !bottom) || (right && bottom) ? 255 : 0;
            p[2] = bottom ? 255 : 0;
            p[3] = 255;
        };
    };
    for (auto size : {std::pair<int, int>{2049, 1031}, std::pair<int, int>{4000, 3000}}) {
        std::string path = folder.File("big.jpg");
        ASSERT_TRUE(SavePicture(path, size.first, size.second, quadrants(size.first, size.second), "jpeg"));
        Texture staging;
        int w = 0, h = 0;
        ASSERT_TRUE(Decodes(path, &staging, &w, &h));
        EXPECT_EQ(w, size.first);
        EXPECT_EQ(h, size.second);
        const struct {
            int i, j;
            uint8_t r, g, b;
        } probes[] = {
            {100, 100, 255, 0, 0}, {400, 100, 0, 255, 0}, {100, 400, 0, 0, 255}, {400, 400, 255, 255, 255}};
        for (const auto& p : probes) {
            const uint8_t* t = Texel(staging, p.i, p.j);
            EXPECT_NEAR(t[0], p.r, 8) << p.i << "," << p.j;
            EXPECT_NEAR(t[1], p.g, 8) << p.i << "," << p.j;
            EXPECT_NEAR(t[2], p.b, 8) << p.i << "," << p.j;
        }
    }
}

TEST(PicsDecode, RefusesDamagedAndHostileFiles) {
    TempFolder folder;
    ASSERT_TRUE(SavePicture(folder.File("n.png"), 200, 150, Noise, "png"));
    ASSERT_TRUE(SavePicture(folder.File("n.jpg"), 200, 150, Noise, "jpeg"));
    ASSERT_TRUE(WritePng(folder.File("i.png"), 200, 150, PngKind::Rgb, true, Noise));
    std::vector<uint8_t> png = ReadBytes(folder.File("n.png"));
    std::vector<uint8_t> jpg = ReadBytes(folder.File("n.jpg"));
    std::vector<uint8_t> interlaced = ReadBytes(folder.File("i.png"));
    ASSERT_GT(png.size(), 1000u);
    ASSERT_GT(jpg.size(), 1000u);
    auto cut = [](std::vector<uint8_t> bytes, size_t keep) {
        bytes.resize(keep);
        return bytes;
    };
    std::vector<uint8_t> badCrc = png;
    badCrc[png.size() / 2] ^= 0x5A;
    std::vector<uint8_t> garbage(4096);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 37 + 11);

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
        {"short-data.png", PngClaimingSize(64, 64)},
        {"huge.png", PngClaimingSize(100000, 100000)},
        {"wide.png", PngClaimingSize(0x7FFFFFFF, 1)},
        {"zero.png", PngClaimingSize(0, 10)},
        {"huge.gif", GifClaimingSize(65535, 65535)},
        {"huge.jpg",
         [&] {  // the frame header's size patched to 65000 x 65000
             std::vector<uint8_t> b = jpg;
             for (size_t i = 0; i + 8 < b.size(); ++i)
                 if (b[i] == 0xFF && b[i + 1] == 0xC0) {
                     b[i + 5] = b[i + 7] = 0xFD;
                     b[i + 6] = b[i + 8] = 0xE8;
                     break;
                 }
             return b;
         }()},
    };
    for (const auto& f : files) {
        ASSERT_TRUE(WriteBytes(folder.File(f.name), f.bytes));
        Texture staging;
        staging.width = 7;
        int w = -1, h = -1;
        EXPECT_FALSE(Decodes(folder.File(f.name), &staging, &w, &h)) << f.name;
        EXPECT_EQ(staging.imageData, nullptr) << f.name;
        EXPECT_EQ(staging.width, 7u) << f.name;
        EXPECT_EQ(w, -1) << f.name;
    }

    // Not regular files: a folder, a pipe (must not block), a missing file.
    ASSERT_EQ(mkdir(folder.File("folder.jpg").c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(folder.File("pipe.png").c_str(), 0600), 0);
    Texture staging;
    for (const char* name : {"folder.jpg", "pipe.png", "missing.png"})
        EXPECT_FALSE(Decodes(folder.File(name), &staging)) << name;
    EXPECT_FALSE(DecodePicFile(nullptr, &staging, nullptr, nullptr));
    // The complete files still decode.
    EXPECT_TRUE(Decodes(folder.File("n.png"), &staging));
    EXPECT_TRUE(Decodes(folder.File("n.jpg"), &staging));
    EXPECT_TRUE(Decodes(folder.File("i.png"), &staging));
}

class PicsTexture : public GLTest {};

TEST_F(PicsTexture, LoadPicFileBuildsAnOpaqueSquareTexture) {
    TempFolder folder;
    ASSERT_TRUE(SavePicture(folder.File("p.png"), 300, 200, SolidColour(0, 128, 255), "png", true));
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
    EXPECT_EQ(t.width, 300u);
    EXPECT_EQ(t.height, 200u);
    EXPECT_EQ(t.type, static_cast<uint32_t>(GL_RGBA));
    GLint tw = 0, th = 0;
    glBindTexture(GL_TEXTURE_2D, t.texID);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
    EXPECT_EQ(tw, 512);
    EXPECT_EQ(th, 512);

    // A failed load leaves the record as it was.
    ASSERT_TRUE(WriteBytes(folder.File("bad.png"), {1, 2, 3}));
    uint32_t name = t.texID;
    EXPECT_FALSE(loadPicFile(folder.File("bad.png").c_str(), &t));
    EXPECT_EQ(t.texID, name);
    EXPECT_TRUE(glIsTexture(name));
    EXPECT_EQ(t.width, 300u);
}

TEST_F(PicsTexture, LoadPictureJoinsFolderAndName) {
    TempFolder folder;
    ASSERT_TRUE(SavePicture(folder.File("name.jpg"), 40, 30, SolidColour(200, 0, 0), "jpeg"));
    std::string withSlash = folder.path;
    std::string withoutSlash = withSlash.substr(0, withSlash.size() - 1);
    for (const std::string& f : {withSlash, withoutSlash}) {
        Texture t;
        EXPECT_TRUE(LoadPicture(f.c_str(), &t)) << f;
        EXPECT_EQ(t.width, 40u);
    }
    // A short relative folder such as "." is joined with a slash too.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(withSlash.c_str()), 0);
    Texture t;
    bool loaded = LoadPicture(".", &t);
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(t.height, 30u);
}
