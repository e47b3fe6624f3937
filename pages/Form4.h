#pragma once

#include "pages/PageWindow.h"

namespace tarnwick::pages {

class Wizard;

// The result page, for now only its window: the field page's "Next >" shows it. Its controls and
// procedures (the new table's name, "< Back", "Finish") take its place with the result page.
class Form4 : public PageWindow {
  public:
    explicit Form4(Wizard& wizard);

    void Form_Load();

  private:
    [[maybe_unused]] Wizard& wizard_;  // for the result page's procedures
};

}  // namespace tarnwick::pages
