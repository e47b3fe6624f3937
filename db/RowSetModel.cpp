#include "db/RowSetModel.h"

#include <QColor>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <limits>

#include "db/DbError.h"
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
    top_ = 0;
    totalRows_ = TotalRows();
    shownRows_ = RowsShown(top_, windowRows_);
    endResetModel();
}

bool RowSetModel::Shows() const {
    return rowSet_ && rowSet_->IsOpen();
}

long RowSetModel::TotalRows() const {
    return Shows() ? rowSet_->RecordCount() : 0;
}

int RowSetModel::RowsShown(long top, int rows) const {
    const long left = std::max(0L, TotalRows() - top);
    const long shown = rows < 0 ? left : std::min<long>(left, rows);
    // A view counts rows in int.
    return static_cast<int>(std::min<long>(shown, std::numeric_limits<int>::max()));
}

void RowSetModel::SetWindow(long top, int rows) {
    top = std::clamp(top, 0L, std::max(0L, TotalRows() - 1));
    const bool moved = top != top_;
    top_ = top;
    windowRows_ = rows;
    const int shown = RowsShown(top_, windowRows_);
    if (shown > shownRows_) {
        beginInsertRows({}, shownRows_, shown - 1);
        shownRows_ = shown;
        endInsertRows();
    } else if (shown < shownRows_) {
        beginRemoveRows({}, shown, shownRows_ - 1);
        shownRows_ = shown;
        endRemoveRows();
    }
    if (moved && shownRows_ > 0) {
        ReadAgain();
        Q_EMIT headerDataChanged(Qt::Vertical, 0, shownRows_ - 1);
    }
}

void RowSetModel::ReadAgain() {
    const int columns = columnCount();
    if (shownRows_ > 0 && columns > 0)
        Q_EMIT dataChanged(index(0, 0), index(shownRows_ - 1, columns - 1));
}

int RowSetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !Shows()) return 0;
    return shownRows_;
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
    const long row = top_ + index.row();
    if (!rowSet_->CanReadAt(row)) {
        // Its part is not held, or the connection is at work on another statement: blank for now.
        Fetch(row);
        return {};
    }
    Value value;
    try {
        value = rowSet_->ValueAt(row, index.column());
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
    return static_cast<qlonglong>(top_ + section + 1);
}

void RowSetModel::Fetch(long row) const {
    wantedRow_ = row;
    if (fetchPending_) return;
    fetchPending_ = true;
    // Never from within a view's painting: the part is read from the event loop.
    // const_cast: data() is const; the model's rows do not change, only what the row set holds.
    QTimer::singleShot(0, const_cast<RowSetModel*>(this),
                       [this] { const_cast<RowSetModel*>(this)->ServeFetch(); });
}

void RowSetModel::ServeFetch() {
    fetchPending_ = false;
    if (!Shows()) return;
    const long row = wantedRow_;
    // Scrolled away meanwhile: the rows shown now ask for themselves.
    if (row < top_ || row >= top_ + shownRows_) return Refresh();
    const std::shared_ptr<RowSet> rows = rowSet_;  // held through the wait
    if (rows->NeedsPartFor(row)) {
        try {
            rows->ReadPartAt(row);
        } catch (const DbError&) {
            // Closed meanwhile: there is nothing left to show.
        }
        if (rows == rowSet_) Refresh();
        return;
    }
    if (rows->CanReadAt(row)) return Refresh();
    QPointer<RowSetModel> model(this);
    rows->WhenReadable([model, rows] {
        if (!model || model->rowSet_ != rows) return;
        // The rows the connection holds can be read now; a part still to read waits for the loop.
        if (rows->CanReadAt(model->wantedRow_)) return model->Refresh();
        model->Fetch(model->wantedRow_);
    });
}

void RowSetModel::Refresh() {
    if (!Shows()) return;
    if (TotalRows() != totalRows_) {
        // The table ended before the count said: the window is made again over what is there.
        beginResetModel();
        totalRows_ = TotalRows();
        top_ = std::clamp(top_, 0L, std::max(0L, totalRows_ - 1));
        shownRows_ = RowsShown(top_, windowRows_);
        endResetModel();
        if (onTotalChanged_) onTotalChanged_();
        return;
    }
    ReadAgain();
}

Qt::ItemFlags RowSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace tarnwick::db
