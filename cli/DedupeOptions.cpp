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
        "                       [--fast] [--echo]\n"
        "\n"
        "Creates NEWTABLE as a copy of TABLE without the later rows of each group of rows whose\n"
        "key fields are equal; TABLE itself is only read, without locking it (on a server whose\n"
        "binary log takes statements, only where the account may have its own log take rows,\n"
        "with SUPER or BINLOG ADMIN; otherwise the copy holds read locks on TABLE's rows until it\n"
        "ends). The copy is built under a scratch name (tarnwick_scratch_...) and takes the name\n"
        "NEWTABLE only when it is complete, replacing an existing table of that name; a failed\n"
        "run leaves that table as it was. Connects with the ODBC driver registered as\n"
        "\"MySQL ODBC 5.1 Driver\".\n"
        "\n"
        "  --key FIELD           a key field; repeat for several, in order\n"
        "  --password-file FILE  read the password from the first line of FILE\n"
        "  --fast                write the table fewer times; the same rows are kept. When TABLE\n"
        "                        is an InnoDB table (not partitioned) whose primary key is one\n"
        "                        column of whole numbers, NEWTABLE keeps that primary key, which\n"
        "                        a run without --fast does not copy. Otherwise NEWTABLE has the\n"
        "                        same columns and no key, and the space of the column that\n"
        "                        numbered its rows stays in the table until it is next rebuilt\n"
        "                        (OPTIMIZE TABLE gives it back).\n"
        "  --echo                print every statement before it is sent\n"
        "  --help                print this text\n"
        "  --version             print the version\n"
        "\n"
        "The last line says \"kept K of N rows in NEWTABLE (D duplicates removed) in S s\" when\n"
        "every step succeeded; otherwise the first line that failed and what is known of the new\n"
        "table and of the scratch table. Before that, each failing step is one line on standard\n"
        "error: tarnwick-dedupe: line N (what the step does) failed: the server's message.\n"
        "\n"
        "Exit status:\n"
        "  0  every step succeeded\n"
        "  1  a step failed after the run had begun to change tables (what is known of them is\n"
        "     the last line)\n"
        "  2  nothing was changed: a usage error; a refusal (a table that is not there, a\n"
        "     privilege the account lacks, inputs or a server with which the run cannot give\n"
        "     the right rows); or the connection or the session could not be set up. The\n"
        "     reason is one line on standard error.\n");
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
    std::optional<QString> server, port, user, database, password, passwordFile, table, into;
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
        {"--into", &into, true}};
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
        if (option.required && !given) missing << QLatin1String(option.name);
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
    options.inputs.newTableName = *into;
    options.inputs.plan = options.fast ? engine::RunPlan::Fast : engine::RunPlan::Wizard;
    return options;
}

}  // namespace tarnwick::cli
