#pragma once

#include <memory>

#include "pages/ActionGuard.h"
#include "pages/WizardState.h"

namespace tarnwick::pages {

class Form1;
class Form2;
class Form3;
class Form4;

// The four pages and what they hand on. The login page exists from the start; every other page
// is created, and runs its load procedure, the first time another page uses it, and then lives,
// shown or hidden, until the wizard goes.
class Wizard {
  public:
    Wizard();
    ~Wizard();
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    // The start-up sequence (the login page's load procedure), then the login page is shown
    // unless the sequence has already handed over to the table page.
    void Start();

    WizardState& State() { return state_; }

    // Held by every action that shows or hides pages or starts a run, for as long as it works
    // (it may wait for the server while the windows answer): any other such action pressed
    // meanwhile does nothing, so that exactly one page is on screen, two only between "show the
    // target" and "hide the current".
    ActionGuard& PageChange() { return pageChange_; }

    Form1& LoginPage() { return *form1_; }
    Form2& TablePage();
    Form3& FieldPage();
    Form4& ResultPage();

    // Whether a page has been created yet (for tests and the start-up decision).
    bool HasTablePage() const { return form2_ != nullptr; }
    bool HasFieldPage() const { return form3_ != nullptr; }
    bool HasResultPage() const { return form4_ != nullptr; }

  private:
    WizardState state_;
    ActionGuard pageChange_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    std::unique_ptr<Form3> form3_;
    std::unique_ptr<Form4> form4_;
};

}  // namespace tarnwick::pages
