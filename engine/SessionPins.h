#pragma once

#include <QHash>
#include <QString>
#include <cstdint>
#include <optional>

namespace tarnwick::db {
class Connection;
}

namespace tarnwick::engine {

// A connection's session starts from the server's global settings, which an administrator, a
// cluster (Galera sets auto_increment_increment to the number of nodes) or the server's
// init_connect may have changed. A few of them change which rows a statement reads or returns,
// how the temporary column numbers the copied rows, or whether a statement may run at all; the
// connections that rely on them set them for their own session first. The list, with the reason
// for each, is in SessionPins.cpp.
enum class SessionUse {
    EveryRow,  // a grid shows every row of a table ("< Back", the preview of the run's result)
    Run,       // the deduplication run: every row, numbered from 1 by 1, each statement allowed
};

// What the server said of the session's settings before they were set: the values of the
// variables the run needs to know (lower_case_table_names, max_allowed_packet,
// innodb_force_primary_key, ...), as text. A variable the server does not have is absent.
class SessionFacts {
  public:
    // Names compare without letter case, as the server compares them.
    void Insert(const QString& name, const QString& value) {
        values_.insert(name.toLower(), value);
    }
    std::optional<QString> Value(const QString& name) const;
    // True when the variable exists and is ON (or 1).
    bool IsOn(const QString& name) const;
    // The variable as a whole number, or `fallback` when it is absent or not a number.
    uint64_t Number(const QString& name, uint64_t fallback) const;

  private:
    QHash<QString, QString> values_;
};

// Reads the variables that the pins of `use` name (and, for the run, those its refusals read).
QString SessionVariablesQuery(SessionUse use);
// The one statement that sets every pin of `use` whose variable the server has; empty when none.
QString PinStatement(const SessionFacts& facts, SessionUse use);

// Reads the session's variables, then sets the pins of `use` on them (two statements). Throws
// DbError when the server refuses either.
SessionFacts PinSession(db::Connection& connection, SessionUse use);

}  // namespace tarnwick::engine
