// The pictures of the texture pack besides lettering, and Dovel's own
// background picture.
#pragma once

#include "tools/gen/Raster.h"
#include "tools/gen/TextRaster.h"

// The heart texture, a sphere map (slot 6): a soft studio surrounding seen
// in a mirror ball, near white so that the heart's own colour shows through
// the modulation. With the brightness alpha mode the dim middle is
// translucent and the bright rim and highlights nearly opaque, so blended
// hearts look like coloured glass.
Image MakeHeartSphereMap(int size);

// The partner picture of the slideshow (slot 7): a Valentine card with a
// big glossy heart and a greeting, square, opaque.
Image MakePartnerPicture(FontFace* script, int size);

// A soft glowing heart (slot 2) and a four-pointed sparkle (slot 3), white
// and pink on black for the brightness alpha mode.
Image MakeHeartSprite(int size);
Image MakeSparkleSprite(int size);

// Dovel's own background picture (the fallback wallpaper): a warm cream to
// blush gradient with faint floating hearts.
Image MakeWallpaper(int width, int height);
