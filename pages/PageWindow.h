#pragma once

#include <QWidget>

#include "app/PagePointer.h"

namespace tarnwick::pages {

// What every wizard page is: a top-level window of a fixed client size given in twips, with a
// minimise box but no maximise box, Arial 9 pt bold, designed on white, centred on the screen
// when first shown, with a page pointer. Closing it (Form_Unload) ends the whole program.
class PageWindow : public QWidget {
  public:
    PageWindow(const char* name, int clientWidthTwips, int clientHeightTwips);

    app::PagePointer& Pointer() { return *pointer_; }

    // Shows the page (not modal), centred on the screen the first time it is shown.
    void ShowPage();
    void HidePage();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    app::PagePointer* pointer_;  // a child of the page
    bool placed_ = false;
};

}  // namespace tarnwick::pages
