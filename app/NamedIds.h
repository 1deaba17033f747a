#pragma once

#include "ui/ControlIds.h"

#include <span>

namespace keywright::app {

// The program's named-ID table, sorted by name: a layout control with one of
// these names carries that ID, and the windows look controls up by these
// numbers. Registered with the toolkit at start-up, before any layout loads.
std::span<const ui::NamedId> NamedIds();

// The IDs the main window looks its controls up by.
enum ControlId : int {
    kIdBtnMore = 65537,
    kIdBtnMin = 65538,
    kIdImgKeyboard = 65539,
    kIdEffectList = 65540,
    kIdEffectTabs = 65541,
    kIdSpeed0 = 65542,
    kIdBrightness0 = 65543,
    kIdDirectionLeft0 = 65544,
    kIdDirectionRight0 = 65545,
    kIdSpeed1 = 65546,
    kIdBrightness1 = 65547,
    kIdBrightness2 = 65548,
    kIdSpeed3 = 65549,
    kIdBrightness3 = 65550,
    kIdLoaderLeft3 = 65551,
    kIdLoaderCenter3 = 65552,
    kIdLoaderRight3 = 65553,
    kIdRestoreFactory = 65554,
    kIdLevelList = 65555,
    kIdVersion = 65556,
    kIdSideModeList = 65557,
    kIdSideLevelLabel = 65558,
    kIdSideLevelSlider = 65559,
};

} // namespace keywright::app
