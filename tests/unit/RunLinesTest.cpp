#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include "engine/RunLines.h"

using namespace tarnwick;

// The users' list of the run's lines says what the code's list says, line for line.
TEST(RunLines, TheDocumentedListIsTheCodesList) {
    QFile file(TARNWICK_SOURCE_DIR "/docs/run-lines.md");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QStringList documented =
        QString::fromUtf8(file.readAll()).split('\n').filter(QRegularExpression("^\\| \\d+ \\|"));
    QStringList expected;
    QSet<int> lines;
    for (const engine::RunLineText& entry : engine::kRunLineTexts) {
        EXPECT_FALSE(lines.contains(entry.line)) << entry.line << " appears twice";
        lines.insert(entry.line);
        expected << QStringLiteral("| %1 | %2 | %3 |")
                        .arg(entry.line)
                        .arg(QString::fromUtf8(entry.text),
                             entry.where == engine::LineOf::Window ? QStringLiteral("window")
                             : entry.where == engine::LineOf::Look ? QStringLiteral("dry run")
                             : entry.where == engine::LineOf::KeepStructure
                                 ? QStringLiteral("keep structure")
                                 : QStringLiteral("both"));
    }
    EXPECT_EQ(documented, expected);
}
