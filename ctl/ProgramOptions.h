#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace keywright {

namespace sim {
class SimWorld;
}

// The options keywright and keywright-ctl share: which world the program works
// on and where its settings files live.
struct ProgramOptions {
    bool simulate = false;           // the simulated world instead of the platform's devices
    bool simulateNoKeyboard = false; // the simulated world without its keyboard
    bool trace = false;              // the keyboard link's own trace lines on standard output
    std::filesystem::path dir;       // the folder of config.xml and the settings files
    std::optional<std::uint16_t> simulatedFirmware; // the simulated keyboard's version answer
};

enum class OptionResult {
    NotOurs, // args[i] is not one of the shared options
    Taken,   // taken, with its value; i now stands on the last argument taken
    Bad,     // one of ours, but its value is missing or wrong; `problem` says why
};

// Takes the shared option at args[i] into `options`:
//   --simulate, --sim-no-keyboard (implies --simulate), --sim-firmware V,
//   --trace, --dir D
OptionResult TakeProgramOption(std::span<const std::string_view> args, std::size_t& i,
                               ProgramOptions& options, std::string& problem);

// The help lines of the shared options, for a usage text.
extern const char* const kProgramOptionsHelp;

// Keywright's version, the project's ("0.1.0").
extern const char* const kProgramVersion;

// The world a simulated run works on: the standard devices (without the
// keyboard when the options say so), the keyboard answering the chosen
// firmware version, every report, packet and filter request printed on
// `trace`.
std::unique_ptr<sim::SimWorld> MakeSimulatedWorld(const ProgramOptions& options,
                                                  std::ostream& trace);

} // namespace keywright
