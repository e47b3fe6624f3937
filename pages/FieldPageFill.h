#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "db/TableParts.h"

namespace tarnwick::app {
class GuardedProcedure;
}
namespace tarnwick::db {
class Connection;
class RowSet;
}  // namespace tarnwick::db

namespace tarnwick::pages {

class Wizard;

// The numbered lines on which the steps of a field page fill stand in the calling procedure.
struct FieldPageFillLines {
    int show;           // show the field page
    int clear;          // empty its available list
    int unbind;         // unbind its grid
    int openPreview;    // open the preview row set
    int bind;           // bind the grid to it
    int openDescribe;   // open the field list row set
    int loop;           // loop test; yield, append and move on the next three lines
    int buttons;        // the enabling rule, on twelve lines from here
    int selectFirst;    // select the first available field
    int closeDescribe;  // close the field list row set
    int focus;          // give the grid the focus
};

// The connection and row set objects a fill works with (created by the caller's earlier
// steps), and the two statements it sends.
struct FieldPageSources {
    std::shared_ptr<db::Connection> connection;
    std::shared_ptr<db::RowSet> preview;
    std::shared_ptr<db::RowSet> fields;
    // The preview: one statement's rows, or a whole table a part at a time.
    QString previewStatement;
    std::optional<db::TableParts> previewParts;
    QString describeStatement;
};

// Fills the field page as the table page's "Next >" and the result page's "< Back" do: shows it,
// empties its available list, binds its grid to the preview, lists the fields of the field list
// row set (yielding before each), applies the enabling rule to the lists as they now stand,
// selects the first available field, closes the field list and gives the grid the focus. The
// chosen fields are taken out of the available list afterwards by the caller
// (Form3::RemoveChosenFields), and the preview stays bound with its connection.
void FillFieldPage(app::GuardedProcedure& proc, const FieldPageFillLines& lines, Wizard& wizard,
                   FieldPageSources& sources);

}  // namespace tarnwick::pages
