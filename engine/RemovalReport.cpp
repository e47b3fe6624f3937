#include "engine/RemovalReport.h"

#include <stdexcept>

#include "engine/RowLabel.h"

namespace tarnwick::engine {
namespace {

constexpr size_t kBufferBytes = size_t{1} << 16;

}  // namespace

RemovalReport::RemovalReport(QIODevice& out, const QStringList& keyFields) : out_(out) {
    Field("kept");
    Field("removed");
    for (const QString& field : keyFields) Field(field.toStdString());
    EndLine();
    Flush();
}

void RemovalReport::Field(std::string_view text) {
    if (!line_.empty()) line_ += ',';
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        line_ += text;
        return;
    }
    line_ += '"';
    for (const char c : text) {
        if (c == '"') line_ += '"';
        line_ += c;
    }
    line_ += '"';
}

void RemovalReport::EndLine() {
    buffer_ += line_;
    buffer_ += "\r\n";
    line_.clear();
    if (buffer_.size() >= kBufferBytes) Flush();
}

void RemovalReport::Write(const Removal& removal, bool namedByKey) {
    const auto kept = row_label::Fields(removal.keptLabel);
    const auto removed = row_label::Fields(removal.removedLabel);
    if (namedByKey) {
        if (kept.empty() || removed.empty())
            throw std::runtime_error("a row that goes was read without its primary key");
        Field(kept[0].value_or(""));
        Field(removed[0].value_or(""));
    } else {
        Field(std::to_string(removal.keptId));
        Field(std::to_string(removal.removedId));
    }
    for (size_t i = namedByKey ? 1 : 0; i < kept.size(); ++i) Field(kept[i].value_or(""));
    EndLine();
    ++lines_;
}

void RemovalReport::Flush() {
    if (buffer_.empty()) return;
    if (out_.write(buffer_.data(), static_cast<qint64>(buffer_.size())) !=
        static_cast<qint64>(buffer_.size())) {
        throw std::runtime_error("the report could not be written: " +
                                 out_.errorString().toStdString());
    }
    buffer_.clear();
}

}  // namespace tarnwick::engine
