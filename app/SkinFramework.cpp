#include "app/SkinFramework.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include "app/ApplicationFolder.h"
#include "app/SystemColours.h"
#include "app/core/FailureDescription.h"

namespace tarnwick::app {
namespace {

// Appended after the skin's own rules: at equal specificity the later rule wins, so these keep
// the designed fonts against any rule by type; a rule naming a control (#Text1) still wins.
constexpr char16_t kDesignFontRules[] =
    u"\nQWidget { font-family: \"Arial\"; font-size: 9pt; font-weight: bold; }"
    u"\nQPushButton { font-family: \"Arial\"; font-size: 11.25pt; font-weight: bold; }\n";

}  // namespace

SkinFramework::SkinFramework(QObject* parent) : QObject(parent) {}

void SkinFramework::LoadSkin(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        throw Failure(QStringLiteral("The skin file %1 cannot be read: %2")
                          .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    styleSheet_ = QString::fromUtf8(file.readAll());
}

void SkinFramework::ApplyWindow(QWidget& window) const {
    if ((options_ & kSkinOptionEnabled) == 0) return;
    const QSize designSize = window.size();
    QString sheet = styleSheet_;
    if (keepDesignFonts_) sheet += QString::fromUtf16(kDesignFontRules);
    window.setStyleSheet(sheet);
    if (keepDesignSize_) window.setFixedSize(designSize);
}

bool IsListedAsNormalFile(const QString& path) {
    const QFileInfo info(path);
    const QStringList listed =
        QDir(info.absolutePath()).entryList(QStringList{info.fileName()}, QDir::Files);
    return listed.contains(info.fileName());
}

void ApplySkin(QWidget& loginPage, SkinFramework& skin) {
    const QString path = ApplicationFile(QString::fromUtf16(kSkinFileName));
    if (!IsListedAsNormalFile(path)) return;
    ApplySystemColours(loginPage);
    skin.LoadSkin(path);
    skin.SetOptions(skin.Options() | SkinFramework::kSkinOptionEnabled);
    skin.SetKeepDesignFonts(true);
    skin.SetKeepDesignSize(true);
    skin.ApplyWindow(loginPage);
}

}  // namespace tarnwick::app
