#include "db/RowSetModel.h"

#include <QColor>
#include <QPointer>
#include <algorithm>
#include <limits>

#include "db/DbError.h"
#include "db/RowSet.h"

namespace tarnwick::db {

RowSetModel::RowSetModel(QObject* parent, int rowsPerPart)
    : QAbstractTableModel(parent), rowsPerPart_(std::max(rowsPerPart, 1)) {
    nullFont_.setItalic(true);
}

void RowSetModel::SetBaseFont(const QFont& font) {
    nullFont_ = font;
    nullFont_.setItalic(true);
}

void RowSetModel::SetRowSet(std::shared_ptr<RowSet> rowSet) {
    beginResetModel();
    rowSet_ = std::move(rowSet);
    toldRows_ = std::min(AllRows(), rowsPerPart_);
    endResetModel();
}

bool RowSetModel::Shows() const {
    return rowSet_ && rowSet_->IsOpen();
}

int RowSetModel::AllRows() const {
    if (!Shows()) return 0;
    // A view counts rows in int; a larger result shows its first rows.
    const long count = rowSet_->RecordCount();
    return static_cast<int>(std::min<long>(count, std::numeric_limits<int>::max()));
}

int RowSetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !Shows()) return 0;
    return toldRows_;
}

bool RowSetModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && toldRows_ < AllRows();
}

void RowSetModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    const int more = std::min(AllRows() - toldRows_, rowsPerPart_);
    beginInsertRows({}, toldRows_, toldRows_ + more - 1);
    toldRows_ += more;
    endInsertRows();
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
    if (role != Qt::DisplayRole && role != Qt::FontRole && role != Qt::ForegroundRole) return {};
    if (!rowSet_->CanReadAt(index.row())) {
        // The row set's connection is at work on another statement: blank for now.
        ScheduleRefresh(index.row());
        return {};
    }
    Value value;
    try {
        value = rowSet_->ValueAt(index.row(), index.column());
    } catch (const DbError& failure) {
        // Painting cannot report; the cell shows why it has no value.
        return role == Qt::DisplayRole ? QVariant(failure.Description()) : QVariant();
    }
    const bool isNull = !value.has_value();
    switch (role) {
        case Qt::DisplayRole:
            if (isNull) return QString::fromUtf16(kNullCellText);
            return *value;
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

void RowSetModel::ScheduleRefresh(long row) const {
    missedRow_ = row;
    if (refreshPending_) return;
    refreshPending_ = true;
    QPointer<RowSetModel> model(const_cast<RowSetModel*>(this));
    rowSet_->WhenReadable([this, model] {
        if (!model) return;
        refreshPending_ = false;
        if (!Shows() || missedRow_ >= rowSet_->RecordCount()) return;
        const int rows = rowCount();
        const int columns = columnCount();
        if (rows > 0 && columns > 0) {
            // const_cast: data() is const, the signal is not; the model itself does not change.
            Q_EMIT const_cast<RowSetModel*>(this)->dataChanged(index(0, 0),
                                                               index(rows - 1, columns - 1));
        }
    });
}

Qt::ItemFlags RowSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace tarnwick::db
