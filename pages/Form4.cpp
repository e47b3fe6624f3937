#include "pages/Form4.h"

#include "app/GuardedProcedure.h"
#include "pages/PageSetUp.h"

namespace tarnwick::pages {

Form4::Form4(Wizard& wizard) : PageWindow("Form4", 5880, 4335), wizard_(wizard) {}

void Form4::Form_Load() {
    app::GuardedProcedure proc(QStringLiteral("Form4.Form_Load"));
    RunCommonSetUp(proc, *this);
}

}  // namespace tarnwick::pages
