#pragma once

#include <QIODevice>
#include <QStringList>
#include <string>

#include "engine/DuplicateSearch.h"

namespace tarnwick::engine {

// The report of the rows that go, as CSV (RFC 4180: fields with a comma, a quote or a line break
// quoted, quotes doubled, lines ending in CRLF; UTF-8). The header is `kept,removed,` and the key
// fields' names; then a line for each row that goes: the row that stays, the row that goes, and
// the key values as the row that stays holds them (an empty field for NULL). A row is named by the
// value of the chosen table's primary key when that key is one column, else by its position in
// the table's order (from 1).
class RemovalReport {
  public:
    // Writes the header. Throws std::runtime_error when `out` cannot be written.
    RemovalReport(QIODevice& out, const QStringList& keyFields);

    // Writes the line of a row that goes. The labels hold the primary key's value first when
    // `namedByKey`, then the key values. Throws std::runtime_error when `out` cannot be written.
    void Write(const Removal& removal, bool namedByKey);
    // Writes what is buffered.
    void Flush();

    int64_t Lines() const { return lines_; }

  private:
    void Field(std::string_view text);
    void EndLine();

    QIODevice& out_;
    std::string line_;
    std::string buffer_;
    int64_t lines_ = 0;
};

}  // namespace tarnwick::engine
