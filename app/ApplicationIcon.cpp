#include "app/ApplicationIcon.h"

#include "app/core/FailureDescription.h"

namespace tarnwick::app {

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {32, 48, 128, 256}) {
        const QString file = QStringLiteral(":/tarnwick/tarnwick-%1.png").arg(size);
        const QPixmap image(file);
        if (image.isNull()) throw Failure(QStringLiteral("The icon image %1 is missing").arg(file));
        icon.addPixmap(image);
    }
    return icon;
}

}  // namespace tarnwick::app
