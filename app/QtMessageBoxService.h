#pragma once

#include "app/core/MessageBoxService.h"

namespace tarnwick::app {

// The windows' message boxes: QMessageBox with an OK button, modal to the application.
class QtMessageBoxService : public MessageBoxService {
  public:
    void Show(const QString& caption, const QString& text, MessageIcon icon) override;
};

}  // namespace tarnwick::app
