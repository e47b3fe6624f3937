#include "cli/ProgressLine.h"

namespace tarnwick::cli {
namespace {

constexpr qint64 kInterval = 100;  // milliseconds between two updates of one step

QString OfRows(int64_t done, int64_t all) {
    if (all < 0) return QStringLiteral("%1 rows").arg(done);
    const int64_t percent = all == 0 ? 100 : done * 100 / all;
    return QStringLiteral("%1 of %2 rows (%3%)").arg(done).arg(all).arg(percent);
}

}  // namespace

QString ProgressText(const engine::RunProgress& progress, const QString& table) {
    using Step = engine::RunProgress::Step;
    switch (progress.step) {
        case Step::Starting:
            return QStringLiteral("checking the server and ") + table;
        case Step::Copying:
            return QStringLiteral("copying ") + table;
        case Step::Numbering:
            return QStringLiteral("numbering the %1 rows copied").arg(progress.rowsExpected);
        case Step::ReadingKeys:
            return QStringLiteral("reading keys: ") +
                   OfRows(progress.rowsRead, progress.rowsExpected);
        case Step::Comparing:
            return QStringLiteral("comparing the keys of %1 rows").arg(progress.rowsRead);
        case Step::Deleting:
            return QStringLiteral("deleting duplicates: ") +
                   OfRows(progress.rowsDeleted, progress.rowsToDelete);
        case Step::Finishing:
            return QStringLiteral("giving the result its name");
    }
    return {};
}

ProgressLine::ProgressLine(FILE* stream, QString table)
    : stream_(stream), table_(std::move(table)) {}

void ProgressLine::Show(const engine::RunProgress& progress) {
    if (since_.isValid() && progress.step == step_ && since_.elapsed() < kInterval) return;
    since_.start();
    step_ = progress.step;
    Write(ProgressText(progress, table_));
}

void ProgressLine::Clear() {
    if (width_ > 0) Write({});
    since_.invalidate();
}

void ProgressLine::Write(const QString& text) {
    const qsizetype blanks = std::max<qsizetype>(0, width_ - text.size());
    const QByteArray bytes = (u'\r' + text + QString(blanks, u' ') +
                              QString(text.isEmpty() ? QStringLiteral("\r") : QString()))
                                 .toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream_);
    std::fflush(stream_);
    width_ = text.size();
}

}  // namespace tarnwick::cli
