#pragma once

#include <QString>

namespace tarnwick::app {

enum class MessageIcon {
    None,
    Warning,  // the exclamation icon of the error report
};

// Shows a modal message box with one OK button and returns when it is acknowledged. Every box of
// the program goes through the installed service: the windows use QtMessageBoxService, tests a
// recorder, the command-line run standard error.
class MessageBoxService {
  public:
    virtual ~MessageBoxService() = default;
    virtual void Show(const QString& caption, const QString& text, MessageIcon icon) = 0;
};

// The installed service; when none is installed, boxes are written to standard error.
MessageBoxService& Messages();

// Installs a service for as long as the scope lives (scopes nest; the newest wins).
class MessageBoxServiceScope {
  public:
    explicit MessageBoxServiceScope(MessageBoxService& service);
    ~MessageBoxServiceScope();
    MessageBoxServiceScope(const MessageBoxServiceScope&) = delete;
    MessageBoxServiceScope& operator=(const MessageBoxServiceScope&) = delete;

  private:
    MessageBoxService* previous_;
};

// Writes each box to standard error, line breaks (CR LF, lone CR) as the platform's newline.
class StandardErrorMessageBoxService : public MessageBoxService {
  public:
    void Show(const QString& caption, const QString& text, MessageIcon icon) override;
};

// A message's CR LF and lone CR turned into "\n", for places that show plain text.
QString WithPlatformLineBreaks(const QString& text);

}  // namespace tarnwick::app
