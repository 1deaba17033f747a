// The key engine's figures that matter to a player:
// - remap latency: a key event entering the key monitor to the virtual
//   device's packet, for a key that acts as another key (play 1);
// - macro timing: how far each step's actual delay is from the one recorded;
// - idle wake-ups: how often the engine's threads wake while nothing happens.
// All run against the simulated world, so they measure our code, not a driver.

#include "engine/KeyMonitor.h"
#include "engine/OutputEngine.h"
#include "engine/VHidev.h"
#include "platform/sim/SimWorld.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace keywright {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr KeyCode kF1 = 0x7003A;
constexpr KeyCode kA = 0x70004;

double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

// Forwards to the simulated HID service and notes when each write happened.
class TimedHid final : public platform::HidService {
  public:
    explicit TimedHid(platform::HidService& inner) : inner_(inner) {}
    std::vector<platform::HidInterfaceEntry> ListInterfaces() override {
        return inner_.ListInterfaces();
    }
    platform::HidOpenResult Open(const std::string& path, std::uint32_t access, std::uint32_t share,
                                 bool overlapped) override {
        return inner_.Open(path, access, share, overlapped);
    }
    void Close(platform::HidHandle handle) override { inner_.Close(handle); }
    bool GetAttributes(platform::HidHandle handle, platform::HidAttributes& out) override {
        return inner_.GetAttributes(handle, out);
    }
    bool GetCaps(platform::HidHandle handle, platform::HidCaps& caps) override {
        return inner_.GetCaps(handle, caps);
    }
    bool SetFeature(platform::HidHandle handle, const std::uint8_t* report,
                    std::size_t length) override {
        return inner_.SetFeature(handle, report, length);
    }
    bool GetFeature(platform::HidHandle handle, std::uint8_t* report, std::size_t length) override {
        return inner_.GetFeature(handle, report, length);
    }
    platform::HidWriteResult Write(platform::HidHandle handle, const std::uint8_t* report,
                                   std::size_t length, std::uint32_t timeoutMs) override {
        const auto result = inner_.Write(handle, report, length, timeoutMs);
        std::lock_guard lock(mutex_);
        times_.push_back(Clock::now());
        return result;
    }
    std::vector<Clock::time_point> Times() {
        std::lock_guard lock(mutex_);
        return times_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        times_.clear();
    }

  private:
    platform::HidService& inner_;
    std::mutex mutex_;
    std::vector<Clock::time_point> times_;
};

// The engine as the main window wires it: key monitor on the simulated
// filter, output engine subscribed, virtual device found.
struct EngineRig {
    EngineRig()
        : hid(world.Backend().Hid()), device(hid, [](std::string_view) {}), engine(records, device),
          monitor(world.Backend().Filter()) {
        world.PlugVirtualDevice();
        device.FindVirtualDevice();
        monitor.Subscribe(&engine, &OutputEngine::OnKeyEvent);
        monitor.Channel().Open();
        monitor.RestartReader();
        monitor.SendKeyTable(records);
    }

    sim::SimWorld world;
    TimedHid hid;
    VHidev device;
    RecordStore records;
    OutputEngine engine;
    HidUsbFilter::KeyMonitor monitor;
};

