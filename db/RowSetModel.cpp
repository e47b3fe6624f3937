#include "db/RowSetModel.h"

#include <QColor>
#include <limits>

#include "db/RowSet.h"

namespace tarnwick::db {

RowSetModel::RowSetModel(QObject* parent) : QAbstractTableModel(parent) {
    nullFont_.setItalic(true);
}

void RowSetModel::SetBaseFont(const QFont& font) {
    nullFont_ = font;
    nullFont_.setItalic(true);
}

void RowSetModel::SetRowSet(std::shared_ptr<RowSet> rowSet) {
    beginResetModel();
    rowSet_ = std::move(rowSet);
    endResetModel();
}

bool RowSetModel::Shows() const {
    return rowSet_ && rowSet_->IsOpen();
}

int RowSetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !Shows()) return 0;
    // A view counts rows in int; a larger result shows its first rows.
    const long count = rowSet_->RecordCount();
    return static_cast<int>(std::min<long>(count, std::numeric_limits<int>::max()));
}

int RowSetModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || !Shows()) return 0;
    return rowSet_->FieldCount();
}

QVariant RowSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !Shows() || index.row() >= rowCount() ||
        index.column() >= columnCount()) {
        return {};
    }
    const bool isNull = rowSet_->IsNullAt(index.row(), index.column());
    switch (role) {
        case Qt::DisplayRole:
            if (isNull) return QString::fromUtf16(kNullCellText);
            return rowSet_->ValueAt(index.row(), index.column()).value_or(QString());
        case Qt::FontRole:
            if (isNull) return nullFont_;
            return {};
        case Qt::ForegroundRole:
            if (isNull) return QColor(Qt::gray);
            return {};
        default:
            return {};
    }
}

QVariant RowSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || !Shows()) return {};
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columnCount()) return {};
        return rowSet_->FieldName(section);
    }
    return section + 1;
}

Qt::ItemFlags RowSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace tarnwick::db
