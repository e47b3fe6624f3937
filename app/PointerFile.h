#pragma once

#include <QCursor>
#include <QPoint>
#include <QString>

namespace tarnwick::app {

// Reads a Windows cursor file (.cur) as a pointer: the first image, read by Qt's image reader,
// with the hotspot that the file's first directory entry gives (an icon file, or a hotspot
// outside the image, gives the top-left corner). Throws Failure with the image reader's text
// (its errorString, unchanged) when the file is not an image it can read.
QCursor LoadPointerFile(const QString& path);

// The hotspot of a cursor file's first image, from its directory: the two 16-bit fields after
// the colour count and the reserved byte. Null point for anything but a cursor file.
QPoint CursorFileHotspot(const QByteArray& fileStart);

}  // namespace tarnwick::app
