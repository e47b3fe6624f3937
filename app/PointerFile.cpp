#include "app/PointerFile.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

#include "app/core/FailureDescription.h"

namespace tarnwick::app {
namespace {

// ICONDIR: reserved (2), type (2: 1 icon, 2 cursor), count (2); then 16-byte entries.
constexpr int kDirectorySize = 6;
constexpr int kEntrySize = 16;
constexpr int kHotspotOffset = kDirectorySize + 4;
constexpr quint16 kCursorType = 2;

}  // namespace

QPoint CursorFileHotspot(const QByteArray& fileStart) {
    if (fileStart.size() < kDirectorySize + kEntrySize) return {};
    const auto* bytes = reinterpret_cast<const uchar*>(fileStart.constData());
    if (qFromLittleEndian<quint16>(bytes) != 0) return {};
    if (qFromLittleEndian<quint16>(bytes + 2) != kCursorType) return {};
    if (qFromLittleEndian<quint16>(bytes + 4) == 0) return {};
    return {qFromLittleEndian<quint16>(bytes + kHotspotOffset),
            qFromLittleEndian<quint16>(bytes + kHotspotOffset + 2)};
}

QCursor LoadPointerFile(const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    // The report shows the image reader's own text, unchanged.
    if (image.isNull()) throw Failure(reader.errorString());
    QPoint hotspot;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        hotspot = CursorFileHotspot(file.read(kDirectorySize + kEntrySize));
    if (!image.rect().contains(hotspot)) hotspot = {};
    return QCursor(QPixmap::fromImage(image), hotspot.x(), hotspot.y());
}

}  // namespace tarnwick::app
