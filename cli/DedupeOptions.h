#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "engine/DeduplicationRun.h"

namespace tarnwick::cli {

struct DedupeOptions {
    engine::RunInputs inputs;
    bool echo = false;
    bool fast = false;
    // Where the report of the rows that go is written: a file, or "-" for standard output.
    std::optional<QString> report;
    // Shows the work as it goes on standard error (given, or standard error is a terminal).
    bool progress = false;
    bool help = false;
    bool version = false;

    bool ReportToStandardOutput() const { return report == u"-"; }
};

// The usage text that --help prints.
QString DedupeUsage();
// The line that --version prints: "tarnwick-dedupe " and the version.
QString DedupeVersion();

// Parses the arguments after the program name. Throws std::invalid_argument with a message for
// the user on a usage error. A password given with --password is taken out of the process's
// argument area (argv's strings move up over it) before anything else, so
// that it does not stay visible in the process list.
DedupeOptions ParseDedupeOptions(int argc, char** argv);

}  // namespace tarnwick::cli
