// The archer: a friendly winged cupid with golden curls, a rose tunic and a
// golden bow, rigged on the skeleton of ArcherRig and textured by the five
// pictures of ArcherTextures (material k uses texture k).
#pragma once

#include "tools/gen/Mesh.h"

// Materials (and texture slots of the archer pack).
enum ArcherMaterial {
    kMaterialSkin,   // face and limbs
    kMaterialTunic,  // rose cloth
    kMaterialWings,  // feathers
    kMaterialGold,   // hair, the bow, gold trim and the string
    kMaterialArrow,  // the arrow's wood, feathers and heart-shaped head
    kArcherMaterialCount
};

// Texture regions within the pictures (s across, t down).
struct ArcherAtlas {
    // Skin picture: the face, wrapped round the head, in the top half; plain
    // skin below.
    static constexpr float kFaceT1 = 0.5f;
    static constexpr float kSkinT0 = 0.6f, kSkinT1 = 0.95f;
    // Gold picture: hair on the left half; polished gold top right; the
    // cream bowstring bottom right.
    static constexpr float kHairS1 = 0.5f;
    static constexpr float kGoldS0 = 0.5f, kGoldT1 = 0.5f;
    static constexpr float kStringS0 = 0.5f, kStringT0 = 0.5f;
};

// The head's texture coordinates: the face picture is wrapped round the
// head with more of its texels on the face (u = 0.5, v = 0.5 face the
// front) and fewer at the back, where the hair covers it. Both grow
// steadily from 0 to 1.
float FaceS(float u);
float FaceT(float v);

// The wing outline in its own plane: x along the span from the root, y
// along the chord from the leading edge towards the feather tips.
struct WingShape {
    float span;
    float chordTop;  // most negative y (leading edge bulge)
    float chordBottom;
    // Leading and trailing edge at span position x.
    float Leading(float x) const;
    float Trailing(float x) const;
};
const WingShape& Wing();

ModelSheet MakeArcherModel();
