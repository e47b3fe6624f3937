#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnwick::db {

// The exact text forms of values in a row key: two values that the server holds apart give
// different text, equal values equal text. Each appends to `out`.

// Plain decimal digits, "-" before a negative number.
void AppendInteger(int64_t value, std::string& out);
void AppendInteger(uint64_t value, std::string& out);

// The shortest decimal text that reads back as the same float or double ("1.0000001",
// "123456.7", "1e+30"). Negative zero is written "0": the server holds it equal to zero.
void AppendFloat(float value, std::string& out);
void AppendDouble(double value, std::string& out);

// "0x" and two upper-case hexadecimal digits a byte; nothing for no bytes.
void AppendHex(const char* bytes, size_t length, std::string& out);

}  // namespace tarnwick::db
