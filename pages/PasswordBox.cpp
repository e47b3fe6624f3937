#include "pages/PasswordBox.h"

#include <QInputMethodEvent>
#include <utility>

namespace tarnwick::pages {

PasswordBox::PasswordBox(QWidget* parent) : QLineEdit(parent) {
    setEchoMode(QLineEdit::Password);
    setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

QVariant PasswordBox::inputMethodQuery(Qt::InputMethodQuery query) const {
    return inputMethodQuery(query, QVariant());
}

QVariant PasswordBox::inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const {
    if (query == Qt::ImEnabled) return false;
    return QLineEdit::inputMethodQuery(query, std::move(argument));
}

void PasswordBox::inputMethodEvent(QInputMethodEvent* event) {
    event->ignore();
}

}  // namespace tarnwick::pages
