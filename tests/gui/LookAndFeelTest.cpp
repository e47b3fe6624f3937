#define QTEST_QPA_MOUSE_HANDLING  // mouse moves go to the window under test, as the window system
                                  // sends them
#include <QFile>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/PagePointer.h"
#include "app/SkinFramework.h"
#include "app/SystemColours.h"
#include "pages/Form1.h"
#include "pages/Form2.h"
#include "pages/Form3.h"
#include "tests/gui/PageTest.h"
#include "tests/support/QtPrinting.h"

using namespace tarnwick;
using app::PointerCode;
using test::PageTest;

namespace {

QColor Background(const QWidget& widget) {
    return widget.palette().color(QPalette::Window);
}

QByteArray SamplePointer() {
    QFile file(QStringLiteral(TARNWICK_SOURCE_DIR "/resources/HAND-M.CUR"));
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("sample pointer missing");
    return file.readAll();
}

class LookAndFeel : public PageTest {
  protected:
    static void MoveOver(QWidget& widget) { QTest::mouseMove(&widget, widget.rect().center()); }
};

}  // namespace

TEST_F(LookAndFeel, WithoutASkinTheLoginPageStaysWhiteAndTheOtherPagesTakeTheButtonFace) {
    pages::Wizard& w = Started();
    EXPECT_EQ(Background(w.LoginPage()), QColor(Qt::white));
    EXPECT_EQ(Background(Control(w.LoginPage(), "Frame1")), QColor(Qt::white));
    EXPECT_EQ(Background(Control(w.LoginPage(), "Label2")), QColor(Qt::white));
    EXPECT_TRUE(w.LoginPage().styleSheet().isEmpty());

    pages::Form3& form3 = w.FieldPage();
    const QColor face = app::ButtonFaceColour();
    EXPECT_EQ(Background(form3), face);
    EXPECT_EQ(Background(Control(form3, "Label1")), face);
    EXPECT_EQ(Background(Control(w.TablePage(), "Frame1")), face);
    // Lists keep their own colours.
    EXPECT_EQ(form3.List1().palette().color(QPalette::Base),
              w.LoginPage().Text1().palette().color(QPalette::Base));
    EXPECT_EQ(form3.windowTitle(), "Tarnwick");
    EXPECT_FALSE(form3.windowIcon().isNull());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(LookAndFeel, ASkinFileGivesTheLoginPageTheButtonFaceAndItsStyleSheet) {
    WriteAppFile("x/o.cjs", "QLineEdit { border: 2px solid #237a86; }\nQLabel { font: 20pt; }");
    pages::Form1& form1 = Started().LoginPage();
    const QColor face = app::ButtonFaceColour();
    EXPECT_EQ(Background(form1), face);
    EXPECT_EQ(Background(Control(form1, "Frame1")), face);
    EXPECT_EQ(Background(Control(form1, "Label9")), face);
    EXPECT_TRUE(form1.styleSheet().contains("2px solid #237a86"));
    // The skin cannot change the designed fonts or size.
    Control<QLabel>(form1, "Label2").ensurePolished();
    EXPECT_EQ(Control<QLabel>(form1, "Label2").font().pointSizeF(), 9.0);
    EXPECT_EQ(form1.size(), QSize(536, 246));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(LookAndFeel, HoverRulesSetTheCustomAndDefaultPointerButNeverOverABusyPage) {
    pages::Form1& form1 = Started().LoginPage();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form1));
    app::PagePointer& pointer = form1.Pointer();
    MoveOver(Control(form1, "PushButton5"));
    EXPECT_EQ(pointer.Code(), PointerCode::Custom);
    EXPECT_EQ(form1.cursor().shape(), Qt::PointingHandCursor);  // no pointer file

    // Labels and the port field have no rule: the hand stays.
    MoveOver(Control(form1, "Label2"));
    MoveOver(Control(form1, "Text5"));
    EXPECT_EQ(pointer.Code(), PointerCode::Custom);

    MoveOver(Control(form1, "Text2"));
    EXPECT_EQ(pointer.Code(), PointerCode::Default);
    EXPECT_EQ(form1.cursor().shape(), Qt::ArrowCursor);
    MoveOver(Control(form1, "PushButton3"));
    QTest::mouseMove(&form1, QPoint(2, 2));  // the page itself
    EXPECT_EQ(pointer.Code(), PointerCode::Default);

    pointer.Set(PointerCode::Busy);
    MoveOver(Control(form1, "PushButton3"));
    QTest::mouseMove(&form1, QPoint(2, 2));
    EXPECT_EQ(pointer.Code(), PointerCode::Busy);
    EXPECT_EQ(form1.cursor().shape(), Qt::WaitCursor);
}

TEST_F(LookAndFeel, EveryPageFollowsItsHoverRules) {
    pages::Wizard& w = Started();
    pages::Form3& form3 = w.FieldPage();
    form3.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form3));
    MoveOver(Control(form3, "PushButton8"));
    EXPECT_EQ(form3.Pointer().Code(), PointerCode::Custom);
    MoveOver(*form3.List2().viewport());
    EXPECT_EQ(form3.Pointer().Code(), PointerCode::Default);
    form3.hide();
    pages::Form2& form2 = w.TablePage();
    form2.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form2));
    MoveOver(Control(form2, "PushButton2"));
    EXPECT_EQ(form2.Pointer().Code(), PointerCode::Custom);
    MoveOver(*form2.List1().viewport());
    EXPECT_EQ(form2.Pointer().Code(), PointerCode::Default);
}

TEST_F(LookAndFeel, APointerFileGivesEveryPageItsImageWithTheFilesHotspot) {
    WriteAppFile("HAND-M.CUR", SamplePointer());
    pages::Wizard& w = Started();
    for (pages::PageWindow* page :
         std::initializer_list<pages::PageWindow*>{&w.LoginPage(), &w.TablePage()}) {
        ASSERT_TRUE(page->Pointer().HasCustomImage()) << page->objectName().toStdString();
        page->Pointer().Set(PointerCode::Custom);
        const QCursor cursor = page->cursor();
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
        EXPECT_EQ(cursor.hotSpot(), QPoint(10, 1));
        EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32));
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(LookAndFeel, APointerFileThatIsNoImageIsReportedAndThePageGoesOn) {
    WriteAppFile("HAND-M.CUR", "this is not a cursor");
    pages::Wizard& w = Started();
    using Report = std::pair<QString, int>;
    EXPECT_EQ(Reports(), (std::vector<Report>{{"Form1.Form_Load", 126}}));
    // The description is the image reader's own text, with nothing of ours before or after it.
    QImageReader reader(AppFile("HAND-M.CUR"));
    reader.setDecideFormatFromContent(true);
    ASSERT_TRUE(reader.read().isNull());
    ASSERT_FALSE(reader.errorString().isEmpty());
    EXPECT_EQ(boxes.boxes[0].text.section("\r\n", 0, 0), reader.errorString());
    // The sequence went on: the fields are filled and the page is shown.
    EXPECT_EQ(w.LoginPage().Text1().text(), "localhost");
    EXPECT_TRUE(w.LoginPage().isVisible());

    pages::Form2& form2 = w.TablePage();
    EXPECT_EQ(Reports(), (std::vector<Report>{{"Form1.Form_Load", 126}, {"Form2.Form_Load", 108}}));
    EXPECT_EQ(form2.windowTitle(), "Tarnwick");
    EXPECT_FALSE(form2.Pointer().HasCustomImage());
    form2.Pointer().Set(PointerCode::Custom);
    EXPECT_EQ(form2.cursor().shape(), Qt::PointingHandCursor);
}
