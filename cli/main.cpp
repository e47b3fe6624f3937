// tarnwick-dedupe: the deduplication run without windows, for scripts and for measuring.
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include <unistd.h>

#include "app/core/FailureDescription.h"
#include "app/core/GuardedProcedure.h"
#include "app/core/MessageBoxService.h"
#include "cli/DedupeOptions.h"
#include "cli/FailureLine.h"
#include "cli/ProgressLine.h"
#include "db/StatementObserver.h"
#include "engine/DeduplicationRun.h"
#include "engine/DryRun.h"
#include "engine/RemovalReport.h"
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
    explicit PrintedReports(std::optional<cli::ProgressLine>& progress) : progress_(progress) {}
    void Report(const QString&, const std::exception_ptr& failure, int line) override {
        if (app::IsFollowUp(failure)) return;
        if (progress_) progress_->Clear();
        Print(stderr, cli::FailureLine(line, failure) + u'\n');
    }

  private:
    std::optional<cli::ProgressLine>& progress_;
};

// The report's file: written under a temporary name and given its own only when the run completes
// (QSaveFile), or standard output.
struct ReportFile {
    std::unique_ptr<QFileDevice> device;
    std::optional<engine::RemovalReport> report;

    // Opens it and writes the header; false, having said why, when it cannot.
    bool Open(const cli::DedupeOptions& options) {
        QString why;
        if (options.ReportToStandardOutput()) {
            auto out = std::make_unique<QFile>();
            if (!out->open(stdout, QIODevice::WriteOnly)) why = out->errorString();
            device = std::move(out);
        } else {
            auto file = std::make_unique<QSaveFile>(*options.report);
            if (!file->open(QIODevice::WriteOnly)) why = file->errorString();
            device = std::move(file);
        }
        try {
            if (why.isEmpty()) report.emplace(*device, options.inputs.keyFields);
        } catch (const std::exception& e) {
            why = QString::fromUtf8(e.what());
        }
        if (why.isEmpty()) return true;
        Print(stderr, QStringLiteral("tarnwick-dedupe: the report cannot be written to %1: %2\n")
                          .arg(*options.report, why));
        return false;
    }

    // Gives the file its name when the run completed, else leaves no file; false, having said
    // why, when the report is not where it was asked for.
    bool Close(bool completed) {
        auto* file = dynamic_cast<QSaveFile*>(device.get());
        if (!file) {
            device->flush();
            return true;
        }
        if (!completed) {
            file->cancelWriting();
            Print(stderr, QStringLiteral("tarnwick-dedupe: the report was not written: the run did "
                                         "not complete\n"));
            return false;
        }
        if (file->commit()) return true;
        Print(stderr, QStringLiteral("tarnwick-dedupe: the report could not be written to %1: %2\n")
                          .arg(file->fileName(), file->errorString()));
        return false;
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
    const auto seconds = [&] { return static_cast<double>(timer.nsecsElapsed()) / 1e9; };
    // The status line goes where the report does not.
    FILE* const status = options.ReportToStandardOutput() ? stderr : stdout;
    ReportFile report;
    if (options.report && !report.Open(options)) {
        Print(status, engine::RefusedSummary(seconds()) + u'\n');
        return 2;
    }
    engine::RemovalReport* const removals = report.report ? &*report.report : nullptr;
    std::optional<cli::ProgressLine> progress;
    if (options.progress || isatty(STDERR_FILENO) == 1)
        progress.emplace(stderr, engine::QuotedForLine(options.inputs.chosenTable));
    const auto showProgress = [&](const engine::RunProgress& now) {
        if (progress) progress->Show(now);
    };
    const auto endProgress = [&] {
        if (progress) progress->Clear();
    };
    PrintedReports reports(progress);
    app::GuardedProcedure proc(QStringLiteral("Form4.PushButton4_Click"), reports);
    const auto refused = [&](const std::optional<QString>& refusal) {
        if (refusal) Print(stderr, QStringLiteral("tarnwick-dedupe: ") + *refusal + u'\n');
    };

    if (options.inputs.dryRun) {
        constexpr size_t kLargestGroups = 10;
        engine::DryRun look(proc, {});
        look.SetReport(removals);
        look.SetProgress(showProgress);
        const engine::LookOutcome outcome = look.Look(options.inputs, kLargestGroups);
        endProgress();
        refused(outcome.refusal);
        const bool reported = !removals || report.Close(outcome.complete);
        Print(status, engine::LookSummary(options.inputs, outcome, seconds()) + u'\n');
        if (outcome.Refused() || outcome.stoppedBeforeReading) return 2;
        return outcome.complete && reported ? 0 : 1;
    }

    engine::DeduplicationRun run(proc, {});
    run.SetOpensPreview(false);
    run.SetReport(removals);
    run.SetProgress(showProgress);
    const engine::RunOutcome outcome = run.Run(options.inputs);
    endProgress();
    // The reason for a refusal on standard error; the last line is the status, also after --echo.
    refused(outcome.refusal);
    const bool reported = !removals || report.Close(outcome.Succeeded());
    Print(status, engine::RunSummary(options.inputs, outcome, seconds()) + u'\n');
    // Nothing was changed: the exit status of a usage error.
    if (outcome.Refused() || outcome.stoppedBeforeChange) return 2;
    return proc.FailureCount() == 0 && reported ? 0 : 1;
}
