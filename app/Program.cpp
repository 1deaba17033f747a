#include "app/Program.h"

#include "app/CMessageBox.h"
#include "app/InstanceTag.h"
#include "app/NamedIds.h"
#include "app/SimulatedKeyboardInput.h"
#include "app/SingleInstance.h"
#include "assign/dialog/MacroRecordDlg.h"
#include "ctl/Autostart.h"
#include "ctl/ProgramFolders.h"
#include "engine/DriverInstaller.h"
#include "platform/NativeBackend.h"
#include "platform/sim/SimWorld.h"
#include "ui/Toolkit.h"
#include "widgets/WidgetClasses.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <iostream>
#include <vector>

namespace keywright::app {
namespace {

constexpr const char* kEngineTakenText =
    "keywright-ctl run is driving the keyboard's keys; stop it before starting Keywright.";

} // namespace

const char* const kUsageText = R"(usage: keywright [options] [-hid]

  -hid                start with the window hidden (in the tray; minimised where there is none)
  --screenshot FILE   write the main window, as initialised, to FILE (PNG) and end
  --screenshot-dialog with --screenshot: write the assignment dialog as a click on F1 opens it
  --help              print this text
)";

std::optional<StartOptions> ParseCommandLine(std::span<const std::string_view> args,
                                             std::string& problem) {
    StartOptions options;
    std::string tail;
    bool first = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const OptionResult taken = TakeProgramOption(args, i, options.program, problem);
        if (taken == OptionResult::Bad)
            return std::nullopt;
        if (taken == OptionResult::Taken)
            continue;
        if (args[i] == "--screenshot") {
            if (i + 1 == args.size() || args[i + 1].empty()) {
                problem = "--screenshot needs a file name";
                return std::nullopt;
            }
            options.screenshot = std::string(args[++i]);
            continue;
        }
        if (args[i] == "--screenshot-dialog") {
            options.screenshotDialog = true;
            continue;
        }
        if (args[i] == "--help") {
            options.help = true;
            continue;
        }
        if (!first)
            tail += ' ';
        tail += args[i];
        first = false;
    }
    if (options.screenshotDialog && options.screenshot.empty()) {
        problem = "--screenshot-dialog needs --screenshot FILE";
        return std::nullopt;
    }
    options.hidden = tail == "-hid";
    // The program works from its resource folder; names the caller gave are
    // meant from where it was started. Without --dir the settings folder is
    // chosen at start (ProgramFolders).
    std::error_code error;
    if (!options.program.dir.empty()) {
        if (const auto dir = std::filesystem::absolute(options.program.dir, error); !error)
            options.program.dir = dir;
    }
    if (!options.screenshot.empty()) {
        if (const auto file = std::filesystem::absolute(options.screenshot, error); !error)
            options.screenshot = file.string();
    }
    return options;
}

Program::Program(StartOptions options, ProgramEnvironment environment)
    : options_(std::move(options)), environment_(std::move(environment)) {}

Program::~Program() {
    window_.reset();
    simulatedKeys_.reset();
    instance_.reset();
    toolkit_.reset();
}

void Program::LoadSettings() {
    // Each store handles a missing or broken file itself.
    settings_->GetMacroSettings().Load(settings_->FilePath("macro.xml"));
    settings_->GetRecordStore().Load(settings_->FilePath("record.xml"));
    settings_->GetSideModelTable().Load(settings_->FilePath("sidemodel.xml"));
    settings_->GetLedEffectTable().Load(settings_->FilePath("ledeffect.xml"));
}

