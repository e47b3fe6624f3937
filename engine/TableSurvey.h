#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tarnwick::db {
class Connection;
}

namespace tarnwick::engine {

struct RunInputs;

// What the run must know of the server's tables before it sends anything that changes one.
struct TableSurvey {
    // Every column of the chosen table, in order, when it has INVISIBLE columns (which
    // "SELECT *" leaves out, so the copy must name them all); empty when "SELECT *" copies them
    // all.
    QStringList copyColumns;
    // A table of the new name exists: the finished result replaces it.
    bool newNameTaken = false;
    // Why the new name must not be used: it names a view, or the chosen view reads from the
    // table of that name (directly or through other views), which replacing it would change.
    std::optional<QString> refusal;
};

// The statements the survey reads with, in the order they are sent. The second is sent only when
// the new name differs from a listed table's only in letter case; the third for a chosen base
// table only; the fourth for a chosen view when a table of the new name exists.
QString TableListQuery();
QString NameCaseQuery();
QString ColumnListQuery(const QString& table);
QString ViewDefinitionsQuery();

// Reads the survey over an open connection to the run's database. Throws DbError when a read
// fails.
TableSurvey SurveyTables(db::Connection& connection, const RunInputs& inputs);

}  // namespace tarnwick::engine
