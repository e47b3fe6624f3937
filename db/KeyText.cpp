#include "db/KeyText.h"

#include <charconv>
#include <stdexcept>

namespace tarnwick::db {
namespace {

template <class Number>
void AppendShortest(Number value, std::string& out) {
    char digits[32];
    // Adding zero turns a negative zero into zero and leaves every other value as it is.
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value + Number(0));
    if (error != std::errc()) throw std::runtime_error("a number could not be written as text");
    out.append(digits, end);
}

}  // namespace

void AppendInteger(int64_t value, std::string& out) {
    AppendShortest(value, out);
}

void AppendInteger(uint64_t value, std::string& out) {
    AppendShortest(value, out);
}

void AppendFloat(float value, std::string& out) {
    AppendShortest(value, out);
}

void AppendDouble(double value, std::string& out) {
    AppendShortest(value, out);
}

}  // namespace tarnwick::db
