// ZML text parsing, freeing and writing on a generated document of about
// 50 MB shaped like a large scene: nested items with ids, ints, floats,
// bools, script paths, registry strings and a small binary block on one item
// in a hundred. Parse, free and parse plus free are timed separately, in
// MB/s of text. The tree's memory at its peak (heap and large-page blocks in
// use with the tree minus without them) is reported in MB and per tag; the
// process's peak resident size includes the generator's own tree and text.
//
// The first benchmark is the first parse and free of the process, once per
// run: the tree's memory is all new to the process then (page faults, pages
// zeroed by the kernel). Run the program again for more samples, e.g. with
// --benchmark_filter=First.
//
// ParseBackslashRun and ParseEdgeAlikeNames read hostile runs of growing
// size; their rate stays flat while the reader is linear.
//
// WriteVersusParse alternates a parse and a write of the same document and
// reports their ratio, e.g. on one quiet core:
//   taskset -c 2 markup_bench --benchmark_filter=WriteVersusParse --benchmark_repetitions=5
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "markup/block_allocator.h"
#include "markup/reader.h"
#include "markup/writer.h"

namespace {

constexpr size_t DocumentBytes = 50u * 1024 * 1024;

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
    char material[48];
    std::snprintf(material, sizeof(material), "materials/set%u/surface_%u.zmt", unsigned(random() % 20),
                  unsigned(random() % 400));
    registry->AddChild(new zMetaTag("Material", material));
    if (index % 100 == 0) {
        std::string bytes(256, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random());
        item->AddChild(new zMetaTag("Geometry", bytes.data(), static_cast<u32>(bytes.size())));
    }
}

struct Document {
    std::string text;
    u64 tagCount = 0;
};

u64 CountTags(const zLinkedListId& list) {
    u64 count = 0;
    zLinkedListIterator iterator;
    while (const zMetaTag* tag = static_cast<const zMetaTag*>(list.Next(iterator)))
        count += 1 + CountTags(tag->GetChildren());
    return count;
}

const Document& Generated() {
    static const Document document = [] {
        Document made;
        zMetafile built;
        std::mt19937 random(42);
        zMetaTag* scene = built.AddRoot(new zMetaTag("Scene"));
        zMetaTag* items = scene->AddChild(new zMetaTag("Items"));
        for (int index = 0; made.text.size() < DocumentBytes; index += 10000) {
            for (int k = 0; k < 10000; ++k) AddItem(items, random, index + k);
            made.text.clear();
            SerializeMetafile(built, made.text);
        }
        made.tagCount = CountTags(built.GetRoots());
        return made;
    }();
    return document;
}

size_t TreeMemoryInUse() {
    const struct mallinfo2 heap = mallinfo2();
    return heap.uordblks + heap.hblkhd + LargePageBytesInUse();
}

double PeakResidentMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void Report(benchmark::State& state, const Document& document, u64 bytesPerIteration) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytesPerIteration));
    state.counters["MB"] = double(document.text.size()) / 1e6;
    state.counters["tags"] = double(document.tagCount);
    state.counters["peakRSS_MB"] = PeakResidentMB();
}

// Parse and free, as a loader that drops the tree after reading it.
void ParseAndFree(benchmark::State& state, const Document& document) {
    for (auto _ : state) {
        zMetafile doc;
        const bool parsed = ParseMetafile(document.text.data(), document.text.size(), doc);
        benchmark::DoNotOptimize(parsed);
        if (!parsed) state.SkipWithError("parse failed");
    }
    Report(state, document, document.text.size());
}

// The process's first parse and free, on memory it has never used: the
// generator's heap is handed back to the kernel first.
void BM_FirstParseAndFreeZml(benchmark::State& state) {
    const Document& document = Generated();
    malloc_trim(0);
    ParseAndFree(state, document);
}

// Parsing alone; the tree is freed outside the timed part.
void BM_ParseZml(benchmark::State& state) {
    const Document& document = Generated();
    double treeBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const size_t before = TreeMemoryInUse();
        state.ResumeTiming();
        zMetafile* doc = new zMetafile();
        const bool parsed = ParseMetafile(document.text.data(), document.text.size(), *doc);
        benchmark::DoNotOptimize(parsed);
        state.PauseTiming();
        treeBytes = double(TreeMemoryInUse() - before);
        delete doc;
        state.ResumeTiming();
        if (!parsed) state.SkipWithError("parse failed");
    }
    Report(state, document, document.text.size());
    state.counters["tree_MB"] = treeBytes / 1e6;
    state.counters["bytes_per_tag"] = treeBytes / double(document.tagCount);
}

// Freeing alone: a parsed tree is deleted in the timed part; the rate is in
// MB of the text it came from.
void BM_FreeZml(benchmark::State& state) {
    const Document& document = Generated();
    for (auto _ : state) {
        state.PauseTiming();
        zMetafile* doc = new zMetafile();
        if (!ParseMetafile(document.text.data(), document.text.size(), *doc)) state.SkipWithError("parse failed");
        state.ResumeTiming();
        delete doc;
    }
    Report(state, document, document.text.size());
}

void BM_ParseAndFreeZml(benchmark::State& state) {
    ParseAndFree(state, Generated());
}

