#pragma once

#include "widgets/CoordButton.h"

#include <QByteArrayView>
#include <QString>
#include <vector>

namespace keywright::widgets {

// The keys of a keyboard positions file, read by positions/PositionsReader.h,
// in file order: each key's id, page, name and rectangle as the file gives
// them, and its colour, or `defaultColor` where the file gives none. An
// unusable document gives no keys.
std::vector<CoordButton> ParsePositions(QByteArrayView document,
                                        quint32 defaultColor = CoordButton::kDefaultColor);

// The positions of the file at `filePath`; none when it cannot be read.
std::vector<CoordButton> LoadPositionsFile(const QString& filePath,
                                           quint32 defaultColor = CoordButton::kDefaultColor);

// Where the layout's "crdxml" `path` points: inside `programFolder` (given
// without trailing separator), joined with "/" unless `path` already starts
// with "/" or "\". Backslashes become "/", so layouts written with Windows
// separators work everywhere.
QString PositionsFilePath(const QString& programFolder, const QString& path);

} // namespace keywright::widgets
