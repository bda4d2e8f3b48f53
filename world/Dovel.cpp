#include "world/Dovel.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <string>

#include "assets/Alerts.h"
#include "assets/ResFile.h"
#include "world/GLStuff.h"
#include "world/VDMain.h"

VECTOR3D GetBounds(VECTOR3D p) {
    VECTOR3D bounds;
    bounds.x = PointAtEdgeOfFrustum(0, p).x;
    bounds.y = PointAtEdgeOfFrustum(3, p).y;
    return bounds;
}

namespace {

VECTOR3D Scaled(VECTOR3D v, float s) {
    return VECTOR3D{v.x * s, v.y * s, v.z * s};
}

// r % (10 * trunc(2 * halfHeight)): the archer's entry heights; a degenerate
// view gives a modulus of 1 rather than a division by zero.
int EntryHeightStep(float halfHeight) {
    double span = 2.0 * halfHeight;
    int m = (span >= 1.0 && span < 2.0e8) ? static_cast<int>(span) * 10 : 1;
    return rand() % m;
}

// Moves each angle of a by 360 toward the current angle when the two lie
// half a turn or more apart, so the turn takes the short way round.
float NearestAngle(float current, float a) {
    if (std::fabs(current - a) < 180.0f) return a;
    return current > a ? a + 360.0f : a - 360.0f;
}

float EaseAngle(float current, float goal, double frameTime, float rate) {
    return static_cast<float>(current + (NearestAngle(current, goal) - current) * frameTime * rate);
}

}  // namespace

MATRIX BowHandMatrix(const ONEDOVEL* archer) {
    if (archer->skeleton == nullptr || archer->numJoints == 0) return MATRIX();
    return archer->skeleton[archer->numJoints - 1].absolute;
}

// ---------------------------------------------------------------- archer ---

void ONEDOVEL::Reset(int32_t a, VDMAIN* world) {
    side = !side;
    pos = VECTOR3D{0.0f, 0.0f, static_cast<float>((rand() % 350) / -10.0 - 7.0)};
    VECTOR3D bounds = GetBounds(pos);
    float lowest = -2.0f - bounds.y;
    double y = lowest + (EntryHeightStep(bounds.y) / 10.0 + 1.0);
    pos.x = side ? -5.0f - bounds.x : bounds.x + 5.0f;
    double highest = bounds.y - 8.0;
    pos.y = static_cast<float>(y < highest ? y : highest);
    target = VECTOR3D{static_cast<float>(rand() % 6 - 3), pos.y, pos.z};
    angles = VECTOR3D{};
    orient.Identity();
    SetAction(a, world);
}

// Draws flight targets until one lies in the view. A view that holds no
// point of the drawn range would make that search endless; after
// kTargetDraws the archer heads for the middle of the view instead.
bool ONEDOVEL::ChooseFlightTarget() {
    for (int n = 0; n < kTargetDraws; ++n) {
        int r1 = rand();
        int r2 = rand();
        int r3 = rand();
        target = VECTOR3D{static_cast<float>(r3 % 40 - 20), static_cast<float>((r2 % 10) + pos.y - 5.0),
                          static_cast<float>(-7 - r1 % 33)};
        if (PointInFrustum(target)) return true;
    }
    target = VECTOR3D{0.0f, 0.0f, kFallbackTargetZ};
    return false;
}

// Draws heart slots among the first SETNUMHEARTS until one holds a slow
// whole heart. False when there is none to choose from or kHeartDraws draws
// found none.
bool ONEDOVEL::ChooseTargetHeart(const VDMAIN* world) {
    if (world == nullptr || world->hearts == nullptr || world->SETNUMHEARTS <= 0) return false;
    int64_t choices = world->SETNUMHEARTS < world->numHearts ? world->SETNUMHEARTS : world->numHearts;
    if (choices <= 0) return false;
    for (int n = 0; n < kHeartDraws; ++n) {
        int32_t slot = static_cast<int32_t>(rand() % world->SETNUMHEARTS);
        if (slot >= choices) continue;
        const ONEHEART& heart = world->hearts[slot];
        if (heart.rise <= kSlowHeartRise && heart.active && heart.state == kWholeHeart) {
            targetHeart = slot;
            return true;
        }
    }
    return false;
}

void ONEDOVEL::SetAction(int32_t a, VDMAIN* world) {
    if (a == kActionFly) {
        ChooseFlightTarget();
        SetAnimation(kFlyStartFrame, kFlyEndFrame, kFlyAnimSpeed, true, true);
        turn = 0.0f;
        flySpeed = kFlySpeed;
    } else if (a == kActionShoot) {
        turn = 0.0f;
        // With no heart to aim at the archer flies on to a new target.
        if (!ChooseTargetHeart(world)) {
            SetAction(kActionFly, world);
            return;
        }
        SetAnimation(kShotStartFrame, kShotEndFrame, kShotAnimSpeed, false, true);
        bowState = kBowAiming;
    }
    action = a;
}

