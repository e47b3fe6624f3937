#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdio>

#include "engine/RunProgress.h"

namespace tarnwick::cli {

// What the progress line says of the run's progress on the table named `table` (as statements
// quote it), e.g. "reading keys: 412000 of 1000000 rows (41%)".
QString ProgressText(const engine::RunProgress& progress, const QString& table);

// The run's progress on one line of `stream`, written over in place (a carriage return, and blanks
// over what is left of a longer line), at most ten times a second and whenever a step begins.
// Clear() leaves the line empty, before anything else is written there or the program's last line.
class ProgressLine {
  public:
    ProgressLine(FILE* stream, QString table);

    void Show(const engine::RunProgress& progress);
    void Clear();

  private:
    void Write(const QString& text);

    FILE* stream_;
    QString table_;
    QElapsedTimer since_;
    engine::RunProgress::Step step_ = engine::RunProgress::Step::Starting;
    qsizetype width_ = 0;  // the characters on the line now
};

}  // namespace tarnwick::cli
