#include "app/QtMessageBoxService.h"

#include <QMessageBox>

namespace tarnwick::app {

void QtMessageBoxService::Show(const QString& caption, const QString& text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    caption, WithPlatformLineBreaks(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace tarnwick::app
