// tarnwick-bench-windows: runs the real wizard offscreen against a prepared table and measures
// what the user feels: how long the window stops answering, how quickly a close ends the program,
// memory, and how soon the grid shows its first rows. scripts/bench-windows prepares the server
// and the table, runs each mode in a process of its own and prints the figures.
//
//   --mode run    Finish, a tour of the result grid, "< Back", a tour of the field page's grid:
//                 max_ui_stall_ms, first_paint_ms, peak_rss_mb_finish, peak_rss_mb_back,
//                 ctrl_end_ms_finish, ctrl_end_ms_back, middle_ms_* (notes on standard error)
//   --mode close  Finish, and a close sent to the result page 0.5 s after the Copy went out;
//                 prints close_sent_ns=<CLOCK_REALTIME> just before sending it
//   --mode driver the driver's own memory for the result page's and the field page's results, and
//                 for the key fields of every row
#include <malloc.h>
#include <sql.h>
#include <sqlext.h>

#include <QCloseEvent>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "app/Application.h"
#include "db/Connection.h"
#include "db/RowSet.h"
#include "db/StatementObserver.h"
#include "engine/Statements.h"
#include "pages/DataGrid.h"
#include "tools/bench-windows/ExecTiming.h"
#include "tools/bench-windows/GridTour.h"
#include "tools/bench-windows/UiProbes.h"
#include "tools/bench-windows/WizardDriver.h"

using namespace tarnwick;
using tools::Clock;

