// The loader believes a count only as far as the data backs it: a model that
// announces 65535 records of a kind and then ends must fail without ever
// asking for memory the announced count would need.
#include <gtest/gtest.h>

#include <sstream>

#include "model/MilkshapeModel.h"
#include "tests/model/AllocationTracker.h"
#include "tests/model/ModelTestSupport.h"

namespace {

size_t LargestAllocationLoading(const std::vector<uint8_t>& bytes, bool measurable) {
    MS3D model;
    UnseekableBuffer buffer(bytes);
    std::istream blind(&buffer);
    std::stringstream measured(std::string(bytes.begin(), bytes.end()));
    StartTrackingAllocations();
    bool loaded = model.LoadFromFStream(measurable ? static_cast<std::istream*>(&measured) : &blind);
    size_t largest = StopTrackingAllocations();
    EXPECT_FALSE(loaded);
    EXPECT_NE(model.lastError.find("data ends"), std::string::npos) << model.lastError;
    return largest;
}

TEST(MS3DAllocation, HugeCountsWithLittleDataAllocateLittle) {
    MS3DSource source = SampleMS3DSource();
    SectionOffsets o = OffsetsOf(source);
    std::vector<uint8_t> bytes = EncodeSource(source);
    // Each case: announce 65535 records at the offset and keep only a few
    // bytes after it.
    for (size_t offset : {o.vertexCount, o.triangleCount, o.groupCount, o.groups + 33, o.materialCount,
                          o.jointCount, o.joints + 89}) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(offset + 2 + 40));
        Poke16(&cut, offset, 65535);
        for (bool measurable : {true, false}) {
            size_t largest = LargestAllocationLoading(cut, measurable);
            // 65535 of the smallest record would need more than 128 KB.
            EXPECT_LT(largest, 64u * 1024) << "offset " << offset << (measurable ? " measured" : " blind");
        }
    }
}

}  // namespace
