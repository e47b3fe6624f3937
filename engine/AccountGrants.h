#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tarnwick::engine {

// What the account a session works as may do, as the server's SHOW GRANTS lists it for that
// session: the account's own grants, those of its current role, and those to PUBLIC. Only grants
// on whole databases and on all of them count here: the run's tables are new, so no grant on a
// single table or column can reach them.
class AccountGrants {
  public:
    // Reads the lines of SHOW GRANTS. A line that grants a role, or a privilege on a routine or a
    // proxy, has no bearing and is passed over; a grant this reader cannot take apart gives
    // nothing, so that a server's new way of writing grants never refuses a run.
    static std::optional<AccountGrants> Parse(const QStringList& lines);

    // The privileges (SELECT, INSERT, ...) held on every table of `database`: by a grant on all
    // databases or on those whose name pattern (% and _ as in LIKE) matches it. Names compare as
    // the server compares them: without letter case where it folds table names.
    QSet<QString> OnDatabase(const QString& database, bool caseInsensitive) const;

  private:
    struct Grant {
        std::optional<QString> database;  // a name pattern; none for all databases
        QSet<QString> privileges;         // ALL PRIVILEGES as every privilege the run needs
    };
    std::vector<Grant> grants_;
};

// The privileges a run needs on its database, in the order they are named: it reads the chosen
// table and its own copy (SELECT), creates the copy (CREATE), numbers and renames it (ALTER, with
// INSERT and CREATE for the new name), deletes the duplicates (DELETE) and drops what it no longer
// needs (DROP). Lacking any, a step of the run fails.
inline const QStringList kRunPrivileges{"SELECT", "INSERT", "CREATE", "ALTER", "DROP", "DELETE"};

}  // namespace tarnwick::engine
