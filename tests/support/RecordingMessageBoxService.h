#pragma once

#include <QString>
#include <vector>

#include "app/core/MessageBoxService.h"

namespace tarnwick::test {

struct RecordedBox {
    QString caption;
    QString text;
    app::MessageIcon icon;
};

// Records every message box instead of showing it; installed for its own lifetime.
class RecordingMessageBoxService : public app::MessageBoxService {
  public:
    RecordingMessageBoxService() : scope_(*this) {}
    void Show(const QString& caption, const QString& text, app::MessageIcon icon) override {
        boxes.push_back({caption, text, icon});
    }
    std::vector<RecordedBox> boxes;

  private:
    app::MessageBoxServiceScope scope_;
};

}  // namespace tarnwick::test
