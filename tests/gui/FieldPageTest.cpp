#include <QPushButton>
#include <QTest>

#include "engine/KeyFieldList.h"
#include "pages/Form2.h"
#include "pages/Form3.h"
#include "pages/Form4.h"
#include "pages/Steps.h"
#include "tests/gui/PageTest.h"
#include "tests/support/QtPrinting.h"

using namespace tarnwick;
using test::PageTest;

namespace {

class FieldPage : public PageTest {
  protected:
    // The field page as a fill leaves it: the lists as given, the buttons by the enabling rule.
    pages::Form3& Filled(const QStringList& available, const QStringList& chosen) {
        wizard = std::make_unique<pages::Wizard>();
        pages::Form3& form3 = wizard->FieldPage();
        form3.List1().addItems(available);
        form3.List2().addItems(chosen);
        pages::UnguardedSteps steps;
        pages::UpdateMoveButtons(steps, form3.Controls(), 100);
        return form3;
    }

    static void DoubleClickBelowTheEntries(QListWidget& list) {
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {},
                           QPoint(10, list.viewport()->height() - 5));
    }
};

}  // namespace

TEST_F(FieldPage, MoveAllAppendsInOrderAndSetsTheButtons) {
    pages::Form3& form3 = Filled({"a", "b"}, {"c"});
    Click(form3, "PushButton6");
    EXPECT_EQ(test::Items(form3.List2()), (QStringList{"c", "a", "b"}));
    EXPECT_EQ(form3.List1().count(), 0);
    EXPECT_EQ(MoveButtons(form3), (std::vector<bool>{false, false, true, true, true}));

    Click(form3, "PushButton8");
    EXPECT_EQ(test::Items(form3.List1()), (QStringList{"c", "a", "b"}));
    EXPECT_EQ(form3.List2().count(), 0);
    EXPECT_EQ(MoveButtons(form3), (std::vector<bool>{true, true, false, false, false}));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(FieldPage, AMovedNameGoesToTheEndAndLeavesNoSelectionBehind) {
    pages::Form3& form3 = Filled({"a", "b", "c"}, {});
    form3.List1().setCurrentRow(0);
    Click(form3, "PushButton5");
    EXPECT_EQ(test::Items(form3.List2()), QStringList{"a"});
    EXPECT_EQ(pages::SelectedIndex(form3.List1()), -1);
    EXPECT_EQ(MoveButtons(form3), (std::vector<bool>{true, true, true, true, true}));

    // Right after ">" nothing is selected, so ">" asks for a selection and changes nothing.
    Click(form3, "PushButton5");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Tarnwick");
    EXPECT_EQ(boxes.boxes[0].text, "Please select a field first.");
    EXPECT_EQ(boxes.boxes[0].icon, app::MessageIcon::None);
    EXPECT_EQ(test::Items(form3.List1()), (QStringList{"b", "c"}));
    EXPECT_EQ(test::Items(form3.List2()), QStringList{"a"});

    // "<" on the only chosen entry: back at the end, and "<", "<<", "Next >" go off.
    form3.List2().setCurrentRow(0);
    Click(form3, "PushButton7");
    EXPECT_EQ(test::Items(form3.List1()), (QStringList{"b", "c", "a"}));
    EXPECT_EQ(form3.List2().count(), 0);
    EXPECT_EQ(MoveButtons(form3), (std::vector<bool>{true, true, false, false, false}));
}

TEST_F(FieldPage, AfterAFillThatLeftNothingAvailableTheMovesRestoreTheRule) {
    pages::Form3& form3 = Filled({}, {"id"});
    // As a fill leaves it when every field was chosen: decided before the chosen names went.
    form3.Controls().PushButton5->setEnabled(true);
    form3.Controls().PushButton6->setEnabled(true);
    Click(form3, "PushButton5");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Please select a field first.");
    EXPECT_TRUE(form3.Controls().PushButton5->isEnabled());

    Click(form3, "PushButton6");
    EXPECT_EQ(test::Items(form3.List2()), QStringList{"id"});
    EXPECT_EQ(MoveButtons(form3), (std::vector<bool>{false, false, true, true, true}));
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(FieldPage, DoubleClicksMoveTheSelectedEntryAndDoNothingWithoutOne) {
    pages::Form3& form3 = Filled({"a", "b", "c"}, {});
    form3.show();
    DoubleClick(form3.List1(), 1);
    EXPECT_EQ(test::Items(form3.List1()), (QStringList{"a", "c"}));
    EXPECT_EQ(test::Items(form3.List2()), QStringList{"b"});
    EXPECT_EQ(pages::SelectedIndex(form3.List1()), -1);
    EXPECT_EQ(MoveButtons(form3), (std::vector<bool>{true, true, true, true, true}));

    // Nothing selected in the list: a double-click below the entries moves nothing, silently.
    DoubleClickBelowTheEntries(form3.List1());
    EXPECT_EQ(test::Items(form3.List1()), (QStringList{"a", "c"}));
    EXPECT_EQ(test::Items(form3.List2()), QStringList{"b"});

    DoubleClick(form3.List2(), 0);
    EXPECT_EQ(test::Items(form3.List1()), (QStringList{"a", "c", "b"}));
    EXPECT_EQ(form3.List2().count(), 0);
    DoubleClickBelowTheEntries(form3.List2());
    EXPECT_EQ(form3.List2().count(), 0);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(exitCodes.empty());
}

TEST_F(FieldPage, NextBuildsTheKeyFieldListInTheChosenOrder) {
    pages::Form3& form3 = Filled({}, {"name"});
    Click(form3, "PushButton4");
    EXPECT_EQ(wizard->State().KeyFieldList, "`name`");
    EXPECT_TRUE(wizard->HasResultPage());
    EXPECT_TRUE(wizard->ResultPage().isVisible());
    EXPECT_FALSE(form3.isVisible());

    form3.List2().clear();
    form3.List2().addItems({"a", "b", "c"});
    Click(form3, "PushButton4");
    EXPECT_EQ(wizard->State().KeyFieldList, "`a`, `b`, `c`");

    // Blanks and commas stay as they are; a backtick inside a name is doubled.
    form3.List2().clear();
    form3.List2().addItems({"last, first", "zip code", "odd`name", "a`, `b"});
    Click(form3, "PushButton4");
    EXPECT_EQ(wizard->State().KeyFieldList, "`last, first`, `zip code`, `odd``name`, `a``, ``b`");
    EXPECT_TRUE(boxes.boxes.empty());
    // The run takes the names back from the text, each whole.
    EXPECT_EQ(engine::KeyFieldNames(wizard->State().KeyFieldList),
              (QStringList{"last, first", "zip code", "odd`name", "a`, `b"}));
}

TEST_F(FieldPage, BackShowsTheTablePageAndKeepsEverything) {
    pages::Form3& form3 = Filled({"a"}, {"b"});
    form3.ShowPage();
    Click(form3, "PushButton2");
    EXPECT_TRUE(wizard->TablePage().isVisible());
    EXPECT_FALSE(form3.isVisible());
    EXPECT_EQ(test::Items(form3.List1()), QStringList{"a"});
    EXPECT_EQ(test::Items(form3.List2()), QStringList{"b"});
}
