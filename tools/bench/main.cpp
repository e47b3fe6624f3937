// tarnwick-bench: measures the deduplication run step by step, and the run's fast plan
// (tarnwick-dedupe --fast), against a plain copy and two ways of the server's own on one generated
// table, and prints markdown table rows. scripts/bench drives it.
//
//   tarnwick-bench --server H --port P --user U --password W --database D --rows N --dedupe PATH
//                  [--repeat 3] [--delete-batches 1000,5000,20000] [--key-reading FILE] [--wide]
//
// Without --delete-batches: one row of the run table, each figure the median of the repeats: the
// run's steps, both plans' times and peak resident memory, and whether each plan kept exactly the
// rows of the ROW_NUMBER way; then the dry run (its time against the ROW_NUMBER statement's, its
// peak memory, whether it counted the rows the run removed) and the fast plan with --compare
// collation and with --keep last, each against the ROW_NUMBER way of the same choice; and the
// fast plan with --keep-structure against the same by hand (CREATE TABLE ... LIKE, INSERT of the
// ROW_NUMBER way's rows), with whether the rows and the definition are the same. With it: one row per batch size, the deletes alone (median of the
// repeats).
// --key-reading appends to FILE a row of the key reading taken apart and of the detection
// against the quadratic scan (measured once).
// --wide measures on a table keyed on (name, body), body a TEXT of 2 KB, instead: one row of its
// own table (no ALTER IGNORE way, no steps, no key reading; --delete-batches and --key-reading
// do not apply).
// TARNWICK_BENCH_FAST_ARGUMENT, when set, replaces the --fast given to the second run; empty, it
// leaves it out.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
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

// The table a run is measured on and how it is deduplicated.
struct BenchShape {
    QString table;
    QStringList keys;  // the key columns
    QString columns;   // every column, for the ROW_NUMBER way's new table
    bool ignoreWay;    // also measure ALTER IGNORE, which needs a UNIQUE on the keys
    bool choices;      // also measure --compare collation, --keep last and --dry-run
};

// The argument that asks tarnwick-dedupe for its fast plan. TARNWICK_BENCH_FAST_ARGUMENT set to
// another value replaces it; set but empty, it leaves it out (the second run is then the usual
// plan again, for trying the bench against a tool without the fast plan).
QString FastArgument() {
    return qEnvironmentVariableIsSet("TARNWICK_BENCH_FAST_ARGUMENT")
               ? qEnvironmentVariable("TARNWICK_BENCH_FAST_ARGUMENT")
               : QStringLiteral("--fast");
}

// A table's definition without its name and its AUTO_INCREMENT counter.
QString Definition(db::Connection& connection, const QString& table) {
    db::Cursor cursor = connection.OpenCursor("SHOW CREATE TABLE `" + table + "`;");
    QString text = cursor.Fetch() ? db::NullToDefault(cursor.Read(1), {}) : QString();
    text.replace("CREATE TABLE `" + table + "`", "CREATE TABLE");
    text.remove(QRegularExpression(" AUTO_INCREMENT=\\d+"));
    return text;
}

// The line that tells of a failed run of the tool.
QString Failure(const QString& what, const DedupeFigures& tool) {
    return QStringLiteral("%1 failed (exit status %2): %3")
        .arg(what)
        .arg(tool.exitCode)
        .arg(tool.summary);
}

