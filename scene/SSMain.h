// The per-view scene controller: owns the world, the pack textures, the
// slideshow's picture slots and the captions, keeps the scene clock, and
// draws each frame in three layers: the background underlay, the world and
// the 2D overlay (banners, captions, countdown, full-screen message).
//
// The host calls Setup once with its GL context current, then per drawn
// frame Update, DoUnderlay (unless the background is the plain colour) and
// Draw, SetSize when the drawable changes, and Cleanup when the view goes.
#pragma once

#include <cstdint>
#include <string>

#include "assets/Text.h"
#include "assets/Texture.h"
#include "maths/NiftyMaths.h"
#include "scene/Settings.h"

struct VDMAIN;

// Slots of the texture pack tarnwick.works that the scene reads.
constexpr int kFontSlot = 0;
constexpr int kCornerBannerSlot = 1;
constexpr int kMessageSlotA = 4;
constexpr int kMessageSlotB = 5;
constexpr int kHeartSlot = 6;
constexpr int kPartnerPictureSlot = 7;
constexpr int kPackSlotsNeeded = 8;

constexpr char kTexturePackName[] = "tarnwick.works";
constexpr char kPictureErrorText[] = "Error loading picture file!";

struct SSMAIN {
    double clock = 0.0;      // seconds since the scene started: the sum of the Update steps
    double frameTime = 0.0;  // seconds of the latest Update step
    int32_t width = 0;       // drawable size in pixels
    int32_t height = 0;
    bool preview = false;  // the small preview view: no overlay

    // Banner (overlay).
    float bannerTimer = 120.0f;  // seconds until the banner comes in or retreats
    bool bannerShown = false;
    bool bannerFromTop = false;
    point2d bannerPos = {0.0f, -35.0f};  // lower-left of the corner strip, pixels
    uint32_t bannerTex = kMessageSlotB;  // pack slot of the message strip, 4 or 5

    // Full-screen message and countdown (overlay).
    float messageTimer = 90.0f;
    float messageAlpha = 0.0f;
    float titleY = 1000.0f;  // countdown title height in overlay space
    int32_t targetDay = 14;
    int32_t targetMonth = 1;  // counted from 0: February
    char title[80] = "Time til St.Valentine's Day...";

    // Owned resources.
    int32_t numTextures = 0;
    Texture* textures = nullptr;  // the pack's textures, slot k = lump k
    VDMAIN* world = nullptr;
    uint32_t deskTexID = 0;  // desktop background, handed over by the host
    // The desktop background as drawn at the drawable's size, copied back
    // from the frame it was first drawn in, so later frames copy it texel
    // for pixel instead of filtering the desktop texture again.
    uint32_t backdropTex = 0;
    uint32_t backdropSource = 0;  // deskTexID it was drawn from
    int32_t backdropW = 0;
    int32_t backdropH = 0;
    bool backdropFailed = false;   // the copy is not possible here: filter every frame
    int32_t backdropWaited = 0;    // frames filtered since the background last changed
    SETTINGS* settings = nullptr;  // the host's record, not owned

    // Slideshow (underlay). The partner picture's slot carries the GL name of
    // pack slot 7 without owning it: picBorrowed travels with the slot.
    Texture pics[2];
    point2d picSize[2];  // drawn size in pixels of each slot
    bool picBorrowed[2] = {false, false};
    float picFade = 0.0f;
    float picTimer = 0.0f;

    Caption errorCaption;
    Caption hintCaption1;
    Caption hintCaption2;
    float hintTimer = 20.0f;

    VECTOR3D lightPos = {0.0f, 5.0f, 5.0f};

    // Why the last Setup failed: the file and what was wrong with it.
    std::string setupError;

    SSMAIN() = default;
    ~SSMAIN();
    SSMAIN(const SSMAIN&) = delete;
    SSMAIN& operator=(const SSMAIN&) = delete;

    // Builds the scene: world, pack textures (resourcePath + "tarnwick.works",
    // at least eight slots), lighting, the world's own set-up, the font table
    // and, for the slideshow, the first picture. A second call releases the
    // previous world, textures and pictures first. False on failure, leaving
    // what was built for Cleanup.
    bool Setup(bool isPreview, int32_t w, int32_t h, SETTINGS* userSettings, const char* resourcePath);
    void SetSize(int32_t w, int32_t h);
    // Advances the scene clock by step seconds.
    void Update(double step);
    // Draws the background in pixel space (desktop texture or slideshow).
    void DoUnderlay();
    // True when DoUnderlay paints every pixel of the drawable opaquely (the
    // snapshot and the desktop picture), so the colour buffer needs no
    // clearing before it.
    bool UnderlayCoversDrawable() const;
    // Draws the world and, unless in the preview, the overlay.
    void Draw();
    // Releases the world, the pack textures and the desktop texture; the
    // picture slots stay until destruction. Harmless when run again.
    void Cleanup();

    // Overlay: banners, captions, countdown and the full-screen message.
    void DoOverlay();
    // Loads a random picture of settings->BGPath into slot 0 and sizes it;
    // on failure starts the error caption and turns BGTYPE into 3.
    void LoadPic();
    // Draws picture slot i centred in the drawable at picSize[i].
    void DrawPic(int32_t i);

private:
    bool LoadPackTextures(const char* resourcePath);
    void ReleasePackTextures();
    void SetupLighting();
    void StartSlideshow();
    bool DrawBackdrop();
    void CaptureBackdrop();
    void ReleaseBackdrop();
    void ReleasePicture(int slot);
    void SwapPictureSlots();
    void RunSlideshow();
    void MoveBanner();
    void DrawBannerStrips();
    void DrawCaptions();
    void DrawCountDown();
    void RunMessage();
    uint32_t PackTexture(int slot) const;
};

// The drawn size of a picture of w x h pixels in a drawable of
// drawableW x drawableH: with fit, the longer side of the picture spans the
// drawable (the height for portrait pictures, else the width), aspect kept;
// without, only a picture larger than the drawable along its longer side is
// reduced so, others keep their size.
point2d FitPicture(float w, float h, int32_t drawableW, int32_t drawableH, bool fit);
