#include "engine/TableSurvey.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <vector>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Identifier.h"
#include "engine/AccountGrants.h"
#include "engine/SessionPins.h"
#include "engine/Statements.h"

namespace tarnwick::engine {
namespace {

struct View {
    QString name;        // "`schema`.`view`", as view definitions name a table or view
    QString definition;  // the server's canonical text, every table named with its schema
};

QString QualifiedName(const QString& schema, const QString& name) {
    return db::QuoteIdentifier(schema) + u'.' + db::QuoteIdentifier(name);
}

// True when the chosen view reads from `table`, directly or through other views. Works from the
// table outwards: a view that names the table, or names a view already found, reads from it. A
// view whose definition the server does not show counts as reading from it, since nobody can tell.
// Letter case is ignored, so a name that differs only in case counts as the same table: refusing
// once too often is the safe side.
bool ViewReadsFrom(const std::vector<View>& views, const QString& chosenView,
                   const QString& table) {
    QStringList readers{table};
    QSet<qsizetype> found;
    bool grew = true;
    while (grew) {
        grew = false;
        for (qsizetype v = 0; v < static_cast<qsizetype>(views.size()); ++v) {
            if (found.contains(v)) continue;
            const View& view = views[static_cast<size_t>(v)];
            const bool reads = view.definition.isEmpty() ||
                               std::any_of(readers.begin(), readers.end(), [&](const QString& r) {
                                   return view.definition.contains(r, Qt::CaseInsensitive);
                               });
            if (!reads) continue;
            if (view.name.compare(chosenView, Qt::CaseInsensitive) == 0) return true;
            found.insert(v);
            readers << view.name;
            grew = true;
        }
    }
    return false;
}

}  // namespace

bool MakesTable(const RunInputs& inputs) {
    return !inputs.dryRun || !inputs.newTableName.isEmpty();
}

std::optional<QString> RefusalWithoutServer(const RunInputs& inputs) {
    if (inputs.keyFields.isEmpty()) return QStringLiteral("No key field is chosen.");
    if (!MakesTable(inputs)) return std::nullopt;
    const QString& name = inputs.newTableName;
    const auto another = QStringLiteral(" Please type another name for the new table.");
    if (name.trimmed().isEmpty()) {
        return QStringLiteral("Please type a name for the new table.");
    }
    if (name.compare(inputs.chosenTable, Qt::CaseInsensitive) == 0) {
        return QStringLiteral(
                   "The new table cannot be called \"%1\": that is the table you chose, and "
                   "Tarnwick never changes it.")
                   .arg(name) +
               another;
    }
    // The server's rules for a table name: at most 64 characters, no blank at the end, and only
    // characters of the Basic Multilingual Plane other than NUL.
    if (name.size() > kMaxTableNameLength) {
        return QStringLiteral(
                   "The new table's name is %1 characters long; the server takes at most "
                   "%2.")
                   .arg(name.size())
                   .arg(kMaxTableNameLength) +
               another;
    }
    if (name.endsWith(u' ')) {
        return QStringLiteral(
                   "The new table's name \"%1\" ends with a blank, which the server "
                   "does not allow in a table name.")
                   .arg(name) +
               another;
    }
    for (const QChar c : name) {
        if (c.isNull() || c.isSurrogate()) {
            return QStringLiteral(
                       "The new table's name holds a character that the server does not "
                       "allow in a table name (NUL, or a character such as an emoji "
                       "beyond the Basic Multilingual Plane).") +
                   another;
        }
    }
    return std::nullopt;
}

namespace {

// Why the server cannot hold the new table, or nothing: the copy is a table without a primary key
// (the temporary column that numbers its rows is one only while the run works), which a server
// that requires a primary key on every table refuses to create.
std::optional<QString> PrimaryKeyRefusal(const SessionFacts& session, bool keepStructure) {
    const bool innodb = session.Value(QStringLiteral("default_storage_engine"))
                            .value_or(QStringLiteral("InnoDB"))
                            .compare(u"InnoDB", Qt::CaseInsensitive) == 0;
    QString setting;
    if (innodb && session.IsOn(QStringLiteral("innodb_force_primary_key"))) {
        setting = QStringLiteral("innodb_force_primary_key");
    } else if (session.IsOn(QStringLiteral("sql_require_primary_key"))) {
        setting = QStringLiteral("sql_require_primary_key");
    } else {
        return std::nullopt;
    }
    // With the structure kept, the new table would have the chosen table's key, but the run's
    // first copy, in which it numbers the rows, would not.
    const QString copy = keepStructure ? QStringLiteral(
                                             "the run's first copy of the chosen table's rows, "
                                             "which numbers them, has no key")
                                       : QStringLiteral(
                                             "the new table is a copy of the chosen table's "
                                             "rows and columns without any key");
    return QStringLiteral(
               "This server requires a primary key on every table (%1 is ON), and %2, which the "
               "server refuses to create. Nothing was changed. Ask the server's administrator to "
               "turn %1 off, or use a server without that rule.")
        .arg(setting, copy);
}

}  // namespace

namespace {

// A column type's name without its length and attributes: "varchar(9)" and "int(11) unsigned"
// are "varchar" and "int".
QString BaseType(const QString& type) {
    return type.section(u'(', 0, 0).section(u' ', 0, 0).trimmed().toLower();
}

bool IsIntegerType(const QString& type) {
    static const QStringList kIntegers{QStringLiteral("tinyint"), QStringLiteral("smallint"),
                                       QStringLiteral("mediumint"), QStringLiteral("int"),
                                       QStringLiteral("bigint")};
    return kIntegers.contains(BaseType(type));
}

// A column of text, which has a collation (a binary string's type is BINARY, VARBINARY or BLOB).
bool IsTextType(const QString& type) {
    static const QStringList kTexts{QStringLiteral("char"),       QStringLiteral("varchar"),
                                    QStringLiteral("tinytext"),   QStringLiteral("text"),
                                    QStringLiteral("mediumtext"), QStringLiteral("longtext"),
                                    QStringLiteral("enum"),       QStringLiteral("set")};
    return kTexts.contains(BaseType(type));
}

// The chosen table's primary key, column by column, as declared.
TableOrder PrimaryKeyOrder(db::Connection& connection, const QString& table) {
    TableOrder order;
    db::Cursor keys = connection.OpenCursor(PrimaryKeyQuery(table));
    while (keys.Fetch()) {
        // Column_name, and Collation: "A" ascending, "D" descending.
        order.push_back(
            {db::NullToDefault(keys.Read(4), {}), db::NullToDefault(keys.Read(5), {}) == u"D"});
    }
    return order;
}

// The key column the fast plan's copy can keep (TableSurvey::orderKey).
std::optional<QString> OrderKey(const TableOrder& order, const QStringList& columns,
                                const QStringList& types) {
    if (order.size() != 1 || order.front().descending) return std::nullopt;
    const qsizetype at = columns.indexOf(order.front().name);
    if (at < 0 || !IsIntegerType(types.value(at))) return std::nullopt;
    return order.front().name;
}

// The names in order, at most twenty of them.
QString SomeNames(QStringList names) {
    constexpr qsizetype kMost = 20;
    names.sort();
    const qsizetype more = names.size() - kMost;
    if (more <= 0) return names.join(QStringLiteral(", "));
    return names.first(kMost).join(QStringLiteral(", ")) + QStringLiteral(" and %1 more").arg(more);
}

// Why the account cannot run here, or nothing: the privileges on the database that the run's
// statements need and the account lacks, by its own grants, its role's and PUBLIC's. Nothing when
// the grants cannot be read or taken apart: the run then finds out step by step.
std::optional<QString> MissingPrivileges(db::Connection& connection, const QString& database,
                                         bool foldsNames, const QStringList& needed) {
    QStringList lines;
    QString account;
    {
        db::Cursor grants = connection.OpenCursor(GrantsQuery());
        // The column is called "Grants for user@host".
        account = grants.FieldName(0).section(u' ', 2);
        while (grants.Fetch()) lines << db::NullToDefault(grants.Read(0), {});
    }
    const std::optional<AccountGrants> parsed = AccountGrants::Parse(lines);
    if (!parsed) return std::nullopt;
    const QSet<QString> held = parsed->OnDatabase(database, foldsNames);
    QStringList missing;
    for (const QString& privilege : needed) {
        if (!held.contains(privilege)) missing << privilege;
    }
    if (missing.isEmpty()) return std::nullopt;
    const qsizetype at = account.lastIndexOf(u'@');
    const QString grantee =
        at < 0 ? account
               : db::QuoteText(account.left(at)) + u'@' + db::QuoteText(account.mid(at + 1));
    const QString list = missing.join(QStringLiteral(", "));
    return QStringLiteral(
               "The account %1 lacks the privilege%2 %3 on the database \"%4\", which the run "
               "needs to copy the table, number its rows, remove the duplicates and give the "
               "result its name. Nothing was changed. The server's administrator can grant %5 "
               "with: GRANT %3 ON %6.* TO %7;")
        .arg(account, missing.size() == 1 ? QString() : QStringLiteral("s"), list, database,
             missing.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"),
             db::QuoteIdentifier(database), grantee);
}

}  // namespace

TableSurvey SurveyTables(db::Connection& connection, const RunInputs& inputs,
                         const SessionFacts& session) {
    TableSurvey survey;
    // A look without a new table only reads.
    const bool makesTable = MakesTable(inputs);
    const std::optional<QString> keyRefusal =
        makesTable ? PrimaryKeyRefusal(session, inputs.keepStructure) : std::nullopt;
    // Without the fast plan's use of the chosen table's key, the copy has no key at all.
    if (keyRefusal && inputs.plan != RunPlan::Fast) {
        survey.refusal = keyRefusal;
        return survey;
    }

    QHash<QString, QString> types;  // table name -> "BASE TABLE", "VIEW", "SEQUENCE", ...
    {
        db::Cursor tables = connection.OpenCursor(TableListQuery());
        while (tables.Fetch()) {
            const QString name = db::NullToDefault(tables.Read(0), {});
            types.insert(name, db::NullToDefault(tables.Read(1), {}));
        }
    }

    // A name that differs from a listed one only in letter case names that very table on a server
    // that folds the case of table names (lower_case_table_names 1 or 2).
    const bool foldsNames =
        session.Value(QStringLiteral("lower_case_table_names")).value_or(QStringLiteral("0")) !=
        u"0";
    const auto find = [&](const QString& name) {
        auto it = types.constFind(name);
        if (it != types.constEnd() || !foldsNames) return it;
        for (it = types.constBegin(); it != types.constEnd(); ++it) {
            if (it.key().compare(name, Qt::CaseInsensitive) == 0) return it;
        }
        return types.constEnd();
    };

    const auto chosenType = find(inputs.chosenTable);
    if (chosenType == types.constEnd()) {
        survey.refusal =
            QStringLiteral(
                "There is no table \"%1\" in the database \"%2\" that this account "
                "can see, so there is nothing to copy. Its tables are: %3.")
                .arg(inputs.chosenTable, inputs.settings.database, SomeNames(types.keys()));
        return survey;
    }
    if (auto missing = MissingPrivileges(
            connection, inputs.settings.database, foldsNames,
            makesTable ? kRunPrivileges : QStringList{QStringLiteral("SELECT")})) {
        survey.refusal = std::move(missing);
        return survey;
    }

    const auto newType = find(inputs.newTableName);
    if (newType != types.constEnd()) {
        if (*newType == u"VIEW") {
            survey.refusal =
                QStringLiteral(
                    "The new table cannot be called \"%1\": that is the name of a "
                    "view, and Tarnwick replaces only tables. Please type another name "
                    "for the new table.")
                    .arg(inputs.newTableName);
            return survey;
        }
        survey.newNameTaken = true;
    }

    // Field, Type, Null, Key, Default, Extra. Column names compare without letter case, as the
    // server compares them.
    QStringList names, columnTypes;
    bool invisible = false;
    {
        db::Cursor columns = connection.OpenCursor(ColumnListQuery(inputs.chosenTable));
        while (columns.Fetch()) {
            names << db::NullToDefault(columns.Read(0), {});
            columnTypes << db::NullToDefault(columns.Read(1), {});
            invisible =
                invisible ||
                db::NullToDefault(columns.Read(5), {}).contains(u"INVISIBLE", Qt::CaseInsensitive);
        }
    }
    if (invisible) survey.copyColumns = names;
    for (const QString& field : inputs.keyFields) {
        const auto found = std::find_if(names.cbegin(), names.cend(), [&](const QString& name) {
            return name.compare(field, Qt::CaseInsensitive) == 0;
        });
        const qsizetype at = found == names.cend() ? -1 : found - names.cbegin();
        if (at >= 0) {
            survey.keyFields.push_back(
                {field, inputs.compare == Comparison::Collation && IsTextType(columnTypes[at])});
        }
        if (at < 0) {
            survey.refusal = QStringLiteral(
                                 "\"%1\" is not a field of the table \"%2\", so it "
                                 "cannot be a key field. Its fields are: %3.")
                                 .arg(field, inputs.chosenTable, names.join(QStringLiteral(", ")));
            return survey;
        }
    }
    const QString temporary = QString::fromUtf16(kTemporaryColumn);
    if (makesTable && names.contains(temporary, Qt::CaseInsensitive)) {
        survey.refusal = QStringLiteral(
                             "The table \"%1\" already has a column named %2. Tarnwick numbers the "
                             "copied rows in a temporary column of that name, so it cannot copy "
                             "this table. Rename that column, or copy the table without it first.")
                             .arg(inputs.chosenTable, temporary);
        return survey;
    }

    if (inputs.keepStructure && *chosenType != u"BASE TABLE") {
        survey.refusal = QStringLiteral(
                             "\"%1\" is a %2, which has no keys or indexes of its own to keep; "
                             "leave out --keep-structure to copy its rows.")
                             .arg(inputs.chosenTable, chosenType->toLower());
        return survey;
    }
    if (*chosenType == u"BASE TABLE") {
        survey.order = PrimaryKeyOrder(connection, inputs.chosenTable);
        if (inputs.plan == RunPlan::Fast || inputs.dryRun)
            survey.orderKey = OrderKey(survey.order, names, columnTypes);
    }
    if (keyRefusal && !survey.orderKey) {
        survey.refusal = keyRefusal;
        return survey;
    }
    if (inputs.keepStructure) {
        db::Cursor definition = connection.OpenCursor(CreateTableQuery(inputs.chosenTable));
        if (definition.Fetch())
            survey.structure = ParseTableStructure(db::NullToDefault(definition.Read(1), {}));
        db::Cursor triggers = connection.OpenCursor(TriggerCountQuery(inputs.chosenTable));
        if (triggers.Fetch()) survey.triggers = db::NullToDefault(triggers.Read(0), {}).toInt();
        if (!survey.structure || survey.structure->storedColumns.isEmpty()) {
            survey.refusal = QStringLiteral(
                                 "The definition of \"%1\" could not be read, so it "
                                 "cannot be kept.")
                                 .arg(inputs.chosenTable);
            return survey;
        }
    }
    if (*chosenType == u"VIEW" && survey.newNameTaken) {
        // Only a table that the result replaces can change what the view shows.
        std::vector<View> views;
        db::Cursor rows = connection.OpenCursor(ViewDefinitionsQuery());
        while (rows.Fetch()) {
            const QString schema = db::NullToDefault(rows.Read(0), {});
            const QString name = db::NullToDefault(rows.Read(1), {});
            views.push_back({QualifiedName(schema, name), db::NullToDefault(rows.Read(2), {})});
        }
        const QString& database = inputs.settings.database;
        if (ViewReadsFrom(views, QualifiedName(database, inputs.chosenTable),
                          QualifiedName(database, inputs.newTableName))) {
            survey.refusal = QStringLiteral(
                                 "The new table cannot be called \"%1\": the view \"%2\" that you "
                                 "chose reads from the table of that name, which the run would "
                                 "replace. Please type another name for the new table.")
                                 .arg(inputs.newTableName, inputs.chosenTable);
        }
    }
    return survey;
}

std::optional<QString> NamingColumn(const TableSurvey& survey) {
    if (survey.order.size() != 1) return std::nullopt;
    return survey.order.front().name;
}

KeyColumns KeyQueryColumns(const TableSurvey& survey, bool labelled) {
    KeyColumns columns{survey.keyFields, {}};
    if (!labelled) return columns;
    if (const auto naming = NamingColumn(survey)) columns.labels << *naming;
    for (const KeyField& field : survey.keyFields) columns.labels << field.name;
    return columns;
}

}  // namespace tarnwick::engine
