#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <stdexcept>
#include <string>

#include "db/ConnectionSettings.h"

namespace tarnwick::pages {
class Wizard;
}

namespace tarnwick::tools {

// Walks the real wizard's pages as a user does, by the controls' names: login values typed into
// the login page, a table chosen, key fields moved over, the new table's name typed.
class WizardDriver {
  public:
    // A new wizard, started (the login page's load procedure).
    WizardDriver();
    ~WizardDriver();

    // From the login page to the result page, which it returns; throws std::runtime_error when a
    // page does not come up.
    QWidget& WalkToResultPage(const db::ConnectionSettings& login, const QString& table,
                              const QStringList& keyFields, const QString& newTable);

    QWidget& FieldPage();

    // Presses a push button of a page (the click runs to its end before this returns).
    static void Click(QWidget& page, const char* button);
    template <class T>
    static T& Control(QWidget& page, const char* name) {
        T* control = page.findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) throw std::runtime_error("no control " + std::string(name));
        return *control;
    }

  private:
    std::unique_ptr<pages::Wizard> wizard_;
};

}  // namespace tarnwick::tools
