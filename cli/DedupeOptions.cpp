#include "cli/DedupeOptions.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tarnwick::cli {
namespace {

[[noreturn]] void UsageError(const QString& message) {
    throw std::invalid_argument(message.toStdString());
}

QString ReadPasswordFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        UsageError(
            QStringLiteral("cannot read the password file %1: %2").arg(path, file.errorString()));
    }
    // The first line, without its line ending; blanks are part of the password.
    QString password = QString::fromUtf8(file.readLine());
    while (password.endsWith(u'\n') || password.endsWith(u'\r')) password.chop(1);
    return password;
}

}  // namespace

QString DedupeVersion() {
    return QStringLiteral("tarnwick-dedupe " TARNWICK_VERSION "\n");
}

QString DedupeUsage() {
    return QStringLiteral(
        "usage: tarnwick-dedupe --server HOST --port PORT --user USER --database DB\n"
        "                       [--password PASS | --password-file FILE]\n"
        "                       --table TABLE --key FIELD [--key FIELD ...] --into NEWTABLE\n"
        "                       [--fast] [--compare exact|collation] [--keep first|last]\n"
        "                       [--keep-structure] [--dry-run] [--report FILE] [--progress]\n"
        "                       [--echo]\n"
        "\n"
        "Creates NEWTABLE as a copy of TABLE without the later rows of each group of rows whose\n"
        "key fields are equal; TABLE itself is only read, without locking it (on a server whose\n"
        "binary log takes statements, only where the account may have its own log take rows,\n"
        "with SUPER or BINLOG ADMIN; otherwise the copy holds read locks on TABLE's rows until it\n"
        "ends). The copy is built under a scratch name (tarnwick_scratch_...) and takes the name\n"
        "NEWTABLE only when it is complete, replacing an existing table of that name; a failed\n"
        "run leaves that table as it was. The rows are in TABLE's order: that of its primary\n"
        "key as declared (ascending or descending), or for a table without one that of a plain\n"
        "read. Connects with the ODBC driver registered as \"MySQL ODBC 5.1 Driver\".\n"
        "\n"
        "  --key FIELD           a key field; repeat for several, in order\n"
        "  --password-file FILE  read the password from the first line of FILE\n"
        "  --fast                write the table fewer times; the same rows are kept. When "
        "TABLE's\n"
        "                        primary key is one column of whole numbers, declared ascending,\n"
        "                        NEWTABLE keeps that primary key, which a run without --fast\n"
        "                        does not copy. Otherwise NEWTABLE has the same columns and no\n"
        "                        key, and the space of the column that numbered its rows stays\n"
        "                        in the table until it is next rebuilt (OPTIMIZE TABLE).\n"
        "  --keep-structure      NEWTABLE gets what CREATE TABLE ... LIKE TABLE gives: the "
        "primary\n"
        "                        key, AUTO_INCREMENT (a counter no lower than TABLE's), unique,\n"
        "                        plain, FULLTEXT and SPATIAL indexes, comments, engine, row\n"
        "                        format, character set, partitioning, invisible columns; not\n"
        "                        foreign keys or triggers (the last line counts those). The rows\n"
        "                        are the same. Not for a view\n"
        "  --compare exact       values are equal when their text is (the default): letter case\n"
        "                        and trailing blanks count\n"
        "  --compare collation   text fields are equal when the server's collation of the column\n"
        "                        says so, as GROUP BY does: 'Ltd' = 'LTD' in a _ci collation, and\n"
        "                        trailing blanks do not count unless it is a NO PAD one\n"
        "  --keep first|last     which row of each group stays, in TABLE's order (first)\n"
        "  --dry-run             change nothing: read TABLE's keys once, without locks, and print\n"
        "                        the rows, the distinct keys, the rows that would go, the groups\n"
        "                        with duplicates and the ten largest; --into may be left out\n"
        "  --report FILE         write the rows that go to FILE as CSV (- for standard output):\n"
        "                        kept,removed,KEYFIELD...: the row that stays, the row that goes\n"
        "                        (the value of TABLE's primary key when it is one column, else\n"
        "                        the row's position in TABLE's order, from 1) and the key values\n"
        "                        of the row that stays; written only when the run completes\n"
        "  --progress            show the step and the rows done on one line of standard error\n"
        "                        (without it, only when standard error is a terminal)\n"
        "  --echo                print every statement before it is sent\n"
        "  --help                print this text\n"
        "  --version             print the version\n"
        "\n"
        "Examples (... stands for the login options):\n"
        "  ... --table orgs --key name --into orgs2 --compare collation --keep last\n"
        "  ... --table orgs --key name --dry-run --report gone.csv\n"
        "  ... --table big --key name --into big2 --fast --progress 2>>run.log\n"
        "\n"
        "The last line says \"kept K of N rows in NEWTABLE (D duplicates removed) in S s\" when\n"
        "every step succeeded (with --dry-run: \"dry run in S s: D of N rows of TABLE would go;\n"
        "nothing was changed\"); otherwise the first line that failed and what is known of the\n"
        "new table and of the scratch table. It goes to standard error when the report goes to\n"
        "standard output. Before that, each failing step is one line on standard error:\n"
        "tarnwick-dedupe: line N (what the step does) failed: the server's message.\n"
        "\n"
        "Exit status:\n"
        "  0  every step succeeded\n"
        "  1  a step failed after the run had begun to change tables (what is known of them is\n"
        "     the last line), or a step of a dry run's reading failed\n"
        "  2  nothing was changed: a usage error; a refusal (a table that is not there, a\n"
        "     privilege the account lacks, inputs or a server with which the run cannot give\n"
        "     the right rows, a report file that cannot be written); or the connection or the\n"
        "     session could not be set up. The reason is one line on standard error.\n");
}

