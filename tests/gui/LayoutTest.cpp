#include <QAbstractButton>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "pages/DataGrid.h"
#include "pages/Form1.h"
#include "pages/Form2.h"
#include "pages/Form3.h"
#include "pages/Form4.h"
#include "tests/gui/PageTest.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/TestServer.h"

using namespace tarnwick;
using test::PageTest;
using test::TestServer;

namespace {

class Layout : public PageTest {
  protected:
    // The three pages as a user sees them after choosing a table.
    std::vector<QWidget*> Pages() {
        const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
        TestServer::Run(
            login.database,
            {"CREATE TABLE customers (id INT, name VARCHAR(40), city VARCHAR(40), zip VARCHAR(10))",
             "INSERT INTO customers VALUES (1, 'Ada Lovelace', 'London', 'N1'), "
             "(2, 'Alan Turing', 'Wilmslow', NULL), (3, 'Ada Lovelace', 'London', 'N1'), "
             "(4, 'Grace Hopper', '', '10001')",
             "CREATE TABLE orders (id INT)", "CREATE TABLE `order lines` (id INT)"});
        pages::Wizard& w = OnFieldPage(login, "customers");
        w.FieldPage().List1().setCurrentRow(2);
        Click(w.FieldPage(), "PushButton5");
        Click(w.FieldPage(), "PushButton4");
        return {&w.LoginPage(), &w.TablePage(), &w.FieldPage(), &w.ResultPage()};
    }

    // Saves a picture of each page when TARNWICK_SCREENSHOT_DIR names a folder.
    static void SaveScreenshot(QWidget& page) {
        const QString folder = qEnvironmentVariable("TARNWICK_SCREENSHOT_DIR");
        if (folder.isEmpty()) return;
        page.show();
        page.grab().save(QDir(folder).filePath(page.objectName().toLower() + ".png"));
    }
};

// What a control's caption needs in pixels, with the frame and margins its kind draws around it.
int NeededWidth(const QWidget& control) {
    if (auto* label = qobject_cast<const QLabel*>(&control)) {
        // A wrapping label fits when its lines fit its height.
        if (label->wordWrap())
            return label->heightForWidth(label->width()) <= label->height() ? 0 : 9999;
        return label->fontMetrics().horizontalAdvance(label->text());
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(&control))
        return button->fontMetrics().horizontalAdvance(button->text()) + 8;
    if (auto* frame = qobject_cast<const QGroupBox*>(&control))
        return frame->fontMetrics().horizontalAdvance(frame->title()) + 12;
    return 0;
}

// A control of the design, not one of Qt's inner widgets.
bool IsDesigned(const QWidget& control) {
    const QString name = control.objectName();
    return !name.isEmpty() && !name.startsWith("qt_") && name != "PagePointer";
}

// The part of a control that shows something: a label's text, not the blank rest of its box
// (the design lets label boxes reach under the text boxes beside them).
QRect UsedArea(const QWidget& control) {
    if (auto* label = qobject_cast<const QLabel*>(&control); label && !label->wordWrap())
        return QRect(label->pos(), QSize(NeededWidth(*label), label->height()));
    return control.geometry();
}

// The next control that the Tab key reaches.
QWidget* NextByTab(QWidget& control) {
    QWidget* next = control.nextInFocusChain();
    while (next != &control && (!IsDesigned(*next) || (next->focusPolicy() & Qt::TabFocus) == 0))
        next = next->nextInFocusChain();
    return next;
}

// The controls that the Tab key reaches, pressed `presses` times from `first`, as a user does.
QStringList WalkByTab(QWidget& page, QWidget& first, int presses) {
    page.show();
    page.activateWindow();
    if (!QTest::qWaitForWindowActive(&page)) return {"<page not active>"};
    first.setFocus(Qt::TabFocusReason);
    QStringList reached;
    for (int i = 0; i < presses; ++i) {
        QTest::keyClick(page.focusWidget(), Qt::Key_Tab);
        reached << (page.focusWidget() ? page.focusWidget()->objectName() : "<none>");
    }
    return reached;
}

}  // namespace

