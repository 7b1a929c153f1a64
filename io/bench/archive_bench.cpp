// Reading every entry of a generated archive of 1,000 files (half stored raw,
// half compressed) against plain stdio reads of the same bytes from disk.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "io/archive_fs.h"
#include "io/file_road.h"
#include "io/handle.h"

namespace {

constexpr int FileCount = 1000;
constexpr u32 FileSize = 16 * 1024;

struct Fixture {
    std::filesystem::path directory;
    std::vector<std::string> names;
    u64 totalBytes = 0;

    Fixture() {
        directory = std::filesystem::temp_directory_path() / "io_bench_archive";
        std::filesystem::create_directories(directory / "loose");
        std::string data(FileSize, '\0');
        u32 seed = 12345;
        zArchive archive;
        archive.OpenForWriting((directory / "bench.ksa").c_str());
        for (int i = 0; i < FileCount; ++i) {
            // Text-like bytes: compress about 3:1.
            for (u32 k = 0; k < FileSize; ++k) {
                seed = seed * 1103515245 + 12345;
                data[k] = char('a' + (seed >> 16) % 12);
            }
            std::string name = "data/file" + std::to_string(i) + ".txt";
            names.push_back(name);
            archive.AddFile(name.c_str(), data.data(), FileSize, i % 2 ? 6 : -1);
            std::FILE* loose = std::fopen((directory / "loose" / ("file" + std::to_string(i))).c_str(), "wb");
            std::fwrite(data.data(), 1, FileSize, loose);
            std::fclose(loose);
            totalBytes += FileSize;
        }
        archive.Close();
    }
};

Fixture& GetFixture() {
    static Fixture* fixture = new Fixture;
    return *fixture;
}

// range(0): 0 every entry, 1 the raw ones only, 2 the compressed ones only.
void ArchiveReadAllEntries(benchmark::State& state) {
    Fixture& fixture = GetFixture();
    zIOArchiveFS fs;
    fs.Connect((fixture.directory / "bench.ksa").c_str());
    FileSystemSetCurrent(&fs);
    std::vector<char> buffer(FileSize);
    u64 bytes = 0;
    for (auto _ : state) {
        for (int i = 0; i < FileCount; ++i) {
            if ((state.range(0) == 1 && i % 2) || (state.range(0) == 2 && !(i % 2))) continue;
            zIOHandle handle;
            handle.Open(fixture.names[i].c_str(), true);
            bytes += handle.Read(buffer.data(), FileSize);
        }
    }
    FileSystemSetCurrent(nullptr);
    state.SetBytesProcessed(i64(bytes));
}
BENCHMARK(ArchiveReadAllEntries)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void ArchiveLoadFileAllEntries(benchmark::State& state) {
    Fixture& fixture = GetFixture();
    zIOArchiveFS fs;
    fs.Connect((fixture.directory / "bench.ksa").c_str());
    FileSystemSetCurrent(&fs);
    for (auto _ : state) {
        for (const std::string& name : fixture.names) {
            void* data = nullptr;
            benchmark::DoNotOptimize(FileSystemLoadFile(name.c_str(), data));
            std::free(data);
        }
    }
    FileSystemSetCurrent(nullptr);
    state.SetBytesProcessed(i64(state.iterations()) * i64(fixture.totalBytes));
}
BENCHMARK(ArchiveLoadFileAllEntries)->Unit(benchmark::kMillisecond);

void PlainReadLooseFiles(benchmark::State& state) {
    Fixture& fixture = GetFixture();
    std::vector<char> buffer(FileSize);
    for (auto _ : state) {
        for (int i = 0; i < FileCount; ++i) {
            std::FILE* file =
                std::fopen((fixture.directory / "loose" / ("file" + std::to_string(i))).c_str(), "rb");
            benchmark::DoNotOptimize(std::fread(buffer.data(), 1, FileSize, file));
            std::fclose(file);
        }
    }
    state.SetBytesProcessed(i64(state.iterations()) * i64(fixture.totalBytes));
}
BENCHMARK(PlainReadLooseFiles)->Unit(benchmark::kMillisecond);

void PlainReadArchiveFile(benchmark::State& state) {
    Fixture& fixture = GetFixture();
    std::string path = (fixture.directory / "bench.ksa").string();
    u64 size = std::filesystem::file_size(path);
    std::vector<char> buffer(size);
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(buffer.data(), 1, size, file));
        std::fclose(file);
    }
    state.SetBytesProcessed(i64(state.iterations()) * i64(size));
}
BENCHMARK(PlainReadArchiveFile)->Unit(benchmark::kMillisecond);

} // namespace