std::optional<int> Program::Start() {
    // Where the resources are and the settings go; an installed copy makes
    // the user's settings folder on its first start.
    std::string problem;
    const std::optional<ProgramFolders> folders = ProgramFoldersFor(options_.program.dir, problem);
    if (!folders) {
        std::cerr << "keywright: " << problem << "\n";
        return 1;
    }
    options_.program.dir = folders->settings;

    // The world the program works on.
    if (environment_.backend != nullptr) {
        backend_ = environment_.backend;
    } else if (options_.program.simulate) {
        world_ = MakeSimulatedWorld(options_.program, std::cerr);
        backend_ = &world_->Backend();
    } else {
        nativeBackend_ = platform::CreateNativeBackend();
        backend_ = nativeBackend_.get();
    }
    const Trace trace = options_.program.trace ? StdoutTrace() : Trace([](std::string_view) {});

    // The virtual device is put in place, then releases whatever a previous
    // run may have left pressed.
    virtualDevice_ = std::make_unique<VHidev>(backend_->Hid(), trace);
    DriverInstaller(backend_->Processes(), *virtualDevice_).EnsureVirtualDevice("");
    virtualDevice_->ReleaseAll();

    // The resource folder holds the resource package; relative paths resolve
    // against it.
    const std::filesystem::path& programFolder = folders->resources;
    QDir::setCurrent(QString::fromStdString(programFolder.string()));

    // One toolkit per process: a start made inside a process that already
    // runs the program (a test's second start) shares it.
    if (ui::Toolkit::Instance() == nullptr)
        toolkit_ = std::make_unique<ui::Toolkit>();
    ui::Toolkit& toolkit = *ui::Toolkit::Instance();
    toolkit.OpenPackage(QString::fromStdString((programFolder / "uires").string()));
    toolkit.Ids().Register(NamedIds());
    toolkit.LoadDefinition(QStringLiteral("uidef:xml_init"));

    settings_ = std::make_unique<SettingsRegistry>(options_.program.dir);
    AppConfig& config = settings_->GetAppConfig();
    config.Load();
    // Without the language resource the texts show untranslated.
    toolkit.LoadLanguage(config.Chinese() != 0 ? QStringLiteral("lang_cn")
                                               : QStringLiteral("lang_en"));
    widgets::RegisterWidgetClasses(toolkit.Registry());
    LoadSettings();

    // One instance per user; a later start brings this one's window forward.
    const QString tag = InstanceTag();
    instance_ = std::make_unique<SingleInstance>(
        backend_->Locks(), tag,
        environment_.instanceName.empty() ? SingleInstance::ServerName(tag)
                                          : QString::fromStdString(environment_.instanceName));
    if (options_.screenshot.empty() && !instance_->Claim([this] {
            if (window_)
                window_->BringForward();
        }))
        return 0;

    std::filesystem::path autostart = environment_.autostartEntry;
    if (autostart.empty()) {
        std::string noFolder; // then the menu item stays inert
        autostart = AutostartEntryPath(CurrentFolderSurroundings(), noFolder)
                        .value_or(std::filesystem::path());
    }
    // `keywright-ctl run` may already drive the keyboard filter.
    engineClaim_ = std::make_unique<KeyEngineClaim>(backend_->Locks());
    if (!engineClaim_->Held()) {
        const MessageBoxFunction show = environment_.messageBox
                                            ? environment_.messageBox
                                            : MessageBoxFunction(ShowPackageMessageBox);
        show(nullptr, QStringLiteral("Keywright"), QString::fromUtf8(kEngineTakenText),
             ui::MessageButtons::Ok);
        std::cerr << "keywright: " << kEngineTakenText << "\n";
        return 1;
    }

    MainWindowContext context{*backend_,
                              *settings_,
                              *virtualDevice_,
                              trace,
                              environment_.messageBox ? environment_.messageBox
                                                      : MessageBoxFunction(ShowPackageMessageBox),
                              environment_.trayAvailable,
                              environment_.clock,
                              autostart,
                              WindowProgramPath()};
    if (options_.program.simulate && World() != nullptr)
        simulatedKeys_ = std::make_unique<SimulatedKeyboardInput>(World()->Filter());
    window_ = std::make_unique<CMainDlg>(std::move(context));
    window_->Create();
    if (window_->IsDestroyed()) {
        endedInInit_ = true;
        return std::nullopt;
    }
    window_->CenterOnScreen();
    if (!options_.screenshot.empty())
        return WriteScreenshot();
    if (options_.hidden)
        window_->HideToTray();
    else
        window_->show();
    return std::nullopt;
}

int Program::WriteScreenshot() {
    window_->show();
    QApplication::processEvents();
    std::unique_ptr<assign::MacroRecordDlg> dialog;
    if (options_.screenshotDialog) {
        constexpr qint32 kF1 = 0x3A;
        dialog = window_->MakeAssignmentDialog(kF1, QStringLiteral("F1"));
        dialog->Create();
        dialog->show();
        QApplication::processEvents();
    }
    const QPixmap picture = dialog ? dialog->grab() : window_->grab();
    dialog.reset();
    const QString file = QString::fromStdString(options_.screenshot);
    if (picture.isNull() || !picture.save(file, "PNG")) {
        std::cerr << "keywright: cannot write the screenshot " << options_.screenshot << "\n";
        return 1;
    }
    window_->DestroyWindow();
    return 0;
}

int Program::Run() {
    if (!window_)
        return 0;
    const int code = ui::RunMessageLoop(*window_);
    (void)code;
    // A window ended by its own initialisation is a start that failed (no
    // keyboard); a window that was closed is a normal end.
    return endedInInit_ ? 1 : 0;
}

int RunKeywright(int argc, char** argv) {
    QApplication application(argc, argv);
    // Desktops find the window's desktop entry, and so its name and icon, by
    // this ID (Wayland's app_id).
    QGuiApplication::setDesktopFileName(QStringLiteral(KEYWRIGHT_APP_ID));
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    std::string problem;
    const std::optional<StartOptions> options = ParseCommandLine(args, problem);
    if (!options) {
        std::cerr << "keywright: " << problem << "\n\n" << kUsageText << kProgramOptionsHelp;
        return 2;
    }
    if (options->help) {
        std::cout << kUsageText << kProgramOptionsHelp;
        return 0;
    }
    Program program(*options);
    if (const std::optional<int> ended = program.Start())
        return *ended;
    return program.Run();
}

} // namespace keywright::app
