#pragma once

#include <QString>

namespace tarnwick::app {

// The optional files looked for in the application folder.
inline constexpr char16_t kPointerFileName[] = u"HAND-M.CUR";
inline constexpr char16_t kSkinFileName[] = u"x/o.cjs";

// The folder that holds the program's executable.
QString ApplicationFolder();

// The application folder followed by a file name, with the platform's separators.
QString ApplicationFile(const QString& relativePath);

// True when the modification time of the path can be read: the file exists and is reachable.
// Any failure gives false; nothing is reported.
bool FileExists(const QString& path) noexcept;

// Points ApplicationFolder at another folder while the scope lives, so that tests can place
// optional files without touching the folder of the test program.
class ApplicationFolderScope {
  public:
    explicit ApplicationFolderScope(const QString& folder);
    ~ApplicationFolderScope();
    ApplicationFolderScope(const ApplicationFolderScope&) = delete;
    ApplicationFolderScope& operator=(const ApplicationFolderScope&) = delete;

  private:
    QString previous_;
};

}  // namespace tarnwick::app
