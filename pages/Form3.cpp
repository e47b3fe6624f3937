#include "pages/Form3.h"

#include <QEvent>

#include "app/UnguardedProcedure.h"
#include "app/Yield.h"
#include "app/core/FailureDescription.h"
#include "app/core/GuardedProcedure.h"
#include "engine/DuplicateFinder.h"
#include "engine/KeyFieldList.h"
#include "pages/DataGrid.h"
#include "pages/Form2.h"
#include "pages/Form4.h"
#include "pages/PageLayout.h"
#include "pages/PageSetUp.h"
#include "pages/PointerRules.h"
#include "pages/Steps.h"
#include "pages/Wizard.h"

namespace tarnwick::pages {
Form3::Form3(Wizard& wizard) : PageWindow("Form3", 5880, 4995), wizard_(wizard) {
    MakeLabel(*this, "Label2", QStringLiteral(" Preview:"), {240, 120, 855, 255});
    dataGrid1_ = new DataGrid(*this, "DataGrid1", {120, 480, 5640, 1360});
    MakeLabel(*this, "Label1", QStringLiteral(" Which field(s) contain duplicate information?"),
              {120, 2040, 3840, 255});
    controls_.List1 = MakeList(*this, "List1", {120, 2400, 2535, 1860});
    controls_.PushButton5 =
        MakeButton(*this, "PushButton5", QStringLiteral(">"), {2737, 2398, 420, 405});
    controls_.PushButton6 =
        MakeButton(*this, "PushButton6", QStringLiteral(">>"), {2737, 2878, 420, 405});
    controls_.PushButton7 =
        MakeButton(*this, "PushButton7", QStringLiteral("<"), {2737, 3358, 420, 405});
    controls_.PushButton8 =
        MakeButton(*this, "PushButton8", QStringLiteral("<<"), {2737, 3838, 420, 405});
    controls_.List2 = MakeList(*this, "List2", {3240, 2400, 2520, 1860});
    MakeLine(*this, "Line1", 120, 4440, 5640);
    pushButton2_ =
        MakeButton(*this, "PushButton2", QStringLiteral("< Back"), {120, 4560, 2775, 405});
    controls_.PushButton4 =
        MakeButton(*this, "PushButton4", QStringLiteral("Next >"), {3000, 4560, 2760, 405});
    SetTabOrder({controls_.List1, dataGrid1_, controls_.List2, pushButton2_, controls_.PushButton4,
                 controls_.PushButton5, controls_.PushButton6, controls_.PushButton7,
                 controls_.PushButton8});

    connect(pushButton2_, &QPushButton::clicked, this, [this] { PushButton2_Click(); });
    connect(controls_.PushButton4, &QPushButton::clicked, this, [this] { PushButton4_Click(); });
    connect(controls_.PushButton5, &QPushButton::clicked, this, [this] { PushButton5_Click(); });
    connect(controls_.PushButton6, &QPushButton::clicked, this, [this] { PushButton6_Click(); });
    connect(controls_.PushButton7, &QPushButton::clicked, this, [this] { PushButton7_Click(); });
    connect(controls_.PushButton8, &QPushButton::clicked, this, [this] { PushButton8_Click(); });
    // A double-click anywhere in a list, on an entry or below the last one.
    controls_.List1->viewport()->installEventFilter(this);
    controls_.List2->viewport()->installEventFilter(this);
    InstallPointerRules(*this);
}

bool Form3::eventFilter(QObject* watched, QEvent* event) {
    // The list does not see the double-click itself: after the move, the entry under the mouse
    // is another one, which its own handling would select.
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == controls_.List1->viewport()) {
            List1_DblClick();
            return true;
        }
        if (watched == controls_.List2->viewport()) {
            List2_DblClick();
            return true;
        }
    }
    return PageWindow::eventFilter(watched, event);
}

void Form3::Form_Load() {
    app::GuardedProcedure proc(QStringLiteral("Form3.Form_Load"));
    RunCommonSetUp(proc, *this);
}

void Form3::PushButton2_Click() {
    const ActionGuard::Hold hold(wizard_.PageChange());
    if (!hold.Entered()) return;
    app::GuardedProcedure proc(QStringLiteral("Form3.PushButton2_Click"));
    proc.Step(100, [&] { wizard_.TablePage().ShowPage(); });
    proc.Step(102, [&] { HidePage(); });
}

void Form3::PushButton4_Click() {
    const ActionGuard::Hold hold(wizard_.PageChange());
    if (!hold.Entered()) return;
    app::GuardedProcedure proc(QStringLiteral("Form3.PushButton4_Click"));
    QString& keys = wizard_.State().KeyFieldList;
    proc.Step(106, [&] { keys.clear(); });
    int count = 0;
    proc.Step(108, [&] { count = ItemCount(List2()); });
    for (int i = 0; proc.LoopTest(110, [&] { return i < count; }); ++i) {
        proc.Step(112, [&] { engine::AppendKeyField(keys, ItemText(List2(), i)); });
    }
    proc.Step(114, [&] { engine::CutLastSeparator(keys); });
    proc.Step(116, [&] { wizard_.ResultPage().ShowPage(); });
    proc.Step(118, [&] { HidePage(); });
}

void Form3::PushButton5_Click() {
    app::GuardedProcedure proc(QStringLiteral("Form3.PushButton5_Click"));
    MoveSelectedField(proc, controls_, List1(), List2(), SelectionCheck::Ask);
}

void Form3::PushButton6_Click() {
    app::GuardedProcedure proc(QStringLiteral("Form3.PushButton6_Click"));
    MoveAllFields(proc, controls_, List1(), List2());
}

void Form3::PushButton7_Click() {
    app::GuardedProcedure proc(QStringLiteral("Form3.PushButton7_Click"));
    MoveSelectedField(proc, controls_, List2(), List1(), SelectionCheck::Ask);
}

void Form3::PushButton8_Click() {
    app::GuardedProcedure proc(QStringLiteral("Form3.PushButton8_Click"));
    MoveAllFields(proc, controls_, List2(), List1());
}

// A double-click while no entry is selected (below the last entry, in an empty list, right after
// a move out of the list) moves nothing and says nothing: there is nothing it could mean.
void Form3::List1_DblClick() {
    app::RunUnguarded(QStringLiteral("Form3.List1_DblClick"), [&] {
        if (SelectedIndex(List1()) == -1) return;
        UnguardedSteps steps;
        MoveSelectedField(steps, controls_, List1(), List2(), SelectionCheck::None);
    });
}

void Form3::List2_DblClick() {
    app::RunUnguarded(QStringLiteral("Form3.List2_DblClick"), [&] {
        if (SelectedIndex(List2()) == -1) return;
        UnguardedSteps steps;
        MoveSelectedField(steps, controls_, List2(), List1(), SelectionCheck::None);
    });
}

void Form3::RemoveChosenFields() {
    ListBoxItems available(List1());
    const ListBoxItems chosen(List2());
    engine::RemoveItemsFoundIn(available, chosen, [] { app::YieldToWindowSystem(); });
}

}  // namespace tarnwick::pages
