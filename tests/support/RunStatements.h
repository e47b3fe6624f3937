#pragma once

#include <QString>
#include <QStringList>

namespace tarnwick::test {

// The statements with which a run sets up its session on this MariaDB: it reads the variables,
// then pins those the server has.
inline QStringList RunSessionStatements() {
    return {
        "SHOW SESSION VARIABLES WHERE Variable_name IN ('sql_select_limit', 'max_join_size', "
        "'sql_big_selects', 'max_statement_time', 'max_execution_time', "
        "'auto_increment_increment', 'auto_increment_offset', 'sql_safe_updates', "
        "'autocommit', 'sql_mode', 'time_zone', 'wsrep_OSU_method', 'lower_case_table_names', "
        "'max_allowed_packet', 'innodb_force_primary_key', 'sql_require_primary_key', "
        "'default_storage_engine');",
        "SET SESSION sql_select_limit=18446744073709551615, "
        "max_join_size=18446744073709551615, sql_big_selects=1, max_statement_time=5000, "
        "auto_increment_increment=1, auto_increment_offset=1, sql_safe_updates=0, "
        "autocommit=1, sql_mode='STRICT_ALL_TABLES,ALLOW_INVALID_DATES,NO_ENGINE_SUBSTITUTION', "
        "time_zone='+00:00', wsrep_OSU_method='TOI';"};
}

// The same for a connection whose grid shows every row of a table.
inline QStringList EveryRowSessionStatements() {
    return {
        "SHOW SESSION VARIABLES WHERE Variable_name IN ('sql_select_limit', 'max_join_size', "
        "'sql_big_selects', 'max_statement_time', 'max_execution_time');",
        "SET SESSION sql_select_limit=18446744073709551615, "
        "max_join_size=18446744073709551615, sql_big_selects=1, max_statement_time=5000;"};
}

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
    return RunSessionStatements() +
           QStringList{"SHOW FULL TABLES;",
                       "SHOW COLUMNS FROM `orders`;",
                       "DROP TABLE IF EXISTS " + scratch + ";",
                       "CREATE TABLE " + scratch + " AS SELECT * from `orders`;",
                       "ALTER TABLE " + scratch + " ADD `" + temp +
                           "` INT UNSIGNED NOT NULL AUTO_INCREMENT, ADD PRIMARY KEY (" + temp +
                           ");",
                       FirstKeySlice(scratch, "`name`, `city`"),
                       "DELETE FROM " + scratch + " WHERE `" + temp + "` IN (5, 2)",
                       "ALTER TABLE " + scratch + " DROP COLUMN `" + temp + "`;",
                       "RENAME TABLE " + scratch + " TO `orders2`;",
                       "SELECT * FROM `orders2`;"};
}

}  // namespace tarnwick::test
