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

bool Decode(const Bytes& bytes, Texture* texture) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    return DecodeTGA(texture, in);
}

// A TGA file: the 18-byte header (type, width, height, depth, descriptor),
// then body.
Bytes Tga(int type, int width, int height, int depth, const Bytes& body = {}, int descriptor = 0) {
    Bytes file(18 + body.size(), 0);
    file[2] = static_cast<uint8_t>(type);
    file[12] = static_cast<uint8_t>(width);
    file[13] = static_cast<uint8_t>(width >> 8);
    file[14] = static_cast<uint8_t>(height);
    file[15] = static_cast<uint8_t>(height >> 8);
    file[16] = static_cast<uint8_t>(depth);
    file[17] = static_cast<uint8_t>(descriptor);
    std::copy(body.begin(), body.end(), file.begin() + 18);
    return file;
}

Bytes Pixels(const Texture& t) {
    return Bytes(t.imageData, t.imageData + static_cast<size_t>(t.width) * t.height * t.bpp / 8);
}

// Decodes bytes expecting failure with exactly one alert; returns it as
// "TITLE|text" and checks that the record holds no pixels.
// Decodes into a record that already holds a picture: a failure at any step
// must leave it empty, not with the old pixels.
std::string FailureOf(const Bytes& bytes) {
    Texture texture;
    EXPECT_TRUE(Decode(Tga(2, 1, 1, 24, {1, 2, 3}), &texture));
    AlertCapture capture;
    EXPECT_FALSE(Decode(bytes, &texture));
    EXPECT_EQ(texture.imageData, nullptr);
    return capture.alerts.size() == 1 ? capture.alerts[0] : std::to_string(capture.alerts.size()) + " alerts";
}

// A file written by another program (Pillow 9.4): the hex digits of header
// and pixels, then the TGA footer it writes.
Bytes PillowFile(const std::string& hex) {
    Bytes bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(std::stoi(hex.substr(i, 2), nullptr, 16));
    const char footer[] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";
    bytes.insert(bytes.end(), footer, footer + sizeof footer);
    return bytes;
}

TEST(TGADecoder, PacketsAndRowOrderGiveUprightPixels) {
    // Pillow's 3 x 2 picture: top row red, green, blue; bottom row white,
    // black, (10, 20, 30); the RGBA one has alphas 255, 200, 150 over 100, 50, 0.
    const Bytes upright = {255, 255, 255, 0, 0, 0, 10, 20, 30, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    const struct {
        const char* what;
        Bytes file, pixels;
    } cases[] = {
        // Blue and red swapped; the byte after the pixels is not read.
        {"uncompressed", Tga(2, 2, 1, 24, {1, 2, 3, 4, 5, 6, 99}), {3, 2, 1, 6, 5, 4}},
        {"run of 4, RGBA",
         Tga(10, 4, 1, 32, {131, 10, 20, 30, 40}),
         {30, 20, 10, 40, 30, 20, 10, 40, 30, 20, 10, 40, 30, 20, 10, 40}},
        {"packets across row ends",
         Tga(10, 2, 2, 24, {2, 1, 1, 1, 2, 2, 2, 3, 3, 3, 128, 4, 4, 4}),
         {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}},
        {"Pillow bottom-up",
         PillowFile("000002000000000000000000030002001800ffffff0000001e140a0000ff00ff00ff0000"), upright},
        {"Pillow top-down",
         PillowFile("0000020000000000000000000300020018200000ff00ff00ff0000ffffff0000001e140a"), upright},
        {"Pillow RLE top-down",
         PillowFile("00000a000000000000000000030002001820020000ff00ff00ff000002ffffff0000001e140a"), upright},
        {"Pillow RGBA RLE bottom-up",
         PillowFile(
             "00000a00000000000000000003000200200802ffffff64000000321e140a00020000ffff00ff00c8ff000096"),
         {255, 255, 255, 100, 0, 0, 0, 50, 10, 20, 30, 0, 255, 0, 0, 255, 0, 255, 0, 200, 0, 0, 255, 150}}};
    AlertCapture capture;
    Texture texture;  // decoding again replaces the pixels, kind and size
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Decode(c.file, &texture));
        EXPECT_EQ(Pixels(texture), c.pixels);
        EXPECT_EQ(texture.type, static_cast<uint32_t>(texture.bpp == 32 ? GL_RGBA : GL_RGB));
        EXPECT_EQ(texture.texID, 0u);
    }
    EXPECT_TRUE(capture.alerts.empty());
    // A failure afterwards leaves the record empty (and leaks nothing).
    EXPECT_FALSE(Decode(Tga(2, 2, 2, 24, {1}), &texture));
    EXPECT_EQ(texture.imageData, nullptr);
}

