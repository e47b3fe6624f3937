#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::engine {

class KeyRows;

// What says which row a row is, for a report: the exact texts of its label fields (KeyRows), kept
// as one string, each field a NULL mark, its length and its bytes.
namespace row_label {

// Appends the label fields of the current row of `rows` to `label`.
void Append(const KeyRows& rows, std::string& label);
// The fields of a label, in order; nothing for NULL. Throws std::runtime_error for a label that
// was not written by Append.
std::vector<std::optional<std::string_view>> Fields(std::string_view label);

}  // namespace row_label
}  // namespace tarnwick::engine
