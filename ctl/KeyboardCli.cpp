#include "ctl/KeyboardCli.h"

#include "ctl/Arguments.h"
#include "device/HidDevice.h"
#include "device/HidDiscovery.h"
#include "device/KeyboardCommands.h"
#include "engine/KeyMonitor.h"
#include "engine/VHidev.h"
#include "platform/Interrupt.h"
#include "platform/NativeBackend.h"
#include "platform/sim/SimWorld.h"
#include "settings/KeyCatalogue.h"
#include "settings/SettingsRegistry.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>

namespace keywright::ctl {
namespace {

std::string VersionText(std::int32_t version) {
    return std::to_string(version >> 8) + "." + std::to_string(version & 0xFF);
}

// The options of a command: "--name value" pairs, each a number in a range.
struct OptionSpec {
    const char* name;
    int low;
    int high;
};

std::optional<std::map<std::string, int>> ParseOptions(const std::vector<std::string_view>& args,
                                                       size_t first,
                                                       std::initializer_list<OptionSpec> specs) {
    std::map<std::string, int> values;
    for (size_t i = first; i < args.size(); i += 2) {
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& s : specs)
            if (args[i] == s.name)
                spec = &s;
        if (spec == nullptr) {
            Usage("unexpected argument '" + std::string(args[i]) + "'");
            return std::nullopt;
        }
        const auto value =
            i + 1 < args.size() ? ParseNumber(args[i + 1], spec->low, spec->high) : std::nullopt;
        if (!value) {
            Usage(std::string(spec->name) + " takes a number from " + std::to_string(spec->low) +
                  " to " + std::to_string(spec->high));
            return std::nullopt;
        }
        values[spec->name] = *value;
    }
    return values;
}

// The keyboard, opened as the program opens it, with what commands need.
class Session {
  public:
    Session(platform::Backend& backend, const KeyboardCliOptions& options)
        : registry_(options.dir),
          device_(backend.Hid(), backend.Locks(),
                  options.trace ? StdoutTrace() : Trace([](std::string_view) {})),
          commands_(device_, registry_.GetLedEffectTable(), registry_.GetSideModelTable()) {}

    // Opens the first supported keyboard; on failure says why and gives the
    // exit code.
    int Open() {
        const auto row = OpenSupportedKeyboard(device_);
        if (row) {
            commands_.SetNoSideLight(row->noSideLight);
            return kOk;
        }
        const platform::HidOpenResult& failure = device_.LastOpenResult();
        if (failure.error == platform::HidOpenError::PermissionDenied) {
            std::cerr << "keywright-ctl: " << failure.message << "\n";
            return kNoAccess;
        }
        std::cerr << "keywright-ctl: no supported keyboard found (1a2c:9ff6 or 1a2c:0116)";
        if (!failure.message.empty())
            std::cerr << ": " << failure.message;
        std::cerr << "\n";
        return kNoKeyboard;
    }

    SettingsRegistry& Registry() { return registry_; }
    HidDevice& Device() { return device_; }
    KeyboardCommands& Commands() { return commands_; }

    // Loads the lighting tables as the program does at start.
    void LoadLighting() {
        registry_.GetSideModelTable().Load(registry_.FilePath("sidemodel.xml"));
        registry_.GetLedEffectTable().Load(registry_.FilePath("ledeffect.xml"));
    }

