#include "PreviewSamples.h"

#include "ui/ComboBox.h"
#include "ui/ListView.h"
#include "ui/McListView.h"
#include "ui/Slider.h"
#include "ui/StockControls.h"
#include "ui/TabCtrl.h"
#include "ui/WindowTexts.h"
#include "ui/WindowTree.h"

#ifdef KEYWRIGHT_HAVE_WIDGETS
#include "widgets/CoordButtonImage.h"

#include <QCoreApplication>
#include <QMouseEvent>
#endif

namespace keywright::preview {
namespace {

// HID usage ids on the keyboard page of the sample's assigned keys: W, A, S,
// D, Caps Lock, F5, and the hovered one, G.
constexpr int kAssignedKeys[] = {26, 4, 22, 7, 57, 62};
constexpr int kHoveredKey = 10;

void SetPosition(QWidget* root, const char* slider, int value) {
    if (auto* bar = ui::Find<ui::Slider>(root, QString::fromLatin1(slider)))
        bar->SetValue(value);
}

#ifdef KEYWRIGHT_HAVE_WIDGETS
void MarkKeys(QWidget* root) {
    auto* map = ui::Find<widgets::CoordButtonImage>(root, QStringLiteral("img_keyboard"));
    if (map == nullptr)
        return;
    for (const int key : kAssignedKeys)
        map->SetButtonChecked(key, true);
    widgets::CoordButton hovered;
    if (map->GetButton(kHoveredKey, &hovered)) {
        const QPointF at = QRectF(hovered.rect.ToQRect()).center();
        QMouseEvent move(QEvent::MouseMove, at, map->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(map, &move);
    }
}
#endif

} // namespace

void DressMainWindow(QWidget* root) {
    // The program writes the version as the translation of "Firmware", ": v",
    // major, ".", minor.
    if (auto* version = ui::Find<ui::Text>(root, QStringLiteral("version")))
        version->setText(ui::Tr(QStringLiteral("Firmware")) + QStringLiteral(": v1.2"));
    // Effect 7 uses parameter page 1; side mode 1 labels its slider "Speed".
    if (auto* effects = ui::Find<ui::ComboBox>(root, QStringLiteral("cbx_color_effect")))
        effects->SetCurSel(7, false);
    if (auto* pages = ui::Find<ui::TabCtrl>(root, QStringLiteral("tab_color_effect")))
        pages->SetCurSel(1);
    if (auto* sides = ui::Find<ui::ComboBox>(root, QStringLiteral("cbx_side_color_effect")))
        sides->SetCurSel(1, false);
    if (auto* levels = ui::Find<ui::ComboBox>(root, QStringLiteral("cbx_in_lv")))
        levels->SetCurSel(0, false);
    ui::SetText(ui::Find<ui::Text>(root, QStringLiteral("text_side_brightness")),
                QStringLiteral("Speed"));
    SetPosition(root, "bar_general_speed_1", 3);
    SetPosition(root, "bar_const_brightness_1", 4);
    SetPosition(root, "bar_side_brightness", 5);
#ifdef KEYWRIGHT_HAVE_WIDGETS
    MarkKeys(root);
#endif
}

void SampleGroupAdapter::FillRow(int position, QWidget* row, const ui::RowTemplate& rowTemplate) {
    rowTemplate.Build(row);
    if (auto* name = ui::Find<ui::Edit>(row, QStringLiteral("group_name")))
        name->setText(names_.at(static_cast<size_t>(position)));
}

void SampleStepAdapter::FillRow(int position, QWidget* row, const ui::RowTemplate& rowTemplate) {
    rowTemplate.Build(row);
    const Step& step = steps_.at(static_cast<size_t>(position));
    if (auto* code = ui::Find<ui::Text>(row, QStringLiteral("key_code")))
        code->setText(QString::number(step.code, 16));
    if (auto* name = ui::Find<ui::Text>(row, QStringLiteral("key_name")))
        name->setText(step.name);
    // The program's texts for the two states, translated like window texts.
    ui::SetText(ui::Find<ui::Text>(row, QStringLiteral("key_state")),
                step.state == 1 ? QStringLiteral("key down") : QStringLiteral("replace"));
    if (auto* delay = ui::Find<ui::Edit>(row, QStringLiteral("key_delay")))
        delay->setText(QString::number(step.delay));
}

QString SampleStepAdapter::ColumnName(int column) const {
    return QStringLiteral("col%1").arg(column + 1);
}

void DressMacroDialog(QWidget* root, SampleGroupAdapter& groups, SampleStepAdapter& steps) {
    if (auto* list = ui::Find<ui::ListView>(root, QStringLiteral("macro_group"))) {
        list->SetAdapter(&groups);
        list->SetSelected(0, false);
    }
    if (auto* list = ui::Find<ui::McListView>(root, QStringLiteral("key_info")))
        list->SetAdapter(&steps);
    if (auto* keys = ui::Find<ui::Text>(root, QStringLiteral("text_recording_keys")))
        keys->setText(QStringLiteral("Caps Lock"));
    if (auto* single = ui::Find<ui::Text>(root, QStringLiteral("edit_single_key")))
        single->setText(QStringLiteral("Escape"));
    // Delay mode 0 (recorded delays) disables the delay edit.
    if (auto* real = ui::Find<ui::CheckBox>(root, QStringLiteral("chk_macro_realy_delay")))
        real->SetCheck(true);
    if (auto* delay = ui::Find<ui::Edit>(root, QStringLiteral("edit_macro_delay_time")))
        delay->setEnabled(false);
    // The dialog fills these from config.xml, each name translated.
    if (auto* media = ui::Find<ui::ComboBox>(root, QStringLiteral("cmb_media_keys"))) {
        for (const char* name : {"Play/Pause", "Next track", "Previous track", "Volume up", "Mute"})
            media->AddItem(ui::Tr(QString::fromLatin1(name)));
        media->SetCurSel(0, false);
    }
    if (auto* combos = ui::Find<ui::ComboBox>(root, QStringLiteral("cmb_function_keys"))) {
        for (const char* name : {"Copy", "Paste", "Undo", "Select all", "Show desktop"})
            combos->AddItem(ui::Tr(QString::fromLatin1(name)));
        combos->SetCurSel(0, false);
    }
}

} // namespace keywright::preview
