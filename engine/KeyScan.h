#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "db/KeyCursor.h"
#include "engine/KeyRows.h"
#include "engine/Statements.h"

namespace tarnwick::db {
class Connection;
}

namespace tarnwick::engine {

// The key query of a table that has no column of unique whole numbers to read it in slices by: one
// statement, in the table's order, each row's id its position in that order (from 1). The driver
// holds the statement's whole result while it is read.
class KeyScan : public KeyRows {
  public:
    KeyScan(std::shared_ptr<db::Connection> connection, const QString& table, KeyColumns columns,
            const TableOrder& order);

    bool Fetch() override;
    int KeyFieldCount() const override { return static_cast<int>(columns_.fields.size()); }
    int LabelFieldCount() const override { return static_cast<int>(columns_.labels.size()); }
    uint64_t Id() const override { return position_; }
    bool IdsSigned() const override { return false; }
    bool AppendField(int field, std::string& out) const override;

  private:
    KeyColumns columns_;
    db::KeyCursor cursor_;
    uint64_t position_ = 0;
    bool ended_ = false;
};

}  // namespace tarnwick::engine
