#include "engine/SessionPins.h"

#include <QStringList>
#include <iterator>

#include "db/Connection.h"
#include "db/Cursor.h"
#include "engine/Statements.h"

namespace tarnwick::engine {
namespace {

struct Pin {
    const char* variable;
    const char* value;  // as it stands in SET: a number, or a string literal in quotes
    SessionUse use;     // EveryRow pins are set for the run too
};

// Every value here can be set for its own session by a user without special privileges. A pin
// whose variable the server does not have (MariaDB and MySQL differ) is left out.
constexpr Pin kPins[] = {
    // Every row returned. A SELECT without LIMIT returns at most sql_select_limit rows; "DEFAULT"
    // would give the server's global value, the very limit to undo, so the largest value it is.
    {"sql_select_limit", "18446744073709551615", SessionUse::EveryRow},
    // Every SELECT allowed: with max_join_size below its largest value the server refuses a
    // SELECT it expects to examine more rows ("The SELECT would examine more than MAX_JOIN_SIZE
    // rows"). Setting it turns sql_big_selects off again, so that one comes after.
    {"max_join_size", "18446744073709551615", SessionUse::EveryRow},
    {"sql_big_selects", "1", SessionUse::EveryRow},
    // The command timeout of 5000 seconds, as the server's own statement time limit (the driver
    // ignores the ODBC query timeout): a global max_statement_time of a few seconds would
    // otherwise end the copy or a big preview. MariaDB counts seconds, MySQL's
    // max_execution_time milliseconds (and limits only SELECTs).
    {"max_statement_time", "5000", SessionUse::EveryRow},
    {"max_execution_time", "5000000", SessionUse::EveryRow},

    // The copied rows numbered 1, 2, 3, ...: the temporary AUTO_INCREMENT column takes its
    // numbers from these two (a Galera cluster sets the increment to its number of nodes). The
    // run deletes by the numbers the server gave, so other numbers would still delete the right
    // rows; pinned so that every run numbers alike, and its statements replicate alike.
    {"auto_increment_increment", "1", SessionUse::Run},
    {"auto_increment_offset", "1", SessionUse::Run},
    // The deletes allowed: safe-update mode (MySQL's --safe-updates) refuses some DELETEs.
    {"sql_safe_updates", "0", SessionUse::Run},
    // Each statement takes effect on its own as soon as the server has run it (an init_connect
    // may turn autocommit off, and the deletes would then wait for a commit).
    {"autocommit", "1", SessionUse::Run},
    // The copy, the temporary column and the deletes take every value the chosen table holds,
    // exactly: strict for every engine (a value that does not fit is an error, never silently
    // changed), dates that are zero or out of the calendar accepted as stored (NO_ZERO_DATE and
    // NO_ZERO_IN_DATE would refuse copying them), no engine put in place of another. This also
    // undoes modes that change how statements are read (ANSI_QUOTES, ORACLE) or how values are
    // returned (PAD_CHAR_TO_FULL_LENGTH).
    {"sql_mode", "'STRICT_ALL_TABLES,ALLOW_INVALID_DATES,NO_ENGINE_SUBSTITUTION'", SessionUse::Run},
    // TIMESTAMP keys read in UTC: in a zone with daylight saving time two different instants of
    // the hour repeated in autumn read alike and would count as duplicates.
    {"time_zone", "'+00:00'", SessionUse::Run},
    // On a Galera cluster, the ALTER TABLEs go to every node (TOI). With the rolling method (RSU)
    // they would change this node only, and the nodes would hold different tables.
    {"wsrep_OSU_method", "'TOI'", SessionUse::Run},
};

// Variables the run reads without setting them.
constexpr const char* kFacts[] = {
    "lower_case_table_names",    // whether table names compare without letter case
    "max_allowed_packet",        // the largest statement the server takes
    "innodb_force_primary_key",  // MariaDB: every InnoDB table needs a primary key
    "sql_require_primary_key",   // MySQL: the same for every table
    "default_storage_engine",    // the engine the copy is made with
    "log_bin",                   // whether the server keeps a binary log,
    "binlog_format",             // and in which format (DeduplicationRun's row logging)
};

bool Applies(const Pin& pin, SessionUse use) {
    return pin.use == SessionUse::EveryRow || use == SessionUse::Run;
}

}  // namespace

std::optional<QString> SessionFacts::Value(const QString& name) const {
    const auto it = values_.constFind(name.toLower());
    if (it == values_.constEnd()) return std::nullopt;
    return *it;
}

bool SessionFacts::IsOn(const QString& name) const {
    const auto value = Value(name);
    return value && (value->compare(u"ON", Qt::CaseInsensitive) == 0 || *value == u"1");
}

uint64_t SessionFacts::Number(const QString& name, uint64_t fallback) const {
    const auto value = Value(name);
    bool ok = false;
    const uint64_t number = value ? value->toULongLong(&ok) : 0;
    return ok ? number : fallback;
}

QString SessionVariablesQuery(SessionUse use) {
    QStringList names;
    for (const Pin& pin : kPins) {
        if (Applies(pin, use)) names << QLatin1String(pin.variable);
    }
    if (use == SessionUse::Run) {
        for (const char* fact : kFacts) names << QLatin1String(fact);
    }
    return SessionVariablesQuery(names);
}

QString PinStatement(const SessionFacts& facts, SessionUse use) {
    QStringList settings;
    for (const Pin& pin : kPins) {
        if (!Applies(pin, use) || !facts.Value(QLatin1String(pin.variable))) continue;
        settings << QLatin1String(pin.variable) + u'=' + QLatin1String(pin.value);
    }
    if (settings.isEmpty()) return {};
    return SetSessionStatement(settings);
}

SessionFacts PinSession(db::Connection& connection, SessionUse use) {
    SessionFacts facts;
    {
        db::Cursor variables = connection.OpenCursor(SessionVariablesQuery(use));
        while (variables.Fetch()) {
            const QString name = db::NullToDefault(variables.Read(0), {});
            facts.Insert(name, db::NullToDefault(variables.Read(1), {}));
        }
    }
    const QString pins = PinStatement(facts, use);
    if (!pins.isEmpty()) connection.Execute(pins);
    return facts;
}

}  // namespace tarnwick::engine