Figures MeasureOnce(db::Connection& connection, const db::ConnectionSettings& settings,
                    const BenchShape& shape, const QString& dedupe, QStringList& problems) {
    Figures figures;
    const QString& table = shape.table;
    const QString run = table + "_run", fast = table + "_fast", sql = table + "_sql",
                  copy = table + (shape.ignoreWay ? "_ignore" : "_copy");
    const QString collated = table + "_coll", last = table + "_last", sqlLast = table + "_sqllast";
    const QString keep = table + "_keep", sqlLike = table + "_sqllike";
    DropTables(connection, {run, fast, sql, copy, collated, last, sqlLast, keep, sqlLike});

    // MariaDB's own way starts from the plain copy: the copy, then ALTER IGNORE on it. Without
    // that way the copy is timed alone and dropped at once.
    figures["plain copy"] = Timed([&] {
        connection.Execute("CREATE TABLE `" + copy + "` AS SELECT * FROM `" + table + "`;");
    });
    if (shape.ignoreWay) {
        figures["ignore"] = figures["plain copy"] + Timed([&] {
                                connection.Execute("ALTER IGNORE TABLE `" + copy +
                                                   "` ADD UNIQUE (" + shape.keys.join(", ") + ");");
                            });
    } else {
        DropTables(connection, {copy});
    }

    QStringList arguments{"--server",   settings.server,   "--port",     settings.port,
                          "--user",     settings.user,     "--password", settings.password,
                          "--database", settings.database, "--table",    table};
    for (const QString& key : shape.keys) arguments << "--key" << key;

    // Each plan's new table is fingerprinted and dropped before the next plan runs, so that a
    // wide table's copies do not pile up on the disk. A failed run has no fingerprint: it counts
    // as one that kept other rows, and its exit status goes to standard error.
    const DedupeFigures tool = RunDedupe(dedupe, arguments + QStringList{"--into", run});
    if (tool.exitCode != 0) problems << Failure("tarnwick-dedupe", tool);
    figures["run"] = tool.seconds;
    for (int s = 0; s < kStepCount; ++s)
        figures[kStepNames[static_cast<size_t>(s)]] = tool.steps[s];
    figures["peak keys"] = tool.peakMegabytesKeys;
    figures["peak"] = tool.peakMegabytes;
    figures["removed"] = static_cast<double>(tool.removed);
    const QString runKept = tool.exitCode == 0 ? Fingerprint(connection, run) : QString();
    DropTables(connection, {run});

    QStringList fastArguments = arguments + QStringList{"--into", fast};
    if (const QString argument = FastArgument(); !argument.isEmpty()) fastArguments << argument;
    const DedupeFigures fastTool = RunDedupe(dedupe, fastArguments);
    if (fastTool.exitCode != 0) problems << Failure("tarnwick-dedupe --fast", fastTool);
    figures["fast"] = fastTool.seconds;
    figures["fast peak"] = fastTool.peakMegabytes;
    const QString fastKept = fastTool.exitCode == 0 ? Fingerprint(connection, fast) : QString();
    DropTables(connection, {fast});

    // The choices, each with the fast plan: comparing by the columns' collation, keeping the last
    // row; and the dry run, which reads the chosen table's keys and changes nothing.
    QString collatedKept, lastKept, keptStructure;
    if (shape.choices) {
        const auto fastWith = [&](const QString& into, const QStringList& choice, QString& kept,
                                  const char* name) {
            const DedupeFigures tool = RunDedupe(
                dedupe, arguments + QStringList{"--into", into, "--fast"} + choice);
            if (tool.exitCode != 0) problems << Failure(name, tool);
            figures[name] = tool.seconds;
            kept = tool.exitCode == 0 ? Fingerprint(connection, into) : QString();
            DropTables(connection, {into});
        };
        fastWith(collated, {"--compare", "collation"}, collatedKept, "coll fast");
        fastWith(last, {"--keep", "last"}, lastKept, "last fast");
        // The whole definition kept: the rows, and the definition but for name and counter.
        const DedupeFigures keepTool = RunDedupe(
            dedupe, arguments + QStringList{"--into", keep, "--fast", "--keep-structure"});
        if (keepTool.exitCode != 0) problems << Failure("--keep-structure", keepTool);
        figures["keep"] = keepTool.seconds;
        if (keepTool.exitCode != 0 || Definition(connection, keep) != Definition(connection, table))
            problems << "keep definition";
        keptStructure = keepTool.exitCode == 0 ? Fingerprint(connection, keep) : QString();
        DropTables(connection, {keep});
        const DedupeFigures look = RunDedupe(dedupe, arguments + QStringList{"--dry-run"});
        if (look.exitCode != 0) problems << Failure("tarnwick-dedupe --dry-run", look);
        figures["dry"] = look.seconds;
        figures["dry peak"] = look.peakMegabytes;
        // "dry run in S s: D of N rows of `T` would go; ..."
        if (look.summary.section(u':', 1).section(u' ', 1, 1).toLong() != tool.removed)
            problems << "dry";
    }

    // The server's default max_sort_length (1024) sorts on the first 1024 bytes of a value only,
    // and the ROW_NUMBER way would then split or merge groups of long keys that differ later.
    connection.Execute("SET SESSION max_sort_length = 8388608;");
    const QString keys = shape.keys.join(", ");
    figures["sql"] = Timed([&] {
        connection.Execute("CREATE TABLE `" + sql + "` AS SELECT " + shape.columns +
                           " FROM (SELECT *, ROW_NUMBER() OVER (PARTITION BY " + keys +
                           " ORDER BY id) AS rn FROM `" + table + "`) numbered WHERE rn = 1;");
    });

    const QString expected = Fingerprint(connection, sql);
    if (shape.choices) {
        figures["sql last"] = Timed([&] {
            connection.Execute("CREATE TABLE `" + sqlLast + "` AS SELECT " + shape.columns +
                               " FROM (SELECT *, ROW_NUMBER() OVER (PARTITION BY " + keys +
                               " ORDER BY id DESC) AS rn FROM `" + table +
                               "`) numbered WHERE rn = 1;");
        });
        // The server's PARTITION BY compares by the columns' collation, as --compare collation
        // does; the table has no values that differ in letter case or trailing blanks only, so
        // the exact plans keep the same rows.
        // The same by hand, as a person keeps the structure: a table LIKE the chosen one, filled
        // with the first row of each group.
        figures["sql like"] = Timed([&] {
            connection.Execute("CREATE TABLE `" + sqlLike + "` LIKE `" + table + "`;");
            connection.Execute("INSERT INTO `" + sqlLike + "` SELECT " + shape.columns +
                               " FROM (SELECT *, ROW_NUMBER() OVER (PARTITION BY " + keys +
                               " ORDER BY id) AS rn FROM `" + table + "`) numbered WHERE rn = 1;");
        });
        if (keptStructure != Fingerprint(connection, sqlLike)) problems << "keep rows";
        DropTables(connection, {sqlLike});
        if (collatedKept != expected) problems << "choices";
        if (lastKept != Fingerprint(connection, sqlLast)) problems << "choices";
        DropTables(connection, {sqlLast});
    }
    if (runKept != expected) problems << "run";
    if (fastKept != expected) problems << "fast";
    if (shape.ignoreWay && Fingerprint(connection, copy) != expected) problems << "ignore";
    DropTables(connection, {sql, copy});
    return figures;
}

