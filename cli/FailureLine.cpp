#include "cli/FailureLine.h"

#include "app/core/FailureDescription.h"
#include "db/DbError.h"
#include "engine/RunLines.h"

namespace tarnwick::cli {
namespace {

// What happened, in words, when the server's error tells.
QString WhatHappened(const std::exception_ptr& failure) {
    db::DbError::Cause cause = db::DbError::Cause::Other;
    try {
        std::rethrow_exception(failure);
    } catch (const db::DbError& error) {
        cause = error.WhatHappened();
    } catch (...) {
    }
    switch (cause) {
        case db::DbError::Cause::LostConnection:
            return QStringLiteral("the connection to the server was lost");
        case db::DbError::Cause::StatementStopped:
            return QStringLiteral(
                "the server stopped the statement (it was killed, or ran past a "
                "time limit)");
        case db::DbError::Cause::NodeOutOfCluster:
            return QStringLiteral(
                "the server is a cluster node that has lost its cluster and "
                "takes no statements");
        case db::DbError::Cause::Other:
            break;
    }
    return {};
}

}  // namespace

QString FailureLine(int line, const std::exception_ptr& failure) {
    const char* step = engine::LineText(line);
    QString says = app::DescribeFailure(failure).simplified();
    const QString happened = WhatHappened(failure);
    if (!happened.isEmpty()) {
        says = happened + QStringLiteral("; running again is safe, as the run starts afresh (") +
               says + u')';
    }
    return QStringLiteral("tarnwick-dedupe: line %1 (%2) failed: %3")
        .arg(line)
        .arg(QString::fromUtf8(step ? step : "a step of the run"), says);
}

}  // namespace tarnwick::cli
