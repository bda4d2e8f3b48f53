// Feeds arbitrary bytes to the MilkShape loader, from memory and from a
// stream, then re-encodes what loaded and poses and animates it. Any read
// outside the data, crash, leak or disagreement between the two entry points
// is a finding. Seed: EncodeSampleMS3D (model/MS3DWriter.h).
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "model/MS3DWriter.h"
#include "model/MilkshapeModel.h"

namespace {

void Exercise(MS3D* model) {
    model->Scale(0.5f);
    if (!model->InitialSetup()) return;
    model->UpdatePoints();
    model->SetAnimation(0.0, 10.0, 1000.0, true, true);
    for (int i = 0; i < 4; i++) {
        model->RevertPoints();
        model->Animate(0.2);
        model->UpdateSkeleton();
        model->UpdatePoints();
    }
    model->SetAnimation(2.0, 5.0, 500.0, false, false);
    model->Animate(0.05);
    model->RestartAnim();
    model->Animate(10.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MS3D fromMemory;
    bool loaded = fromMemory.LoadFromMemory(data, size);

    std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
    MS3D fromStream;
    if (fromStream.LoadFromFStream(&stream) != loaded) std::abort();
    if (!loaded) return 0;

    // What loaded must encode to a file that loads and encodes the same.
    std::vector<uint8_t> encoded = EncodeMS3D(fromMemory);
    MS3D again;
    if (!again.LoadFromMemory(encoded.data(), encoded.size())) std::abort();
    if (EncodeMS3D(again) != encoded) std::abort();

    Exercise(&fromMemory);
    return 0;
}
