#include "world/Hearts.h"

#include <GL/gl.h>

#include <cstdlib>
#include <new>
#include <string>

#include "assets/Alerts.h"
#include "assets/ResFile.h"
#include "model/MilkshapeModel.h"
#include "world/Dovel.h"
#include "world/GLStuff.h"
#include "world/VDMain.h"

namespace {

// Spawn checks come 0.00 to 0.24 seconds apart.
constexpr int kSpawnDelaySteps = 25;
constexpr double kGravity = -5.0;

// r % n for a modulus computed from the view's size: a degenerate view (no
// frustum yet) gives a modulus of 1 rather than a division by zero.
int RandomBelow(double span) {
    int n = (span >= 1.0 && span < 2.0e9) ? static_cast<int>(span) : 1;
    return rand() % n;
}

}  // namespace

double HeartScale(int32_t size) {
    return 0.1 * (1.0 - 0.1 * size);
}
double HeartVisibleRadius(int32_t size) {
    return 1.3 - 0.1 * size;
}
double HeartEntryDrop(int32_t size) {
    return 1.2 - 0.1 * size;
}

int compare_depth(const void* a, const void* b) {
    float za = static_cast<const ONEHEART*>(a)->pos.z;
    float zb = static_cast<const ONEHEART*>(b)->pos.z;
    if (za > zb) return 1;
    if (za < zb) return -1;
    return 0;
}

void ONEHEART::Reset() {
    size = rand() % kWholeHeartSizes;
    pos = VECTOR3D{0.0f, 0.0f, static_cast<float>((rand() % 500) / -10.0 - 7.0)};
    VECTOR3D bounds = GetBounds(pos);
    pos.y = static_cast<float>(-bounds.y - HeartEntryDrop(size));
    float halfWidthPlusOne = bounds.x + 1.0f;
    pos.x = static_cast<float>(RandomBelow(2.0 * halfWidthPlusOne)) - bounds.x;
    vel = VECTOR3D{};
    rise = static_cast<float>(rand() % 10 + 1);
    spin = VECTOR3D{0.0f, static_cast<float>(rand() % 40 - 20), 0.0f};
    rot = VECTOR3D{0.0f, static_cast<float>(rand() % 360), 0.0f};
}

void ONEHEART::Move(double dt) {
    if (!active) return;
    float f = static_cast<float>(dt);
    if (state == kWholeHeart) {
        vel.x += (0.0f - vel.x) * f;
        vel.y += (rise - vel.y) * f;
        vel.z += (0.0f - vel.z) * f;
    } else {
        vel.y = static_cast<float>(vel.y + dt * kGravity);
    }
    pos.x += f * vel.x;
    pos.y += f * vel.y;
    pos.z += f * vel.z;
    rot.x += f * spin.x;
    rot.y += f * spin.y;
    rot.z += f * spin.z;
}

bool VDMAIN::SetupHearts(const char* folder) {
    heartCol = VECTOR3D{HCR, HCG, HCB};
    if (SETNUMHEARTS < 0 || SETNUMHEARTS > kMaxWorldHearts) {
        ERRORCLOSE(kOutOfMemoryText);
        return FailSetup("", "no room for " + std::to_string(SETNUMHEARTS) + " hearts");
    }
    numHearts = static_cast<int32_t>(2.0 * static_cast<double>(SETNUMHEARTS));
    hearts = new (std::nothrow) ONEHEART[numHearts];
    if (hearts == nullptr) {
        numHearts = 0;
        ERRORCLOSE(kOutOfMemoryText);
        return FailSetup("", "out of memory");
    }
    if (!heartGrid.Setup(numHearts)) {
        ERRORCLOSE(kOutOfMemoryText);
        return false;
    }
    if (!BuildHeartLists(folder)) return false;
    for (int32_t i = 0; i < numHearts; ++i) hearts[i].active = false;
    return true;
}

// The heart model of the object pack, read once per size class, scaled and
// compiled, untextured, into that class's display list.
bool VDMAIN::BuildHeartLists(const char* folder) {
    char path[kResourcePathSize];
    if (!BuildResourcePath(path, folder, kObjectPackName)) return FailSetup(kObjectPackName, "path too long");
    RESFILE pack;
    if (!pack.Open(path)) return FailSetup(path, pack.problem ? pack.problem : "cannot be read");
    for (int i = 0; i < kHeartSizes; ++i) {
        MS3D model;
        if (!pack.SeekLump(kHeartLump)) return FailSetup(path, std::string("lump 1: ") + pack.problem);
        if (!model.LoadFromFStream(&pack.file)) return FailSetup(path, "lump 1: " + model.lastError);
        model.Scale(0.1f);
        model.Scale(static_cast<float>(1.0 - 0.1 * i));
        heartList[i] = glGenLists(1);
        if (heartList[i] == 0) return FailSetup("", "cannot make a display list");
        glNewList(heartList[i], GL_COMPILE);
        model.Render();
        glEndList();
    }
    return true;
}

