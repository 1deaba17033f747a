#pragma once

#include "base/Clock.h"
#include "engine/VHidev.h"
#include "settings/RecordStore.h"
#include "threads/EasyThread.h"

#include <cstdint>

namespace keywright {

// Where a key code lands on the virtual device: the page and usage that
// VHidev::OutputUsage takes.
struct OutputTarget {
    std::uint16_t page = 0;
    std::uint16_t usage = 0;
};

// Turns a key code into its output. The catalogue files mouse buttons under
// page 0x01 usages 1-5, which the virtual device does not take; they become
// its mouse button bits (page 0x05): left 0, right 1, middle 2, back (left
// side) 3, forward (right side) 4. Every other code goes as it is.
OutputTarget ToOutputTarget(KeyCode code);

// What assigned keys do, fed by the key monitor: a key that stands for
// another key, mouse button, media or system control is passed on press by
// press; a key that plays a macro or key combination starts a playback of the
// record's steps on the playback thread, with the stop rule of its mode.
//
// Playback modes (KeyRecord::play, PlayMode in settings/KeyRecord.h):
//   kPlayPassThrough        each down and up of the key is passed on as the first step's code
//   kPlayRepeat             a down plays the steps `repeat` times
//   kPlayWhileHeld          a down plays them until the key goes up
//   kPlayUntilPressedAgain  a down plays them until the key goes down again
//   kPlayUntilOtherKey      a down plays them until another key goes down (that press
//                           does nothing else)
//   kPlayUntilAnyKey        a down plays them until any key goes down, this one included
//   kPlayOnce               a down plays them once
// A mode's stop rule comes first: the event that stops a playback is used up.
//
// Threads: OnKeyEvent runs on the key reader thread (holding the monitor's
// listenerLock), PlayMacro on the playback thread, StopPlayback on the UI
// thread. currentRecord is guarded by the playback thread's dataLock, which
// is never held across a Stop (the ending playback needs it). Lock order:
// listenerLock, dataLock, the device's deviceLock.
class OutputEngine {
  public:
    // Macro delays are waited on `clock`.
    OutputEngine(RecordStore& records, VHidev& device, Clock& clock = SystemClock());
    ~OutputEngine(); // stops the playback

    // The key monitor's listener: page 0-255, usage 0-65535, down 1 or 0.
    // Always 0, so later listeners still see the event.
    int OnKeyEvent(int page, int usage, int down);
    // The playback thread's run callback. Always 0.
    int PlayMacro(IEasyThread* thread, void* owner);

    // Ends a running playback and waits for it (restore factory, teardown).
    void StopPlayback();
    // The code of the record being played, 0 when none (for tests).
    KeyCode PlayingCode();

  private:
    // Presses or releases one step's key on the virtual device.
    void Output(KeyCode code, bool down);
    void StartPlayback(const KeyRecord& record);

    RecordStore& records_;
    VHidev& device_;
    Clock& clock_;
    EasyThread playbackThread_;
    KeyRecord currentRecord_; // under playbackThread_.Lock()
};

} // namespace keywright
