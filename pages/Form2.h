#pragma once

#include "pages/PageWindow.h"

class QListWidget;
class QPushButton;

namespace tarnwick::pages {

class Wizard;

// The table page: the tables of the login's database (filled by the login page's "Next >"); the
// user chooses one, and "Next >" records it as the chosen table and fills the field page.
class Form2 : public PageWindow {
  public:
    explicit Form2(Wizard& wizard);

    void Form_Load();
    void PushButton2_Click();  // "< Back"
    void PushButton3_Click();  // "Next >"

    QListWidget& List1() const { return *list1_; }

  private:
    Wizard& wizard_;
    QListWidget* list1_;  // children of the page
    QPushButton* pushButton2_;
    QPushButton* pushButton3_;
};

}  // namespace tarnwick::pages
