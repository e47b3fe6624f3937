#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/RememberedValues.h"
#include "app/SettingsStore.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/RecordingMessageBoxService.h"

using namespace tarnwick::app;
using tarnwick::test::RecordingMessageBoxService;

namespace {

// Points the per-user configuration folder at a private one for the test.
class SettingsStore : public ::testing::Test {
  protected:
    SettingsStore() : previous_(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", folder_.path().toUtf8());
    }
    ~SettingsStore() override { qputenv("XDG_CONFIG_HOME", previous_); }

    QString File() const { return folder_.filePath("Corvenna.conf"); }

    // The file's access rights as the system gives them (0600: read and write by the owner).
    int Mode() const {
        struct stat status {};
        if (::stat(QFile::encodeName(File()).constData(), &status) != 0) return -1;
        return static_cast<int>(status.st_mode & 0777);
    }

    QTemporaryDir folder_;
    QByteArray previous_;
};

}  // namespace

TEST_F(SettingsStore, AnAbsentValueGivesTheDefaultAndAnEmptyOneStaysEmpty) {
    EXPECT_EQ(SettingsFilePath("Corvenna"), File());
    EXPECT_EQ(GetSetting("Corvenna", "Tarnwick", "MyServer", "localhost"), "localhost");
    EXPECT_EQ(GetSetting("Corvenna", "Tarnwick", "MyUser"), "");
    SaveSetting("Corvenna", "Tarnwick", "MyServer", "");
    SaveSetting("Corvenna", "Tarnwick", "MyPassword", "p@ss=word; \"quoted\" ünï");
    EXPECT_EQ(GetSetting("Corvenna", "Tarnwick", "MyServer", "localhost"), "");
    EXPECT_EQ(GetSetting("Corvenna", "Tarnwick", "MyPassword"), "p@ss=word; \"quoted\" ünï");
    EXPECT_EQ(GetSetting("Corvenna", "Other", "MyServer", "x"), "x");
}

TEST_F(SettingsStore, TheFileIsReadableByItsOwnerOnlyAndStaysSo) {
    SaveSetting("Corvenna", "Tarnwick", "MyPassword", "secret");
    EXPECT_EQ(Mode(), 0600);
    SaveSetting("Corvenna", "Tarnwick", "MyUser", "me");  // rewritten by an atomic replace
    EXPECT_EQ(Mode(), 0600);
    // An older file open to others is narrowed at the next write.
    ASSERT_EQ(::chmod(QFile::encodeName(File()).constData(), 0644), 0);
    SaveSetting("Corvenna", "Tarnwick", "MyPassword", "secret2");
    EXPECT_EQ(Mode(), 0600);
    EXPECT_EQ(GetSetting("Corvenna", "Tarnwick", "MyPassword"), "secret2");
}

TEST_F(SettingsStore, AWriteThatFailsThrowsWithTheFileAndReason) {
    ASSERT_TRUE(QDir().mkpath(File()));  // a folder where the file should be
    try {
        SaveSetting("Corvenna", "Tarnwick", "MyServer", "db1");
        FAIL() << "no failure";
    } catch (const SettingsWriteError& failure) {
        EXPECT_TRUE(QString::fromUtf8(failure.what()).contains("Corvenna.conf")) << failure.what();
    }
}

TEST_F(SettingsStore, AFailingWriteIsShownOncePerSession) {
    ASSERT_TRUE(QDir().mkpath(File()));
    RecordingMessageBoxService boxes;
    RememberedValues remembered;
    remembered.Save("MyDatabase", "a");
    remembered.Save("MyDatabase", "ab");
    remembered.Save("MyDatabase", "abc");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Tarnwick");
    EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::None);
    EXPECT_TRUE(boxes.boxes[0].text.contains("Corvenna.conf"));
    EXPECT_TRUE(boxes.boxes[0].text.contains("cannot remember them"));
    EXPECT_TRUE(remembered.FailureShown());

    // Writes work again once the store can be written.
    ASSERT_TRUE(QDir(File()).removeRecursively());
    remembered.Save("MyDatabase", "abcd");
    EXPECT_EQ(GetSetting("Corvenna", "Tarnwick", "MyDatabase"), "abcd");
    EXPECT_EQ(boxes.boxes.size(), 1u);
}
