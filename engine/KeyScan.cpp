#include "engine/KeyScan.h"

namespace tarnwick::engine {

KeyScan::KeyScan(std::shared_ptr<db::Connection> connection, const QString& table,
                 KeyColumns columns, const TableOrder& order)
    : columns_(std::move(columns)),
      cursor_(db::KeyCursor::Open(connection, KeyScanQuery(table, columns_, order))) {}

bool KeyScan::Fetch() {
    if (ended_ || !cursor_.Fetch()) {
        ended_ = true;
        return false;
    }
    ++position_;
    return true;
}

bool KeyScan::AppendField(int field, std::string& out) const {
    return cursor_.AppendValue(
        field, out,
        field < KeyFieldCount() ? db::KeyCursor::Bytes::Raw : db::KeyCursor::Bytes::AsText);
}

}  // namespace tarnwick::engine
