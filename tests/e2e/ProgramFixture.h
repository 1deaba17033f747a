#pragma once

// The whole program on a simulated world, offscreen: start it as the
// command line would, drive its main window, and read what the simulated
// keyboard, filter and virtual device received and what the settings files
// hold.

#include "app/CMainDlg.h"
#include "app/Program.h"
#include "platform/sim/SimModels.h"
#include "platform/sim/SimWorld.h"
#include "settings/LedEffectTable.h"
#include "support/TempFolder.h"
#include "ui/ComboBox.h"
#include "ui/Event.h"
#include "ui/Slider.h"
#include "ui/StockControls.h"
#include "ui/WindowTree.h"

#include <QCoreApplication>
#include <QString>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace keywright::app::test {

using Bytes = std::vector<std::uint8_t>;

// A message box the program showed; the fixture answers it at once.
struct ShownBox {
    QString caption;
    QString text;
    ui::MessageButtons buttons = ui::MessageButtons::Ok;
    bool owned = false;
};

class ProgramTest : public testing::Test {
  protected:
    // The world: the standard devices, the keyboard included unless told.
    void MakeWorld(bool withKeyboard = true, sim::SimWorldOptions options = {}) {
        world = std::make_unique<sim::SimWorld>(options);
        keyboard = world->PlugStandardDevices();
        if (!withKeyboard)
            world->Unplug(keyboard);
    }

    ProgramEnvironment Environment() {
        ProgramEnvironment environment;
        environment.backend = &world->Backend();
        environment.messageBox = [this](QWidget* owner, const QString& caption, const QString& text,
                                        ui::MessageButtons buttons) {
            boxes.push_back({caption, text, buttons, owner != nullptr});
            return answer;
        };
        environment.trayAvailable = [this] {
            return trayAvailable;
        };
        environment.instanceName = instanceName;
        environment.autostartEntry = session / "autostart" / "keywright.desktop";
        environment.clock = clock;
        environment.world = world.get();
        return environment;
    }

    // Starts the program with `args` (the settings folder is the test's);
    // the result of Program::Start.
    std::optional<int> Start(std::vector<std::string> args = {}) {
        if (!world)
            MakeWorld();
        args.insert(args.begin(), {"--dir", folder.Path().string()});
        const std::vector<std::string_view> views(args.begin(), args.end());
        std::string problem;
        const auto options = ParseCommandLine(views, problem);
        EXPECT_TRUE(options) << problem;
        program = std::make_unique<Program>(*options, Environment());
        return program->Start();
    }

    // Starts with a keyboard and expects a running window.
    CMainDlg& StartRunning(std::vector<std::string> args = {}) {
        EXPECT_EQ(Start(std::move(args)), std::nullopt);
        EXPECT_NE(program->MainWindow(), nullptr);
        return *program->MainWindow();
    }

    CMainDlg& Window() { return *program->MainWindow(); }

    template <class T>
    T* Find(const char* name) {
        return ui::Find<T>(program->MainWindow(), QString::fromLatin1(name));
    }

    // Hands queued device notifications to the window.
    static void DeliverNotifications() { QCoreApplication::sendPostedEvents(); }

    // The feature reports the keyboard was sent (set-feature), in order.
    std::vector<Bytes> Sent() const {
        std::vector<Bytes> sent;
        for (const sim::SimReport& report : world->Reports(keyboard))
            if (report.kind == sim::SimReportKind::SetFeature)
                sent.push_back(report.bytes);
        return sent;
    }
    // The same without the version queries.
    std::vector<Bytes> LightingSent() const {
        std::vector<Bytes> sent;
        for (Bytes& bytes : Sent())
            if (bytes != Bytes{0x07, 0xF1, 0, 0, 0, 0, 0, 0})
                sent.push_back(std::move(bytes));
        return sent;
    }

    // A user's move of a slider by `steps` single steps.
    static void MoveSlider(ui::Slider* slider, int steps) {
        ASSERT_NE(slider, nullptr);
        for (int i = 0; i < (steps < 0 ? -steps : steps); ++i)
            slider->triggerAction(steps < 0 ? QAbstractSlider::SliderSingleStepSub
                                            : QAbstractSlider::SliderSingleStepAdd);
    }
    // A user's choice in a combo box.
    static void Choose(ui::ComboBox* combo, int index) {
        ASSERT_NE(combo, nullptr);
        combo->setCurrentIndex(index);
    }
    // A click on a command source (button, radio) or a menu choice.
    void Command(const QString& name, int id = 0, bool menu = false) {
        ui::Event event;
        event.id = ui::kCommandEvent;
        event.name = name;
        event.controlId = id;
        event.menu = menu;
        ui::DeliverCommand(program->MainWindow(), event);
    }

    std::string File(const char* name) const { return folder.Read(name); }

    keywright::test::TempFolder folder;
    // The user's configuration folder, for the session autostart entry.
    keywright::test::TempFolder session;
    std::unique_ptr<sim::SimWorld> world;
    sim::SimDeviceId keyboard = 0;
    std::vector<ShownBox> boxes;
    int answer = ui::kMessageOk;
    bool trayAvailable = true;
    Clock* clock = nullptr; // the window's; null: the system's
    std::string instanceName = "keywright-e2e-" + std::to_string(std::random_device()()) +
                               std::to_string(std::random_device()());
    std::unique_ptr<Program> program;
};

// ledeffect.xml with effect `effect` current, every entry at its defaults
// but those in `changed`.
inline std::string LedEffectFile(int effect, const std::map<int, LedEffectEntry>& changed = {}) {
    std::string text = "<?xml version=\"1.0\"?>\n<effect sel=\"" + std::to_string(effect) + "\">\n";
    for (int i = 0; i < 20; ++i) {
        const auto it = changed.find(i);
        const LedEffectEntry entry = it != changed.end() ? it->second : LedEffectEntry{};
        text += "\t<item speed=\"" + std::to_string(entry.speed) + "\" brightness=\"" +
                std::to_string(entry.brightness) + "\" deriction=\"" +
                std::to_string(entry.direction) + "\" selection=\"" +
                std::to_string(entry.selection) + "\" />\n";
    }
    return text + "</effect>\n";
}

// sidemodel.xml with mode `mode` current and the levels given (the defaults
// for the rest).
inline std::string SideModelFile(int mode, const std::vector<int>& levels = {}) {
    std::string text = "<?xml version=\"1.0\"?>\n<effect sel=\"" + std::to_string(mode) + "\">\n";
    for (int i = 0; i < 12; ++i) {
        const int level = i < static_cast<int>(levels.size()) ? levels[static_cast<std::size_t>(i)]
                                                              : (i < 3 ? 4 : 7);
        text += "\t<item brightness=\"" + std::to_string(level) + "\" />\n";
    }
    return text + "</effect>\n";
}

} // namespace keywright::app::test
