#include "engine/RowLabel.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "engine/KeyRows.h"

namespace tarnwick::engine::row_label {

void Append(const KeyRows& rows, std::string& label) {
    const int first = rows.KeyFieldCount();
    for (int field = first; field < first + rows.LabelFieldCount(); ++field) {
        // The mark, then room for the length, which is known once the value is written.
        const size_t mark = label.size();
        label.append(1 + sizeof(uint32_t), '\0');
        const bool value = rows.AppendField(field, label);
        label[mark] = value ? '\1' : '\0';
        const auto length = static_cast<uint32_t>(label.size() - mark - 1 - sizeof(uint32_t));
        std::memcpy(label.data() + mark + 1, &length, sizeof length);
    }
}

std::vector<std::optional<std::string_view>> Fields(std::string_view label) {
    std::vector<std::optional<std::string_view>> fields;
    while (!label.empty()) {
        if (label.size() < 1 + sizeof(uint32_t)) throw std::runtime_error("a row label is cut");
        uint32_t length;
        std::memcpy(&length, label.data() + 1, sizeof length);
        const bool value = label[0] != '\0';
        label.remove_prefix(1 + sizeof length);
        if (label.size() < length) throw std::runtime_error("a row label is cut");
        fields.push_back(value ? std::optional(label.substr(0, length)) : std::nullopt);
        label.remove_prefix(length);
    }
    return fields;
}

}  // namespace tarnwick::engine::row_label
