#pragma once

#include <QIcon>

namespace tarnwick::app {

// The application icon: one icon with images of 32 x 32 (24 bits per pixel), 48 x 48,
// 128 x 128 and 256 x 256 (32 bits per pixel), built into the program.
QIcon ApplicationIcon();

}  // namespace tarnwick::app
