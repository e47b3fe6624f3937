#pragma once

#include "pages/FieldMoves.h"
#include "pages/PageWindow.h"

namespace tarnwick::pages {

class DataGrid;
class Wizard;

// The field page: a preview of the chosen table, its fields in the available list (List1) and
// the fields that make two rows duplicates in the chosen list (List2). The table page and the
// result page fill it; the page itself only moves names between the lists and builds the key
// field list on "Next >".
class Form3 : public PageWindow {
  public:
    explicit Form3(Wizard& wizard);

    void Form_Load();
    void PushButton2_Click();  // "< Back"
    void PushButton4_Click();  // "Next >"
    void PushButton5_Click();  // ">"
    void PushButton6_Click();  // ">>"
    void PushButton7_Click();  // "<"
    void PushButton8_Click();  // "<<"
    void List1_DblClick();
    void List2_DblClick();

    // Takes every name of the chosen list out of the available list (all occurrences, exact
    // comparison), yielding once per available entry.
    void RemoveChosenFields();

    QListWidget& List1() const { return *controls_.List1; }
    QListWidget& List2() const { return *controls_.List2; }
    DataGrid& DataGrid1() const { return *dataGrid1_; }
    const FieldPageControls& Controls() const { return controls_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Wizard& wizard_;
    FieldPageControls controls_;  // children of the page
    DataGrid* dataGrid1_;
    QPushButton* pushButton2_;
};

}  // namespace tarnwick::pages
