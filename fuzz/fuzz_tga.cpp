// Feeds arbitrary bytes to the TGA decoder. Whatever it accepts must be a
// consistent record (size, depth and pixel buffer) that the RGBA expansion of
// every alpha mode can read whole; a rejected image must leave no pixels.
// Seeds: small images of every kind the encoder writes (seeds/fuzz_tga).
#include <GL/gl.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "assets/Alerts.h"
#include "assets/TGALoader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetAlertSink(SilentAlertSink);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    Texture texture;
    if (!DecodeTGA(&texture, in)) {
        if (texture.imageData) std::abort();
        return 0;
    }
    const bool depthMatches =
        (texture.bpp == 24 && texture.type == GL_RGB) || (texture.bpp == 32 && texture.type == GL_RGBA);
    if (!texture.imageData || !depthMatches || texture.width == 0 || texture.height == 0 ||
        texture.width > kMaxTGASide || texture.height > kMaxTGASide)
        std::abort();
    std::vector<uint8_t> rgba(static_cast<size_t>(texture.width) * texture.height * 4);
    for (int mode = 0; mode <= 2; ++mode) ExpandToRGBA(texture, mode, rgba.data());
    return 0;
}
