#include "app/ApplicationTitle.h"

#include "app/core/MessageBoxService.h"

namespace tarnwick::app {
namespace {

constexpr qsizetype kLongestTitle = 40;

QString& Title() {
    static QString title = QString::fromUtf16(kProductName);
    return title;
}

}  // namespace

QString CutApplicationTitle(const QString& productName) {
    QString title = productName;
    qsizetype blank = title.lastIndexOf(u' ');
    if (blank < 0) return productName;
    do {
        title.truncate(blank);
        blank = title.lastIndexOf(u' ');
    } while (title.size() > kLongestTitle && blank >= 0);
    return title.isEmpty() ? productName : title;
}

void SetApplicationTitle() {
    Title() = CutApplicationTitle(QString::fromUtf16(kProductName));
}

QString ApplicationTitle() {
    return Title();
}

void ShowMessage(const QString& text) {
    Messages().Show(ApplicationTitle(), text, MessageIcon::None);
}

}  // namespace tarnwick::app
