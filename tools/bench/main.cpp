// tarnwick-bench: measures the deduplication run step by step against a plain copy and two ways
// of the server's own on one generated table, and prints markdown table rows. scripts/bench
// drives it.
//
//   tarnwick-bench --server H --port P --user U --password W --database D --rows N --dedupe PATH
//                  [--repeat 3] [--delete-batches 1000,5000,20000] [--key-reading FILE]
//
// Without --delete-batches: one row of the run table, each figure the median of the repeats.
// With it: one row per batch size, the deletes alone (median of the repeats).
// --key-reading appends to FILE a row of the key reading taken apart and of the detection
// against the quadratic scan (measured once).
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <exception>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

#include "db/Connection.h"
#include "tools/bench/BenchTable.h"
#include "tools/bench/DedupeProcess.h"
#include "tools/bench/DeleteBatches.h"
#include "tools/bench/KeyReading.h"
#include "tools/bench/Median.h"

using namespace tarnwick;
using namespace tarnwick::bench;

namespace {

template <class Work>
double Timed(Work&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void PrintRow(const QStringList& cells, FILE* out = stdout) {
    std::fprintf(out, "| %s |\n", cells.join(QStringLiteral(" | ")).toUtf8().constData());
    std::fflush(out);
}

QString Fixed(double value, int decimals = 3) {
    return QString::number(value, 'f', decimals);
}

// The figures of one repetition, by column name.
using Figures = std::map<QString, double>;

Figures MeasureOnce(db::Connection& connection, const db::ConnectionSettings& settings,
                    const QString& table, const QString& dedupe, QStringList& problems) {
    Figures figures;
    const QString run = table + "_run", sql = table + "_sql", ignore = table + "_ignore";
    DropTables(connection, {run, sql, ignore});

    // MariaDB's own way starts from the plain copy: the copy, then ALTER IGNORE on it.
    figures["plain copy"] = Timed([&] {
        connection.Execute("CREATE TABLE `" + ignore + "` AS SELECT * FROM `" + table + "`;");
    });
    figures["ignore"] =
        figures["plain copy"] + Timed([&] {
            connection.Execute("ALTER IGNORE TABLE `" + ignore + "` ADD UNIQUE (name, city);");
        });

    const DedupeFigures tool = RunDedupe(
        dedupe, {"--server", settings.server, "--port", settings.port, "--user", settings.user,
                 "--password", settings.password, "--database", settings.database, "--table", table,
                 "--key", "name", "--key", "city", "--into", run});
    if (tool.exitCode != 0) problems << "tarnwick-dedupe failed: " + tool.summary;
    figures["run"] = tool.seconds;
    for (int s = 0; s < kStepCount; ++s)
        figures[kStepNames[static_cast<size_t>(s)]] = tool.steps[s];
    figures["peak keys"] = tool.peakMegabytesKeys;
    figures["peak"] = tool.peakMegabytes;
    figures["removed"] = static_cast<double>(tool.removed);

    figures["sql"] = Timed([&] {
        connection.Execute("CREATE TABLE `" + sql +
                           "` AS SELECT id, name, city, amount, note FROM (SELECT *, ROW_NUMBER() "
                           "OVER (PARTITION BY name, city ORDER BY id) AS rn FROM `" +
                           table + "`) numbered WHERE rn = 1;");
    });

    const QString expected = Fingerprint(connection, sql);
    if (Fingerprint(connection, run) != expected) problems << "run";
    if (Fingerprint(connection, ignore) != expected) problems << "ignore";
    DropTables(connection, {run, sql, ignore});
    return figures;
}

struct RunMeasurements {
    std::map<QString, std::vector<double>> figures;
    QStringList problems;
};

RunMeasurements MeasureRuns(db::Connection& connection, const db::ConnectionSettings& settings,
                            const QString& table, const QString& dedupe, int repeat) {
    RunMeasurements runs;
    for (int r = 0; r < repeat; ++r) {
        for (const auto& [name, value] :
             MeasureOnce(connection, settings, table, dedupe, runs.problems))
            runs.figures[name].push_back(value);
    }
    return runs;
}

void PrintRunRow(RunMeasurements& runs, long rows, double keysMegabytes) {
    auto& all = runs.figures;
    const QStringList& problems = runs.problems;
    const auto m = [&](const QString& name) { return Median(all[name]); };
    QStringList cells{QString::number(rows),
                      QString::number(static_cast<long>(m("removed"))),
                      Fixed(m("plain copy")),
                      Fixed(m("run")),
                      Fixed(m("run") / m("plain copy"), 2),
                      Fixed(m("sql")),
                      Fixed(m("run") / m("sql"), 2),
                      Fixed(m("ignore")),
                      problems.contains("ignore") ? "DIFFERENT ROWS" : "same rows"};
    for (const char* step : kStepNames) cells << Fixed(m(step));
    cells << Fixed(m("keys+detect") / m("plain copy"), 2)
          << Fixed(m("deletes") / m("plain copy"), 2) << Fixed(m("peak keys"), 0)
          << Fixed(m("peak"), 0) << Fixed(keysMegabytes, 1) << Fixed(2 * keysMegabytes + 30, 0)
          << (problems.contains("run") ? "DIFFERENT ROWS" : "same rows");
    PrintRow(cells);
    for (const QString& problem : problems) {
        if (problem != "run" && problem != "ignore")
            std::fprintf(stderr, "%s\n", problem.toUtf8().constData());
    }
}

void PrintDeleteRows(db::Connection& connection, const QString& table, long rows,
                     const QStringList& batchSizes, int repeat) {
    for (const QString& size : batchSizes) {
        std::vector<double> seconds;
        DeleteFigures figures;
        for (int r = 0; r < repeat; ++r) {
            figures = TimeDeletes(connection, table, size.toInt());
            seconds.push_back(figures.seconds);
        }
        PrintRow({QString::number(rows), size, QString::number(figures.statements),
                  QString::number(figures.positions), Fixed(Median(seconds))});
    }
}

void PrintKeyReadingRow(const KeyReadingFigures& f, long rows, FILE* out) {
    PrintRow({QString::number(rows), Fixed(f.openSeconds), Fixed(f.readSeconds),
              Fixed(f.detectSeconds), Fixed(f.naiveSeconds), Fixed(f.linearSeconds, 4),
              f.agree ? "same positions" : "DIFFERENT"},
             out);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    for (const char* option : {"server", "port", "user", "password", "database", "rows", "dedupe",
                               "repeat", "delete-batches", "key-reading"}) {
        parser.addOption({QString::fromLatin1(option), QString::fromLatin1(option), "value"});
    }
    parser.process(app);
    const db::ConnectionSettings settings{parser.value("server"), parser.value("user"),
                                          parser.value("password"), parser.value("database"),
                                          parser.value("port")};
    const long rows = parser.value("rows").toLong();
    const int repeat = parser.isSet("repeat") ? parser.value("repeat").toInt() : 3;
    const QString table = "bench_" + QString::number(rows);

    try {
        auto connection = db::OpenConnection(settings);
        CreateTable(*connection, table, rows);
        std::optional<RunMeasurements> runs;
        if (parser.isSet("delete-batches")) {
            PrintDeleteRows(*connection, table, rows, parser.value("delete-batches").split(u','),
                            repeat);
        } else {
            runs = MeasureRuns(*connection, settings, table, parser.value("dedupe"), repeat);
        }
        // After the runs, so that this process's memory stays below the tool's while it runs;
        // it also counts the distinct keys' bytes for the memory aim.
        const KeyReadingFigures keys = MeasureKeyReading(connection, table);
        if (runs) PrintRunRow(*runs, rows, keys.distinctKeyMegabytes);
        if (parser.isSet("key-reading")) {
            const QByteArray path = parser.value("key-reading").toLocal8Bit();
            FILE* out = std::fopen(path.constData(), "a");
            if (out == nullptr) throw std::runtime_error("cannot write " + path.toStdString());
            PrintKeyReadingRow(keys, rows, out);
            std::fclose(out);
        }
        DropTables(*connection, {table});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarnwick-bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
