// The archer pack's five pictures, in material order: skin (with the face),
// tunic, wings, gold (hair, bow, trim, string) and the arrow (wood,
// feathers, heart head, nock). All opaque.
#pragma once

#include <vector>

#include "tools/gen/Raster.h"

std::vector<Image> MakeArcherTextures();

Image MakeSkinTexture();
Image MakeTunicTexture();
Image MakeWingTexture();
Image MakeGoldTexture();
Image MakeArrowTexture();
