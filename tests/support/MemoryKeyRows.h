#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/KeyRows.h"

namespace tarnwick::test {

// Key rows held in memory, for the duplicate search and the row key without a server: each row an
// id and its key fields' exact texts (nothing for NULL), then its label fields' when it has any.
class MemoryKeyRows : public engine::KeyRows {
  public:
    using Field = std::optional<std::string>;
    struct Row {
        uint64_t id = 0;
        std::vector<Field> fields;
    };

    MemoryKeyRows(std::vector<Row> rows, int fieldCount, bool signedIds = false, int labelCount = 0)
        : rows_(std::move(rows)),
          fieldCount_(fieldCount),
          signedIds_(signedIds),
          labelCount_(labelCount) {}

    // The fetch of this row (from 0) and the reading of its fields throw, as a lost connection
    // would.
    std::optional<size_t> failingFetch;
    std::optional<size_t> failingField;

    bool Fetch() override {
        ++at_;
        if (failingFetch == at_) throw std::runtime_error("Lost connection to server");
        return at_ < rows_.size();
    }
    int KeyFieldCount() const override { return fieldCount_; }
    int LabelFieldCount() const override { return labelCount_; }
    uint64_t Id() const override { return rows_.at(at_).id; }
    bool IdsSigned() const override { return signedIds_; }
    bool AppendField(int field, std::string& out) const override {
        if (failingField == at_) throw std::runtime_error("Data too long");
        const Field& value = rows_.at(at_).fields.at(static_cast<size_t>(field));
        if (!value) return false;
        out += *value;
        return true;
    }

  private:
    std::vector<Row> rows_;
    int fieldCount_;
    bool signedIds_;
    int labelCount_;
    size_t at_ = static_cast<size_t>(-1);
};

}  // namespace tarnwick::test
