#pragma once

#include <QElapsedTimer>

#include "pages/ActionGuard.h"
#include "pages/PageWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarnwick::pages {

class DataGrid;
class MinimiseWatch;
class Wizard;

// The result page: the new table's name, "< Back" to the field page, and "Finish", which runs the
// deduplication and shows the new table in the grid; the button then reads "Exit".
class Form4 : public PageWindow {
  public:
    explicit Form4(Wizard& wizard);

    void Form_Load();
    void PushButton2_Click();  // "< Back"
    void PushButton4_Click();  // "Finish", then "Exit"

    // Whether a run is at work (between "Finish" and the end of the run).
    bool Running() const { return run_.Held(); }

    QLineEdit& Text1() const { return *text1_; }
    QPushButton& PushButton4() const { return *pushButton4_; }
    DataGrid& DataGrid1() const { return *dataGrid1_; }

  private:
    Wizard& wizard_;
    ActionGuard run_;
    QElapsedTimer renamedToExit_;  // since the button came to read "Exit"
    MinimiseWatch* minimised_;     // children of the page from here on
    QLabel* label1_;
    QLineEdit* text1_;
    QPushButton* pushButton2_;
    QPushButton* pushButton4_;
    DataGrid* dataGrid1_;
};

}  // namespace tarnwick::pages
