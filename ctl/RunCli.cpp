#include "ctl/RunCli.h"

#include "ctl/Arguments.h"
#include "ctl/KeyScript.h"
#include "engine/KeyEngineClaim.h"
#include "engine/KeyMonitor.h"
#include "engine/OutputEngine.h"
#include "engine/VHidev.h"
#include "platform/Interrupt.h"
#include "platform/NativeBackend.h"
#include "platform/sim/SimWorld.h"
#include "settings/SettingsRegistry.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace keywright::ctl {
namespace {

using namespace std::chrono_literals;

// How often the settings files are looked at for changes.
constexpr auto kReloadCheck = 500ms;
// How long the key reader may take to come back for the next key.
constexpr auto kReaderPatience = 10s;
// How often an ending script looks whether its macro is done.
constexpr auto kPlaybackCheck = 5ms;

// What tells a changed file: its time, its size, whether it is there.
struct FileStamp {
    bool exists = false;
    std::filesystem::file_time_type time{};
    std::uintmax_t size = 0;

    static FileStamp Of(const std::filesystem::path& path) {
        std::error_code ec;
        FileStamp stamp;
        stamp.time = std::filesystem::last_write_time(path, ec);
        stamp.exists = !ec;
        if (stamp.exists)
            stamp.size = std::filesystem::file_size(path, ec);
        return stamp;
    }
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The engine of one run: the settings it plays, the virtual device, the
// output engine and the key monitor, torn down as the window tears its own
// down.
class Engine {
  public:
    Engine(platform::Backend& backend, const ProgramOptions& options)
        : settings_(options.dir, SaveMode::ReadOnly),
          device_(backend.Hid(), options.trace ? StdoutTrace() : Trace([](std::string_view) {})),
          engine_(std::make_unique<OutputEngine>(settings_.GetRecordStore(), device_)),
          monitor_(std::make_unique<HidUsbFilter::KeyMonitor>(backend.Filter())) {}

    ~Engine() {
        device_.ReleaseAll();
        engine_->StopPlayback();
        monitor_.reset(); // clears the key table and gives the keyboard back
        // A playback the reader started between the two stops ends here.
        engine_.reset();
        device_.ReleaseAll();
    }

    // Loads the files and starts; on failure says why and gives the exit code.
    int Start() {
        Load();
        if (!device_.FindVirtualDevice()) {
            std::cerr << "keywright-ctl: no virtual output device found (deed:feed)\n";
            return kNoKeyboard;
        }
        monitor_->Subscribe(engine_.get(), &OutputEngine::OnKeyEvent);
        if (monitor_->Channel().Open() == platform::kInvalidFilter) {
            std::cerr << "keywright-ctl: the keyboard filter is not there ("
                      << FilterChannel::kDeviceName << " does not open)\n";
            return kNoKeyboard;
        }
        if (!monitor_->RestartReader()) {
            std::cerr << "keywright-ctl: could not start the key reader\n";
            return kFailed;
        }
        monitor_->SendKeyTable(settings_.GetRecordStore());
        return kOk;
    }

    // Reloads the assignments when record.xml or macro.xml changed since the
    // last look, and sends the filter the new key table. A file that no
    // longer reads leaves the assignments as they were.
    void ReloadIfChanged() {
        if (Stamps() == stamps_)
            return;
        Load();
        monitor_->SendKeyTable(settings_.GetRecordStore());
    }

    // Waits until no macro plays, then ends the playback thread, so that
    // the releases of the last playback are out.
    void FinishPlayback() {
        Clock& clock = SystemClock();
        while (engine_->PlayingCode() != 0)
            clock.SleepFor(kPlaybackCheck);
        engine_->StopPlayback();
    }

  private:
    std::pair<FileStamp, FileStamp> Stamps() const {
        return {FileStamp::Of(settings_.FilePath("record.xml")),
                FileStamp::Of(settings_.FilePath("macro.xml"))};
    }

    void Load() {
        stamps_ = Stamps();
        settings_.GetMacroSettings().Load(settings_.FilePath("macro.xml"));
        if (!settings_.GetRecordStore().Load(settings_.FilePath("record.xml")) &&
            stamps_.first.exists)
            std::cerr << "keywright-ctl: record.xml does not read ("
                      << settings_.GetRecordStore().File().Error()
                      << "); the assignments stay as they were\n";
    }

    SettingsRegistry settings_;
    VHidev device_;
    std::unique_ptr<OutputEngine> engine_;
    std::unique_ptr<HidUsbFilter::KeyMonitor> monitor_;
    std::pair<FileStamp, FileStamp> stamps_;
};

// Plays `script` into the simulated filter: each key at its time from the
// start (the pauses add up to absolute deadlines, so slow steps do not make
// the script drift), each handed to the key reader before the next.
int PlayScript(sim::SimFilterService& filter, const std::vector<KeyScriptStep>& script) {
    Clock& clock = SystemClock();
    Clock::TimePoint due = clock.Now();
    for (const KeyScriptStep& step : script) {
        if (step.code == 0) {
            due += step.pause;
            continue;
        }
        clock.SleepUntil(due);
        filter.InjectKey(static_cast<std::uint8_t>(PageOf(step.code)), UsageOf(step.code),
                         step.down);
        if (!filter.WaitForKeyWait(kReaderPatience)) {
            std::cerr << "keywright-ctl: the key reader stopped taking keys\n";
            return kFailed;
        }
    }
    clock.SleepUntil(due);
    return kOk;
}

int Run(platform::Backend& backend, sim::SimWorld* simulated, const ProgramOptions& options,
        const std::optional<std::vector<KeyScriptStep>>& script) {
    const KeyEngineClaim claim(backend.Locks());
    if (!claim.Held()) {
        std::cerr << "keywright-ctl: Keywright (the window or another run) already drives the "
                     "keyboard's keys; close it first\n";
        return kFailed;
    }
    Engine engine(backend, options);
    if (const int started = engine.Start(); started != kOk)
        return started;
    if (script) {
        const int played = PlayScript(simulated->Filter(), *script);
        engine.FinishPlayback();
        return played;
    }
    while (!platform::WaitForInterrupt(
        std::chrono::duration_cast<std::chrono::milliseconds>(kReloadCheck)))
        engine.ReloadIfChanged();
    return kOk;
}

} // namespace

int RunEngineCommand(const ProgramOptions& options, const std::vector<std::string_view>& args) {
    std::optional<std::vector<KeyScriptStep>> script;
    if (args.size() == 3 && args[1] == "--sim-keys") {
        if (!options.simulate)
            return Usage("--sim-keys plays into the simulated filter: it needs --simulate");
        std::ifstream file{std::filesystem::path(args[2]), std::ios::binary};
        if (!file) {
            std::cerr << "keywright-ctl: cannot read " << args[2] << "\n";
            return kFailed;
        }
        std::ostringstream text;
        text << file.rdbuf();
        std::string problem;
        script = ParseKeyScript(text.str(), problem);
        if (!script)
            return Usage(std::string(args[2]) + ", " + problem);
    } else if (args.size() != 1) {
        return Usage("run takes only --sim-keys FILE");
    }

    // Before any thread starts, so that every thread inherits the mask. A
    // script run ends by itself and keeps the ordinary Ctrl-C.
    if (!script)
        platform::CatchInterrupts();
    if (options.simulate) {
        const auto simulated = MakeSimulatedWorld(options, std::cout);
        return Run(simulated->Backend(), simulated.get(), options, script);
    }
    const auto backend = platform::CreateNativeBackend();
    return Run(*backend, nullptr, options, script);
}

} // namespace keywright::ctl
