#pragma once

#include <QImage>
#include <span>

namespace keywright::art {

// The square sizes, in pixels, the program icon is rendered at.
std::span<const int> IconSizes();

// The program icon ("ICON:ICON_LOGO"): a lit keycap. Drawn for each size
// rather than scaled, so the small ones stay sharp.
QImage RenderIcon(int size);

} // namespace keywright::art
