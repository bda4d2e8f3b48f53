// Writing rendered frames as PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes width x height RGBA rows given from the bottom up as an 8-bit RGB
// PNG, upright (alpha is dropped: the display shows colour only). The same
// pixels always give the same bytes. False with *error filled on failure.
bool WritePngRgb(const std::string& path, int width, int height, const std::vector<uint8_t>& rgbaBottomUp,
                 std::string* error);
