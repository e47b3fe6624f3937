#include "tools/bench/DeleteBatches.h"

#include <QElapsedTimer>
#include <span>
#include <vector>

#include "db/Connection.h"
#include "db/Identifier.h"
#include "engine/DeduplicationRun.h"
#include "engine/Statements.h"
#include "tools/bench/BenchTable.h"

namespace tarnwick::bench {

DeleteFigures TimeDeletes(db::Connection& connection, const QString& table, int batchSize) {
    const QString copy = QStringLiteral("bench_deletes");
    const QString temporary = QString::fromUtf16(engine::kTemporaryColumn);
    DropTables(connection, {copy});
    connection.Execute(engine::CopyStatement(copy, table));
    connection.Execute(engine::AddKeyStatement(copy));

    // The positions the run would find: all but the first row of each group of exactly equal keys.
    std::vector<uint64_t> positions;
    {
        db::Cursor cursor = connection.OpenCursor(
            "SELECT p FROM (SELECT " + db::QuoteIdentifier(temporary) +
            " AS p, ROW_NUMBER() OVER (PARTITION BY BINARY name, BINARY city ORDER BY " +
            db::QuoteIdentifier(temporary) + ") AS n FROM " + db::QuoteIdentifier(copy) +
            ") numbered WHERE n > 1 ORDER BY p DESC;");
        while (cursor.Fetch())
            positions.push_back(cursor.Read(0).value_or(QString()).toULongLong());
    }

    DeleteFigures figures;
    figures.positions = static_cast<long>(positions.size());
    QElapsedTimer timer;
    timer.start();
    for (size_t next = 0; next < positions.size(); next += static_cast<size_t>(batchSize)) {
        const size_t end = std::min(positions.size(), next + static_cast<size_t>(batchSize));
        const std::span<const uint64_t> batch =
            std::span<const uint64_t>(positions).subspan(next, end - next);
        connection.Execute(
            engine::DeleteStatement(copy, temporary, batch, false, UINT64_MAX, batch.size())
                .statement);
        ++figures.statements;
    }
    figures.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    DropTables(connection, {copy});
    return figures;
}

}  // namespace tarnwick::bench
