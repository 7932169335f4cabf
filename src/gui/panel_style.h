// The look shared by the main window's panel and read-outs: colours of an instrument on a
// black window (values light grey, states red, green and yellow-green as the read-outs say),
// and two fonts that read at arm's length.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontDatabase>

#include "display/readouts.h"

namespace vq::gui::style {

inline const QColor kPanel(14, 16, 20);       // panel background, a shade off black
inline const QColor kFrame(70, 74, 82);       // box outlines
inline const QColor kLabel(150, 156, 166);    // labels ("RNG:", dial names)
inline const QColor kValue(216, 216, 216);    // values
inline const QColor kDimGrey(72, 72, 72);     // "n/a", values under "&Rev Grey", idle dials
inline const QColor kAccent(0, 170, 210);     // lit dial scale
inline const QColor kEntry(255, 210, 0);      // the typed entry field
inline const QColor kMeasure(216, 216, 216);  // measuring line and its length

inline QColor ToQColor(ReadoutColour c) {
    return QColor(c.r, c.g, c.b);
}

// Labels: the system's sans-serif; values: a fixed-pitch face so digits do not jump.
inline QFont LabelFont(int point_size = 9, bool bold = true) {
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPointSize(point_size);
    f.setBold(bold);
    return f;
}

inline QFont ValueFont(int point_size = 10, bool bold = true) {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(point_size);
    f.setBold(bold);
    return f;
}

}  // namespace vq::gui::style
