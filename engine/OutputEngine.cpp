#include "engine/OutputEngine.h"

#include <algorithm>

namespace keywright {
namespace {

constexpr int kUnlimited = -1;

// The catalogue's mouse buttons 1-5 in mouse report bit order.
constexpr std::uint16_t kMouseButtonBits[] = {0, 2, 1, 3, 4};

// How many times a playback plays its steps; 0 for modes that do not play.
int PlayCount(const KeyRecord& record) {
    switch (record.play) {
    case kPlayRepeat:
        return record.repeat;
    case kPlayWhileHeld:
    case kPlayUntilPressedAgain:
    case kPlayUntilOtherKey:
    case kPlayUntilAnyKey:
        return kUnlimited;
    case kPlayOnce:
        return 1;
    default:
        return 0;
    }
}

// Holds the playback thread's dataLock for a scope.
class DataLock {
  public:
    explicit DataLock(IEasyThread& thread) : thread_(thread) { thread_.Lock(); }
    ~DataLock() { thread_.Unlock(); }
    DataLock(const DataLock&) = delete;
    DataLock& operator=(const DataLock&) = delete;

  private:
    IEasyThread& thread_;
};

} // namespace

OutputTarget ToOutputTarget(KeyCode code) {
    const std::uint16_t page = PageOf(code);
    const std::uint16_t usage = UsageOf(code);
    if (page == kGenericDesktopPage && usage >= 1 && usage <= 5)
        return {VHidev::kMouseButtonPage, kMouseButtonBits[usage - 1]};
    return {page, usage};
}

OutputEngine::OutputEngine(RecordStore& records, VHidev& device, Clock& clock)
    : records_(records), device_(device), clock_(clock), playbackThread_(clock) {
    playbackThread_.SetOnRun(std::make_unique<EasyThread::Callback<IEasyThread, OutputEngine>>(
        this, &OutputEngine::PlayMacro));
    playbackThread_.SetUserData(&currentRecord_, 0);
}

OutputEngine::~OutputEngine() {
    StopPlayback();
}

void OutputEngine::StopPlayback() {
    playbackThread_.Stop();
}

KeyCode OutputEngine::PlayingCode() {
    DataLock lock(playbackThread_);
    return currentRecord_.code;
}

void OutputEngine::Output(KeyCode code, bool down) {
    // Keyboard steps (page 0x07, and page 0 as older files store them) go to
    // the keyboard map by their low byte; everything else by its own page,
    // so a recorded media key or mouse button plays as itself instead of as
    // an unrelated key.
    const std::uint16_t page = PageOf(code);
    if (page == kKeyboardPage || page == 0) {
        device_.SetKeyboardBit(static_cast<std::uint16_t>(code & 0xFF), down ? 1 : 0);
        return;
    }
    const OutputTarget target = ToOutputTarget(code);
    device_.OutputUsage(target.page, target.usage, down ? 1 : 0);
}

void OutputEngine::StartPlayback(const KeyRecord& record) {
    StopPlayback();
    {
        DataLock lock(playbackThread_);
        currentRecord_ = record;
    }
    playbackThread_.Start(this);
}

int OutputEngine::OnKeyEvent(int page, int usage, int down) {
    const KeyCode code = MakeKeyCode(static_cast<std::uint16_t>(page & 0xFFFF),
                                     static_cast<std::uint16_t>(usage & 0xFFFF));

    // The stop rule of the current playback mode comes first; the event that
    // triggers one is used up by it.
    std::int32_t play = 0;
    KeyCode playing = 0;
    {
        DataLock lock(playbackThread_);
        play = currentRecord_.play;
        playing = currentRecord_.code;
    }
    const bool stopsPlayback = (play == kPlayWhileHeld && !down && code == playing) ||
                               (play == kPlayUntilPressedAgain && down && code == playing) ||
                               (play == kPlayUntilOtherKey && down) ||
                               (play == kPlayUntilAnyKey && down);
    if (stopsPlayback) {
        if (play == kPlayUntilOtherKey && code == playing)
            return 0; // the playing key's own repeats do nothing
        StopPlayback();
        if (play == kPlayUntilOtherKey || play == kPlayUntilAnyKey) {
            DataLock lock(playbackThread_);
            currentRecord_.play = kPlayNone;
        }
        return 0;
    }

    // Every record of the key acts, in list order.
    const auto records = records_.Snapshot();
    for (const KeyRecord& record : *records) {
        if (record.code != code)
            continue;
        if (record.play == kPlayPassThrough) {
            if (!record.steps.empty()) {
                const OutputTarget target = ToOutputTarget(record.steps.front().code);
                device_.OutputUsage(target.page, target.usage, down);
            }
        } else if (StartsPlayback(record.play) && down) {
            StartPlayback(record);
        }
    }
    return 0;
}

int OutputEngine::PlayMacro(IEasyThread* thread, void* /*owner*/) {
    std::vector<MacroItem> steps;
    KeyCode code = 0;
    int count = 0;
    {
        DataLock lock(*thread);
        steps = currentRecord_.steps;
        code = currentRecord_.code;
        count = PlayCount(currentRecord_);
    }
    if (code == 0 || count == 0) {
        // Finished: nothing to play until the next Stop, so sleep until then
        // instead of polling.
        thread->Wait(-1);
        return 0;
    }

    // Steps are due on a timeline that starts now, so a late wake-up shortens
    // the next wait instead of delaying every step after it: a long macro ends
    // when its delays add up to. After a stall (a suspended machine, a starved
    // process) the timeline starts again from the moment of waking, rather
    // than firing the missed steps in a burst.
    constexpr auto kMostBehind = std::chrono::milliseconds(50);
    Clock::TimePoint due = clock_.Now();
    bool stopped = false;
    while (!stopped) {
        if (count != kUnlimited) {
            if (count == 0)
                break;
            --count;
        }
        if (thread->IsStopRequested())
            break;
        for (const MacroItem& step : steps) {
            if (thread->IsStopRequested()) {
                stopped = true;
                break;
            }
            Output(step.code, step.state != 0);
            // The delay follows the step, at least 1 ms; a stop ends it early.
            const Clock::TimePoint now = clock_.Now();
            if (now - due > kMostBehind)
                due = now;
            due += std::chrono::milliseconds(
                std::max<std::uint32_t>(std::min<std::uint32_t>(step.delay, 0x7FFFFFFF), 1));
            thread->WaitUntil(due);
        }
        // An empty unlimited macro only turns until stopped; keep it from
        // spinning a core meanwhile.
        if (steps.empty() && count == kUnlimited)
            thread->Wait(1);
    }

    {
        DataLock lock(*thread);
        currentRecord_.code = 0;
    }
    // Nothing the macro pressed stays down, whatever its own release steps did.
    for (const MacroItem& step : steps)
        if (step.state != 0)
            Output(step.code, false);
    return 0;
}

} // namespace keywright