TEST_F(Layout, PagesHaveTheirSizeFontsAndWindowTraits) {
    const std::vector<QWidget*> pages = Pages();
    const std::vector<QSize> sizes = {{536, 246}, {392, 176}, {392, 333}, {392, 289}};
    for (size_t i = 0; i < pages.size(); ++i) {
        QWidget& page = *pages[i];
        SCOPED_TRACE(page.objectName().toStdString());
        EXPECT_EQ(page.size(), sizes[i]);
        EXPECT_EQ(page.minimumSize(), page.maximumSize());
        EXPECT_TRUE(page.windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(page.windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_EQ(page.windowTitle(), "Tarnwick");
        EXPECT_FALSE(page.windowIcon().isNull());
        EXPECT_EQ(page.font().family(), "Arial");
        EXPECT_TRUE(page.font().bold());
        EXPECT_EQ(page.font().pointSizeF(), 9.0);
        for (QPushButton* button : page.findChildren<QPushButton*>()) {
            EXPECT_EQ(button->font().pointSizeF(), 11.25);
            EXPECT_TRUE(button->font().bold());
        }
        SaveScreenshot(page);
    }
}

TEST_F(Layout, EveryCaptionFitsAndNoControlsOverlap) {
    for (QWidget* page : Pages()) {
        for (QWidget* control : page->findChildren<QWidget*>()) {
            if (!IsDesigned(*control)) continue;
            SCOPED_TRACE((page->objectName() + "." + control->objectName()).toStdString());
            EXPECT_LE(NeededWidth(*control), control->width());
            if (control->objectName() != "Line1") {
                EXPECT_LE(control->fontMetrics().height(), control->height());
            }
            EXPECT_TRUE(control->parentWidget()->rect().contains(control->geometry()));
            for (QWidget* other :
                 control->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (other == control || !IsDesigned(*other)) continue;
                EXPECT_FALSE(UsedArea(*control).intersects(UsedArea(*other)))
                    << "overlaps " << other->objectName().toStdString();
            }
        }
    }
}

TEST_F(Layout, TheTabKeyFollowsTheDesignedOrder) {
    const std::vector<QWidget*> pages = Pages();
    const std::vector<std::vector<const char*>> orders = {
        {"Text1", "Text5", "Text2", "Text3", "Text4", "PushButton5", "PushButton2", "PushButton3"},
        {"List1", "PushButton2", "PushButton3"},
        {"List1", "DataGrid1", "List2", "PushButton2", "PushButton4", "PushButton5", "PushButton6",
         "PushButton7", "PushButton8"},
        {"Text1", "DataGrid1", "PushButton2", "PushButton4"}};
    for (size_t i = 0; i < pages.size(); ++i) {
        const std::vector<const char*>& order = orders[i];
        for (size_t k = 0; k + 1 < order.size(); ++k) {
            EXPECT_EQ(NextByTab(Control(*pages[i], order[k]))->objectName(), order[k + 1])
                << "after " << order[k];
        }
    }
}

TEST_F(Layout, TheTabKeyWalksEveryPageAndLeavesGridsWithOrWithoutRows) {
    const db::ConnectionSettings login = TestServer::FreshDatabaseForThisTest();
    TestServer::Run(login.database,
                    {"CREATE TABLE filled (id INT, name VARCHAR(20), city VARCHAR(20))",
                     "INSERT INTO filled SELECT seq, 'n', 'c' FROM seq_1_to_30",
                     "CREATE TABLE empty (id INT, name VARCHAR(20))"});
    pages::Wizard& w = OnTablePage(login);
    EXPECT_EQ(WalkByTab(w.LoginPage(), w.LoginPage().Text1(), 8),
              (QStringList{"Text5", "Text2", "Text3", "Text4", "PushButton5", "PushButton2",
                           "PushButton3", "Text1"}));
    EXPECT_EQ(WalkByTab(w.TablePage(), w.TablePage().List1(), 3),
              (QStringList{"PushButton2", "PushButton3", "List1"}));

    // Every button of the field page enabled: a field chosen and one still available.
    const QStringList fieldOrder{"DataGrid1",   "List2",       "PushButton2",
                                 "PushButton4", "PushButton5", "PushButton6",
                                 "PushButton7", "PushButton8", "List1"};
    for (const char* table : {"filled", "empty"}) {
        SCOPED_TRACE(table);
        w.TablePage().List1().setCurrentItem(
            w.TablePage().List1().findItems(table, Qt::MatchExactly).value(0));
        Click(w.TablePage(), "PushButton3");
        pages::Form3& form3 = w.FieldPage();
        ASSERT_EQ(form3.DataGrid1().TotalRows(), QString(table) == "filled" ? 30 : 0);
        if (form3.List2().count() == 0) {
            form3.List1().setCurrentRow(0);
            Click(form3, "PushButton5");
        }
        EXPECT_EQ(WalkByTab(form3, form3.List1(), 9), fieldOrder);
        Click(form3, "PushButton2");
    }

    w.TablePage().List1().setCurrentItem(
        w.TablePage().List1().findItems("filled", Qt::MatchExactly).value(0));
    Click(w.TablePage(), "PushButton3");
    Click(w.FieldPage(), "PushButton4");
    pages::Form4& form4 = w.ResultPage();
    const QStringList resultOrder{"DataGrid1", "PushButton2", "PushButton4", "Text1"};
    EXPECT_EQ(WalkByTab(form4, form4.Text1(), 4), resultOrder);  // before the run: no rows
    Click(form4, "PushButton4");
    ASSERT_EQ(form4.DataGrid1().TotalRows(), 30);
    EXPECT_EQ(WalkByTab(form4, form4.Text1(), 4), resultOrder);
    // Shift+Tab walks back out of the grid too.
    form4.DataGrid1().setFocus(Qt::TabFocusReason);
    QTest::keyClick(form4.focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(form4.focusWidget()->objectName(), "Text1");
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(Layout, PagesAreCentredWhenFirstShown) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (QWidget* page : Pages()) {
        static_cast<pages::PageWindow*>(page)->ShowPage();
        EXPECT_LE((page->geometry().center() - screen.center()).manhattanLength(), 1)
            << page->objectName().toStdString();
    }
}
