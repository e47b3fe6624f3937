#include "app/ApplicationFolder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <utility>

namespace tarnwick::app {
namespace {

QString& FolderOverride() {
    static QString folder;
    return folder;
}

}  // namespace

QString ApplicationFolder() {
    if (!FolderOverride().isEmpty()) return FolderOverride();
    return QCoreApplication::applicationDirPath();
}

QString ApplicationFile(const QString& relativePath) {
    return QDir::toNativeSeparators(ApplicationFolder() + u'/' + relativePath);
}

bool FileExists(const QString& path) noexcept {
    try {
        if (path.isEmpty()) return false;
        return QFileInfo(path).lastModified().isValid();
    } catch (...) {
        return false;
    }
}

ApplicationFolderScope::ApplicationFolderScope(const QString& folder)
    : previous_(std::exchange(FolderOverride(), folder)) {}

ApplicationFolderScope::~ApplicationFolderScope() {
    FolderOverride() = std::move(previous_);
}

}  // namespace tarnwick::app
