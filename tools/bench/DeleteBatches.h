#pragma once

#include <QString>

namespace tarnwick::db {
class Connection;
}

namespace tarnwick::bench {

struct DeleteFigures {
    long statements = 0;
    long positions = 0;
    double seconds = 0;
};

// Deletes the later rows of each (name, city) group of a fresh numbered copy of `table`, as the
// run does, `batchSize` positions to a statement, highest first; times the deletes alone.
DeleteFigures TimeDeletes(db::Connection& connection, const QString& table, int batchSize);

}  // namespace tarnwick::bench
