#include "assets/PackWriter.h"

namespace {

void PutU32(std::vector<uint8_t>* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void SetU32(std::vector<uint8_t>* out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<uint8_t> EncodePack(const std::vector<PackLump>& lumps) {
    std::vector<uint8_t> out = {'P', 'L', 'E', 'F'};
    uint32_t count = static_cast<uint32_t>(lumps.size());
    PutU32(&out, 0);
    PutU32(&out, 0);
    PutU32(&out, count);
    PutU32(&out, 0);  // length check, filled in at the end
    PutU32(&out, kPackHeaderSize);
    uint32_t offset = kPackHeaderSize + kPackEntrySize * count;
    for (const PackLump& lump : lumps) {
        PutU32(&out, static_cast<uint32_t>(lump.data.size()));
        PutU32(&out, offset);
        PutU32(&out, lump.type);
        PutU32(&out, lump.alphaMode);
        for (int i = 0; i < 3; ++i) PutU32(&out, 0);
        offset += static_cast<uint32_t>(lump.data.size());
    }
    for (const PackLump& lump : lumps) out.insert(out.end(), lump.data.begin(), lump.data.end());
    SetU32(&out, 16, ~static_cast<uint32_t>(out.size()));
    return out;
}