TEST(TGADecoder, BadFilesFailWithTheirAlert) {
    const std::string kind = "Invalid Image|TGA file be type 2 or type 10 ",
                      invalid = "ERROR|Invalid texture information", tooMany = "ERROR|Too many pixels read",
                      data = "ERROR|Could not read image data", rle = "ERROR|Could not read RLE header";
    Bytes withOrigin = Tga(2, 1, 1, 24, {1, 2, 3});
    withOrigin[10] = 1;  // Y origin
    const struct {
        Bytes file;
        std::string alert;
    } cases[] = {
        // Packets that overflow the image.
        {Tga(10, 4, 1, 32, {132, 10, 20, 30, 40}), tooMany},
        {Tga(10, 1, 1, 24, {1, 1, 2, 3, 4, 5, 6}), tooMany},
        // Cut short: the file ends where the next packet header, the next
        // pixel or the rest of a header should be.
        {Tga(10, 4, 1, 24, {130, 1, 2, 3}), rle},
        {Tga(10, 4, 1, 24, {3, 1, 2, 3, 4}), data},
        {Tga(10, 4, 1, 24, {131, 1, 2}), "ERROR|Could not read from file"},
        {Tga(2, 2, 2, 24, Bytes(11, 7)), data},
        {{0, 0, 2, 0, 0}, "ERROR|Could not read file header"},
        {{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0}, "ERROR|Could not read info header"},
        // The largest images from a few bytes (allocating only what the data
        // could fill).
        {Tga(2, kMaxTGASide, kMaxTGASide, 32), data},
        {Tga(10, kMaxTGASide, kMaxTGASide, 32, {255, 1, 2, 3, 4, 255, 1, 2, 3, 4}), rle},
        // Kinds it does not read: colour-mapped, grey, grey RLE, image ID, origin.
        {Tga(1, 2, 1, 24, Bytes(6, 0)), kind},
        {Tga(3, 2, 1, 24, Bytes(6, 0)), kind},
        {Tga(11, 2, 1, 24, Bytes(6, 0)), kind},
        {PillowFile("0400020000000000000000000300020018006d616465ffffff0000001e140a0000ff00ff00ff00000000"),
         kind},
        {withOrigin, kind},
        // Impossible sizes, refused before allocating (65535 x 65535 x 4
        // would be 16 GiB on the word of an 18-byte header).
        {Tga(2, 2, 1, 16, Bytes(4, 0)), invalid},
        {Tga(2, 2, 1, 8, Bytes(2, 0)), invalid},
        {Tga(2, 0, 1, 24, Bytes(3, 0)), invalid},
        {Tga(2, 1, 0, 24, Bytes(3, 0)), invalid},
        {Tga(10, 65535, 65535, 32), invalid},
        {Tga(2, kMaxTGASide + 1, 1, 24), invalid},
        {Tga(2, 1, kMaxTGASide + 1, 24), invalid}};
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(FailureOf(cases[i].file), cases[i].alert) << "case " << i;
    // The largest side itself is accepted.
    Bytes wide = Tga(10, kMaxTGASide, 1, 24);
    for (int i = 0; i < kMaxTGASide / 128; ++i) wide.insert(wide.end(), {255, 1, 2, 3});
    Texture texture;
    ASSERT_TRUE(Decode(wide, &texture));
    EXPECT_EQ(texture.imageData[3 * (kMaxTGASide - 1)], 3);
}

TEST(TGADecoder, ReadsBackEveryKindTheEncoderWrites) {
    const int sizes[][2] = {{1, 1}, {5, 3}, {200, 3}, {3, 130}};
    for (int bpp : {24, 32})
        for (bool rle : {false, true})
            for (bool top : {false, true})
                for (const auto& size : sizes) {
                    SCOPED_TRACE(testing::Message() << bpp << " bpp, rle " << rle << ", top " << top << ", "
                                                    << size[0] << "x" << size[1]);
                    Texture texture;
                    ASSERT_TRUE(Decode(PatternTGA(size[0], size[1], bpp, rle, top), &texture));
                    EXPECT_EQ(texture.bpp, static_cast<uint32_t>(bpp));
                    EXPECT_EQ(Pixels(texture), PatternPixels(size[0], size[1], bpp));
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
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 18), Tga(2, 300, 2, 32, {}, 0x28));
    EXPECT_TRUE(EncodeTGA(pixels.data(), 300, 2, 16, false, false).empty());
    EXPECT_TRUE(EncodeTGA(pixels.data(), 0, 2, 24, false, false).empty());
}

TEST(TGADecoder, StreamsAndPathsThatCannotBeRead) {
    ScratchDir dir;
    {
        AlertCapture capture;
        Texture texture;
        std::fstream closed;
        EXPECT_FALSE(LoadTGA(&texture, (dir.path + "missing.tga").c_str()));
        EXPECT_FALSE(LoadTGA2(&texture, &closed));
        EXPECT_FALSE(LoadTGA2(&texture, nullptr));
        EXPECT_EQ(capture.alerts, std::vector<std::string>(3, "ERROR|Could not open texture file"));
    }
    // Images back to back, run-length and uncompressed: each decode leaves
    // the stream at the next.
    const int sides[3][2] = {{3, 2}, {2, 2}, {4, 1}};
    Bytes images;
    for (int k = 0; k < 3; ++k) {
        Bytes image = PatternTGA(sides[k][0], sides[k][1], 24, k != 1);
        images.insert(images.end(), image.begin(), image.end());
    }
    std::fstream file(dir.Write("three.tga", images), std::ios::in | std::ios::binary);
    for (const auto& side : sides) {
        Texture texture;
        ASSERT_TRUE(LoadTGA2(&texture, &file));
        EXPECT_EQ(Pixels(texture), PatternPixels(side[0], side[1], 24));
    }
    Texture fromPath;
    ASSERT_TRUE(LoadTGA(&fromPath, dir.Write("one.tga", PatternTGA(4, 4, 24)).c_str()));
    EXPECT_EQ(Pixels(fromPath), PatternPixels(4, 4, 24));
}

}  // namespace
