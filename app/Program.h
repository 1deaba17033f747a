#pragma once

#include "app/CMainDlg.h"
#include "ctl/ProgramOptions.h"
#include "engine/KeyEngineClaim.h"
#include "engine/VHidev.h"
#include "settings/SettingsRegistry.h"

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace keywright::sim {
class SimWorld;
}
namespace keywright::ui {
class Toolkit;
}

namespace keywright::app {

class SimulatedKeyboardInput;
class SingleInstance;

// What the command line asks for.
struct StartOptions {
    ProgramOptions program;
    // The tail, once our own options are taken out, is exactly "-hid".
    bool hidden = false;
    // --screenshot FILE: write the initialised main window to FILE (PNG) and end.
    std::string screenshot;
    // --screenshot-dialog: the screenshot shows the assignment dialog, opened
    // for F1 on the main window, instead.
    bool screenshotDialog = false;
    bool help = false;
};

// Our own options (the shared ones and --screenshot, --help) are taken out
// first, wherever they stand; what is left, joined by blanks, is the tail
// that "-hid" is compared with, whole and case-sensitively. nullopt with
// `problem` set for an option of ours that is wrong.
std::optional<StartOptions> ParseCommandLine(std::span<const std::string_view> args,
                                             std::string& problem);
extern const char* const kUsageText;

// What a test puts in place of the program's own surroundings. Every field
// is optional.
struct ProgramEnvironment {
    platform::Backend* backend = nullptr; // null: chosen by the options
    MessageBoxFunction messageBox;        // null: the program's message box
    std::function<bool()> trayAvailable;  // null: asks the desktop
    std::string instanceName;             // empty: the user's instance socket
    Clock* clock = nullptr;               // null: the system's clock
    // The session autostart entry the "more" menu turns on and off; empty:
    // the user's own (ctl/Autostart.h).
    std::filesystem::path autostartEntry;
    // The simulated world behind `backend`, when it is one: with
    // --simulate, keys typed into the windows go to its filter.
    sim::SimWorld* world = nullptr;
};

// The process from start to end: the start-up in its order, the main window,
// the message loop and the teardown. Needs a QApplication.
class Program {
  public:
    Program(StartOptions options, ProgramEnvironment environment = {});
    // Teardown: the window first, then the toolkit and the instance lock.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Brings the process up to a running main window. nullopt when there is
    // a window to run (it may already have been destroyed by its
    // initialisation, when there is no keyboard), else the exit code: 0 when
    // another instance took the start, or after a screenshot; 1 when the
    // screenshot could not be written, there is no settings folder (the
    // reason on standard error), or `keywright-ctl run` drives the keyboard
    // filter (said in a message box).
    std::optional<int> Start();
    // The message loop until the main window is destroyed: 0 when it was
    // closed, 1 when it ended during its initialisation (no keyboard).
    int Run();

    CMainDlg* MainWindow() { return window_.get(); }
    SettingsRegistry& Settings() { return *settings_; }
    VHidev& VirtualDevice() { return *virtualDevice_; }
    sim::SimWorld* World() { return world_ ? world_.get() : environment_.world; }
    platform::Backend& Backend() { return *backend_; }

  private:
    void LoadSettings();
    int WriteScreenshot();

    StartOptions options_;
    ProgramEnvironment environment_;
    std::unique_ptr<sim::SimWorld> world_;
    std::unique_ptr<platform::Backend> nativeBackend_;
    platform::Backend* backend_ = nullptr;
    std::unique_ptr<VHidev> virtualDevice_;
    std::unique_ptr<SettingsRegistry> settings_;
    std::unique_ptr<ui::Toolkit> toolkit_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<KeyEngineClaim> engineClaim_; // outlives the window, which drives the filter
    std::unique_ptr<SimulatedKeyboardInput> simulatedKeys_;
    std::unique_ptr<CMainDlg> window_;
    bool endedInInit_ = false;
};

// main(): parses the command line and runs the program.
int RunKeywright(int argc, char** argv);

} // namespace keywright::app
