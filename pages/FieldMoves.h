#pragma once

#include <QListWidget>
#include <QPushButton>

#include "app/ApplicationTitle.h"
#include "pages/ListBox.h"

namespace tarnwick::pages {

// The field page's two lists and the buttons that the enabling rule sets.
struct FieldPageControls {
    QListWidget* List1;        // available fields
    QListWidget* List2;        // chosen fields
    QPushButton* PushButton4;  // "Next >"
    QPushButton* PushButton5;  // ">"
    QPushButton* PushButton6;  // ">>"
    QPushButton* PushButton7;  // "<"
    QPushButton* PushButton8;  // "<<"
};

// The routines below run as numbered steps of the calling procedure: `steps` is an
// app::GuardedProcedure for the buttons and the pages that fill the field page, UnguardedSteps
// for the double-clicks.

// The enabling rule, on twelve lines from `firstLine`: ">" and ">>" are enabled exactly when the
// available list has an entry; "<", "<<" and "Next >" exactly when the chosen list has one.
template <class Steps>
void UpdateMoveButtons(Steps& steps, const FieldPageControls& c, int firstLine) {
    const int l = firstLine;
    if (steps.Test(l, [&] { return ItemCount(*c.List1) == 0; })) {
        steps.Step(l + 2, [&] { c.PushButton5->setEnabled(false); });
        steps.Step(l + 4, [&] { c.PushButton6->setEnabled(false); });
    } else {
        steps.Step(l + 6, [&] { c.PushButton5->setEnabled(true); });
        steps.Step(l + 8, [&] { c.PushButton6->setEnabled(true); });
    }
    if (steps.Test(l + 10, [&] { return ItemCount(*c.List2) == 0; })) {
        steps.Step(l + 12, [&] { c.PushButton7->setEnabled(false); });
        steps.Step(l + 14, [&] { c.PushButton8->setEnabled(false); });
        steps.Step(l + 16, [&] { c.PushButton4->setEnabled(false); });
    } else {
        steps.Step(l + 18, [&] { c.PushButton7->setEnabled(true); });
        steps.Step(l + 20, [&] { c.PushButton8->setEnabled(true); });
        steps.Step(l + 22, [&] { c.PushButton4->setEnabled(true); });
    }
}

enum class SelectionCheck { Ask, None };

// Moves the selected entry of `source` to the end of `target`; the source is left with no
// selected entry and the target's selection does not change. With SelectionCheck::Ask, no
// selection shows "Please select a field first." and changes nothing.
template <class Steps>
void MoveSelectedField(Steps& steps, const FieldPageControls& c, QListWidget& source,
                       QListWidget& target, SelectionCheck check) {
    if (check == SelectionCheck::Ask) {
        if (steps.Test(100, [&] { return SelectedIndex(source) == -1; })) {
            steps.Step(100,
                       [&] { app::ShowMessage(QStringLiteral("Please select a field first.")); });
            return;
        }
    }
    steps.Step(102, [&] { AddItem(target, ItemText(source, SelectedIndex(source))); });
    steps.Step(104, [&] { RemoveItem(source, SelectedIndex(source)); });
    UpdateMoveButtons(steps, c, 106);
}

// Moves every entry of `source`, in order, to the end of `target`; the source ends empty.
template <class Steps>
void MoveAllFields(Steps& steps, const FieldPageControls& c, QListWidget& source,
                   QListWidget& target) {
    int count = 0;
    steps.Step(100, [&] { count = ItemCount(source); });
    for (int i = 0; steps.LoopTest(102, [&] { return i < count; }); ++i)
        steps.Step(104, [&] { AddItem(target, ItemText(source, i)); });
    steps.Step(106, [&] { count = ItemCount(source); });
    // From the last entry down, so that no index shifts under the loop.
    for (int i = count - 1; steps.LoopTest(108, [&] { return i >= 0; }); --i)
        steps.Step(110, [&] { RemoveItem(source, i); });
    UpdateMoveButtons(steps, c, 112);
}

}  // namespace tarnwick::pages
