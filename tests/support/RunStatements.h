#pragma once

#include <QString>
#include <QStringList>

namespace tarnwick::test {

// The statements of a run over `orders` with the key fields name and city into `orders2`, in
// which rows 2 and 5 repeat earlier rows; `scratch` is the run's scratch table, quoted.
inline QStringList OrdersRunStatements(const QString& scratch) {
    const QString temp = "TEMP_COLUMN_CREATED_BY_QUARNETT";
    return {"SHOW FULL TABLES;",
            "SHOW COLUMNS FROM `orders`;",
            "DROP TABLE IF EXISTS " + scratch + ";",
            "CREATE TABLE " + scratch + " AS SELECT * from `orders`;",
            "ALTER TABLE " + scratch + " ADD `" + temp +
                "` INT UNSIGNED NOT NULL AUTO_INCREMENT, ADD PRIMARY KEY (" + temp + ");",
            "SELECT `name`, `city` FROM " + scratch + " ORDER BY `" + temp + "`;",
            "DELETE FROM " + scratch + " WHERE `" + temp + "` IN (5, 2)",
            "ALTER TABLE " + scratch + " DROP COLUMN `" + temp + "`;",
            "RENAME TABLE " + scratch + " TO `orders2`;",
            "SELECT * FROM `orders2`;"};
}

}  // namespace tarnwick::test