struct RunMeasurements {
    std::map<QString, std::vector<double>> figures;
    QStringList problems;
};

RunMeasurements MeasureRuns(db::Connection& connection, const db::ConnectionSettings& settings,
                            const BenchShape& shape, const QString& dedupe, int repeat) {
    RunMeasurements runs;
    for (int r = 0; r < repeat; ++r) {
        for (const auto& [name, value] :
             MeasureOnce(connection, settings, shape, dedupe, runs.problems))
            runs.figures[name].push_back(value);
    }
    return runs;
}

QString Kept(const QStringList& problems, const QString& plan) {
    return problems.contains(plan) ? "DIFFERENT ROWS" : "same rows";
}

// The problems that have no column of their own, such as a failed run, to standard error.
void ReportOtherProblems(const QStringList& problems) {
    for (const QString& problem : problems) {
        if (problem != "run" && problem != "fast" && problem != "ignore" && problem != "dry" &&
            problem != "choices" && problem != "keep rows" && problem != "keep definition")
            std::fprintf(stderr, "%s\n", problem.toUtf8().constData());
    }
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
                      Fixed(m("fast")),
                      Fixed(m("fast") / m("sql"), 2),
                      Kept(problems, "fast"),
                      Fixed(m("peak"), 0),
                      Fixed(m("fast peak"), 0),
                      Fixed(m("ignore")),
                      Kept(problems, "ignore")};
    for (const char* step : kStepNames) cells << Fixed(m(step));
    cells << Fixed(m("keys+detect") / m("plain copy"), 2)
          << Fixed(m("deletes") / m("plain copy"), 2) << Fixed(m("peak keys"), 0)
          << Fixed(keysMegabytes, 1) << Fixed(2 * keysMegabytes + 30, 0) << Kept(problems, "run");
    cells << Fixed(m("dry")) << Fixed(m("dry") / m("sql"), 2) << Fixed(m("dry peak"), 0)
          << (problems.contains("dry") ? "DIFFERENT COUNT" : "same count")
          << Fixed(m("coll fast") / m("sql"), 2) << Fixed(m("last fast") / m("sql last"), 2)
          << Kept(problems, "choices") << Fixed(m("keep")) << Fixed(m("sql like"))
          << Fixed(m("keep") / m("sql like"), 2)
          << (problems.contains("keep rows")         ? "DIFFERENT ROWS"
              : problems.contains("keep definition") ? "DIFFERENT DEFINITION"
                                                     : "same rows and definition");
    PrintRow(cells);
    ReportOtherProblems(problems);
}

