#pragma once

#include "base/Clock.h"
#include "device/HidDevice.h"
#include "settings/LedEffectTable.h"
#include "settings/SideModelTable.h"

#include <array>
#include <chrono>
#include <cstdint>

namespace keywright {

using Report = std::array<std::uint8_t, HidDevice::kReportLength>;

// The keyboard's command reports (report id 7, 8 bytes), built from the
// lighting tables and sent through the keyboard's HidDevice. The main window
// owns one and calls it; it keeps the time of the last paced command and the
// firmware version last read.
//
// Threads: everything runs on the UI thread except ReplayMainEffect, which the
// scheduler's worker calls once after start-up; the device serialises the
// transfers themselves.
//
// The spacing is measured on `clock`, which must outlive the commands.
class KeyboardCommands {
  public:
    static constexpr std::chrono::milliseconds kCommandSpacing{100};

    KeyboardCommands(HidDevice& device, LedEffectTable& effects, SideModelTable& sides,
                     Clock& clock = SystemClock());

    // Copied from the row of the supported keyboard that opened.
    void SetNoSideLight(std::int32_t flag) { noSideLight_ = flag; }
    // Starts the command spacing afresh: at window initialisation and after
    // every refresh of the keyboard connection.
    void MarkCommandTime() { lastCommand_ = clock_.Now(); }

    // The senders return whether the keyboard took the report; the window
    // ignores that (a command that cannot be delivered is simply lost), the
    // command-line tool reports it.

    // Effect index -1 stands for the current effect, and is sent as 0xFF.
    // Nothing is sent when the index has no entry.
    bool SendMainEffect(int effectIndex);
    // Mode index -1 stands for the current mode (its low nibble, 0xF, is sent).
    // Models with the no-side-light flag get nothing, but the spacing still
    // counts the command.
    bool SendSideLight(int modeIndex);
    // The raw entry, unpaced and without moving the spacing mark.
    bool SendReplay(int effectIndex);
    // The delayed replay after start-up, as the scheduler calls it: SendReplay
    // of effectIndex; the other arguments are unused. Returns 0.
    int ReplayMainEffect(int firstArg, int effectIndex, const std::uint8_t* data,
                         std::size_t length);
    // Reads major.minor when the keyboard is open; keeps the old value on any
    // failure.
    void QueryFirmwareVersion();
    bool SendFactoryReset();

    // major * 256 + minor, or -1 when no version is known.
    std::int32_t FirmwareVersion() const { return firmwareVersion_; }
    void ForgetFirmwareVersion() { firmwareVersion_ = -1; }

    static Report MainEffectReport(int effectIndex, const LedEffectEntry& entry);
    static Report ReplayReport(int effectIndex, const LedEffectEntry& entry);
    static Report SideLightReport(int modeIndex, const SideModelEntry& entry);
    static constexpr Report kVersionQuery{0x07, 0xF1, 0, 0, 0, 0, 0, 0};
    static constexpr Report kFactoryReset{0x07, 0xF0, 0xAA, 0, 0, 0, 0, 0};

  private:
    // Waits out the rest of the spacing since the last paced command.
    void Pace() const;

    HidDevice& device_;
    LedEffectTable& effects_;
    SideModelTable& sides_;
    Clock& clock_;
    std::int32_t noSideLight_ = 0;
    // The construction counts as a command: the first one waits out the
    // spacing too.
    Clock::TimePoint lastCommand_;
    std::int32_t firmwareVersion_ = -1;
};

} // namespace keywright