void ONEDOVEL::FlyToTarget(double frameTime, VDMAIN* world) {
    QuatTurnToTarget(kTurnRate, frameTime);
    pos = AddVectors(pos, Scaled(Scaled(heading, flySpeed), static_cast<float>(frameTime)));
    if (!(DistanceBetweenVectors(pos, target) < kArrivalDistance2)) return;
    // About one arrival in three, with no arrow in flight, becomes a shot.
    int c = rand() % 3;
    bool arrowFlying = world != nullptr && world->arrow.active;
    SetAction(c == 1 && !arrowFlying ? kActionShoot : kActionFly, world);
}

void ONEDOVEL::RunShot(double frameTime, VDMAIN* world) {
    if (flySpeed > 0.0f) flySpeed = static_cast<float>(flySpeed + frameTime * -kCoastSlowing);
    if (flySpeed > 0.0f)
        pos = AddVectors(pos, Scaled(Scaled(heading, flySpeed), static_cast<float>(frameTime)));
    else
        flySpeed = 0.0f;
    // Aim one unit above the heart's centre, following it as it rises.
    if (world != nullptr && world->hearts != nullptr && targetHeart >= 0 && targetHeart < world->numHearts)
        target = AddVectors(world->hearts[targetHeart].pos, VECTOR3D{0.0f, 1.0f, 0.0f});
    if (bowState <= kBowNocked) QuatTurnToTarget(kTurnRate, frameTime);
    bool arrowFlying = world != nullptr && world->arrow.active;
    if (currentTime >= endTime) {
        SetAction(kActionFly, world);
    } else if (currentTime >= kLooseTime && !arrowFlying && bowState <= kBowNocked) {
        if (world != nullptr) {
            world->arrow.Shoot(this);
            ++world->arrowsLoosed;
        }
        bowState = kBowLoosed;
    } else if (currentTime >= kNockTime && bowState == kBowAiming) {
        bowState = kBowNocked;
    }
}

// The two joints before the bow hand are the wings; they beat in opposite
// senses about their y axes, overriding the animation.
void ONEDOVEL::BeatWings(double clock) {
    float w = static_cast<float>(sin(clock / kPi * 40.0) * -45.0);
    SKELETON_JOINT& first = skeleton[numJoints - 2];
    SKELETON_JOINT& second = skeleton[numJoints - 3];
    first.animRotation = VECTOR3D{0.0f, w, 0.0f};
    first.animQuat = RotationToQuat(first.animRotation);
    first.animMatrix = QuatToRotationMatrix(first.animQuat);
    second.animRotation = VECTOR3D{0.0f, -w, 0.0f};
    second.animQuat = RotationToQuat(second.animRotation);
    second.animMatrix = QuatToRotationMatrix(second.animQuat);
}

void ONEDOVEL::Move(double frameTime, double clock, VDMAIN* world) {
    if (action == kActionEnter)
        Reset(kActionFly, world);
    else if (action == kActionFly)
        FlyToTarget(frameTime, world);
    else if (action == kActionShoot)
        RunShot(frameTime, world);
    // Only a model with its skeleton built (set-up checks the joints) is posed.
    if (skeleton == nullptr || numJoints < kArcherJointsNeeded) return;
    bool skinned = skin.numPoints > 0;
    if (!skinned) RevertPoints();
    Animate(frameTime);
    BeatWings(clock);
    UpdateSkeleton();
    if (skinned)
        skin.Repose(*this);
    else
        UpdatePoints();
}

void ONEDOVEL::QuatTurnToTarget(float rate, double frameTime) {
    MATRIX facing = MatrixAngleBetweenVectors(target, pos);
    goalQuat = QuatFromMatrix(facing);
    turn = static_cast<float>(turn + (1.0 - turn) * frameTime * rate);
    curQuat = QuatSlerp(&curQuat, &goalQuat, turn);
    orient = QuatToRotationMatrix(curQuat);
    heading = MatrixPointMultiply(orient, VECTOR3D{0.0f, 0.0f, 1.0f});
}

void ONEDOVEL::TurnToTarget(float rate, double frameTime) {
    VECTOR3D goal = AngleFromMatrix(MatrixAngleBetweenVectors(target, pos));
    if (rate < 0.0f) {
        angles = goal;
    } else {
        angles.x = EaseAngle(angles.x, goal.x, frameTime, rate);
        angles.y = EaseAngle(angles.y, goal.y, frameTime, rate);
        angles.z = EaseAngle(angles.z, goal.z, frameTime, rate);
    }
    orient = MatrixFromAngle(angles);
    heading = MatrixPointMultiply(orient, VECTOR3D{0.0f, 0.0f, 1.0f});
}

void ONEDOVEL::Draw(const VDMAIN* world) {
    glPushMatrix();
    glTranslatef(pos.x, pos.y, pos.z);
    glMultMatrixd(orient.m);
    if (skin.numPoints > 0)
        skin.Render(world->dovelTex, world->numDovelTex);
    else
        Render(world->dovelTex, world->numDovelTex);
    if (bowState == kBowNocked && world->arrowList != 0) {
        MATRIX hand = BowHandMatrix(this);
        glMultMatrixd(hand.m);
        glTranslatef(0.0f, 0.0f, kNockOffset);
        glCallList(world->arrowList);
    }
    glPopMatrix();
}

