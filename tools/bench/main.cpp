// tarnwick-bench: measures the deduplication run against a plain copy and against the best pure-SQL
// way on one generated table, and prints one markdown table row. scripts/bench drives it.
//
//   tarnwick-bench --server H --port P --user U --password W --database D --rows N --dedupe PATH
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>

#include "db/Connection.h"
#include "db/RowSet.h"
#include "engine/DuplicateFinder.h"
#include "engine/RowKey.h"

using namespace tarnwick;

namespace {

double Seconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

template <class Work>
double Timed(Work&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return Seconds(timer);
}

// The quadratic scan the linear detection replaced, as the baseline.
std::vector<int32_t> NaiveDuplicatePositions(const std::vector<QString>& keys) {
    std::vector<int32_t> result;
    for (auto i = static_cast<int64_t>(keys.size()) - 1; i >= 0; --i) {
        bool found = false;
        for (int64_t j = 0; j < i; ++j) found = found || keys[j] == keys[i];
        if (found) result.push_back(static_cast<int32_t>(i + 1));
    }
    return result;
}

// id, name, city, amount, note; rows whose number ends in 0, 1 or 2 (after the first ten) repeat
// the (name, city) of an earlier row, about 30% of all.
void CreateTable(db::Connection& connection, const QString& table, long rows) {
    connection.Execute("DROP TABLE IF EXISTS `" + table + "`;");
    connection.Execute("CREATE TABLE `" + table +
                       "` (id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(40), city VARCHAR(40), "
                       "amount DECIMAL(10,2), note VARCHAR(100));");
    connection.Execute(
        "INSERT INTO `" + table +
        "` (name, city, amount, note) SELECT CONCAT('name ', k), CONCAT('city ', k % 997), "
        "(k % 100000) / 100, CONCAT('note for row ', seq) FROM (SELECT seq, IF(seq > 10 AND seq % "
        "10 "
        "< 3, ((seq * 7919) % (seq - 10) + 1) DIV 10 * 10 + 5, seq) AS k FROM seq_1_to_" +
        QString::number(rows) + ") s ORDER BY seq;");
    connection.Execute("CREATE INDEX name_city ON `" + table + "` (name, city);");
}

QString Fingerprint(db::Connection& connection, const QString& table) {
    auto rows =
        connection.Execute("SELECT COUNT(*), SUM(id), BIT_XOR(CRC32(id)) FROM `" + table + "`;");
    return db::NullToDefault(rows->Field(0), {}) + u'/' + db::NullToDefault(rows->Field(1), {}) +
           u'/' + db::NullToDefault(rows->Field(2), {});
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    for (const char* option :
         {"server", "port", "user", "password", "database", "rows", "dedupe"}) {
        parser.addOption({QString::fromLatin1(option), QString::fromLatin1(option), "value"});
    }
    parser.process(app);
    const db::ConnectionSettings settings{parser.value("server"), parser.value("user"),
                                          parser.value("password"), parser.value("database"),
                                          parser.value("port")};
    const long rows = parser.value("rows").toLong();
    const QString table = "bench_" + QString::number(rows);

    auto connection = db::OpenConnection(settings);
    CreateTable(*connection, table, rows);

    connection->Execute("DROP TABLE IF EXISTS `bench_copy`;");
    const double copySeconds = Timed([&] {
        connection->Execute("CREATE TABLE `bench_copy` AS SELECT * FROM `" + table + "`;");
    });
    connection->Execute("DROP TABLE `bench_copy`;");

    QProcess dedupe;
    const double runSeconds = Timed([&] {
        dedupe.start(parser.value("dedupe"),
                     {"--server", settings.server, "--port", settings.port, "--user", settings.user,
                      "--password", settings.password, "--database", settings.database, "--table",
                      table, "--key", "name", "--key", "city", "--into", table + "_run"});
        dedupe.waitForFinished(-1);
    });
    const QString summary = QString::fromUtf8(dedupe.readAllStandardOutput()).trimmed();
    if (dedupe.exitCode() != 0) {
        std::fprintf(stderr, "tarnwick-dedupe failed (%d): %s\n", dedupe.exitCode(),
                     dedupe.readAllStandardError().constData());
        return 1;
    }
    const long removed = summary.section('(', 1).section(' ', 0, 0).toLong();

    connection->Execute("DROP TABLE IF EXISTS `" + table + "_sql`;");
    const double sqlSeconds = Timed([&] {
        connection->Execute(
            "CREATE TABLE `" + table +
            "_sql` AS SELECT id, name, city, amount, note FROM (SELECT *, ROW_NUMBER() "
            "OVER (PARTITION BY name, city ORDER BY id) AS rn FROM `" +
            table + "`) numbered WHERE rn = 1;");
    });

    // The keys as the run reads them, then detection alone: linear, and the quadratic baseline.
    std::vector<QString> keys;
    {
        db::Cursor cursor = connection->OpenCursor("SELECT `name`, `city` FROM `" + table + "`;");
        engine::RowKey key;
        while (cursor.Fetch()) {
            key.Clear();
            key.Append(cursor.Read(0));
            key.Append(cursor.Read(1));
            keys.push_back(key.Text());
        }
    }
    std::vector<int32_t> linear;
    const double detectSeconds = Timed([&] { linear = engine::FindDuplicatePositions(keys); });
    QString naive = "-";
    if (rows <= 20000) {
        std::vector<int32_t> quadratic;
        naive = QString::number(Timed([&] { quadratic = NaiveDuplicatePositions(keys); }), 'f', 3);
        if (quadratic != linear) naive += " (DIFFERENT)";
    }

    const bool same =
        Fingerprint(*connection, table + "_run") == Fingerprint(*connection, table + "_sql");
    for (const QString& t : {table + "_run", table + "_sql", table})
        connection->Execute("DROP TABLE `" + t + "`;");

    const auto f = [](double v) { return QString::number(v, 'f', 3); };
    const QString row =
        QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 |")
            .arg(rows)
            .arg(removed)
            .arg(f(copySeconds), f(runSeconds), QString::number(runSeconds / copySeconds, 'f', 2),
                 f(sqlSeconds), QString::number(runSeconds / sqlSeconds, 'f', 2), f(detectSeconds),
                 naive)
            .arg(same ? "same rows" : "DIFFERENT ROWS");
    std::printf("%s\n", row.toUtf8().constData());
    return same ? 0 : 1;
}