  private:
    SettingsRegistry registry_;
    HidDevice device_;
    KeyboardCommands commands_;
};

int Sent(bool delivered, const char* what) {
    if (!delivered) {
        std::cerr << "keywright-ctl: the keyboard did not take the " << what << " report\n";
        return kFailed;
    }
    return kOk;
}

int List(platform::Backend& backend, const KeyboardCliOptions& options) {
    const Trace quiet = options.trace ? StdoutTrace() : Trace([](std::string_view) {});
    int found = 0;
    for (size_t row = 0; row < SupportedKeyboards.size(); ++row) {
        const SupportedKeyboard& keyboard = SupportedKeyboards[row];
        for (const HidInterfaceInfo& info :
             EnumerateHidInterfaces(backend.Hid(), quiet, keyboard.vendorId, &keyboard.productId, 1,
                                    keyboard.interfaceNumber, keyboard.collectionNumber)) {
            Session session(backend, options);
            std::string version = "firmware unknown";
            if (session.Device().Open(info.path, kReadWriteShared)) {
                session.Commands().QueryFirmwareVersion();
                if (session.Commands().FirmwareVersion() >= 0)
                    version = "firmware " + VersionText(session.Commands().FirmwareVersion());
            } else if (!session.Device().LastOpenResult().message.empty()) {
                version = "cannot open: " + session.Device().LastOpenResult().message;
            }
            std::printf("row %zu  %04x:%04x  %s  %s\n", row + 1, keyboard.vendorId,
                        keyboard.productId, info.path.c_str(), version.c_str());
            ++found;
        }
    }
    std::fflush(stdout);
    if (found == 0) {
        std::cerr << "keywright-ctl: no supported keyboard found (1a2c:9ff6 or 1a2c:0116)\n";
        return kNoKeyboard;
    }
    return kOk;
}

// Prints each key event the filter reports: "down 07:0004 A".
class KeyPrinter {
  public:
    int OnKey(int page, int usage, int down) {
        const KeyInfo& info = FindKeyInfo(
            MakeKeyCode(static_cast<std::uint16_t>(page), static_cast<std::uint16_t>(usage)));
        char head[32];
        std::snprintf(head, sizeof head, "%s %02x:%04x", down != 0 ? "down" : "up", page, usage);
        std::string line = head;
        if (!info.name.empty())
            line.append(" ").append(info.name);
        std::cout << line << std::endl;
        return 0;
    }
};

// The key presses of a --simulate run: A, then Play Pause.
constexpr struct {
    std::uint8_t page;
    std::uint16_t usage;
    bool down;
} kScriptedKeys[] = {
    {0x07, 0x04, true}, {0x07, 0x04, false}, {0x0C, 0xCD, true}, {0x0C, 0xCD, false}};

int Keys(platform::Backend& backend, sim::SimWorld* simulated) {
    KeyPrinter printer;
    HidUsbFilter::KeyMonitor monitor(backend.Filter());
    monitor.Subscribe(&printer, &KeyPrinter::OnKey);
    if (monitor.Channel().Open() == platform::kInvalidFilter) {
        std::cerr << "keywright-ctl: the keyboard filter is not there ("
                  << FilterChannel::kDeviceName << " does not open)\n";
        return kNoKeyboard;
    }
    if (!monitor.RestartReader()) {
        std::cerr << "keywright-ctl: could not start the key reader\n";
        return kFailed;
    }
    if (simulated == nullptr) {
        platform::WaitForInterrupt();
        return kOk;
    }
    sim::SimFilterService& filter = simulated->Filter();
    constexpr std::chrono::seconds kPatience{10};
    for (const auto& key : kScriptedKeys) {
        filter.InjectKey(key.page, key.usage, key.down);
        // Back for the next key: this one was printed.
        if (!filter.WaitForKeyWait(kPatience)) {
            std::cerr << "keywright-ctl: the key reader stopped taking keys\n";
            return kFailed;
        }
    }
    return kOk;
}

// Taps each code on the virtual device: down, then up. Keyboard keys go
// through the keyboard map as macro playback sets it, the rest by the
// device's page rules.
int Send(platform::Backend& backend, const KeyboardCliOptions& options,
         const std::vector<KeyCode>& codes) {
    VHidev device(backend.Hid(), options.trace ? StdoutTrace() : Trace([](std::string_view) {}));
    if (!device.FindVirtualDevice()) {
        std::cerr << "keywright-ctl: no virtual output device found (deed:feed)\n";
        return kNoKeyboard;
    }
    int result = kOk;
    for (const KeyCode code : codes) {
        const std::uint16_t page = PageOf(code);
        const std::uint16_t usage = UsageOf(code);
        bool taken = true;
        for (const int down : {1, 0}) {
            taken = (page == kKeyboardPage ? device.SetKeyboardBit(usage, down)
                                           : device.OutputUsage(page, usage, down)) &&
                    taken;
        }
        if (!taken) {
            char text[16];
            std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(code));
            std::cerr << "keywright-ctl: the virtual device did not take " << text << "\n";
            result = kFailed;
        }
    }
    return result;
}

