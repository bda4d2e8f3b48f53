// The archer (a winged skeletal model that flies among the hearts, stops,
// aims at a slow heart and shoots) and the one arrow of the world.
#pragma once

#include <cstdint>

#include "maths/NiftyMaths.h"
#include "model/MilkshapeModel.h"
#include "model/MilkshapeSkin.h"
#include "world/Hearts.h"

struct VDMAIN;

// Half-width (x) and half-height (y) of the view at the depth of p, for a
// point on the view axis; z is 0. Reads the frustum table.
VECTOR3D GetBounds(VECTOR3D p);

// Values of ONEDOVEL::action.
constexpr int32_t kActionEnter = 0;  // the next Move places the archer beside the view
constexpr int32_t kActionFly = 1;    // fly to target
constexpr int32_t kActionShoot = 3;  // coast to a halt, aim, draw, loose

// Values of ONEDOVEL::bowState.
constexpr int32_t kBowNone = -1;   // before the first shot
constexpr int32_t kBowAiming = 0;  // hands empty
constexpr int32_t kBowNocked = 1;  // the arrow is drawn in the bow hand
constexpr int32_t kBowLoosed = 2;  // the arrow has flown

// Animation ranges (frames) and rates of the archer model.
constexpr double kFlyStartFrame = 2.0;
constexpr double kFlyEndFrame = 14.0;
constexpr double kFlyAnimSpeed = 100.0;
constexpr double kShotStartFrame = 14.0;
constexpr double kShotEndFrame = 40.0;
constexpr double kShotAnimSpeed = 500.0;
// Animation times (ms) within the shot: the arrow is nocked, then loosed.
constexpr double kNockTime = 750.0;
constexpr double kLooseTime = 1416.6667;

constexpr float kFlySpeed = 5.0f;          // units per second in flight
constexpr float kCoastSlowing = 2.5f;      // units per second squared while shooting
constexpr float kTurnRate = 0.05f;         // growth rate of the slerp fraction
constexpr double kArrivalDistance2 = 5.0;  // squared distance that ends a flight
constexpr float kArrowSpeed = 25.0f;       // units per second
constexpr float kNockOffset = 0.7f;        // arrow position along the bow hand's +z
constexpr float kArrowRadius = 1.0f;       // the arrow lives while this sphere touches the view
constexpr float kModelScale = 0.05f;       // archer and arrow models as stored -> world units

// The archer pack must hold this many textures (entry 4 textures the arrow)
// and the archer model this many joints (two wings and the bow hand, last).
constexpr int kArcherTexturesNeeded = 5;
constexpr int kArrowTexture = 4;
constexpr int kArcherJointsNeeded = 3;

// Draws that the two random searches of SetAction may take before giving up:
// a flight target inside the view, a slow whole heart to aim at.
constexpr int kTargetDraws = 1000;
constexpr int kHeartDraws = 1000;
// Flight target used when no drawn point lies in the view: the view axis at
// the middle of the depths flight targets are drawn from.
constexpr float kFallbackTargetZ = -23.0f;

struct ONEDOVEL : public MS3D {
    VECTOR3D pos;
    VECTOR3D target;   // the point it flies to or aims at
    VECTOR3D heading;  // unit forward direction: orient applied to (0, 0, 1)
    VECTOR3D angles;   // Euler angles in degrees, used only by TurnToTarget
    MATRIX orient;     // the model's +z axis is its front
    float flySpeed = 3.5f;
    int32_t action = kActionEnter;
    int32_t bowState = kBowNone;
    bool side = false;  // true: the next entry is from the left
    QUAT goalQuat;      // orientation that faces target
    QUAT curQuat;       // current orientation
    float turn = 0.0f;  // slerp fraction, 0 at the start of each flight or shot
    int32_t targetHeart = kNoSlot;
    // The posed mesh, drawn from client arrays; built once the model is
    // loaded and posed. Until then (or should it fail) the model's own
    // arrays are posed and drawn in place.
    MS3D_SKIN skin;

    // Places the archer 5 units beside the view (the side alternates) at a
    // random depth and height, then takes action a.
    void Reset(int32_t a, VDMAIN* world);
    // Starts action a: a new flight target inside the view (fly), or a slow
    // whole heart to aim at (shoot; without one the archer flies on instead).
    void SetAction(int32_t a, VDMAIN* world);
    // One frame: the action, then the animation and the wing beat.
    void Move(double frameTime, double clock, VDMAIN* world);
    // Turns a growing fraction of the way toward target by quaternion slerp.
    void QuatTurnToTarget(float rate, double frameTime);
    // Euler-angle alternative to QuatTurnToTarget; a negative rate turns at once.
    void TurnToTarget(float rate, double frameTime);
    // Draws the posed model with the archer's textures, and the nocked arrow.
    void Draw(const VDMAIN* world);

private:
    bool ChooseFlightTarget();
    bool ChooseTargetHeart(const VDMAIN* world);
    void FlyToTarget(double frameTime, VDMAIN* world);
    void RunShot(double frameTime, VDMAIN* world);
    void BeatWings(double clock);
};

struct ONEARROW {
    VECTOR3D pos;
    VECTOR3D vel;
    MATRIX orient;  // +z along vel
    bool active = false;

    // Looses the arrow from the archer's bow hand along its heading.
    void Shoot(const ONEDOVEL* archer);
    // Flies straight on; retired once its sphere has left the view.
    void Move(double frameTime);
    // Draws the arrow's display list at its place, when in flight.
    void Draw(uint32_t list) const;
};

// The bow hand's absolute matrix (the archer's last joint), or the identity
// for a model without a skeleton.
MATRIX BowHandMatrix(const ONEDOVEL* archer);
