#pragma once

#include <QString>
#include <functional>

#include "db/ConnectionSettings.h"

namespace tarnwick::pages {

// What the pages hand on to each other.
struct WizardState {
    // Reads the five login values from the login page's fields as they stand now, whether that
    // page is shown or hidden. Every action that connects calls it afresh.
    std::function<db::ConnectionSettings()> readLoginFields;

    db::ConnectionSettings ConnectionSettings() const { return readLoginFields(); }

    // The chosen table's name, set by the table page's "Next >".
    QString ChosenTable;
    // The chosen field names, each in backticks, joined by ", "; set by the field page's "Next >".
    QString KeyFieldList;
};

}  // namespace tarnwick::pages
