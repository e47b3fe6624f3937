#pragma once

#include <QString>
#include <vector>

namespace tarnwick::engine {

// One column of a table's primary key, as declared.
struct KeyColumn {
    QString name;
    bool descending = false;
};

// The order of a table's rows that "first" and "last" refer to: its primary key's columns, in
// order, each ascending or descending as declared. Empty for a table without a primary key (or a
// view), whose order is that of a plain scan.
using TableOrder = std::vector<KeyColumn>;

}  // namespace tarnwick::engine