// ----------------------------------------------------------------- arrow ---

void ONEARROW::Shoot(const ONEDOVEL* archer) {
    VECTOR3D nock = MatrixPointMultiply(BowHandMatrix(archer), VECTOR3D{0.0f, 0.0f, kNockOffset});
    nock = MatrixPointMultiply(archer->orient, nock);
    pos = AddVectors(nock, archer->pos);
    vel = Scaled(archer->heading, kArrowSpeed);
    orient = MatrixAngleBetweenVectors(AddVectors(pos, vel), pos);
    active = true;
}

void ONEARROW::Move(double frameTime) {
    if (!active) return;
    pos = AddVectors(pos, Scaled(vel, static_cast<float>(frameTime)));
    orient = MatrixAngleBetweenVectors(AddVectors(pos, vel), pos);
    if (!SphereInFrustum(pos, kArrowRadius)) active = false;
}

void ONEARROW::Draw(uint32_t list) const {
    if (!active) return;
    glPushMatrix();
    glTranslatef(pos.x, pos.y, pos.z);
    glMultMatrixd(orient.m);
    glCallList(list);
    glPopMatrix();
}

// ------------------------------------------------------- world's archer ---

bool VDMAIN::SetupDovel(const char* folder) {
    dovel = new (std::nothrow) ONEDOVEL;
    if (dovel == nullptr) {
        ERRORCLOSE(kOutOfMemoryText);
        return FailSetup("", "out of memory");
    }
    if (!LoadArcher(folder)) return false;
    dovel->side = (rand() & 1) == 1;
    dovel->SetAction(kActionEnter, this);
    return BuildArrowList(folder);
}

// The archer model and its textures from the archer pack, checked for what
// the behaviour relies on (the arrow's texture, the wings and the bow hand),
// scaled and posed in its bind pose.
bool VDMAIN::LoadArcher(const char* folder) {
    char path[kResourcePathSize];
    if (!BuildResourcePath(path, folder, kArcherPackName)) return FailSetup(kArcherPackName, "path too long");
    int count = 0;
    bool loaded = LoadModel(path, dovel, &dovelTex, &count, &setupError);
    numDovelTex = dovelTex != nullptr ? count : 0;
    if (!loaded) return false;
    if (numDovelTex < kArcherTexturesNeeded)
        return FailSetup(path, "holds " + std::to_string(numDovelTex) + " textures, the archer needs " +
                                   std::to_string(kArcherTexturesNeeded));
    if (dovel->numJoints < kArcherJointsNeeded)
        return FailSetup(path, "the archer model has " + std::to_string(dovel->numJoints) +
                                   " joints, it needs " + std::to_string(kArcherJointsNeeded));
    dovel->Scale(kModelScale);
    if (!dovel->InitialSetup()) return FailSetup(path, "lump 0: " + dovel->lastError);
    dovel->UpdatePoints();
    if (!dovel->skin.Build(*dovel)) {
        ERRORCLOSE(kOutOfMemoryText);
        return false;
    }
    return true;
}

// The arrow model (lump 0 of the object pack), scaled and compiled with its
// texture into arrowList.
bool VDMAIN::BuildArrowList(const char* folder) {
    char path[kResourcePathSize];
    if (!BuildResourcePath(path, folder, kObjectPackName)) return FailSetup(kObjectPackName, "path too long");
    RESFILE pack;
    MS3D model;
    if (!pack.Open(path)) return FailSetup(path, pack.problem ? pack.problem : "cannot be read");
    if (!pack.SeekLump(kArrowLump)) return FailSetup(path, std::string("lump 0: ") + pack.problem);
    if (!model.LoadFromFStream(&pack.file)) return FailSetup(path, "lump 0: " + model.lastError);
    model.Scale(kModelScale);
    arrowList = glGenLists(1);
    if (arrowList == 0) return FailSetup("", "cannot make a display list");
    glNewList(arrowList, GL_COMPILE);
    glBindTexture(GL_TEXTURE_2D, dovelTex[kArrowTexture].texID);
    model.Render();
    glEndList();
    return true;
}

void VDMAIN::MoveDovel(double frameTime, double clock) {
    if (dovel != nullptr) dovel->Move(frameTime, clock, this);
    arrow.Move(frameTime);
}

void VDMAIN::DrawDovel() {
    if (dovel != nullptr) dovel->Draw(this);
    arrow.Draw(arrowList);
}

void VDMAIN::CleanupDovel() {
    delete[] dovelTex;  // each record frees its pixels and deletes its GL name
    dovelTex = nullptr;
    numDovelTex = 0;
    delete dovel;
    dovel = nullptr;
    if (arrowList != 0) glDeleteLists(arrowList, 1);
    arrowList = 0;
}