namespace {

// Takes the argument at `index` out of the process's argument area, which the process list shows:
// the arguments after it move up over it and the freed end is zeroed, so that neither the text
// nor its length can be seen. Where the arguments do not lie one after the other, the text is
// zeroed where it stands.
void HideArgument(int argc, char** argv, int index) {
    const size_t length = std::strlen(argv[index]) + 1;
    bool contiguous = true;
    for (int k = index; k + 1 < argc; ++k)
        contiguous = contiguous && argv[k] + std::strlen(argv[k]) + 1 == argv[k + 1];
    if (!contiguous || index + 1 >= argc) {
        std::memset(argv[index], 0, length - 1);
        return;
    }
    char* const end = argv[argc - 1] + std::strlen(argv[argc - 1]) + 1;
    char* const from = argv[index] + length;
    std::memmove(argv[index], from, static_cast<size_t>(end - from));
    std::memset(end - length, 0, length);
}

}  // namespace

DedupeOptions ParseDedupeOptions(int argc, char** argv) {
    // The arguments are read from a copy: a password given with --password leaves the process's
    // own argument area first.
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    for (int i = argc - 2; i >= 1; --i) {
        if (args[i] == u"--password") HideArgument(argc, argv, i + 1);
    }

    DedupeOptions options;
    std::optional<QString> server, port, user, database, password, passwordFile, table, into,
        compare, keep;
    // The options that take a value, in the order of the usage line; --key (no slot) may repeat.
    struct Valued {
        const char* name;
        std::optional<QString>* slot;
        bool required;
    };
    const Valued valued[] = {
        {"--server", &server, true},      {"--port", &port, true},
        {"--user", &user, true},          {"--database", &database, true},
        {"--password", &password, false}, {"--password-file", &passwordFile, false},
        {"--table", &table, true},        {"--key", nullptr, true},
        {"--into", &into, true},          {"--compare", &compare, false},
        {"--keep", &keep, false},         {"--report", &options.report, false}};
    for (int i = 1; i < argc; ++i) {
        const QString& arg = args[i];
        if (arg == u"--help" || arg == u"-h") {
            options.help = true;
            return options;
        }
        if (arg == u"--version") {
            options.version = true;
            return options;
        }
        if (arg == u"--echo") {
            options.echo = true;
            continue;
        }
        if (arg == u"--fast") {
            options.fast = true;
            continue;
        }
        if (arg == u"--dry-run") {
            options.inputs.dryRun = true;
            continue;
        }
        if (arg == u"--keep-structure") {
            options.inputs.keepStructure = true;
            continue;
        }
        if (arg == u"--progress") {
            options.progress = true;
            continue;
        }
        const auto value = [&]() -> QString {
            if (i + 1 >= argc) UsageError(arg + QStringLiteral(" needs a value"));
            return args[++i];
        };
        const auto option = std::find_if(std::begin(valued), std::end(valued),
                                         [&](const Valued& v) { return arg == v.name; });
        if (option == std::end(valued)) UsageError(QStringLiteral("unknown argument: ") + arg);
        if (!option->slot) {
            options.inputs.keyFields << value();
        } else {
            if (*option->slot) UsageError(arg + QStringLiteral(" given twice"));
            *option->slot = value();
        }
    }
    // Every missing option at once, in the order of the usage line.
    QStringList missing;
    for (const Valued& option : valued) {
        const bool given =
            option.slot ? option.slot->has_value() : !options.inputs.keyFields.isEmpty();
        // A dry run makes no table: it needs no name for one.
        const bool required = option.required && !(options.inputs.dryRun && option.slot == &into);
        if (required && !given) missing << QLatin1String(option.name);
    }
    if (!missing.isEmpty())
        UsageError(QStringLiteral("missing ") + missing.join(QStringLiteral(", ")));
    if (password && passwordFile)
        UsageError(QStringLiteral("give --password or --password-file, not both"));
    // The driver reads a port that is not a number as no port (3306), and "33560x" as 33560.
    const QString& portText = *port;
    const bool digits = !portText.isEmpty() && portText.size() <= 5 &&
                        std::all_of(portText.begin(), portText.end(),
                                    [](QChar c) { return c >= u'0' && c <= u'9'; });
    const int portNumber = digits ? portText.toInt() : 0;
    if (portNumber < 1 || portNumber > 65535) {
        UsageError(QStringLiteral("--port must be a whole number from 1 to 65535, not \"%1\"")
                       .arg(portText));
    }
    options.inputs.settings = {
        *server, *user,
        passwordFile ? ReadPasswordFile(*passwordFile) : password.value_or(QString()), *database,
        *port};
    options.inputs.chosenTable = *table;
    options.inputs.newTableName = into.value_or(QString());
    if (compare == u"collation") {
        options.inputs.compare = engine::Comparison::Collation;
    } else if (compare && compare != u"exact") {
        UsageError(QStringLiteral("--compare takes exact or collation, not \"%1\"").arg(*compare));
    }
    if (keep == u"last") {
        options.inputs.keep = engine::KeepRow::Last;
    } else if (keep && keep != u"first") {
        UsageError(QStringLiteral("--keep takes first or last, not \"%1\"").arg(*keep));
    }
    if (options.report && options.report->isEmpty())
        UsageError(QStringLiteral("--report needs a file name, or - for standard output"));
    if (options.ReportToStandardOutput() && options.echo) {
        UsageError(QStringLiteral(
            "--echo and --report - would both write to standard output; give the report a file"));
    }
    options.inputs.plan = options.fast ? engine::RunPlan::Fast : engine::RunPlan::Wizard;
    return options;
}

}  // namespace tarnwick::cli