int Run(platform::Backend& backend, sim::SimWorld* simulated, const KeyboardCliOptions& options,
        const std::vector<std::string_view>& args) {
    const std::string_view command = args[0];
    if (command == "list")
        return args.size() == 1 ? List(backend, options) : Usage("list takes no arguments");
    if (command == "keys")
        return args.size() == 1 ? Keys(backend, simulated) : Usage("keys takes no arguments");
    if (command == "send") {
        std::vector<KeyCode> codes;
        for (size_t i = 1; i < args.size(); ++i) {
            const auto code = ParseKeyCode(args[i]);
            if (!code)
                return Usage("send takes key codes in hex (0x70004 is A), not '" +
                             std::string(args[i]) + "'");
            codes.push_back(*code);
        }
        if (codes.empty())
            return Usage("send takes one or more key codes in hex (0x70004 is A)");
        return Send(backend, options, codes);
    }

    // Check the arguments before touching the keyboard.
    std::optional<std::map<std::string, int>> values;
    int index = 0;
    if (command == "effect" || command == "side") {
        const bool effect = command == "effect";
        const auto number =
            args.size() > 1 ? ParseNumber(args[1], 0, effect ? 19 : 11) : std::nullopt;
        if (!number)
            return Usage(
                std::string(command) + " takes " +
                (effect ? "an effect number from 0 to 19" : "a side-light mode from 0 to 11"));
        index = *number;
        values = effect ? ParseOptions(args, 2,
                                       {{"--brightness", 0, 4},
                                        {"--speed", 0, 4},
                                        {"--direction", 0, 1},
                                        {"--selection", 0, 3}})
                        : ParseOptions(args, 2, {{"--level", 0, 7}});
        if (!values)
            return kUsage;
    } else if (command == "version" || command == "replay" || command == "factory-reset") {
        if (args.size() != 1)
            return Usage(std::string(command) + " takes no arguments");
    } else {
        return Usage("unknown command '" + std::string(command) + "'");
    }

    Session session(backend, options);
    if (const int opened = session.Open(); opened != kOk)
        return opened;
    session.Commands().MarkCommandTime();

    if (command == "version") {
        session.Commands().QueryFirmwareVersion();
        if (session.Commands().FirmwareVersion() < 0) {
            std::cerr << "keywright-ctl: the keyboard did not answer the version query\n";
            return kFailed;
        }
        std::cout << VersionText(session.Commands().FirmwareVersion()) << std::endl;
        return kOk;
    }
    if (command == "factory-reset")
        return Sent(session.Commands().SendFactoryReset(), "factory reset");

    // The lighting commands store what they send, as the lighting page does.
    session.LoadLighting();
    LedEffectTable& effects = session.Registry().GetLedEffectTable();
    SideModelTable& sides = session.Registry().GetSideModelTable();
    if (command == "replay")
        return Sent(session.Commands().SendReplay(effects.GetCurrent()), "replay");
    if (command == "effect") {
        LedEffectEntry& entry = *effects.GetEntry(index);
        const auto set = [&](const char* name, std::uint8_t& field) {
            if (values->count(name))
                field = static_cast<std::uint8_t>(values->at(name));
        };
        set("--brightness", entry.brightness);
        set("--speed", entry.speed);
        set("--direction", entry.direction);
        set("--selection", entry.selection);
        effects.SetCurrent(index); // saves the entry with it
        return Sent(session.Commands().SendMainEffect(index), "effect");
    }
    SideModelEntry& entry = *sides.GetEntry(index);
    if (values->count("--level"))
        entry.SetLevel(static_cast<std::uint8_t>(values->at("--level")));
    sides.SetCurrent(index);
    return Sent(session.Commands().SendSideLight(index), "side light");
}

} // namespace

int RunKeyboardCommand(const KeyboardCliOptions& options,
                       const std::vector<std::string_view>& args) {
    // Before any thread starts (see CatchInterrupts): the monitor's teardown,
    // which clears the filter's key table, must run after Ctrl+C.
    if (args[0] == "keys" && !options.simulate)
        platform::CatchInterrupts();
    if (options.simulate) {
        const auto simulated = MakeSimulatedWorld(options, std::cout);
        return Run(simulated->Backend(), simulated.get(), options, args);
    }
    const auto backend = platform::CreateNativeBackend();
    return Run(*backend, nullptr, options, args);
}

} // namespace keywright::ctl
