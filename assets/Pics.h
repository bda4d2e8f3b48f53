// Picture files: picking a random JPEG, GIF or PNG file from a folder and
// turning it into a 512 x 512 texture, with the picture's own size recorded
// for fitting on screen.
#pragma once

#include <cstdint>
#include <string>

#include "assets/PictureDecoder.h"
#include "assets/Texture.h"

// Every picture becomes a texture of this many texels a side.
constexpr int kPicTextureSize = 512;
// Size of the file-name buffers of FindNthFile and ChooseRandomImageFile.
constexpr int kPicNameSize = 256;

// Number of entries of folder whose names, lowered, are longer than ending
// (lower case) and end in it; 0 when the folder cannot be opened.
int32_t CountFiles(const char* folder, const char* ending);

// Writes the name (as stored, without the folder) of the n-th matching entry
// of folder, counted from 0 in listing order, into name (kPicNameSize bytes).
// False when there is no such entry or the folder cannot be opened.
bool FindNthFile(const char* folder, char* name, const char* ending, int32_t n);

// Picks one ".jpg", ".gif" or ".png" file of folder at random (rand), every
// such file with the same chance, and writes its name into name
// (kPicNameSize bytes). False when the folder holds none.
bool ChooseRandomImageFile(const char* folder, char* name);

// Decodes the picture file at path, of one of the picture kinds (the
// slideshow's JPEG, PNG and GIF unless told otherwise) within the limits of
// PictureDecoder.h, into a 512 x 512 staging image, resampled
// by nearest neighbour with row 0 at the bottom: staging gets imageData
// (malloc'd R,G,B or R,G,B,A texels; the alpha byte is 255), width and
// height 512, bpp and type (GL_RGBA for pictures with an alpha channel, else
// GL_RGB); *picWidth and *picHeight get the picture's own size. Grey,
// palette, 16-bit and interlaced pictures arrive as 8-bit RGB or RGBA. A
// large JPEG is decoded at a reduced size that still gives every texel its
// own source pixel. False, with staging untouched, when the file is not a
// regular readable file, is of another kind, cannot be decoded, is damaged or
// cut short, or is beyond the limits; *why (when given) then says why, and
// the error hook (ERRORBOX) gets "picture PATH: why". Needs no GL context.
bool DecodePicFile(const char* path, Texture* staging, int* picWidth, int* picHeight,
                   unsigned kinds = kSlideshowPictureKinds, std::string* why = nullptr);

// Decodes the picture file at path and builds its texture (opaque, 512 x
// 512) into texture: texID, type and bpp are set, imageData is null, and
// width and height are the picture's own size. Whatever texture held before
// is released. False, with texture untouched, when the file cannot be
// decoded or the texture cannot be built. kinds are the picture kinds
// accepted. Needs a current GL context.
bool loadPicFile(const char* path, Texture* texture, unsigned kinds = kSlideshowPictureKinds);

// Chooses a random picture file of folder and loads it with loadPicFile.
bool LoadPicture(const char* folder, Texture* texture);
