#include "pages/DataGrid.h"

#include <QHeaderView>

#include "app/core/FailureDescription.h"
#include "db/Connection.h"
#include "db/RowSet.h"
#include "db/RowSetModel.h"

namespace tarnwick::pages {

DataGrid::DataGrid(QWidget& parent, const char* name, const TwipRect& rect)
    : QTableView(&parent), model_(new db::RowSetModel(this)) {
    setObjectName(QString::fromLatin1(name));
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setWordWrap(false);
    // Tab and Shift+Tab move to the page's next control, not from cell to cell: otherwise a grid
    // with rows keeps the focus for ever.
    setTabKeyNavigation(false);
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setDefaultSectionSize(rowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    // The square between the two scroll bars takes the page's background.
    auto* corner = new QWidget(this);
    corner->setAutoFillBackground(true);
    setCornerWidget(corner);
    Place(*this, rect);
}

void DataGrid::SetDataSource(std::shared_ptr<db::RowSet> rowSet) {
    if (rowSet && !rowSet->IsOpen()) throw app::Failure(QString::fromUtf16(db::kObjectClosedText));
    model_->SetBaseFont(font());
    model_->SetRowSet(std::move(rowSet));
}

const std::shared_ptr<db::RowSet>& DataGrid::DataSource() const {
    return model_->GetRowSet();
}

}  // namespace tarnwick::pages
