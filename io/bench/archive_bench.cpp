// Reading every entry of generated archives of 1,000, 10,000 and 100,000
// files of mixed sizes (64 bytes to 40 KB, text-like bytes that compress
// about 3:1), in a shuffled order, one open-read-close per entry, with a
// checksum of every byte read. Each archive has a twin holding the same data
// compressed; the peers read the same bytes as loose files from disk, and
// for the compressed twin read loose files of the compressed bytes and
// inflate them with zlib's uncompress.
//
// range(0) is the entry count. Run with --benchmark_repetitions to get
// medians and ranges; all peers of one count share the files of that count.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "io/archive_fs.h"
#include "io/file_road.h"
#include "io/handle.h"

namespace {

// Sizes drawn evenly from these, about evenly spaced on a log scale (many
// small scripts and documents, fewer large pictures): the mean is about 8 KB.
constexpr u32 SizeClasses[] = {64, 150, 400, 1000, 2500, 6000, 15000, 40000};

// Fletcher-style over 8-byte words (and the tail bytes), fast enough not to
// hide the reads, and sensitive to every byte and to the order of the files.
u64 Checksum(const u8* bytes, u32 count, u64 sum) {
    u64 a = sum;
    u64 b = sum >> 1;
    u32 i = 0;
    for (; i + 8 <= count; i += 8) {
        u64 word;
        std::memcpy(&word, bytes + i, 8);
        a += word;
        b += a;
    }
    for (; i < count; ++i) {
        a += bytes[i];
        b += a;
    }
    return a * 0x9E3779B97F4A7C15ull ^ b;
}

struct Fixture {
    std::filesystem::path directory;
    std::vector<std::string> names; // archive names, in the shuffled read order
    std::vector<std::string> loose; // host paths of the raw loose files, same order
    std::vector<std::string> packed; // host paths of the compressed loose files
    std::vector<u32> sizes;
    std::vector<u32> packedSizes;
    u64 totalBytes = 0;
    u64 expectedSum = 0; // over every byte in read order

    explicit Fixture(u32 count) {
        directory = std::filesystem::temp_directory_path() / ("io_bench_archive_" + std::to_string(count));
        std::filesystem::remove_all(directory);
        std::filesystem::create_directories(directory / "loose");
        std::filesystem::create_directories(directory / "packed");
        std::mt19937 random(count);
        zArchive raw;
        zArchive zlib;
        raw.OpenForWriting((directory / "raw.ksa").c_str());
        zlib.OpenForWriting((directory / "zlib.ksa").c_str());
        std::vector<u8> data;
        std::vector<u8> compressed;
        std::vector<u32> order(count);
        for (u32 i = 0; i < count; ++i) {
            u32 size = SizeClasses[random() % (sizeof(SizeClasses) / sizeof(SizeClasses[0]))];
            data.resize(size);
            for (u32 k = 0; k < size; ++k)
                data[k] = u8('a' + random() % 12);
            // A directory tree of realistic depth; names share long prefixes.
            std::string name = "data/textures/set" + std::to_string(i % 50) + "/item" + std::to_string(i) + ".dat";
            raw.AddFile(name.c_str(), data.data(), size, -1);
            zlib.AddFile(name.c_str(), data.data(), size, 6);
            uLongf packedSize = compressBound(size);
            compressed.resize(packedSize);
            compress2(compressed.data(), &packedSize, data.data(), size, 6);
            std::string host = (directory / "loose" / std::to_string(i)).string();
            std::string hostPacked = (directory / "packed" / std::to_string(i)).string();
            std::FILE* file = std::fopen(host.c_str(), "wb");
            std::fwrite(data.data(), 1, size, file);
            std::fclose(file);
            file = std::fopen(hostPacked.c_str(), "wb");
            std::fwrite(compressed.data(), 1, packedSize, file);
            std::fclose(file);
            names.push_back(name);
            loose.push_back(host);
            packed.push_back(hostPacked);
            sizes.push_back(size);
            packedSizes.push_back(u32(packedSize));
            order[i] = i;
        }
        raw.Close();
        zlib.Close();
        std::shuffle(order.begin(), order.end(), random);
        Reorder(order);
        std::vector<u8> buffer;
        for (u32 i = 0; i < count; ++i) {
            std::FILE* file = std::fopen(loose[i].c_str(), "rb");
            buffer.resize(sizes[i]);
            std::fread(buffer.data(), 1, sizes[i], file);
            std::fclose(file);
            expectedSum = Checksum(buffer.data(), sizes[i], expectedSum);
            totalBytes += sizes[i];
        }
    }

