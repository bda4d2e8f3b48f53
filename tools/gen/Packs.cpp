#include "tools/gen/Packs.h"

#include "assets/PackWriter.h"
#include "assets/TGAWriter.h"
#include "assets/Texture.h"
#include "model/MS3DWriter.h"
#include "tools/gen/ArcherModel.h"
#include "tools/gen/ArcherRig.h"
#include "tools/gen/ArcherTextures.h"
#include "tools/gen/FontSheet.h"
#include "tools/gen/ObjectModels.h"
#include "tools/gen/Pictures.h"
#include "tools/gen/PngFile.h"
#include "tools/gen/Strips.h"
#include "tools/gen/TextRaster.h"

namespace {

std::vector<uint8_t> Tga(const Image& image) {
    std::vector<uint8_t> rgb = BottomUpRgb(image);
    return EncodeTGA(rgb.data(), image.width, image.height, 24, true, false);
}

bool EncodeModel(const ModelSheet& sheet, float scale, std::vector<uint8_t>* bytes, std::string* error) {
    MS3DSource source = ToMS3DSource(sheet, scale);
    if (!CheckMS3DSource(source, error)) return false;
    MS3D model;
    if (!BuildMS3D(source, &model, error)) return false;
    *bytes = EncodeMS3D(model);
    if (bytes->empty()) {
        *error = "the model could not be encoded";
        return false;
    }
    return true;
}

void TexturePack(ArtFonts* fonts, std::vector<uint8_t>* bytes) {
    TexturePackImages set = MakeTexturePackImages(fonts);
    std::vector<PackLump> lumps;
    for (size_t i = 0; i < set.images.size(); ++i) {
        PackLump lump;
        lump.data = Tga(set.images[i]);
        lump.type = 1;
        lump.alphaMode = set.alphaModes[i];
        lumps.push_back(lump);
    }
    *bytes = EncodePack(lumps);
}

bool ArcherPack(std::vector<uint8_t>* bytes, std::string* error) {
    std::vector<PackLump> lumps(1);
    if (!EncodeModel(MakeArcherModel(), kArcherStoredScale, &lumps[0].data, error)) return false;
    lumps[0].type = kModelLumpType;
    // Texture k takes the alpha mode of directory entry k (the entry before
    // its own lump): all of them are opaque.
    lumps[0].alphaMode = kAlphaOpaque;
    for (const Image& image : MakeArcherTextures()) {
        PackLump lump;
        lump.data = Tga(image);
        lump.type = 1;
        lump.alphaMode = kAlphaOpaque;
        lumps.push_back(lump);
    }
    *bytes = EncodePack(lumps);
    return true;
}

bool ObjectPack(std::vector<uint8_t>* bytes, std::string* error) {
    std::vector<PackLump> lumps(2);
    if (!EncodeModel(MakeArrowModel(0), kArrowStoredScale, &lumps[0].data, error)) return false;
    if (!EncodeModel(MakeHeartModel(), kHeartStoredScale, &lumps[1].data, error)) return false;
    for (PackLump& lump : lumps) lump.type = kModelLumpType;
    *bytes = EncodePack(lumps);
    return true;
}

}  // namespace

bool ArtFonts::Load(const std::string& dir, std::string* error) {
    return mono.Open(dir + "/DejaVuSansMono-Bold.ttf", error) &&
           condensed.Open(dir + "/DejaVuSansCondensed-Bold.ttf", error) &&
           sans.Open(dir + "/DejaVuSans-Bold.ttf", error) &&
           script.Open(dir + "/DejaVuSerif-BoldItalic.ttf", error);
}

TexturePackImages MakeTexturePackImages(ArtFonts* fonts) {
    TexturePackImages set;
    set.images = {MakeFontSheet(&fonts->mono),
                  MakeStrip(&fonts->condensed, kBannerWidth, kBannerHeight, kCornerBannerText),
                  MakeHeartSprite(kSpriteSize),
                  MakeSparkleSprite(kSpriteSize),
                  MakeStrip(&fonts->sans, kStripWidth, kStripHeight, kMessageStripText4),
                  MakeStrip(&fonts->sans, kStripWidth, kStripHeight, kMessageStripText5),
                  MakeHeartSphereMap(kSphereMapSize),
                  MakePartnerPicture(&fonts->script, kPartnerSize)};
    set.alphaModes = {kAlphaBrightness, kAlphaBrightness, kAlphaBrightness, kAlphaBrightness,
                      kAlphaBrightness, kAlphaBrightness, kAlphaBrightness, kAlphaOpaque};
    return set;
}

bool PicturesAsPng(const std::string& fontDir, std::vector<GeneratedFile>* files, std::string* error) {
    ArtFonts fonts;
    if (!fonts.Load(fontDir, error)) return false;
    TexturePackImages set = MakeTexturePackImages(&fonts);
    static const char* const kSlotNames[] = {"font",   "banner", "heart-sprite",    "sparkle",
                                             "strip4", "strip5", "heart-spheremap", "partner"};
    files->clear();
    for (size_t i = 0; i < set.images.size(); ++i)
        files->push_back({std::string("tarnwick-") + std::to_string(i) + "-" + kSlotNames[i] + ".png",
                          EncodePNG(set.images[i])});
    static const char* const kArcherNames[] = {"skin", "tunic", "wings", "gold", "arrow"};
    std::vector<Image> archer = MakeArcherTextures();
    for (size_t i = 0; i < archer.size(); ++i)
        files->push_back({std::string("dovel-") + std::to_string(i) + "-" + kArcherNames[i] + ".png",
                          EncodePNG(archer[i])});
    return true;
}

bool GenerateArt(const std::string& fontDir, std::vector<GeneratedFile>* files, std::string* error) {
    ArtFonts fonts;
    if (!fonts.Load(fontDir, error)) return false;
    files->clear();
    GeneratedFile textures{"tarnwick.works", {}};
    GeneratedFile archer{"dovel.ple", {}};
    GeneratedFile objects{"obj.ple", {}};
    TexturePack(&fonts, &textures.bytes);
    if (!ArcherPack(&archer.bytes, error)) return false;
    if (!ObjectPack(&objects.bytes, error)) return false;
    GeneratedFile wallpaper{"background.png", EncodePNG(MakeWallpaper(kWallpaperWidth, kWallpaperHeight))};
    if (wallpaper.bytes.empty()) {
        *error = "the background picture could not be encoded";
        return false;
    }
    *files = {textures, archer, objects, wallpaper};
    return true;
}
