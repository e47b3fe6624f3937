// tarnwick-dedupe: the deduplication run without windows, for scripts and for measuring.
#include <QElapsedTimer>
#include <cstdio>
#include <stdexcept>

#include "app/core/FailureDescription.h"
#include "app/core/GuardedProcedure.h"
#include "app/core/MessageBoxService.h"
#include "cli/DedupeOptions.h"
#include "cli/FailureLine.h"
#include "db/StatementObserver.h"
#include "engine/DeduplicationRun.h"
#include "engine/RunSummary.h"

using namespace tarnwick;

namespace {

void Print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

// A line for each failing step: what the step does, and the failure's own text on the same line.
// A step that failed only because an earlier one did says nothing new and is left out.
class PrintedReports : public app::FailureReporter {
  public:
    void Report(const QString&, const std::exception_ptr& failure, int line) override {
        if (!app::IsFollowUp(failure)) Print(stderr, cli::FailureLine(line, failure) + u'\n');
    }
};

}  // namespace

int main(int argc, char** argv) {
    cli::DedupeOptions options;
    try {
        options = cli::ParseDedupeOptions(argc, argv);
    } catch (const std::invalid_argument& e) {
        Print(stderr, QStringLiteral("tarnwick-dedupe: ") + QString::fromUtf8(e.what()) +
                          QStringLiteral(" (tarnwick-dedupe --help shows the usage)\n"));
        return 2;
    }
    if (options.help) {
        Print(stdout, cli::DedupeUsage());
        return 0;
    }
    if (options.version) {
        Print(stdout, cli::DedupeVersion());
        return 0;
    }
    std::optional<db::StatementObserverScope> echo;
    if (options.echo)
        echo.emplace([](const QString& statement) { Print(stdout, statement + u'\n'); });

    QElapsedTimer timer;
    timer.start();
    PrintedReports reports;
    app::GuardedProcedure proc(QStringLiteral("Form4.PushButton4_Click"), reports);
    engine::DeduplicationRun run(proc, {});
    run.SetOpensPreview(false);
    const engine::RunOutcome outcome = run.Run(options.inputs);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    // The reason for a refusal on standard error; the last line on standard output is the status,
    // also after --echo.
    if (outcome.Refused())
        Print(stderr, QStringLiteral("tarnwick-dedupe: ") + *outcome.refusal + u'\n');
    Print(stdout, engine::RunSummary(options.inputs, outcome, seconds) + u'\n');
    // Nothing was changed: the exit status of a usage error.
    if (outcome.Refused() || outcome.stoppedBeforeChange) return 2;
    return proc.FailureCount() == 0 ? 0 : 1;
}
