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

// "0x" and two upper-case hexadecimal digits a byte; nothing for no bytes. `out` is a string or a
// vector of characters (the grids' text).
template <class Out>
void AppendHex(const char* bytes, size_t length, Out& out) {
    if (length == 0) return;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out.reserve(out.size() + 2 + 2 * length);
    out.push_back('0');
    out.push_back('x');
    for (size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0x0F]);
    }
}

}  // namespace tarnwick::db
