#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include "engine/SessionPins.h"
#include "engine/Statements.h"

namespace tarnwick::test {

// The statements with which a connection sets up its session on this MariaDB (engine/SessionPins):
// it reads the variables, then pins those the server has, which are all but MySQL's
// max_execution_time.
inline QStringList SessionStatements(engine::SessionUse use) {
    const QString read = engine::SessionVariablesQuery(use);
    engine::SessionFacts facts;
    auto names = QRegularExpression("'([^']+)'").globalMatch(read);
    while (names.hasNext()) {
        const QString name = names.next().captured(1);
        if (name != "max_execution_time") facts.Insert(name, "0");
    }
    return {read, engine::PinStatement(facts, use)};
}

// The session set-up of a run, and of a connection whose grid shows every row of a table.
inline QStringList RunSessionStatements() {
    return SessionStatements(engine::SessionUse::Run);
}
inline QStringList EveryRowSessionStatements() {
    return SessionStatements(engine::SessionUse::EveryRow);
}

// The survey's first statements when the chosen table is listed: the tables, the account's
// grants, the chosen table's columns. For a table that passes them, its primary key comes next.
inline QStringList SurveyStatements(const QString& table) {
    return {engine::TableListQuery(), engine::GrantsQuery(), engine::ColumnListQuery(table)};
}

// The time zone a run's preview is read in on this MariaDB: the session's own.
inline const QString kPreviewTimeZone = "SET SESSION time_zone = 'SYSTEM';";

// The first slice of the key query of a run: the temporary column and `keys` of `scratch`.
inline QString FirstKeySlice(const QString& scratch, const QString& keys) {
    const QString temp = "TEMP_COLUMN_CREATED_BY_QUARNETT";
    return "SELECT `" + temp + "`, " + keys + " FROM " + scratch + " ORDER BY `" + temp +
           "` LIMIT 4096;";
}

// The statements of a run over `orders` with the key fields name and city into `orders2`, in
// which rows 2 and 5 repeat earlier rows; `scratch` is the run's scratch table, quoted.
inline QStringList OrdersRunStatements(const QString& scratch) {
    const QString temp = "TEMP_COLUMN_CREATED_BY_QUARNETT";
    return RunSessionStatements() + SurveyStatements("orders") +
           QStringList{engine::PrimaryKeyQuery("orders"),
                       "DROP TABLE IF EXISTS " + scratch + ";",
                       "CREATE TABLE " + scratch + " AS SELECT * from `orders` ORDER BY `id`;",
                       "ALTER TABLE " + scratch + " ADD `" + temp +
                           "` INT UNSIGNED NOT NULL AUTO_INCREMENT, ADD PRIMARY KEY (" + temp +
                           ");",
                       FirstKeySlice(scratch, "`name`, `city`"),
                       "DELETE FROM " + scratch + " WHERE `" + temp + "` IN (5, 2)",
                       "ALTER TABLE " + scratch + " DROP COLUMN `" + temp + "`;",
                       "RENAME TABLE " + scratch + " TO `orders2`;",
                       kPreviewTimeZone,
                       "SELECT * FROM `orders2` LIMIT 0, 1024;"};
}

}  // namespace tarnwick::test
