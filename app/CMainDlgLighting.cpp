// The lighting page of the main window: the controls, the lighting tables
// and the commands that carry a change to the keyboard.

#include "app/CMainDlg.h"
#include "app/NamedIds.h"
#include "ui/ComboBox.h"
#include "ui/Slider.h"
#include "ui/StockControls.h"
#include "ui/TabCtrl.h"
#include "ui/WindowTexts.h"

#include <algorithm>

namespace keywright::app {
namespace {

// The parameter page of an effect: 0 has page 2, 1 has page 3, the rest page 1.
int PageOfEffect(int effect) {
    return effect == 0 ? 2 : effect == 1 ? 3 : 1;
}

std::uint8_t PositionOf(const ui::Slider* slider, std::uint8_t fallback) {
    return slider != nullptr ? static_cast<std::uint8_t>(slider->Value()) : fallback;
}

void SetPosition(ui::Slider* slider, int value) {
    if (slider != nullptr)
        slider->SetValue(value);
}

// The highest side level a load of sidemodel.xml keeps (a higher one reads
// back as 0).
constexpr int kMaxSideLevel = 7;

} // namespace

int CMainDlg::LoaderChoice() const {
    for (std::size_t i = 0; i < loaderRadios_.size(); ++i) {
        if (loaderRadios_[i]->IsChecked())
            return static_cast<int>(i) + 1;
    }
    return 3;
}

void CMainDlg::ShowEffectPage(int page) {
    if (effectTabs_ != nullptr)
        effectTabs_->SetCurSel(page);
}

void CMainDlg::LoadMainLight(bool selectCombo) {
    LedEffectTable& table = context_.settings.GetLedEffectTable();
    const int effect = table.GetCurrent();
    // A change of selection runs OnLightListChanged, and with it the
    // command, before this goes on.
    if (selectCombo && effectList_ != nullptr)
        effectList_->SetCurSel(effect, true);
    LedEffectEntry* entry = table.GetEntry(effect);
    if (entry == nullptr)
        return;
    ShowEffectPage(PageOfEffect(effect));
    // The page keeps no stored speed (nor, for effect 1, brightness and
    // loader): the entry takes what the controls show, to be sent next. The
    // file takes it too, so that it holds what the keyboard is sent.
    const LedEffectEntry before = *entry;
    if (effect == 0) {
        SetPosition(brightnessSliders_[2], entry->brightness);
    } else if (effect == 1) {
        entry->brightness = PositionOf(brightnessSliders_[3], entry->brightness);
        entry->selection = static_cast<std::uint8_t>(LoaderChoice());
    } else {
        entry->speed = PositionOf(speedSliders_[1], entry->speed);
        SetPosition(brightnessSliders_[1], entry->brightness);
    }
    if (*entry != before)
        table.Save();
}

void CMainDlg::StoreMainLight() {
    LedEffectTable& table = context_.settings.GetLedEffectTable();
    const int effect = effectList_ != nullptr ? effectList_->CurSel() : -1;
    table.SetCurrent(effect);
    LedEffectEntry* entry = table.GetEntry(effect);
    if (entry == nullptr)
        return;
    if (effect == 0) {
        entry->brightness = PositionOf(brightnessSliders_[2], entry->brightness);
    } else if (effect == 1) {
        entry->brightness = PositionOf(brightnessSliders_[3], entry->brightness);
        entry->selection = static_cast<std::uint8_t>(LoaderChoice());
    } else {
        entry->speed = PositionOf(speedSliders_[1], entry->speed);
        entry->brightness = PositionOf(brightnessSliders_[1], entry->brightness);
    }
    table.Save();
}

void CMainDlg::LoadSideLight(bool selectCombo) {
    SideModelTable& table = context_.settings.GetSideModelTable();
    const int mode = table.GetCurrent();
    if (sideLevelLabel_ != nullptr)
        ui::SetText(sideLevelLabel_,
                    mode <= 2 ? QStringLiteral("Speed") : QStringLiteral("Brightness"));
    if (selectCombo && sideModeList_ != nullptr)
        sideModeList_->SetCurSel(mode, true);
    const SideModelEntry* entry = table.GetEntry(mode);
    if (entry == nullptr)
        return;
    SetPosition(sideLevelSlider_, entry->Level());
}

void CMainDlg::StoreSideLight() {
    SideModelTable& table = context_.settings.GetSideModelTable();
    const int mode = sideModeList_ != nullptr ? sideModeList_->CurSel() : -1;
    table.SetCurrent(mode);
    SideModelEntry* entry = table.GetEntry(mode);
    if (entry == nullptr || sideLevelSlider_ == nullptr)
        return;
    // Only levels the next load keeps: a slider whose range goes further
    // stores its top level instead of one that would read back as 0.
    const int level = std::clamp(sideLevelSlider_->Value(), 0, kMaxSideLevel);
    entry->SetLevel(static_cast<std::uint8_t>(level));
    table.Save();
}

bool CMainDlg::OnLightListChanged(ui::Event& event) {
    if (event.sender == nullptr || !ui::IsClass(event.sender, "combobox"))
        return true;
    if (event.controlId == kIdEffectList && effectList_ != nullptr) {
        const int effect = effectList_->CurSel();
        context_.settings.GetLedEffectTable().SetCurrent(effect);
        LoadMainLight(false);
        SendMainNow();
    } else if (event.controlId == kIdSideModeList && sideModeList_ != nullptr) {
        const int mode = sideModeList_->CurSel();
        context_.settings.GetSideModelTable().SetCurrent(mode);
        LoadSideLight(false);
        SendSideNow();
    }
    return true;
}

void CMainDlg::SendMainNow() {
    // A command of the page's current state replaces a deferred one.
    mainDeferred_ = false;
    commands_.SendMainEffect(effectList_ != nullptr ? effectList_->CurSel() : -1);
    lastSent_ = Time().Now();
    if (!sideDeferred_)
        deferTimer_.stop();
}

void CMainDlg::SendSideNow() {
    sideDeferred_ = false;
    commands_.SendSideLight(sideModeList_ != nullptr ? sideModeList_->CurSel() : -1);
    lastSent_ = Time().Now();
    if (!mainDeferred_)
        deferTimer_.stop();
}

void CMainDlg::DeferOrSend(bool main) {
    const auto due = lastSent_ + kCommandSpacing;
    const auto now = Time().Now();
    if (now >= due && !mainDeferred_ && !sideDeferred_) {
        main ? SendMainNow() : SendSideNow();
        return;
    }
    (main ? mainDeferred_ : sideDeferred_) = true;
    if (!deferTimer_.isActive()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(
            std::max(due - now, Clock::Duration::zero()));
        deferTimer_.start(static_cast<int>(wait.count()));
    }
}

void CMainDlg::FlushDeferred() {
    // One command per turn, so the UI thread never waits out the spacing.
    if (mainDeferred_)
        SendMainNow();
    else if (sideDeferred_)
        SendSideNow();
    if (mainDeferred_ || sideDeferred_)
        deferTimer_.start(static_cast<int>(kCommandSpacing.count()));
}

} // namespace keywright::app
