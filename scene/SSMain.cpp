#include "scene/SSMain.h"

#include <GL/gl.h>

#include <new>
#include <string>

#include "assets/ResFile.h"
#include "world/GLStuff.h"
#include "world/VDMain.h"

SSMAIN::~SSMAIN() {
    Cleanup();
    ReleasePicture(1);
    ReleasePicture(0);
}

bool SSMAIN::Setup(bool isPreview, int32_t w, int32_t h, SETTINGS* userSettings, const char* resourcePath) {
    preview = isPreview;
    settings = userSettings;
    if (world != nullptr) {
        world->Cleanup();
        delete world;
        world = nullptr;
    }
    // The picture slots may hold the previous pack's partner name; forget it
    // before that pack goes.
    ReleasePicture(1);
    ReleasePicture(0);
    setupError.clear();
    world = new (std::nothrow) VDMAIN;
    if (world == nullptr || settings == nullptr || resourcePath == nullptr) {
        setupError = world == nullptr ? "out of memory" : "no settings or resource folder";
        return false;
    }
    if (!LoadPackTextures(resourcePath)) return false;
    world->heartTex = PackTexture(kHeartSlot);
    width = w;
    height = h;
    SetupLighting();
    if (!world->Setup(settings, resourcePath)) {
        setupError = world->setupError;
        return false;
    }
    SetupText();
    if (settings->BGTYPE == BG_SLIDESHOW) StartSlideshow();
    return true;
}

void SSMAIN::SetSize(int32_t w, int32_t h) {
    width = w;
    height = h;
}

void SSMAIN::Update(double step) {
    frameTime = step;
    clock += step;
}

void SSMAIN::Draw() {
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    ExtractFrustum();
    glPushMatrix();
    if (world != nullptr) world->Draw(frameTime, clock);
    glPopMatrix();
    if (!preview) DoOverlay();
    glDisable(GL_TEXTURE_2D);
}

void SSMAIN::Cleanup() {
    if (world != nullptr) {
        world->Cleanup();
        delete world;
        world = nullptr;
    }
    // The partner picture's name goes with the pack textures.
    for (int i = 0; i < 2; ++i)
        if (picBorrowed[i]) ReleasePicture(i);
    ReleasePackTextures();
    if (deskTexID != 0) {
        GLuint name = deskTexID;
        glDeleteTextures(1, &name);
        deskTexID = 0;
    }
    ReleaseBackdrop();
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_CULL_FACE);
}

bool SSMAIN::LoadPackTextures(const char* resourcePath) {
    ReleasePackTextures();
    std::string path = std::string(resourcePath) + kTexturePackName;
    int count = 0;
    bool ok = LoadTexturesFromDataFile(path.c_str(), &textures, &count, &setupError);
    numTextures = textures != nullptr ? count : 0;
    if (!ok) return false;
    // The scene reads slots 0 to 7; a smaller pack is not one of ours.
    if (numTextures >= kPackSlotsNeeded) return true;
    setupError = path + ": holds " + std::to_string(numTextures) + " textures, the scene needs " +
                 std::to_string(kPackSlotsNeeded);
    return false;
}

void SSMAIN::ReleasePackTextures() {
    delete[] textures;  // each record frees its pixels and deletes its GL name
    textures = nullptr;
    numTextures = 0;
}

uint32_t SSMAIN::PackTexture(int slot) const {
    return (textures != nullptr && slot >= 0 && slot < numTextures) ? textures[slot].texID : 0;
}

// Light 0 at lightPos and the rest of the GL state the world draws in.
void SSMAIN::SetupLighting() {
    SetupWorldGLState(lightPos);
}