    template <typename T> void Permute(std::vector<T>& values, const std::vector<u32>& order) {
        std::vector<T> shuffled;
        for (u32 index : order)
            shuffled.push_back(values[index]);
        values.swap(shuffled);
    }

    void Reorder(const std::vector<u32>& order) {
        Permute(names, order);
        Permute(loose, order);
        Permute(packed, order);
        Permute(sizes, order);
        Permute(packedSizes, order);
    }
};

Fixture& GetFixture(u32 count) {
    static std::map<u32, std::unique_ptr<Fixture>> fixtures;
    std::unique_ptr<Fixture>& fixture = fixtures[count];
    if (!fixture) fixture = std::make_unique<Fixture>(count);
    return *fixture;
}

void Finish(benchmark::State& state, const Fixture& fixture, u64 sum) {
    if (sum != fixture.expectedSum) state.SkipWithError("checksum differs from the loose files");
    state.SetBytesProcessed(i64(state.iterations()) * i64(fixture.totalBytes));
    state.counters["entries"] = double(fixture.names.size());
}

// Every entry through the file road: open, read whole, close.
void ReadArchive(benchmark::State& state, const char* file) {
    Fixture& fixture = GetFixture(u32(state.range(0)));
    zIOArchiveFS fs;
    if (!fs.Connect((fixture.directory / file).c_str())) state.SkipWithError("connect failed");
    FileSystemSetCurrent(&fs);
    std::vector<u8> buffer(65536);
    u64 sum = 0;
    for (auto _ : state) {
        sum = 0;
        for (size_t i = 0; i < fixture.names.size(); ++i) {
            zIOHandle handle;
            handle.Open(fixture.names[i].c_str(), true);
            u32 got = handle.Read(buffer.data(), fixture.sizes[i]);
            sum = Checksum(buffer.data(), got, sum);
        }
    }
    FileSystemSetCurrent(nullptr);
    Finish(state, fixture, sum);
}

void ArchiveStored(benchmark::State& state) {
    ReadArchive(state, "raw.ksa");
}

void ArchiveZlib(benchmark::State& state) {
    ReadArchive(state, "zlib.ksa");
}

// The peer of stored entries: each file opened, read whole and closed.
void LooseFiles(benchmark::State& state) {
    Fixture& fixture = GetFixture(u32(state.range(0)));
    std::vector<u8> buffer(65536);
    u64 sum = 0;
    for (auto _ : state) {
        sum = 0;
        for (size_t i = 0; i < fixture.loose.size(); ++i) {
            std::FILE* file = std::fopen(fixture.loose[i].c_str(), "rb");
            u32 got = u32(std::fread(buffer.data(), 1, fixture.sizes[i], file));
            std::fclose(file);
            sum = Checksum(buffer.data(), got, sum);
        }
    }
    Finish(state, fixture, sum);
}

// The peer of zlib entries: each compressed loose file read whole into a new
// buffer and inflated into another, as the archive does.
void LooseFilesUncompress(benchmark::State& state) {
    Fixture& fixture = GetFixture(u32(state.range(0)));
    u64 sum = 0;
    for (auto _ : state) {
        sum = 0;
        for (size_t i = 0; i < fixture.packed.size(); ++i) {
            std::FILE* file = std::fopen(fixture.packed[i].c_str(), "rb");
            u8* source = static_cast<u8*>(std::malloc(fixture.packedSizes[i] + 16));
            std::fread(source, 1, fixture.packedSizes[i], file);
            std::fclose(file);
            u8* inflated = static_cast<u8*>(std::malloc(fixture.sizes[i]));
            uLongf length = fixture.sizes[i];
            uncompress(inflated, &length, source, fixture.packedSizes[i]);
            std::free(source);
            sum = Checksum(inflated, u32(length), sum);
            std::free(inflated);
        }
    }
    Finish(state, fixture, sum);
}

// Side by side per count: stored against loose, zlib against loose plus
// uncompress.
void Counts(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}
BENCHMARK(ArchiveStored)->Apply(Counts);
BENCHMARK(LooseFiles)->Apply(Counts);
BENCHMARK(ArchiveZlib)->Apply(Counts);
BENCHMARK(LooseFilesUncompress)->Apply(Counts);

} // namespace
