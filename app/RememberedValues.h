#pragma once

#include <QString>

namespace tarnwick::app {

// Writes the login values to the settings store as they change. A write that fails must neither
// end the program nor hold up typing: the first failure of a session is shown once, with the
// store's reason, and later failures only go to the log, since a box per keystroke would make
// the field unusable. The values in the fields are unaffected either way.
class RememberedValues {
  public:
    // Writes `text` under `name` in the section "Tarnwick" of application "Corvenna".
    void Save(const QString& name, const QString& text);

    bool FailureShown() const { return failureShown_; }

  private:
    bool failureShown_ = false;
};

// The text shown for the first failing write.
QString SettingsFailureText(const QString& reason);

}  // namespace tarnwick::app
