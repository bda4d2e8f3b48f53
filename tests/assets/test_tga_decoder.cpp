// The TGA decoder: the documented byte examples, every failure with its
// alert, row order, and files written by the encoder and by another program.
#include <GL/gl.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assets/TGALoader.h"
#include "assets/TGAWriter.h"
#include "tests/assets/AssetTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::istringstream StreamOf(const Bytes& bytes) {
    return std::istringstream(std::string(bytes.begin(), bytes.end()));
}

bool Decode(const Bytes& bytes, Texture* texture) {
    std::istringstream in = StreamOf(bytes);
    return DecodeTGA(texture, in);
}

// 18-byte header: type, width, height, depth, descriptor.
Bytes Header(int type, int width, int height, int depth, int descriptor = 0) {
    Bytes header(18, 0);
    header[2] = static_cast<uint8_t>(type);
    header[12] = static_cast<uint8_t>(width);
    header[13] = static_cast<uint8_t>(width >> 8);
    header[14] = static_cast<uint8_t>(height);
    header[15] = static_cast<uint8_t>(height >> 8);
    header[16] = static_cast<uint8_t>(depth);
    header[17] = static_cast<uint8_t>(descriptor);
    return header;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Pixels(const Texture& t) {
    return Bytes(t.imageData, t.imageData + static_cast<size_t>(t.width) * t.height * t.bpp / 8);
}

// Decodes bytes expecting failure with exactly one alert; returns it as
// "TITLE|text" and checks that the record holds no pixels.
std::string FailureOf(const Bytes& bytes) {
    AlertCapture capture;
    Texture texture;
    EXPECT_FALSE(Decode(bytes, &texture));
    EXPECT_EQ(texture.imageData, nullptr);
    return capture.Only();
}

TEST(TGADecoder, UncompressedTwoByOneSwapsBlueAndRed) {
    AlertCapture capture;
    Bytes file = Concat(Header(2, 2, 1, 24), {1, 2, 3, 4, 5, 6, 99});
    std::istringstream in = StreamOf(file);
    Texture texture;
    ASSERT_TRUE(DecodeTGA(&texture, in));
    EXPECT_EQ(Pixels(texture), (Bytes{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(texture.width, 2u);
    EXPECT_EQ(texture.height, 1u);
    EXPECT_EQ(texture.bpp, 24u);
    EXPECT_EQ(texture.type, static_cast<uint32_t>(GL_RGB));
    EXPECT_EQ(texture.texID, 0u);
    // The stream stops right behind the pixels.
    EXPECT_EQ(in.get(), 99);
    EXPECT_TRUE(capture.alerts().empty());
}

TEST(TGADecoder, RunPacketFillsTheImageAndOneMoreFails) {
    Bytes pixel = {10, 20, 30, 40};  // B, G, R, A
    Texture texture;
    ASSERT_TRUE(Decode(Concat(Concat(Header(10, 4, 1, 32), {131}), pixel), &texture));
    EXPECT_EQ(texture.type, static_cast<uint32_t>(GL_RGBA));
    EXPECT_EQ(Pixels(texture), (Bytes{30, 20, 10, 40, 30, 20, 10, 40, 30, 20, 10, 40, 30, 20, 10, 40}));

    EXPECT_EQ(FailureOf(Concat(Concat(Header(10, 4, 1, 32), {132}), pixel)), "ERROR|Too many pixels read");
    // A raw packet that overflows fails the same way.
    EXPECT_EQ(FailureOf(Concat(Header(10, 1, 1, 24), {1, 1, 2, 3, 4, 5, 6})), "ERROR|Too many pixels read");
}

TEST(TGADecoder, PacketsMayCrossRowEnds) {
    // 2 x 2: a raw packet of 3 pixels then a run of 1.
    Bytes file = Concat(Header(10, 2, 2, 24), {2, 1, 1, 1, 2, 2, 2, 3, 3, 3, 128, 4, 4, 4});
    Texture texture;
    ASSERT_TRUE(Decode(file, &texture));
    EXPECT_EQ(Pixels(texture), (Bytes{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}));
}

TEST(TGADecoder, TruncatedDataFailsWithItsOwnAlert) {
    // RLE packets one pixel short of the image: the file ends where the next
    // packet header should be.
    EXPECT_EQ(FailureOf(Concat(Header(10, 4, 1, 24), {130, 1, 2, 3})), "ERROR|Could not read RLE header");
    EXPECT_EQ(FailureOf(Concat(Header(10, 4, 1, 24), {3, 1, 2, 3, 4})), "ERROR|Could not read image data");
    EXPECT_EQ(FailureOf(Concat(Header(10, 4, 1, 24), {131, 1, 2})), "ERROR|Could not read from file");
    EXPECT_EQ(FailureOf(Concat(Header(2, 2, 2, 24), Bytes(11, 7))), "ERROR|Could not read image data");
    // The largest images from a few bytes fail the same way (and allocate
    // only what the data could fill).
    EXPECT_EQ(FailureOf(Header(2, kMaxTGASide, kMaxTGASide, 32)), "ERROR|Could not read image data");
    EXPECT_EQ(FailureOf(Concat(Header(10, kMaxTGASide, kMaxTGASide, 32), {255, 1, 2, 3, 4, 255, 1, 2, 3, 4})),
              "ERROR|Could not read RLE header");
    EXPECT_EQ(FailureOf(Bytes{0, 0, 2, 0, 0}), "ERROR|Could not read file header");
    EXPECT_EQ(FailureOf(Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0}), "ERROR|Could not read info header");
}

TEST(TGADecoder, RejectsKindsItDoesNotRead) {
    const std::string wrongKind = "Invalid Image|TGA file be type 2 or type 10 ";
    EXPECT_EQ(FailureOf(Concat(Header(1, 2, 1, 24), Bytes(6, 0))), wrongKind);   // colour-mapped
    EXPECT_EQ(FailureOf(Concat(Header(3, 2, 1, 24), Bytes(6, 0))), wrongKind);   // grey
    EXPECT_EQ(FailureOf(Concat(Header(11, 2, 1, 24), Bytes(6, 0))), wrongKind);  // grey RLE
    Bytes withId = Concat(Header(2, 1, 1, 24), {1, 2, 3});
    withId[0] = 4;  // image-ID length
    EXPECT_EQ(FailureOf(withId), wrongKind);
    Bytes withOrigin = Concat(Header(2, 1, 1, 24), {1, 2, 3});
    withOrigin[10] = 1;  // Y origin
    EXPECT_EQ(FailureOf(withOrigin), wrongKind);
}

TEST(TGADecoder, RejectsImpossibleSizesBeforeAllocating) {
    const std::string invalid = "ERROR|Invalid texture information";
    EXPECT_EQ(FailureOf(Concat(Header(2, 2, 1, 16), Bytes(4, 0))), invalid);
    EXPECT_EQ(FailureOf(Concat(Header(2, 2, 1, 8), Bytes(2, 0))), invalid);
    EXPECT_EQ(FailureOf(Concat(Header(2, 0, 1, 24), Bytes(3, 0))), invalid);
    EXPECT_EQ(FailureOf(Concat(Header(2, 1, 0, 24), Bytes(3, 0))), invalid);
    // 65535 x 65535 x 4 would be 16 GiB on the word of an 18-byte header.
    EXPECT_EQ(FailureOf(Header(10, 65535, 65535, 32)), invalid);
    EXPECT_EQ(FailureOf(Header(2, kMaxTGASide + 1, 1, 24)), invalid);
    EXPECT_EQ(FailureOf(Header(2, 1, kMaxTGASide + 1, 24)), invalid);
    // The largest side itself is accepted.
    Bytes wide = Header(10, kMaxTGASide, 1, 24);
    for (int i = 0; i < kMaxTGASide / 128; ++i) wide.insert(wide.end(), {255, 1, 2, 3});
    Texture texture;
    ASSERT_TRUE(Decode(wide, &texture));
    EXPECT_EQ(texture.imageData[3 * (kMaxTGASide - 1)], 3);
}

TEST(TGADecoder, TopOriginFilesAreTurnedUpright) {
    // Two rows; the file lists the top row first and says so in bit 5.
    Bytes file = Concat(Header(2, 1, 2, 24, 0x20), {1, 1, 1, 2, 2, 2});
    Texture texture;
    ASSERT_TRUE(Decode(file, &texture));
    EXPECT_EQ(Pixels(texture), (Bytes{2, 2, 2, 1, 1, 1}));  // row 0 is the bottom row
    // Without the bit, rows stay in file order.
    Texture bottomUp;
    ASSERT_TRUE(Decode(Concat(Header(2, 1, 2, 24), {1, 1, 1, 2, 2, 2}), &bottomUp));
    EXPECT_EQ(Pixels(bottomUp), (Bytes{1, 1, 1, 2, 2, 2}));
}

TEST(TGADecoder, ReadsBackEveryKindTheEncoderWrites) {
    const int sizes[][2] = {{1, 1}, {5, 3}, {200, 3}, {3, 130}};
    for (int bpp : {24, 32}) {
        for (bool rle : {false, true}) {
            for (bool top : {false, true}) {
                for (const auto& size : sizes) {
                    SCOPED_TRACE(testing::Message() << bpp << " bpp, rle " << rle << ", top " << top << ", "
                                                    << size[0] << "x" << size[1]);
                    Texture texture;
                    ASSERT_TRUE(Decode(PatternTGA(size[0], size[1], bpp, rle, top), &texture));
                    EXPECT_EQ(texture.bpp, static_cast<uint32_t>(bpp));
                    EXPECT_EQ(Pixels(texture), PatternPixels(size[0], size[1], bpp));
                }
            }
        }
    }
}

TEST(TGAWriter, RunLengthPacketsStopAtRowEndsAndAt128Pixels) {
    // A flat 300 x 2 image: per row runs of 128, 128 and 44 pixels.
    Bytes flat(300 * 2 * 3, 9);
    Bytes file = EncodeTGA(flat.data(), 300, 2, 24, true, false);
    ASSERT_EQ(file.size(), 18u + 6 * 4);
    EXPECT_EQ(file[18], 255);
    EXPECT_EQ(file[26], 127 + 44);
    EXPECT_EQ(file[30], 255);  // the second row starts a packet of its own
    Texture texture;
    ASSERT_TRUE(Decode(file, &texture));
    EXPECT_EQ(Pixels(texture), flat);
}

TEST(TGAWriter, HeaderSaysKindSizeDepthAndOrigin) {
    Bytes pixels = PatternPixels(300, 2, 32);
    Bytes file = EncodeTGA(pixels.data(), 300, 2, 32, false, true);
    ASSERT_EQ(file.size(), 18u + 300 * 2 * 4);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 18), Header(2, 300, 2, 32, 0x28));
    EXPECT_TRUE(EncodeTGA(pixels.data(), 300, 2, 16, false, false).empty());
    EXPECT_TRUE(EncodeTGA(pixels.data(), 0, 2, 24, false, false).empty());
}

// Files written by another program (Pillow 9.4, with its TGA footer) of a
// 3 x 2 picture: top row red, green, blue; bottom row white, black,
// (10, 20, 30); the RGBA one has alphas 255, 200, 150 over 100, 50, 0.
const Bytes kPillowBottomUp = {0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03,
                               0x00, 0x02, 0x00, 0x18, 0x00, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00, 0x1e, 0x14,
                               0x0a, 0x00, 0x00, 0xff, 0x00, 0xff, 0x00, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00,
                               0x00, 0x00, 0x00, 0x00, 0x00, 0x54, 0x52, 0x55, 0x45, 0x56, 0x49, 0x53, 0x49,
                               0x4f, 0x4e, 0x2d, 0x58, 0x46, 0x49, 0x4c, 0x45, 0x2e, 0x00};
const Bytes kPillowTopDown = {0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03,
                              0x00, 0x02, 0x00, 0x18, 0x20, 0x00, 0x00, 0xff, 0x00, 0xff, 0x00, 0xff, 0x00,
                              0x00, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00, 0x1e, 0x14, 0x0a, 0x00, 0x00, 0x00,
                              0x00, 0x00, 0x00, 0x00, 0x00, 0x54, 0x52, 0x55, 0x45, 0x56, 0x49, 0x53, 0x49,
                              0x4f, 0x4e, 0x2d, 0x58, 0x46, 0x49, 0x4c, 0x45, 0x2e, 0x00};
const Bytes kPillowRleTopDown = {0x00, 0x00, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03,
                                 0x00, 0x02, 0x00, 0x18, 0x20, 0x02, 0x00, 0x00, 0xff, 0x00, 0xff, 0x00, 0xff,
                                 0x00, 0x00, 0x02, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00, 0x1e, 0x14, 0x0a, 0x00,
                                 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x54, 0x52, 0x55, 0x45, 0x56, 0x49,
                                 0x53, 0x49, 0x4f, 0x4e, 0x2d, 0x58, 0x46, 0x49, 0x4c, 0x45, 0x2e, 0x00};
const Bytes kPillowRgbaRleBottomUp = {0x00, 0x00, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0x03, 0x00, 0x02, 0x00, 0x20, 0x08, 0x02, 0xff, 0xff, 0xff, 0x64, 0x00,
                                      0x00, 0x00, 0x32, 0x1e, 0x14, 0x0a, 0x00, 0x02, 0x00, 0x00, 0xff, 0xff,
                                      0x00, 0xff, 0x00, 0xc8, 0xff, 0x00, 0x00, 0x96, 0x00, 0x00, 0x00, 0x00,
                                      0x00, 0x00, 0x00, 0x00, 0x54, 0x52, 0x55, 0x45, 0x56, 0x49, 0x53, 0x49,
                                      0x4f, 0x4e, 0x2d, 0x58, 0x46, 0x49, 0x4c, 0x45, 0x2e, 0x00};
// The same picture with the 4-byte image ID "made".
const Bytes kPillowWithImageId = {
    0x04, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x02, 0x00, 0x18,
    0x00, 0x6d, 0x61, 0x64, 0x65, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00, 0x1e, 0x14, 0x0a, 0x00, 0x00, 0xff,
    0x00, 0xff, 0x00, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x54,
    0x52, 0x55, 0x45, 0x56, 0x49, 0x53, 0x49, 0x4f, 0x4e, 0x2d, 0x58, 0x46, 0x49, 0x4c, 0x45, 0x2e, 0x00};

const Bytes kUprightRgb = {255, 255, 255, 0, 0, 0, 10, 20, 30, 255, 0, 0, 0, 255, 0, 0, 0, 255};

TEST(TGADecoder, ReadsFilesOfAnotherProgramEitherWayUp) {
    for (const Bytes* file : {&kPillowBottomUp, &kPillowTopDown, &kPillowRleTopDown}) {
        Texture texture;
        ASSERT_TRUE(Decode(*file, &texture));
        EXPECT_EQ(Pixels(texture), kUprightRgb);
    }
    Texture rgba;
    ASSERT_TRUE(Decode(kPillowRgbaRleBottomUp, &rgba));
    EXPECT_EQ(Pixels(rgba), (Bytes{255, 255, 255, 100, 0, 0,   0, 50,  10, 20, 30,  0,  //
                                   255, 0,   0,   255, 0, 255, 0, 200, 0,  0,  255, 150}));
    EXPECT_EQ(FailureOf(kPillowWithImageId), "Invalid Image|TGA file be type 2 or type 10 ");
}

TEST(TGADecoder, StreamsAndPathsThatCannotBeRead) {
    ScratchDir dir;
    {
        AlertCapture capture;
        Texture texture;
        EXPECT_FALSE(LoadTGA(&texture, (dir.path + "missing.tga").c_str()));
        EXPECT_EQ(capture.Only(), "ERROR|Could not open texture file");
    }
    {
        AlertCapture capture;
        Texture texture;
        std::fstream closed;
        EXPECT_FALSE(LoadTGA2(&texture, &closed));
        EXPECT_FALSE(LoadTGA2(&texture, nullptr));
        ASSERT_EQ(capture.alerts().size(), 2u);
        EXPECT_EQ(capture.alerts()[1].text, "Could not open texture file");
    }
    // Two images back to back: each decode leaves the stream at the next.
    std::string path = dir.Write("two.tga", Concat(PatternTGA(3, 2, 24, true), PatternTGA(2, 2, 32)));
    std::fstream file(path, std::ios::in | std::ios::binary);
    Texture first, second;
    ASSERT_TRUE(LoadTGA2(&first, &file));
    ASSERT_TRUE(LoadTGA2(&second, &file));
    EXPECT_EQ(Pixels(second), PatternPixels(2, 2, 32));
    Texture fromPath;
    ASSERT_TRUE(LoadTGA(&fromPath, dir.Write("one.tga", PatternTGA(4, 4, 24)).c_str()));
    EXPECT_EQ(Pixels(fromPath), PatternPixels(4, 4, 24));
}

TEST(TGADecoder, DecodingAgainReplacesThePixels) {
    Texture texture;
    ASSERT_TRUE(Decode(PatternTGA(4, 4, 32), &texture));
    ASSERT_TRUE(Decode(PatternTGA(2, 3, 24), &texture));
    EXPECT_EQ(texture.type, static_cast<uint32_t>(GL_RGB));
    EXPECT_EQ(Pixels(texture), PatternPixels(2, 3, 24));
    // A failure afterwards leaves the record empty (and leaks nothing).
    AlertCapture capture;
    EXPECT_FALSE(Decode(Concat(Header(2, 2, 2, 24), {1}), &texture));
    EXPECT_EQ(texture.imageData, nullptr);
}

}  // namespace
