// ZML text parsing and writing on a generated document of about 10 MB,
// shaped like a scene file: nested items with ints, floats, bools, strings
// and a binary block every few items.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

#include "markup/reader.h"
#include "markup/writer.h"

namespace {

void AddItem(zMetaTag* items, std::mt19937& random, int index) {
    zMetaTag* item = items->AddChild(new zMetaTag("Item"));
    char name[32];
    std::snprintf(name, sizeof(name), "object_%d", index);
    item->AddChild(new zMetaTag("Id", name));
    item->AddChild(new zMetaTag("Uid", static_cast<i32>(random())));
    item->AddChild(new zMetaTag("Visible", (random() & 1) != 0));
    for (const char* vectorName : {"Position", "Rotation", "Scale"}) {
        zMetaTag* vector = item->AddChild(new zMetaTag(vectorName));
        for (const char* axis : {"X", "Y", "Z"}) {
            // Six decimals, as scene editors write them.
            const f32 value = static_cast<f32>(static_cast<i32>(random() % 2000000) - 1000000) / 1000.0f;
            vector->AddChild(new zMetaTag(axis, value));
        }
    }
    zMetaTag* registry = item->AddChild(new zMetaTag("Registry"));
    registry->AddChild(new zMetaTag("Script", "scripts/units/object_logic.nut"));
    registry->AddChild(new zMetaTag("Layer", static_cast<i32>(random() % 16)));
    if (index % 8 == 0) {
        std::string bytes(768, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random());
        item->AddChild(new zMetaTag("Geometry", bytes.data(), static_cast<u32>(bytes.size())));
    }
}

const zMetafile& GeneratedDocument() {
    static zMetafile* doc = [] {
        zMetafile* built = new zMetafile();
        std::mt19937 random(42);
        zMetaTag* scene = built->AddRoot(new zMetaTag("Scene"));
        zMetaTag* items = scene->AddChild(new zMetaTag("Items"));
        std::string text;
        for (int index = 0; text.size() < 10u * 1024 * 1024; index += 1000) {
            for (int k = 0; k < 1000; ++k) AddItem(items, random, index + k);
            SerializeMetafile(*built, text);
        }
        return built;
    }();
    return *doc;
}

const std::string& GeneratedText() {
    static const std::string text = [] {
        std::string out;
        SerializeMetafile(GeneratedDocument(), out);
        return out;
    }();
    return text;
}

// The document is freed outside the timed part.
void BM_ParseZml(benchmark::State& state) {
    const std::string& text = GeneratedText();
    for (auto _ : state) {
        zMetafile* doc = new zMetafile();
        const bool parsed = ParseMetafile(text.data(), text.size(), *doc);
        benchmark::DoNotOptimize(parsed);
        state.PauseTiming();
        delete doc;
        state.ResumeTiming();
        if (!parsed) state.SkipWithError("parse failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}

// Parse and free, as a loader that drops the tree after reading it.
void BM_ParseAndFreeZml(benchmark::State& state) {
    const std::string& text = GeneratedText();
    for (auto _ : state) {
        zMetafile doc;
        const bool parsed = ParseMetafile(text.data(), text.size(), doc);
        benchmark::DoNotOptimize(parsed);
        if (!parsed) state.SkipWithError("parse failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_WriteZml(benchmark::State& state) {
    const zMetafile& doc = GeneratedDocument();
    size_t written = 0;
    for (auto _ : state) {
        std::string out;
        SerializeMetafile(doc, out);
        written = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(written));
}

}  // namespace

BENCHMARK(BM_ParseZml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseAndFreeZml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteZml)->Unit(benchmark::kMillisecond);