int32_t VDMAIN::ArcherTargetSlot() const {
    return dovel != nullptr ? dovel->targetHeart : kNoSlot;
}

void VDMAIN::AddHeart(int kind, int count, VECTOR3D at) {
    if (hearts == nullptr) return;
    int32_t reserved = ArcherTargetSlot();
    int added = 0;
    for (int32_t i = 0; i < numHearts && added < count; ++i) {
        ONEHEART& heart = hearts[i];
        if (heart.active || i == reserved) continue;
        ++added;
        heart.active = true;
        heart.state = kind;
        heart.lastHit = kNoSlot;  // a new heart has bounced off nothing yet
        if (RANDOMSHADES) heart.col = VECTOR3D{1.0f, 0.0f, static_cast<float>((rand() % 100) / 100.0)};
        if (kind == kWholeHeart) {
            heart.Reset();
            continue;
        }
        heart.pos = at;
        int r1 = rand();
        int r2 = rand();
        int r3 = rand();
        heart.vel =
            VECTOR3D{static_cast<float>((r3 % 400 - 200) / 50.0), static_cast<float>((r2 % 500 - 200) / 50.0),
                     static_cast<float>((r1 % 400 - 200) / 50.0)};
        heart.size = rand() % kWholeHeartSizes + kWholeHeartSizes;
        heart.rise = static_cast<float>(rand() % 10 + 1);
        heart.spin = VECTOR3D{0.0f, static_cast<float>(rand() % 80 - 40), 0.0f};
        heart.rot = VECTOR3D{0.0f, static_cast<float>(rand() % 360), 0.0f};
    }
}

int32_t HeartsPerSpawn(int64_t numHeartsSetting) {
    double q = static_cast<int32_t>(numHeartsSetting) / 100.0;
    return q >= 1.0 ? static_cast<int32_t>(q) : 1;
}

// Keeps about SETNUMHEARTS slots alive: fragments count too, so after a
// burst new hearts wait until enough fragments have fallen out of view.
void VDMAIN::SpawnCheck() {
    liveHearts = 0;
    for (int32_t i = 0; i < numHearts; ++i)
        if (hearts[i].active) ++liveHearts;
    if (liveHearts < SETNUMHEARTS) AddHeart(kWholeHeart, HeartsPerSpawn(SETNUMHEARTS), VECTOR3D{});
    spawnTimer = static_cast<float>((rand() % kSpawnDelaySteps) / 100.0);
}

void VDMAIN::MoveHearts(double dt) {
    if (hearts == nullptr) return;
    spawnTimer = static_cast<float>(spawnTimer - dt);
    if (spawnTimer < 0.0f) SpawnCheck();
    CheckCollisions();
    for (int32_t i = 0; i < numHearts; ++i) hearts[i].Move(dt);
    SortHearts();
}

void VDMAIN::SortHearts() {
    if (!TRANSPARENTHEARTS || hearts == nullptr || numHearts < 2) return;
    qsort(hearts, static_cast<size_t>(numHearts), sizeof(ONEHEART), compare_depth);
}

void VDMAIN::DrawHearts() {
    if (hearts == nullptr) return;
    glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, heartTex);
    glEnable(GL_CULL_FACE);
    if (TRANSPARENTHEARTS) glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    if (!RANDOMSHADES) glColor4f(heartCol.x, heartCol.y, heartCol.z, 1.0f);
    for (int32_t i = 0; i < numHearts; ++i) {
        ONEHEART& heart = hearts[i];
        if (!heart.active) continue;
        // Hearts are retired here, the first frame they are wholly out of view.
        if (!SphereInFrustum(heart.pos, static_cast<float>(HeartVisibleRadius(heart.size)))) {
            heart.active = false;
            continue;
        }
        if (RANDOMSHADES) glColor4f(heart.col.x, heart.col.y, heart.col.z, 1.0f);
        glPushMatrix();
        glTranslatef(heart.pos.x, heart.pos.y, heart.pos.z);
        glRotatef(heart.rot.y, 0.0f, 1.0f, 0.0f);
        glCallList(heartList[heart.size]);
        glPopMatrix();
    }
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    if (TRANSPARENTHEARTS) glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPopMatrix();
}

void VDMAIN::CleanupHearts() {
    delete[] hearts;
    hearts = nullptr;
    numHearts = 0;
    heartGrid.Cleanup();
    for (uint32_t& list : heartList) {
        if (list != 0) glDeleteLists(list, 1);
        list = 0;
    }
}
