#include "app/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace tarnwick::app {
namespace {

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

[[noreturn]] void ThrowWriteError(const QString& path, const QString& reason) {
    throw SettingsWriteError(QStringLiteral("The settings file %1 cannot be written: %2")
                                 .arg(QDir::toNativeSeparators(path), reason));
}

// Creates the folder and an empty owner-only file when the file does not exist yet, so that the
// password never sits in a file that others can read; narrows the rights of an existing file.
void PrepareOwnerOnlyFile(const QString& path) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        ThrowWriteError(path, QStringLiteral("its folder cannot be created"));
    if (info.exists()) {
        if (!info.isFile()) ThrowWriteError(path, QStringLiteral("it is not a file"));
        if ((info.permissions() & ~(kOwnerOnly | QFile::ReadUser | QFile::WriteUser)) != 0 &&
            !QFile::setPermissions(path, kOwnerOnly)) {
            ThrowWriteError(path, QStringLiteral("its access rights cannot be restricted"));
        }
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly))
        ThrowWriteError(path, file.errorString());
}

}  // namespace

QString SettingsFilePath(const QString& application) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           application + QStringLiteral(".conf");
}

QString GetSetting(const QString& application, const QString& section, const QString& name,
                   const QString& defaultValue) {
    QSettings store(SettingsFilePath(application), QSettings::IniFormat);
    store.beginGroup(section);
    return store.value(name, defaultValue).toString();
}

void SaveSetting(const QString& application, const QString& section, const QString& name,
                 const QString& text) {
    const QString path = SettingsFilePath(application);
    PrepareOwnerOnlyFile(path);
    QSettings store(path, QSettings::IniFormat);
    store.beginGroup(section);
    store.setValue(name, text);
    store.endGroup();
    store.sync();
    if (store.status() != QSettings::NoError) {
        ThrowWriteError(path, store.status() == QSettings::AccessError
                                  ? QStringLiteral("access was refused")
                                  : QStringLiteral("its contents are not in the expected format"));
    }
}

}  // namespace tarnwick::app
