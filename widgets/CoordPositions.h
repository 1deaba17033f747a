#pragma once

#include "widgets/CoordButton.h"

#include <QByteArrayView>
#include <QString>
#include <vector>

namespace keywright::widgets {

// The keyboard positions file: an XML document whose top-level element
// "positions" has one child element per key, of any name, in list order:
//
//   <positions>
//     <key name="Escape" va="7" id="41" rect="24, 24, 40, 40" color="#80FF0000"/>
//   </positions>
//
//   "id", "va"  decimal (atoi rules); -1 when the attribute is missing
//   "name"      the key's name; empty when missing
//   "color"     blanks and "#" removed, then hexadecimal 0xAABBGGRR; the
//               default colour when missing, empty or without a digit (six
//               digits therefore give alpha 0: nothing shows)
//   "rect"      blanks removed, then "left,top,width,height" in decimal;
//               numbers that cannot be read are 0, so a missing "rect" gives
//               a key that is never hit nor drawn
//
// An unreadable document, or one without "positions", gives no keys.
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