namespace {

struct Options {
    db::ConnectionSettings login;
    QString table;
    QStringList keys;
    QString newTable;
    QString mode;
};

Options Parse(const QCoreApplication& application) {
    QCommandLineParser parser;
    for (const char* option :
         {"server", "port", "user", "password", "database", "table", "key", "into", "mode"}) {
        parser.addOption({QString::fromLatin1(option), QString::fromLatin1(option), "value"});
    }
    parser.process(application);
    return {{parser.value("server"), parser.value("user"), parser.value("password"),
             parser.value("database"), parser.value("port")},
            parser.value("table"),
            parser.values("key"),
            parser.value("into"),
            parser.value("mode")};
}

void Line(const char* name, double value) {
    std::printf("%s=%.0f\n", name, value);
    std::fflush(stdout);
}

pages::DataGrid& Grid(QWidget& page) {
    return tools::WizardDriver::Control<pages::DataGrid>(page, "DataGrid1");
}

// The first statement of a grid over `table`: its first part.
QString FirstPart(const QString& table) {
    return engine::TablePartQuery(table, 0, db::RowSet::kFirstPartRows);
}

// Time from the driver's return of `statement` until the grid has painted rows, or -1.
double PaintAfter(tools::PaintProbe& probe, const QString& statement) {
    if (!tools::ProcessEventsUntil([&] { return probe.Painted(); }, 60)) return -1;
    const tools::ExecTimes exec = tools::WatchedExecution();
    if (exec.returned == Clock::time_point{}) {
        std::fprintf(stderr, "# %s was not seen\n", statement.toUtf8().constData());
        return -1;
    }
    return tools::MillisecondsBetween(exec.returned, probe.PaintedAt());
}

// Tours the grid; returns the largest stall during the tour.
double Tour(const char* which, pages::DataGrid& grid, tools::StallMeter& stalls) {
    const double before = stalls.MaxGapMs();
    tools::StallMeter touring;
    touring.Start();
    const tools::TourTimes times = tools::TourGrid(grid);
    touring.Stop();
    std::fprintf(stderr,
                 "# %s grid, %ld rows: last row shown %.0f ms after Ctrl+End, the first again "
                 "%.0f ms after Ctrl+Home, the middle %.0f ms after the drag began; largest "
                 "stall so far %.0f ms (%.0f before the tour)\n",
                 which, grid.TotalRows(), times.toLastRow, times.toFirstRow, times.toMiddle,
                 stalls.MaxGapMs(), before);
    Line(std::string("ctrl_end_ms_").append(which).c_str(), times.toLastRow);
    Line(std::string("middle_ms_").append(which).c_str(), times.toMiddle);
    return touring.MaxGapMs();
}

int RunMode(const Options& options) {
    tools::WizardDriver driver;
    QWidget& form4 =
        driver.WalkToResultPage(options.login, options.table, options.keys, options.newTable);
    tools::PaintProbe resultGrid(Grid(form4));
    tools::PaintProbe fieldGrid(Grid(driver.FieldPage()));
    tools::StallMeter stalls;

    // Which statement was last sent when the largest stall began, for the notes.
    std::vector<std::pair<Clock::time_point, QString>> sent;
    // The peak until the Preview is sent is that of the key reading; so is the largest stall
    // until then (the copy, the keys, the deletes, the swap). From there on the peak is the grid's.
    double peakBeforePreview = -1;
    double stallBeforePreview = -1;
    Clock::time_point stallBeforePreviewStart;
    bool peakReset = false;
    db::StatementObserverScope sentLog([&](const QString& statement) {
        sent.emplace_back(Clock::now(), statement.left(60));
        if (statement == FirstPart(options.newTable)) {
            peakBeforePreview = tools::PeakResidentMb();
            stallBeforePreview = stalls.MaxGapMs();
            stallBeforePreviewStart = stalls.MaxGapStart();
            peakReset = tools::ResetPeakResident();
        }
    });

    std::fprintf(stderr, "# before Finish: %.0f MB resident\n", tools::ResidentMb());
    tools::WatchExecution(FirstPart(options.newTable));
    resultGrid.Arm();
    const Clock::time_point finishPressed = Clock::now();
    stalls.Start();
    tools::WizardDriver::Click(form4, "PushButton4");
    const Clock::time_point finishReturned = Clock::now();
    const double firstPaint = PaintAfter(resultGrid, FirstPart(options.newTable));
    std::fprintf(stderr, "# after Finish: %.0f MB resident\n", tools::ResidentMb());
    std::fprintf(stderr, "# peak until the Preview was sent (the key reading): %.0f MB\n",
                 peakBeforePreview);
    if (!peakReset)
        std::fprintf(stderr,
                     "# the peak could not be reset: peak_rss_mb_finish includes the run\n");
    std::fprintf(stderr,
                 "# Finish took %.0f ms; the result grid has %ld rows; the button reads %s\n",
                 tools::MillisecondsBetween(finishPressed, finishReturned), Grid(form4).TotalRows(),
                 tools::WizardDriver::Control<QPushButton>(form4, "PushButton4")
                     .text()
                     .toUtf8()
                     .constData());
    const double scrollFinish = Tour("finish", Grid(form4), stalls);
    const double peakFinish = tools::PeakResidentMb();

    const auto describeStall = [&](const char* which, Clock::time_point start) {
        QString before = QStringLiteral("(none)");
        for (const auto& [at, statement] : sent)
            if (at <= start) before = statement;
        std::fprintf(stderr,
                     "# the largest stall%s began %.0f ms after Finish was pressed (at %.0f ms "
                     "of the monotonic clock, to compare with other probes); last sent: %s\n",
                     which, tools::MillisecondsBetween(finishPressed, start),
                     tools::MillisecondsBetween(Clock::time_point(), start),
                     before.toUtf8().constData());
    };
    describeStall(" before the Preview", stallBeforePreviewStart);
    std::fprintf(stderr, "# the result grid painted %.0f ms after Finish returned\n",
                 tools::MillisecondsBetween(finishReturned, resultGrid.PaintedAt()));

    if (!tools::ResetPeakResident())
        std::fprintf(stderr, "# the peak could not be reset: peak_rss_mb_back includes Finish\n");
    tools::WatchExecution(FirstPart(options.table));
    fieldGrid.Arm();
    tools::WizardDriver::Click(form4, "PushButton2");
    const double backPaint = PaintAfter(fieldGrid, FirstPart(options.table));
    std::fprintf(stderr,
                 "# after < Back the field grid has %ld rows, first painted %.0f ms after "
                 "its first part returned\n",
                 Grid(driver.FieldPage()).TotalRows(), backPaint);
    const double scrollBack = Tour("back", Grid(driver.FieldPage()), stalls);
    const double peakBack = tools::PeakResidentMb();
    stalls.Stop();
    describeStall("", stalls.MaxGapStart());

    Line("max_ui_stall_ms", stalls.MaxGapMs());
    Line("max_ui_stall_ms_keys", stallBeforePreview);
    Line("max_ui_stall_ms_scroll", std::max(scrollFinish, scrollBack));
    Line("peak_rss_mb_keys", peakBeforePreview);
    Line("peak_rss_mb_finish", peakFinish);
    Line("peak_rss_mb_back", peakBack);
    Line("first_paint_ms", firstPaint);
    return firstPaint < 0 || backPaint < 0 ? 1 : 0;
}

long long RealtimeNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

int CloseMode(const Options& options) {
    tools::WizardDriver driver;
    QWidget& form4 =
        driver.WalkToResultPage(options.login, options.table, options.keys, options.newTable);

    // The close comes from another thread, as the window system's would: it is sent at 0.5 s
    // whatever the user-interface thread is doing, and handled when that thread gets to it.
    std::thread closer;
    db::StatementObserverScope copyWatch([&](const QString& statement) {
        if (!statement.startsWith(QStringLiteral("CREATE TABLE")) || closer.joinable()) return;
        closer = std::thread([&form4] {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            std::printf("close_sent_ns=%lld\n", RealtimeNs());
            std::fflush(stdout);
            QCoreApplication::postEvent(&form4, new QCloseEvent());
        });
    });
    tools::WizardDriver::Click(form4, "PushButton4");
    // Only reached when the close did not end the program during the run.
    tools::ProcessEventsUntil([] { return false; }, 5);
    std::fprintf(stderr, "# the program did not end after the close\n");
    if (closer.joinable()) closer.join();
    return 3;
}

// The heap the driver itself holds for a fully fetched result. Counted as allocated bytes, not as
// resident memory: after an earlier result is freed, a later one reuses its pages.
double DriverMb(const db::ConnectionSettings& login, const QString& statement) {
    auto connection = db::OpenConnection(login);
    const auto allocated = [] {
        const struct mallinfo2 heap = mallinfo2();
        return static_cast<double>(heap.uordblks + heap.hblkhd) / (1024 * 1024);
    };
    const double before = allocated();
    db::Cursor cursor = connection->OpenCursor(statement);
    return allocated() - before;
}

int DriverMode(const Options& options) {
    // A part of each grid, beside the whole table that one statement would bring.
    std::printf(
        "driver_mb_part=%.0f\n",
        DriverMb(options.login, engine::TablePartQuery(options.table, 0, db::RowSet::kPartRows)));
    std::printf("driver_mb_table=%.0f\n",
                DriverMb(options.login,
                         QStringLiteral("SELECT * FROM `") + options.table + QStringLiteral("`;")));
    QStringList keys;
    for (const QString& key : options.keys) keys << u'`' + key + u'`';
    std::printf("driver_mb_keys=%.0f\n",
                DriverMb(options.login,
                         QStringLiteral("SELECT ") + keys.join(QStringLiteral(", ")) +
                             QStringLiteral(" FROM `") + options.table + QStringLiteral("`;")));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    const Options options = Parse(application);
    try {
        if (options.mode == "run") return RunMode(options);
        if (options.mode == "close") return CloseMode(options);
        if (options.mode == "driver") return DriverMode(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarnwick-bench-windows: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "tarnwick-bench-windows: --mode run|close|driver\n");
    return 2;
}