void RemapLatency(benchmark::State& state) {
    EngineRig rig;
    rig.records.Put({kF1, kAssignSingleKey, 1, 1, "F1", "A", {{kA, 0, 0, ""}}});
    const sim::SimDeviceId device = rig.world.VirtualDevice();
    std::vector<double> micros;
    for (auto _ : state) {
        for (int i = 0; i < 2000; ++i) {
            const size_t before = rig.world.Packets(device).size();
            const auto start = Clock::now();
            rig.world.Filter().InjectKey(7, UsageOf(kF1), i % 2 == 0);
            rig.world.WaitForPackets(device, before + 1, 5s);
            micros.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
    }
    state.counters["p50_us"] = Percentile(micros, 0.50);
    state.counters["p99_us"] = Percentile(micros, 0.99);
}
BENCHMARK(RemapLatency)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The engine's own cost for one event, without thread hand-offs: a key event
// in, the virtual device's packet handed to the HID service out, on the
// caller's thread.
void EngineCostPerEvent(benchmark::State& state) {
    EngineRig rig;
    rig.records.Put({kF1, kAssignSingleKey, 1, 1, "F1", "A", {{kA, 0, 0, ""}}});
    std::vector<double> micros;
    micros.reserve(20000);
    for (auto _ : state) {
        for (int i = 0; i < 20000; ++i) {
            const auto start = Clock::now();
            rig.engine.OnKeyEvent(7, UsageOf(kF1), i % 2 == 0);
            micros.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
    }
    state.counters["p50_us"] = Percentile(micros, 0.50);
    state.counters["p99_us"] = Percentile(micros, 0.99);
}
BENCHMARK(EngineCostPerEvent)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void MacroTiming(benchmark::State& state) {
    const auto delay = static_cast<std::uint32_t>(state.range(0));
    EngineRig rig;
    std::vector<MacroItem> steps;
    const int count = delay >= 50 ? 40 : 100;
    for (int i = 0; i < count; ++i)
        steps.push_back({kA, static_cast<std::uint32_t>(i % 2 == 0), delay, "A"});
    rig.records.Put({kF1, kAssignMacro, 2, 1, "F1", "macro", steps});
    std::vector<double> errors;
    for (auto _ : state) {
        rig.hid.Clear();
        rig.engine.OnKeyEvent(7, UsageOf(kF1), 1);
        while (rig.engine.PlayingCode() != 0)
            std::this_thread::sleep_for(1ms);
        const auto times = rig.hid.Times();
        // Consecutive step packets; the last one is the final release.
        for (size_t i = 1; i + 1 < times.size(); ++i)
            errors.push_back(
                std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count() - delay);
    }
    state.counters["error_p50_ms"] = Percentile(errors, 0.50);
    state.counters["error_p99_ms"] = Percentile(errors, 0.99);
}
// A long macro must end when the sum of its delays says, not later by the
// sum of every step's lateness.
void MacroDrift(benchmark::State& state) {
    const auto steps = static_cast<std::size_t>(state.range(0));
    EngineRig rig;
    std::vector<MacroItem> items;
    for (std::size_t i = 0; i < steps; ++i)
        items.push_back({kA, static_cast<std::uint32_t>(i % 2 == 0), 1, "A"});
    rig.records.Put({kF1, kAssignMacro, 2, 1, "F1", "macro", items});
    std::vector<double> drifts;
    for (auto _ : state) {
        rig.hid.Clear();
        rig.engine.OnKeyEvent(7, UsageOf(kF1), 1);
        while (rig.engine.PlayingCode() != 0)
            std::this_thread::sleep_for(1ms);
        const auto times = rig.hid.Times();
        // From the first step's packet to the last step's: steps - 1 delays.
        drifts.push_back(
            std::chrono::duration<double, std::milli>(times[steps - 1] - times[0]).count() -
            static_cast<double>(steps - 1));
    }
    state.counters["drift_ms"] = Percentile(drifts, 0.5);
}
BENCHMARK(MacroDrift)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(MacroTiming)
    ->Arg(1)
    ->Arg(10)
    ->Arg(50)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Context switches of every thread of this process, from /proc: a thread that
// sleeps until something happens adds none.
long ContextSwitches() {
    long total = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                total += std::stol(line.substr(line.find(':') + 1));
    }
    return total;
}

void IdleWakeups(benchmark::State& state) {
    EngineRig rig;
    // A macro that has played and finished: its thread now idles too.
    rig.records.Put({kF1, kAssignMacro, 2, 1, "F1", "macro", {{kA, 1, 1, ""}, {kA, 0, 1, ""}}});
    rig.engine.OnKeyEvent(7, UsageOf(kF1), 1);
    while (rig.engine.PlayingCode() != 0)
        std::this_thread::sleep_for(1ms);
    rig.world.Filter().WaitForKeyWait(5s);
    double perSecond = 0;
    for (auto _ : state) {
        const long before = ContextSwitches();
        std::this_thread::sleep_for(1s);
        // The sleeping benchmark thread itself switches once or twice.
        perSecond = static_cast<double>(ContextSwitches() - before);
    }
    state.counters["wakeups_per_s"] = perSecond;
}
BENCHMARK(IdleWakeups)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace keywright

BENCHMARK_MAIN();
