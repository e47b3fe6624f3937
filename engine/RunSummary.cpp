#include "engine/RunSummary.h"

#include <QStringList>

#include "db/Identifier.h"
#include "engine/DryRun.h"
#include "engine/RowLabel.h"
#include "engine/RunInputs.h"
#include "engine/Statements.h"

namespace tarnwick::engine {
namespace {

// Text as a line shows it: line breaks and other control characters (and the backslash that
// introduces them) written as escapes, so that no name or value can break the line or pass for
// another.
QString Escaped(const QString& quoted) {
    QString line;
    line.reserve(quoted.size());
    for (const QChar c : quoted) {
        const char16_t u = c.unicode();
        if (u == u'\\') {
            line += QStringLiteral("\\\\");
        } else if (u == u'\n') {
            line += QStringLiteral("\\n");
        } else if (u == u'\r') {
            line += QStringLiteral("\\r");
        } else if (u == u'\t') {
            line += QStringLiteral("\\t");
        } else if (u < 0x20 || u == 0x7f || u == 0x85 || u == 0x2028 || u == 0x2029) {
            line += QStringLiteral("\\u%1").arg(static_cast<int>(u), 4, 16, QChar(u'0'));
        } else {
            line += c;
        }
    }
    return line;
}

// A name as the line shows it: in backticks as a statement names it.
QString Quoted(const QString& name) {
    return Escaped(db::QuoteIdentifier(name));
}

}  // namespace

QString QuotedForLine(const QString& name) {
    return Quoted(name);
}

namespace {

// "1 duplicate", "2 duplicates".
QString Duplicates(int64_t count) {
    return QString::number(count) +
           (count == 1 ? QStringLiteral(" duplicate") : QStringLiteral(" duplicates"));
}

QString Deduplicated(const RunInputs& inputs, const RunOutcome& outcome) {
    return QStringLiteral("the deduplicated copy of %1 (kept %2 of %3 rows, %4 removed)")
        .arg(Quoted(inputs.chosenTable))
        .arg(outcome.RowsKept())
        .arg(outcome.rowsCopied)
        .arg(Duplicates(outcome.duplicatesRemoved));
}

// What the scratch table holds when the run stopped before the swap.
QString ScratchContent(const RunInputs& inputs, const RunOutcome& outcome) {
    const QString chosen = Quoted(inputs.chosenTable);
    if (outcome.connectionLost) {
        return QStringLiteral(
            "part of the run's work (the connection was lost, so how far it got "
            "is not known)");
    }
    QString content;
    if (outcome.duplicatesRemoved == 0) {
        content = QStringLiteral("a full copy of %1 (no duplicates removed)").arg(chosen);
    } else if (outcome.duplicatesRemoved < outcome.duplicatesFound) {
        content = QStringLiteral("a copy of %1 with %2 of its %3 removed")
                      .arg(chosen)
                      .arg(outcome.duplicatesRemoved)
                      .arg(Duplicates(outcome.duplicatesFound));
    } else {
        content = Deduplicated(inputs, outcome);
    }
    if (outcome.temporaryColumnLeft) {
        content += QStringLiteral(" and still has the temporary column ") +
                   QString::fromUtf16(kTemporaryColumn);
    }
    return content;
}

QString WhatIsKnown(const RunInputs& inputs, const RunOutcome& outcome) {
    const QString newTable = Quoted(inputs.newTableName);
    const QString scratch = Quoted(outcome.scratchTable);
    const QString untouched = QStringLiteral("this run did not create or change ") + newTable;
    switch (outcome.place) {
        case ResultPlace::Nowhere:
            return QStringLiteral("no table was created and ") + untouched;
        case ResultPlace::ScratchUnknown:
            return QStringLiteral(
                       "the connection was lost during the copy, so whether the scratch "
                       "table %1 was created is not known, and ")
                       .arg(scratch) +
                   untouched;
        case ResultPlace::Scratch:
            return untouched + QStringLiteral("; the scratch table %1 holds ").arg(scratch) +
                   ScratchContent(inputs, outcome);
        case ResultPlace::SwapUnknown:
            return QStringLiteral(
                       "the connection was lost while the result in the scratch table "
                       "%1 took the name %2, so which of the two holds it is not known")
                .arg(scratch, newTable);
        case ResultPlace::NewTable: {
            QString known = newTable + QStringLiteral(" holds ") + Deduplicated(inputs, outcome);
            if (!outcome.retiredTable.isEmpty()) {
                known += (outcome.connectionLost ? QStringLiteral("; the table it replaced may "
                                                                  "still be kept as ")
                                                 : QStringLiteral("; the table it replaced is "
                                                                  "kept as ")) +
                         Quoted(outcome.retiredTable);
            }
            return known;
        }
    }
    return {};
}

}  // namespace

QString RefusedSummary(double seconds) {
    return QStringLiteral("refused in %1 s: nothing was changed")
        .arg(QString::number(seconds, 'f', 3));
}

QString RunSummary(const RunInputs& inputs, const RunOutcome& outcome, double seconds) {
    const QString time = QString::number(seconds, 'f', 3);
    if (outcome.Refused()) return RefusedSummary(seconds);
    if (outcome.Succeeded()) {
        QString line =
            QStringLiteral("kept %1 of %2 rows in %3 (%4 removed) in %5 s")
                .arg(outcome.RowsKept())
                .arg(outcome.rowsCopied)
                .arg(Quoted(inputs.newTableName), Duplicates(outcome.duplicatesRemoved), time);
        // What a kept structure leaves out.
        QStringList left;
        if (outcome.foreignKeysLeft > 0) {
            left << QStringLiteral("%1 foreign key%2")
                        .arg(outcome.foreignKeysLeft)
                        .arg(outcome.foreignKeysLeft == 1 ? "" : "s");
        }
        if (outcome.triggersLeft > 0) {
            left << QStringLiteral("%1 trigger%2")
                        .arg(outcome.triggersLeft)
                        .arg(outcome.triggersLeft == 1 ? "" : "s");
        }
        if (!left.isEmpty())
            line += QStringLiteral("; not copied: ") + left.join(QStringLiteral(", "));
        return line;
    }
    return QStringLiteral("failed at line %1 in %2 s: %3; %4 was only read")
        .arg(outcome.firstFailedLine)
        .arg(time, WhatIsKnown(inputs, outcome), Quoted(inputs.chosenTable));
}

QString LookSummary(const RunInputs& inputs, const LookOutcome& outcome, double seconds) {
    const QString time = QString::number(seconds, 'f', 3);
    if (outcome.Refused()) return RefusedSummary(seconds);
    if (outcome.firstFailedLine != 0 || !outcome.complete) {
        return QStringLiteral("failed at line %1 in %2 s: nothing was changed; %3 was only read")
            .arg(outcome.firstFailedLine)
            .arg(time, Quoted(inputs.chosenTable));
    }
    QString text = QStringLiteral(
                       "rows: %1\ndistinct keys: %2\nrows that would go: %3\ngroups with "
                       "duplicates: %4\n")
                       .arg(outcome.rows)
                       .arg(outcome.DistinctKeys())
                       .arg(outcome.rowsToGo)
                       .arg(outcome.groups);
    if (!outcome.largest.empty()) {
        text +=
            QStringLiteral("largest groups (rows: the key values of the row that would stay):\n");
        for (const auto& group : outcome.largest) {
            const auto fields = row_label::Fields(group.keptLabel);
            QStringList values;
            for (size_t i = outcome.namedByKey ? 1 : 0; i < fields.size(); ++i) {
                const qsizetype field = static_cast<qsizetype>(i) - (outcome.namedByKey ? 1 : 0);
                const QString value =
                    fields[i] ? Escaped(db::QuoteText(QString::fromUtf8(
                                    fields[i]->data(), static_cast<qsizetype>(fields[i]->size()))))
                              : QStringLiteral("NULL");
                values << Quoted(inputs.keyFields.value(field)) + QStringLiteral(" = ") + value;
            }
            text += QStringLiteral("  %1: ").arg(group.rows) + values.join(QStringLiteral(", ")) +
                    u'\n';
        }
    }
    return text +
           QStringLiteral("dry run in %1 s: %2 of %3 rows of %4 would go; nothing was changed")
               .arg(time)
               .arg(outcome.rowsToGo)
               .arg(outcome.rows)
               .arg(Quoted(inputs.chosenTable));
}

}  // namespace tarnwick::engine
