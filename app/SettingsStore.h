#pragma once

#include <QString>

#include "app/core/FailureDescription.h"

namespace tarnwick::app {

// Where the login values are remembered: application "Corvenna", section "Tarnwick".
inline constexpr char16_t kSettingsApplication[] = u"Corvenna";
inline constexpr char16_t kSettingsSection[] = u"Tarnwick";

// A value could not be written to the settings store. The text says which file and why.
class SettingsWriteError : public Failure {
  public:
    using Failure::Failure;
};

// The per-user file that holds an application's settings: "<application>.conf" in the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config), where QSettings keeps an
// organisation-wide store.
QString SettingsFilePath(const QString& application);

// The stored text of a value, or `defaultValue` when the value does not exist. A value that
// exists but is empty reads as empty.
QString GetSetting(const QString& application, const QString& section, const QString& name,
                   const QString& defaultValue = {});

// Creates or overwrites a value and has it on disk before returning. The file holds a password
// in plain text, so it is created readable and writable by its owner only. Throws
// SettingsWriteError when the value could not be written.
void SaveSetting(const QString& application, const QString& section, const QString& name,
                 const QString& text);

}  // namespace tarnwick::app
