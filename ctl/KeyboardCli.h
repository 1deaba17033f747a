#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace keywright::ctl {

struct KeyboardCliOptions {
    bool simulate = false;     // run against the simulated world, with its trace
    bool trace = false;        // the keyboard link's own trace lines on standard output
    std::filesystem::path dir; // the program folder (ledeffect.xml, sidemodel.xml)
    std::optional<std::uint16_t> simulatedFirmware; // the simulated keyboard's version answer
};

// list, version, effect, side, replay, factory-reset, keys, send. `args` starts with the
// command word. Returns the exit code.
int RunKeyboardCommand(const KeyboardCliOptions& options,
                       const std::vector<std::string_view>& args);

} // namespace keywright::ctl
