// Maths hot path of a skinned model: per joint, blend two keyframe rotations
// with QuatSlerp and build the joint matrix; per vertex, transform by its
// joint's matrix, as the animation does every frame.
#include <benchmark/benchmark.h>

#include <vector>

#include "maths/Misc.h"
#include "maths/NiftyMaths.h"

namespace {

void BM_SkinningFrame(benchmark::State& state) {
    const int joints = 32;
    const int vertices = static_cast<int>(state.range(0));
    std::vector<QUAT> keyA(joints), keyB(joints);
    std::vector<MATRIX> pose(joints);
    std::vector<VECTOR3D> source(vertices), skinned(vertices);
    for (int j = 0; j < joints; ++j) {
        keyA[j] = RotationToQuat(MakePoint(j * 7.0f, j * 3.0f, -j * 5.0f));
        keyB[j] = RotationToQuat(MakePoint(j * 7.0f + 40, j * 3.0f - 25, -j * 5.0f + 10));
    }
    for (int v = 0; v < vertices; ++v) source[v] = MakePoint(v * 0.01f, -v * 0.02f, v * 0.005f);

    double t = 0.0;
    for (auto _ : state) {
        t += 0.01;
        if (t > 1.0) t = 0.0;
        for (int j = 0; j < joints; ++j) {
            QUAT q = QuatSlerp(&keyA[j], &keyB[j], t);
            pose[j] = QuatToRotationMatrix(q);
            pose[j].SetTranslation(MakePoint(j * 0.5f, 1.0f, 0.0f));
        }
        for (int v = 0; v < vertices; ++v) skinned[v] = MatrixPointMultiply(pose[v % joints], source[v]);
        benchmark::DoNotOptimize(skinned.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * vertices);
}
BENCHMARK(BM_SkinningFrame)->Arg(1000)->Arg(10000);

void BM_AngleRoundTrip(benchmark::State& state) {
    float a = 0.0f;
    for (auto _ : state) {
        a += 1.0f;
        VECTOR3D angles = AngleFromMatrix(MatrixFromAngle(MakePoint(a, a * 0.5f, -a)));
        benchmark::DoNotOptimize(angles);
    }
}
BENCHMARK(BM_AngleRoundTrip);

}  // namespace
