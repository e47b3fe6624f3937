// tarnwick-dedupe: the deduplication run without windows, for scripts and for measuring.
#include <QElapsedTimer>
#include <cstdio>
#include <stdexcept>

#include "app/core/ErrorReport.h"
#include "app/core/GuardedProcedure.h"
#include "app/core/MessageBoxService.h"
#include "cli/DedupeOptions.h"
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

// Each failing step's report as the window shows it, line breaks as newlines, a blank line
// after it.
class PrintedReports : public app::FailureReporter {
  public:
    void Report(const QString& tag, const QString& description, int line) override {
        Print(stderr, app::WithPlatformLineBreaks(app::ErrorReportText(tag, description, line)) +
                          QStringLiteral("\n\n"));
    }
};

}  // namespace

int main(int argc, char** argv) {
    cli::DedupeOptions options;
    try {
        options = cli::ParseDedupeOptions(argc, argv);
    } catch (const std::invalid_argument& e) {
        Print(stderr, QStringLiteral("tarnwick-dedupe: ") + QString::fromUtf8(e.what()) +
                          QStringLiteral("\n\n") + cli::DedupeUsage());
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
    if (outcome.Refused()) {
        // Nothing was changed: the reason, and the exit status of a usage error.
        Print(stderr, QStringLiteral("tarnwick-dedupe: ") + *outcome.refusal + u'\n');
        return 2;
    }

    Print(stdout, engine::RunSummary(options.inputs, outcome, seconds) + u'\n');
    return proc.FailureCount() == 0 ? 0 : 1;
}
