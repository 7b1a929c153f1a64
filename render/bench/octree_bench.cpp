// Cutting a geometry of 1,000,000 triangles into octree leaves, against
// reading that geometry's file (the form the writer saves it in) into a
// geometry: the optimisation should cost less than twice the read.
//
// Run pinned (taskset) with --benchmark_repetitions for medians.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/log.h"
#include "markup/metafile.h"
#include "markup/writer.h"
#include "render/bench/bench_host.h"
#include "render/geometry.h"
#include "render/geometry_file.h"
#include "render/material.h"

namespace {

struct QuietLog : zLog {
    void OutputLine(const char*) override {}
};

// A bumpy grid of 500 x 1000 cells, two triangles each.
zSharedPtr<zGeometry> MillionTriangles(zRenderHost* host) {
    constexpr u32 Columns = 500, Rows = 1000;
    zSharedPtr<zGeometry> geometry(new zGeometry(host));
    geometry->SetName("million");
    geometry->AllocateVertices((Columns + 1) * (Rows + 1));
    for (u32 r = 0; r <= Rows; ++r)
        for (u32 c = 0; c <= Columns; ++c)
            geometry->GetVertices()[r * (Columns + 1) + c] =
                zVector(f32(c), f32(r), f32((c * 7 + r * 13) % 5) * 0.1f);
    geometry->AllocatePolygons(2 * Columns * Rows);
    for (u32 p = 0; p < 2 * Columns * Rows; ++p)
        geometry->GetPolygons()[p].cornerCount = 3;
    geometry->AllocateBindings();
    u32* bindings = geometry->GetBindings();
    for (u32 r = 0; r < Rows; ++r)
        for (u32 c = 0; c < Columns; ++c) {
            const u32 a = r * (Columns + 1) + c, b = a + 1, d = a + Columns + 1, e = d + 1;
            const u32 corners[6] = {a, b, e, a, e, d};
            for (u32 k = 0; k < 6; ++k)
                *bindings++ = corners[k];
        }
    geometry->AllocateMaterials(1, true);
    return geometry;
}

struct Fixture {
    Fixture() {
        SetLog(&quiet);
        geometry = MillionTriangles(&host);
        zMetafile doc;
        geometry->SaveToMetafile(doc);
        SerializeMetafile(doc, file);
    }
    QuietLog quiet;
    BenchHost host;
    zSharedPtr<zGeometry> geometry;
    std::string file;
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void ReadGeometryFile(benchmark::State& state) {
    Fixture& fixture = Shared();
    for (auto _ : state) {
        zGeometry geometry(&fixture.host);
        benchmark::DoNotOptimize(LoadGeometryFromBuffer(geometry, fixture.file.data(), fixture.file.size()));
    }
    state.counters["bytes"] = double(fixture.file.size());
}

void OptimiseGeometry(benchmark::State& state) {
    Fixture& fixture = Shared();
    for (auto _ : state)
        benchmark::DoNotOptimize(fixture.geometry->Optimize(1024));
}

BENCHMARK(ReadGeometryFile)->Unit(benchmark::kMillisecond);
BENCHMARK(OptimiseGeometry)->Unit(benchmark::kMillisecond);

} // namespace
