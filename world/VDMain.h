// The 3D world: one archer flying through a pool of floating hearts and the
// one arrow it shoots. The scene controller creates it, stores the heart
// texture, sets it up once, moves and draws it once per frame and cleans it
// up. World coordinates are the camera's eye coordinates: the viewer at the
// origin looking along -z, +x right, +y up.
#pragma once

#include <cstdint>
#include <string>

#include "maths/NiftyMaths.h"
#include "world/Dovel.h"
#include "world/HeartGrid.h"
#include "world/Hearts.h"

struct SETTINGS;
struct Texture;

// Resource paths are built in a buffer of this many bytes, terminator included.
constexpr int kResourcePathSize = 1024;
constexpr char kArcherPackName[] = "dovel.ple";
constexpr char kObjectPackName[] = "obj.ple";
// Lumps of the object pack.
constexpr int kArrowLump = 0;
constexpr int kHeartLump = 1;

// The largest heart count the world accepts: the pool holds twice as many
// slots, which must fit a signed 32-bit count.
constexpr int64_t kMaxWorldHearts = 1000000;

constexpr char kOutOfMemoryText[] = "Unable to allocate memory!";

// Writes folder followed by name into out. False, with out empty, when either
// is null or the result would not fit kResourcePathSize bytes.
bool BuildResourcePath(char* out, const char* folder, const char* name);

// How the collision pass finds the hearts near a heart: a spatial grid, or
// every slot in turn. Both give the same pairs in the same order; the plain
// all-pairs search is kept as the reference the grid is checked against.
enum class HeartSearch { kGrid, kAllPairs };

struct VDMAIN {
    uint32_t heartTex = 0;        // not owned: the scene's heart texture (sphere map)
    ONEDOVEL* dovel = nullptr;    // the archer, owned
    Texture* dovelTex = nullptr;  // the archer pack's textures, owned
    int32_t numDovelTex = 0;      // entries of dovelTex
    uint32_t arrowList = 0;       // display list of the arrow model
    ONEARROW arrow;

    // Copies of the settings, taken by Setup.
    bool RANDOMSHADES = true;
    float HCR = 255.0f;
    float HCG = 0.0f;
    float HCB = 0.0f;
    bool HEARTCOLLISIONS = true;
    bool TRANSPARENTHEARTS = true;
    int64_t SETNUMHEARTS = 100;

    int32_t numHearts = 0;                 // slots in hearts: twice SETNUMHEARTS
    ONEHEART* hearts = nullptr;            // the heart pool, owned
    uint32_t heartList[kHeartSizes] = {};  // one display list per size class, 0 until made
    float spawnTimer = 0.0f;               // seconds until the next spawn check
    int32_t liveHearts = 0;                // active slots at the last spawn check
    VECTOR3D heartCol;                     // common heart colour
    HeartSearch heartSearch = HeartSearch::kGrid;
    HeartGrid heartGrid;  // the live hearts by place, filed again every collision pass

    // Running totals since Setup, read by the program's statistics.
    int64_t arrowsLoosed = 0;  // arrows the archer has loosed
    int64_t heartsBurst = 0;   // whole hearts the arrow has burst

    // Why the last Setup failed: the file and what was wrong with it.
    std::string setupError;

    VDMAIN() = default;
    ~VDMAIN() { Cleanup(); }
    VDMAIN(const VDMAIN&) = delete;
    VDMAIN& operator=(const VDMAIN&) = delete;

    // Copies the heart settings, builds the archer and the arrow from
    // folder + "dovel.ple" and folder + "obj.ple", then the heart pool and
    // lists. folder ends in "/". False on failure, leaving what was built for
    // Cleanup. Needs a current GL context.
    bool Setup(const SETTINGS* settings, const char* folder);
    // Moves everything (archer, arrow, hearts), then draws archer, arrow and
    // hearts. frameTime is the step in seconds, clock the scene's time.
    void Draw(double frameTime, double clock);
    // Releases archer, textures, lists and heart pool; harmless when repeated.
    void Cleanup();

    // Hearts.
    bool SetupHearts(const char* folder);
    // Activates up to count free slots (never the archer's target slot) as
    // whole hearts (kind 0) below the view or as fragments at `at`.
    void AddHeart(int kind, int count, VECTOR3D at);
    void MoveHearts(double dt);
    void SortHearts();
    void DrawHearts();
    void CleanupHearts();
    // The contacts of one frame: archer pushes, arrow bursts, heart bounces.
    void CheckCollisions();

    // Archer and arrow.
    bool SetupDovel(const char* folder);
    void MoveDovel(double frameTime, double clock);
    void DrawDovel();
    void CleanupDovel();

private:
    // Notes "file: why" as the set-up error; returns false.
    bool FailSetup(const std::string& file, const std::string& why);
    bool LoadArcher(const char* folder);
    bool BuildArrowList(const char* folder);
    bool BuildHeartLists(const char* folder);
    int32_t ArcherTargetSlot() const;
    void SpawnCheck();
    bool PushedByArcher(ONEHEART* heart);
    bool BurstByArrow(ONEHEART* heart);
    void BounceOffHearts(int32_t i);
    void BounceIfTouching(int32_t i, int32_t j);
};

// Bursting a whole heart asks for this many fragments.
int32_t FragmentsPerBurst(int64_t numHeartsSetting);
// Whole hearts added at each spawn check.
int32_t HeartsPerSpawn(int64_t numHeartsSetting);
