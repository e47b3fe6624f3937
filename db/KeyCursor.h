#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/ResultReader.h"

namespace tarnwick::db {

class Connection;

// A statement's result read in row order for row keys: every value goes straight from typed buffers
// into its exact text form (db/KeyText.h), with no allocation per value.
//
// The form follows the column's type: integers as decimal digits (read as 64-bit integers),
// FLOAT as the shortest text that reads back as the same float and DOUBLE the same (read as binary
// values: the server's own text of a FLOAT has six digits and merges distinct values), binary
// strings and BIT as "0x" and hexadecimal digits (HoldsBytes), and everything else (text, DECIMAL,
// dates and times with their fractions, ENUM, SET, JSON, INET6, UUID) as the UTF-8 text the driver
// gives.
//
// One limit of the driver's text remains: text arrives converted to the connection's character
// set (utf8mb4), which is exact for latin1 and the Unicode sets but may merge characters of sets
// that map several codes to one. TIMESTAMP values arrive in the session's time zone, which the
// run sets to UTC (engine/SessionPins.cpp): in a zone with daylight saving time the two instants
// of the hour repeated in autumn would read alike.
//
// Results whose columns all have a bounded width are fetched in blocks of rows into bound
// buffers; a result with a long column (TEXT, BLOB, JSON, GEOMETRY) is read a row at a time
// (ResultReader).
class KeyCursor {
  public:
    // Sends the statement on the connection and takes over its result.
    static KeyCursor Open(const std::shared_ptr<Connection>& connection, const QString& statement);

    // Takes over an executed statement's result; keeps its connection alive as long as the cursor
    // lives.
    explicit KeyCursor(ResultReader result);

    int FieldCount() const { return result_.ColumnCount(); }

    // Moves to the next row; false once past the last row.
    bool Fetch() { return result_.Fetch(); }

    // How a value of bytes is appended: as its text form ("0x" and hexadecimal digits), or as the
    // bytes themselves, half as long, for a key that is only compared.
    enum class Bytes { AsText, Raw };
    // Appends the text form of the column's value in the current row to `out` and returns true,
    // or returns false for NULL (and appends nothing).
    bool AppendValue(int column, std::string& out, Bytes bytes = Bytes::AsText) const;
    // The value of a column of unsigned integers in the current row. Throws DbError for NULL or a
    // column of another type.
    uint64_t UnsignedValue(int column) const;
    // The same for a column of signed integers.
    int64_t SignedValue(int column) const;
    // True for a column of whole numbers (signed or not).
    bool HoldsIntegers(int column) const;
    bool HoldsSignedIntegers(int column) const;
    // The bytes of the current row's values as they are held (NULLs count nothing).
    size_t RowBytes() const;

  private:
    enum class Form { Signed, Unsigned, Float, Double, Bytes, Text };

    void RequireColumn(int column) const;
    // The bytes of the current row's value of a column of whole numbers of the given sign.
    const char* IntegerBytes(int column, bool isSigned) const;

    ResultReader result_;
    std::vector<Form> forms_;
};

}  // namespace tarnwick::db
