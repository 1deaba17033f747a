#include "ctl/ProgramOptions.h"

#include "platform/sim/SimWorld.h"

#include <charconv>

namespace keywright {

const char* const kProgramOptionsHelp =
    R"(  --dir D             the folder of the settings files (default: beside the executable; for an
                      installed copy $XDG_CONFIG_HOME/keywright, that is ~/.config/keywright)
  --simulate          run against the simulated keyboard, filter and virtual device, which print
                      every report, control request and packet they receive
  --sim-no-keyboard   the same simulated world, but without the keyboard plugged in
  --sim-firmware V    the firmware version the simulated keyboard answers (major * 256 + minor)
  --trace             print the trace lines of the keyboard link and the virtual device search
)";

const char* const kProgramVersion = KEYWRIGHT_VERSION;

OptionResult TakeProgramOption(std::span<const std::string_view> args, std::size_t& i,
                               ProgramOptions& options, std::string& problem) {
    const std::string_view option = args[i];
    if (option == "--simulate") {
        options.simulate = true;
    } else if (option == "--sim-no-keyboard") {
        options.simulate = true;
        options.simulateNoKeyboard = true;
    } else if (option == "--trace") {
        options.trace = true;
    } else if (option == "--dir") {
        if (i + 1 == args.size()) {
            problem = "--dir needs a folder";
            return OptionResult::Bad;
        }
        options.dir = std::string(args[++i]);
    } else if (option == "--sim-firmware") {
        int version = -1;
        if (i + 1 < args.size()) {
            const std::string_view text = args[i + 1];
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), version);
            if (error != std::errc() || end != text.data() + text.size())
                version = -1;
        }
        if (version < 0 || version > 0xFFFF) {
            problem = "--sim-firmware takes a version from 0 to 65535 (major * 256 + minor)";
            return OptionResult::Bad;
        }
        options.simulatedFirmware = static_cast<std::uint16_t>(version);
        ++i;
    } else {
        return OptionResult::NotOurs;
    }
    return OptionResult::Taken;
}

std::unique_ptr<sim::SimWorld> MakeSimulatedWorld(const ProgramOptions& options,
                                                  std::ostream& trace) {
    sim::SimWorldOptions world;
    world.trace = true;
    world.traceOutput = &trace;
    auto simulated = std::make_unique<sim::SimWorld>(world);
    const sim::SimDeviceId keyboard = simulated->PlugStandardDevices();
    if (options.simulatedFirmware)
        simulated->SetFirmwareVersion(keyboard, *options.simulatedFirmware);
    if (options.simulateNoKeyboard)
        simulated->Unplug(keyboard);
    return simulated;
}

} // namespace keywright
