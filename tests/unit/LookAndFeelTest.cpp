#include <gtest/gtest.h>

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QWidget>

#include "app/ApplicationFolder.h"
#include "app/ApplicationIcon.h"
#include "app/ApplicationTitle.h"
#include "app/PointerFile.h"
#include "app/SkinFramework.h"
#include "app/core/FailureDescription.h"
#include "tests/support/QtPrinting.h"

using namespace tarnwick::app;

TEST(ApplicationTitle, CutsAtTheLastBlankAndAgainWhileLongerThanForty) {
    EXPECT_EQ(CutApplicationTitle("Tarnwick"), "Tarnwick");
    EXPECT_EQ(CutApplicationTitle("Table Duplicate Remover"), "Table Duplicate");
    // Ten four-letter words: 49 characters, cut twice to eight words (39 characters).
    const QString tenWords = "abcd efgh ijkl mnop qrst uvwx yzab cdef ghij klmn";
    ASSERT_EQ(tenWords.size(), 49);
    EXPECT_EQ(CutApplicationTitle(tenWords), "abcd efgh ijkl mnop qrst uvwx yzab cdef");
    // Blanks are found one at a time: a last word after two blanks leaves one trailing blank.
    EXPECT_EQ(CutApplicationTitle("Data  Cleaner"), "Data ");
    // A word longer than forty characters cannot be cut further.
    const QString longWord(45, u'x');
    EXPECT_EQ(CutApplicationTitle(longWord + " tail"), longWord);
    // A cut that would leave nothing keeps the product name, so the title is never empty.
    EXPECT_EQ(CutApplicationTitle(" Tarnwick"), " Tarnwick");
}

TEST(ApplicationTitle, TheProductNameGivesTarnwick) {
    SetApplicationTitle();
    EXPECT_EQ(ApplicationTitle(), "Tarnwick");
}

TEST(ApplicationIcon, HoldsTheFourSizes) {
    const QIcon icon = ApplicationIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : {32, 48, 128, 256}) EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
}

TEST(FileExists, IsTrueForAReachableFileAndFalseForAnythingElse) {
    QTemporaryDir folder;
    QFile file(folder.filePath(".hidden.cur"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_TRUE(FileExists(file.fileName()));
    EXPECT_FALSE(FileExists(folder.filePath("absent")));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(folder.filePath(".hidden.cur/below")));
    // A hidden file is found by FileExists but is not listed as a normal file.
    EXPECT_FALSE(IsListedAsNormalFile(file.fileName()));
    QFile visible(folder.filePath("o.cjs"));
    ASSERT_TRUE(visible.open(QIODevice::WriteOnly));
    EXPECT_TRUE(IsListedAsNormalFile(visible.fileName()));
    EXPECT_FALSE(IsListedAsNormalFile(folder.path()));
}

TEST(PointerFile, ReadsTheHotspotFromTheCursorDirectory) {
    QByteArray start(22, '\0');
    start[2] = 2;   // cursor
    start[4] = 1;   // one image
    start[10] = 7;  // hotspot x
    start[12] = 3;  // hotspot y
    start[13] = 1;  // y + 256
    EXPECT_EQ(CursorFileHotspot(start), QPoint(7, 259));
    start[2] = 1;  // an icon has no hotspot
    EXPECT_EQ(CursorFileHotspot(start), QPoint());
    EXPECT_EQ(CursorFileHotspot(start.left(10)), QPoint());
}

TEST(PointerFile, ASampleCursorLoadsAndAFileThatIsNoImageFails) {
    const QCursor cursor = LoadPointerFile(TARNWICK_SOURCE_DIR "/resources/HAND-M.CUR");
    EXPECT_EQ(cursor.hotSpot(), QPoint(10, 1));
    EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32));

    QTemporaryDir folder;
    QFile junk(folder.filePath("HAND-M.CUR"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("MZ not a cursor at all");
    junk.close();
    // A cursor file cut short after its directory: the reader knows the format but not the image.
    QFile sample(TARNWICK_SOURCE_DIR "/resources/HAND-M.CUR");
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    QFile cut(folder.filePath("CUT.CUR"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(sample.read(30));
    cut.close();
    for (const QString& path : {junk.fileName(), cut.fileName()}) {
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        ASSERT_TRUE(reader.read().isNull()) << path.toStdString();
        try {
            LoadPointerFile(path);
            ADD_FAILURE() << "no failure for " << path.toStdString();
        } catch (const Failure& failure) {
            EXPECT_EQ(QString::fromUtf8(failure.what()), reader.errorString());
        }
    }
}

TEST(SkinFramework, AppliesItsSheetOnlyOnceEnabled) {
    QTemporaryDir folder;
    QFile sheet(folder.filePath("o.cjs"));
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
    sheet.write("QLabel { color: red; }");
    sheet.close();
    SkinFramework skin;
    skin.LoadSkin(sheet.fileName());
    QWidget window;
    skin.ApplyWindow(window);
    EXPECT_TRUE(window.styleSheet().isEmpty());
    skin.SetOptions(skin.Options() | SkinFramework::kSkinOptionEnabled);
    skin.ApplyWindow(window);
    EXPECT_TRUE(window.styleSheet().startsWith("QLabel { color: red; }"));
    EXPECT_THROW(skin.LoadSkin(folder.filePath("absent.cjs")), Failure);
}
