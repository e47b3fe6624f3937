#pragma once

#include <QColor>

class QWidget;

namespace tarnwick::app {

// The colour of a push button's face in the running style: the background the pages take.
QColor ButtonFaceColour();

// Gives a widget a background of its own in `colour` (pages, frames and labels are designed
// white and take the button-face colour at run time).
void SetBackground(QWidget& widget, const QColor& colour);

// The page's background, and that of every frame, label, check box and option button on it
// (inside frames too, in the page's order of controls), becomes the button-face colour. Text
// boxes, lists, grids and push buttons keep theirs.
void ApplySystemColours(QWidget& page);

}  // namespace tarnwick::app
