#pragma once

#include <QLineEdit>

namespace tarnwick::pages {

// A text box for a password: every character shows as "*", and it takes no input-method text.
// QLineEdit answers Qt's Qt::ImEnabled query from "enabled and not read-only" alone, whatever
// WA_InputMethodEnabled says, so the box answers it itself and drops any composition that
// reaches it all the same.
class PasswordBox : public QLineEdit {
    Q_OBJECT

  public:
    explicit PasswordBox(QWidget* parent);

    // Both ways in which Qt asks: the query event (QWidget's virtual) and the invokable method
    // that QInputMethod::queryFocusObject calls by name.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    Q_INVOKABLE QVariant inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const;

  protected:
    void inputMethodEvent(QInputMethodEvent* event) override;
};

}  // namespace tarnwick::pages
