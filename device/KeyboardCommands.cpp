#include "device/KeyboardCommands.h"

namespace keywright {
namespace {

constexpr std::uint8_t kReportId = 0x07;
constexpr std::uint8_t kLightingGroup = 0xFF;
constexpr std::uint8_t kSideLight = 0x20;

std::uint8_t LowByte(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace

KeyboardCommands::KeyboardCommands(HidDevice& device, LedEffectTable& effects,
                                   SideModelTable& sides, Clock& clock)
    : device_(device), effects_(effects), sides_(sides), clock_(clock), lastCommand_(clock.Now()) {}

Report KeyboardCommands::MainEffectReport(int effectIndex, const LedEffectEntry& entry) {
    // The keyboard takes "selection 2" (the centre loader choice) as motion on.
    const std::uint8_t motion = entry.selection == 2 ? 1 : 0;
    return {kReportId,        kLightingGroup, 0xFF,   LowByte(effectIndex),
            entry.brightness, entry.speed,    motion, 0x00};
}

Report KeyboardCommands::ReplayReport(int effectIndex, const LedEffectEntry& entry) {
    return {kReportId,   kLightingGroup,  0xFF,           LowByte(effectIndex), entry.brightness,
            entry.speed, entry.direction, entry.selection};
}

Report KeyboardCommands::SideLightReport(int modeIndex, const SideModelEntry& entry) {
    const auto levelAndMode =
        static_cast<std::uint8_t>((entry.levelByte & 0xF0) | (modeIndex & 0x0F));
    return {kReportId, kLightingGroup, 0xFF, kSideLight, 0x00, 0x00, levelAndMode, 0x00};
}

void KeyboardCommands::Pace() const {
    // An absolute deadline: a command long after the last one does not wait.
    clock_.SleepUntil(lastCommand_ + kCommandSpacing);
}

bool KeyboardCommands::SendMainEffect(int effectIndex) {
    const LedEffectEntry* entry = effects_.GetEntry(effectIndex);
    if (entry == nullptr)
        return false;
    const Report report = MainEffectReport(effectIndex, *entry);
    Pace();
    const bool sent = device_.SetFeature(report.data());
    lastCommand_ = clock_.Now();
    return sent;
}

bool KeyboardCommands::SendSideLight(int modeIndex) {
    const SideModelEntry* entry = sides_.GetEntry(modeIndex);
    if (entry == nullptr)
        return false;
    const Report report = SideLightReport(modeIndex, *entry);
    Pace();
    const bool sent = noSideLight_ == 0 && device_.SetFeature(report.data());
    lastCommand_ = clock_.Now();
    return sent;
}

bool KeyboardCommands::SendReplay(int effectIndex) {
    const LedEffectEntry* entry = effects_.GetEntry(effectIndex);
    if (entry == nullptr)
        return false;
    const Report report = ReplayReport(effectIndex, *entry);
    return device_.SetFeature(report.data());
}

int KeyboardCommands::ReplayMainEffect(int /*firstArg*/, int effectIndex,
                                       const std::uint8_t* /*data*/, std::size_t /*length*/) {
    SendReplay(effectIndex);
    return 0;
}

void KeyboardCommands::QueryFirmwareVersion() {
    if (!device_.IsOpen())
        return;
    Report report = kVersionQuery;
    if (device_.SetFeature(report.data()) && device_.GetFeature(report.data()))
        firmwareVersion_ = report[1] * 256 + report[2];
}

bool KeyboardCommands::SendFactoryReset() {
    return device_.Write(kFactoryReset.data()) != 0;
}

} // namespace keywright
