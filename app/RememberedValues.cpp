#include "app/RememberedValues.h"

#include <QtGlobal>

#include "app/ApplicationTitle.h"
#include "app/SettingsStore.h"

namespace tarnwick::app {

QString SettingsFailureText(const QString& reason) {
    return reason + QStringLiteral("\r\r") +
           QStringLiteral(
               "Tarnwick uses the login values as they stand, but cannot remember them for the "
               "next start. This message is shown once.");
}

void RememberedValues::Save(const QString& name, const QString& text) {
    try {
        SaveSetting(QString::fromUtf16(kSettingsApplication), QString::fromUtf16(kSettingsSection),
                    name, text);
    } catch (const SettingsWriteError& failure) {
        const QString reason = QString::fromUtf8(failure.what());
        if (failureShown_) {
            qWarning("%s", qUtf8Printable(reason));
            return;
        }
        failureShown_ = true;
        ShowMessage(SettingsFailureText(reason));
    }
}

}  // namespace tarnwick::app
