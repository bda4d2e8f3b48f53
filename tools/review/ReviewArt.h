// The artwork as the program loads it, for the review sheet: the texture
// pack, the archer with its textures, the arrow and the ten heart sizes, and
// the scene's drawing steps for each (same GL state, same calls).
#pragma once

#include <string>

#include "assets/Texture.h"
#include "model/MilkshapeModel.h"

constexpr int kHeartSizes = 10;

struct ReviewArt {
    Texture* pack = nullptr;  // tarnwick.works, slot k = lump k
    int packCount = 0;
    MS3D archer;
    Texture* archerTex = nullptr;
    int archerTexCount = 0;
    MS3D arrow;
    MS3D hearts[kHeartSizes];
    Texture backdrop;  // background.png, for drawing hearts and banners over

    ReviewArt() = default;
    ~ReviewArt();
    ReviewArt(const ReviewArt&) = delete;
    ReviewArt& operator=(const ReviewArt&) = delete;

    // Loads everything from the resource folder (ending in "/") the way the
    // scene does, with a GL context current.
    bool Load(const std::string& dataDir, std::string* error);
    void Release();
};

// The GL state the scene sets up once (host initialisation and light 0).
void SetSceneState();

// Poses the archer: at an animation frame (-1 for the bind pose), with the
// wing beat angle w as the scene applies it (joint n-2 gets w, n-3 gets -w).
void PoseArcher(MS3D* archer, float frame, float wingDegrees);

// Draws the archer as the scene does, at pos turned by yaw degrees about
// the vertical; with the nocked arrow in its bow hand when asked.
void DrawArcher(ReviewArt* art, float x, float y, float z, float yaw, float pitch, bool nocked);
// The arrow on its own (as the loosed arrow is drawn), turned by yaw.
void DrawArrow(ReviewArt* art, float x, float y, float z, float yaw, float pitch);
// One heart of size class k, sphere-mapped, coloured, optionally blended.
void DrawHeart(ReviewArt* art, int k, float x, float y, float z, float yaw, float r, float g, float b,
               bool blended);