void BM_WriteZml(benchmark::State& state) {
    const Document& document = Generated();
    zMetafile doc;
    ParseMetafile(document.text.data(), document.text.size(), doc);
    size_t written = 0;
    for (auto _ : state) {
        std::string out;
        SerializeMetafile(doc, out);
        written = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    Report(state, document, written);
}

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Write against parse of the same document, alternating in one run so that
// both see the same machine: each iteration parses (the tree freed outside
// the timing) and writes once. The counters give each one's best and median
// thread time per pass in ms, and write/parse of the medians and of the bests.
void BM_WriteVersusParseZml(benchmark::State& state) {
    const Document& document = Generated();
    zMetafile source;
    ParseMetafile(document.text.data(), document.text.size(), source);
    std::vector<double> parseTimes;
    std::vector<double> writeTimes;
    std::string out;
    for (auto _ : state) {
        zMetafile* doc = new zMetafile();
        double start = ThreadSeconds();
        const bool parsed = ParseMetafile(document.text.data(), document.text.size(), *doc);
        parseTimes.push_back(ThreadSeconds() - start);
        benchmark::DoNotOptimize(parsed);
        state.PauseTiming();
        delete doc;
        std::string().swap(out);
        state.ResumeTiming();
        start = ThreadSeconds();
        SerializeMetafile(source, out);
        writeTimes.push_back(ThreadSeconds() - start);
        benchmark::DoNotOptimize(out.data());
        if (!parsed || out.size() != document.text.size()) state.SkipWithError("round trip failed");
    }
    Report(state, document, 2 * document.text.size());
    std::sort(parseTimes.begin(), parseTimes.end());
    std::sort(writeTimes.begin(), writeTimes.end());
    const double parseBest = parseTimes.front();
    const double writeBest = writeTimes.front();
    const double parseMedian = parseTimes[parseTimes.size() / 2];
    const double writeMedian = writeTimes[writeTimes.size() / 2];
    state.counters["parse_best_ms"] = parseBest * 1e3;
    state.counters["write_best_ms"] = writeBest * 1e3;
    state.counters["parse_median_ms"] = parseMedian * 1e3;
    state.counters["write_median_ms"] = writeMedian * 1e3;
    state.counters["write_per_parse_best"] = writeBest / parseBest;
    state.counters["write_per_parse_median"] = writeMedian / parseMedian;
}

// A save through the file road against a parse, alternating as above: the
// text goes to a file in the temporary folder in pieces of 64 KB.
void BM_SaveVersusParseZml(benchmark::State& state) {
    const Document& document = Generated();
    zMetafile source;
    ParseMetafile(document.text.data(), document.text.size(), source);
    const std::string path = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp")) +
                             "/markup_bench_save.zml";
    std::vector<double> parseTimes;
    std::vector<double> saveTimes;
    for (auto _ : state) {
        zMetafile* doc = new zMetafile();
        double start = ThreadSeconds();
        const bool parsed = ParseMetafile(document.text.data(), document.text.size(), *doc);
        parseTimes.push_back(ThreadSeconds() - start);
        state.PauseTiming();
        delete doc;
        state.ResumeTiming();
        start = ThreadSeconds();
        const bool saved = SaveMetafile(path.c_str(), source);
        saveTimes.push_back(ThreadSeconds() - start);
        if (!parsed || !saved) state.SkipWithError("parse or save failed");
    }
    std::remove(path.c_str());
    Report(state, document, 2 * document.text.size());
    std::sort(parseTimes.begin(), parseTimes.end());
    std::sort(saveTimes.begin(), saveTimes.end());
    const double parseMedian = parseTimes[parseTimes.size() / 2];
    const double saveMedian = saveTimes[saveTimes.size() / 2];
    state.counters["parse_best_ms"] = parseTimes.front() * 1e3;
    state.counters["save_best_ms"] = saveTimes.front() * 1e3;
    state.counters["parse_median_ms"] = parseMedian * 1e3;
    state.counters["save_median_ms"] = saveMedian * 1e3;
    state.counters["save_per_parse_best"] = saveTimes.front() / parseTimes.front();
    state.counters["save_per_parse_median"] = saveMedian / parseMedian;
}

// Hostile runs at growing sizes: a rate that stays flat as the size grows
// shows the reader linear. Argument: the run's length in bytes.
std::string BackslashRun(size_t length) {
    return "<ZML=1.0>\n<A=\"" + std::string(length, '\\') + "\">\n";
}

std::string EdgeAlikeNames(size_t length) {
    std::string text = "<ZML=1.0>\n";
    char name[48];
    for (int i = 0; text.size() < length; ++i) {
        std::snprintf(name, sizeof(name), "<Nabcdefg%08dzyxwvuts>\n", i);
        text += name;
    }
    return text;
}

void ParseGenerated(benchmark::State& state, std::string (*make)(size_t)) {
    const std::string text = make(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        zMetafile doc;
        const bool parsed = ParseMetafile(text.data(), text.size(), doc);
        benchmark::DoNotOptimize(parsed);
        if (!parsed) state.SkipWithError("parse failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ParseBackslashRunZml(benchmark::State& state) {
    ParseGenerated(state, BackslashRun);
}

void BM_ParseEdgeAlikeNamesZml(benchmark::State& state) {
    ParseGenerated(state, EdgeAlikeNames);
}

}  // namespace

BENCHMARK(BM_FirstParseAndFreeZml)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(1);
BENCHMARK(BM_ParseZml)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreeZml)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParseAndFreeZml)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteZml)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParseBackslashRunZml)->Unit(benchmark::kMillisecond)->RangeMultiplier(4)->Range(1 << 18, 1 << 24);
BENCHMARK(BM_ParseEdgeAlikeNamesZml)->Unit(benchmark::kMillisecond)->RangeMultiplier(4)->Range(1 << 18, 1 << 22);
BENCHMARK(BM_WriteVersusParseZml)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(15);
BENCHMARK(BM_SaveVersusParseZml)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(15);