void PrintWideRow(RunMeasurements& runs, long rows) {
    auto& all = runs.figures;
    const QStringList& problems = runs.problems;
    const auto m = [&](const QString& name) { return Median(all[name]); };
    PrintRow({QString::number(rows), QString::number(static_cast<long>(m("removed"))),
              Fixed(m("plain copy")), Fixed(m("run")), Fixed(m("peak"), 0), Fixed(m("fast")),
              Fixed(m("fast peak"), 0), Fixed(m("sql")), Fixed(m("fast") / m("sql"), 2),
              Kept(problems, "run"), Kept(problems, "fast")});
    ReportOtherProblems(problems);
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
    parser.addOption({QStringLiteral("wide"), QStringLiteral("the wide-key table")});
    parser.process(app);
    const db::ConnectionSettings settings{parser.value("server"), parser.value("user"),
                                          parser.value("password"), parser.value("database"),
                                          parser.value("port")};
    const long rows = parser.value("rows").toLong();
    const int repeat = parser.isSet("repeat") ? parser.value("repeat").toInt() : 3;
    const bool wide = parser.isSet("wide");
    const BenchShape shape = wide ? BenchShape{"wide_" + QString::number(rows),
                                               {"name", "body"},
                                               "id, name, body, amount",
                                               false,
                                               false}
                                  : BenchShape{"bench_" + QString::number(rows),
                                               {"name", "city"},
                                               "id, name, city, amount, note",
                                               true,
                                               true};

    try {
        auto connection = db::OpenConnection(settings);
        if (wide) {
            CreateWideTable(*connection, shape.table, rows);
            RunMeasurements runs =
                MeasureRuns(*connection, settings, shape, parser.value("dedupe"), repeat);
            PrintWideRow(runs, rows);
            DropTables(*connection, {shape.table});
            return 0;
        }
        CreateTable(*connection, shape.table, rows);
        std::optional<RunMeasurements> runs;
        if (parser.isSet("delete-batches")) {
            PrintDeleteRows(*connection, shape.table, rows,
                            parser.value("delete-batches").split(u','), repeat);
        } else {
            runs = MeasureRuns(*connection, settings, shape, parser.value("dedupe"), repeat);
        }
        // After the runs, so that this process's memory stays below the tool's while it runs;
        // it also counts the distinct keys' bytes for the memory aim.
        const KeyReadingFigures keys = MeasureKeyReading(connection, shape.table);
        if (runs) PrintRunRow(*runs, rows, keys.distinctKeyMegabytes);
        if (parser.isSet("key-reading")) {
            const QByteArray path = parser.value("key-reading").toLocal8Bit();
            FILE* out = std::fopen(path.constData(), "a");
            if (out == nullptr) throw std::runtime_error("cannot write " + path.toStdString());
            PrintKeyReadingRow(keys, rows, out);
            std::fclose(out);
        }
        DropTables(*connection, {shape.table});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarnwick-bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
