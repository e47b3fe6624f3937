#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace tarnwick::db {

// How a table is read a part at a time: the statement that reads the rows [first, first + rows)
// in the table's order, and the one that counts them (sent only when the count is not known and
// the first part is full).
struct TableParts {
    std::function<QString(long first, long rows)> part;
    QString count;
    std::optional<long> rows;  // the table's rows, when whoever made it counted them
};

}  // namespace tarnwick::db
