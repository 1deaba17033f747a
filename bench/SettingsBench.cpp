// Load and save times of the two settings files that grow with the user's
// work: macro.xml at 1,000 groups of 100 steps, record.xml at 256 records.

#include "settings/MacroSettings.h"
#include "settings/RecordStore.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace keywright {
namespace {

namespace fs = std::filesystem;

constexpr int kGroups = 1000;
constexpr int kGroupSteps = 100;
constexpr int kRecords = 256;
constexpr int kRecordSteps = 8;

// Key i goes down, then up: A, A, B, B, ... with typed delays between.
std::vector<MacroItem> Steps(int count, int first) {
    std::vector<MacroItem> steps;
    for (int i = 0; i < count; ++i) {
        const int key = (first + i / 2) % 26;
        steps.push_back({MakeKeyCode(kKeyboardPage, static_cast<std::uint16_t>(4 + key)),
                         i % 2 == 0 ? 1u : 0u, static_cast<std::uint32_t>(15 + (i * 7) % 60),
                         std::string(1, static_cast<char>('A' + key))});
    }
    return steps;
}

// The fixture files, written once in a folder of their own that goes at exit.
struct Fixture {
    fs::path folder;
    fs::path macro;
    fs::path record;

    Fixture() {
        std::string pattern = (fs::temp_directory_path() / "keywright-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::cerr << "cannot create a temporary folder\n";
            std::exit(1);
        }
        folder = pattern;
        macro = folder / "macro.xml";
        record = folder / "record.xml";

        // Built before they have a path, so that AddGroup and Put write
        // nothing (every group is added before any is filled, as AddGroup
        // formats the whole document); Load of the missing file then sets the
        // path for the one Save.
        MacroSettings macros;
        for (int g = 0; g < kGroups; ++g)
            macros.AddGroup();
        for (int g = 0; g < kGroups; ++g)
            macros.GetGroup(g)->items = Steps(kGroupSteps, g);
        macros.Load(macro);

        RecordStore records;
        for (int r = 0; r < kRecords; ++r) {
            records.Put({MakeKeyCode(kKeyboardPage, static_cast<std::uint16_t>(4 + r)),
                         kAssignMacro, 1, 1, "Key " + std::to_string(r),
                         "Group " + std::to_string(r), Steps(kRecordSteps, r)});
        }
        records.Load(record);

        if (!macros.Save() || !records.Save()) {
            std::cerr << "cannot write the fixture files in " << folder << "\n";
            std::exit(1);
        }
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

const Fixture& Files() {
    static const Fixture fixture;
    return fixture;
}

void Report(benchmark::State& state, const fs::path& file, std::int64_t steps) {
    state.SetItemsProcessed(state.iterations() * steps);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(file)));
}

void MacroLoad(benchmark::State& state) {
    const fs::path& path = Files().macro;
    for (auto _ : state) {
        MacroSettings macros;
        if (!macros.Load(path)) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(macros.GroupCount());
    }
    Report(state, path, std::int64_t{kGroups} * kGroupSteps);
}

void MacroSave(benchmark::State& state) {
    MacroSettings macros;
    if (!macros.Load(Files().macro))
        return state.SkipWithError("load failed");
    for (auto _ : state) {
        if (!macros.Save()) {
            state.SkipWithError("save failed");
            break;
        }
    }
    Report(state, Files().macro, std::int64_t{kGroups} * kGroupSteps);
}

void RecordLoad(benchmark::State& state) {
    const fs::path& path = Files().record;
    for (auto _ : state) {
        RecordStore records;
        if (!records.Load(path)) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(records.Snapshot()->size());
    }
    Report(state, path, std::int64_t{kRecords} * kRecordSteps);
}

void RecordSave(benchmark::State& state) {
    RecordStore records;
    if (!records.Load(Files().record))
        return state.SkipWithError("load failed");
    for (auto _ : state) {
        if (!records.Save()) {
            state.SkipWithError("save failed");
            break;
        }
    }
    Report(state, Files().record, std::int64_t{kRecords} * kRecordSteps);
}

BENCHMARK(MacroLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(MacroSave)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordSave)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace keywright

BENCHMARK_MAIN();
