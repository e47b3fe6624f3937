#include "tools/bench/DedupeProcess.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "engine/DeduplicationRun.h"
#include "engine/Statements.h"

extern char** environ;

namespace tarnwick::bench {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// The peak resident memory of a running process so far (VmHWM), in megabytes; 0 once it is gone.
double PeakMegabytesOf(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
    }
    return 0;
}

struct Line {
    QString text;
    Clock::time_point at;
    double peakMegabytes;
};

}  // namespace

Step StepOf(const QString& statement) {
    const bool temporary = statement.contains(QString::fromUtf16(engine::kTemporaryColumn));
    if (statement.startsWith(u"CREATE TABLE")) return Step::Copy;
    if (statement.startsWith(u"DELETE FROM")) return Step::Deletes;
    if (statement.startsWith(u"ALTER TABLE") && statement.contains(u"DROP COLUMN"))
        return Step::DropKey;
    if (statement.startsWith(u"ALTER TABLE") && temporary) return Step::AddKey;
    if (statement.startsWith(u"SELECT * FROM")) return Step::Preview;
    if (statement.startsWith(u"SELECT") && statement.contains(u"ORDER BY") && temporary)
        return Step::Keys;
    return Step::Other;  // connecting, the survey of the tables, drops and renames
}

DedupeFigures RunDedupe(const QString& program, const QStringList& arguments) {
    std::vector<QByteArray> storage{program.toLocal8Bit()};
    for (const QString& argument : arguments) storage.push_back(argument.toLocal8Bit());
    storage.push_back(QByteArrayLiteral("--echo"));
    std::vector<char*> argv;
    for (QByteArray& argument : storage) argv.push_back(argument.data());
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    pid_t pid = 0;
    const Clock::time_point start = Clock::now();
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        throw std::runtime_error("cannot start " + program.toStdString());
    }

    // Each line is stamped when it arrives: the tool flushes every line as it writes it.
    std::vector<Line> lines;
    FILE* out = fdopen(pipeEnds[0], "r");
    char* buffer = nullptr;
    size_t capacity = 0;
    ssize_t length = 0;
    while ((length = getline(&buffer, &capacity, out)) > 0) {
        const Clock::time_point at = Clock::now();
        QString text = QString::fromUtf8(buffer, length).trimmed();
        lines.push_back({std::move(text), at, PeakMegabytesOf(pid)});
    }
    free(buffer);
    fclose(out);

    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const Clock::time_point end = Clock::now();

    DedupeFigures figures;
    figures.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    figures.seconds = SecondsBetween(start, end);
    // A spawned child's maximum starts from its spawner's peak: the caller keeps its own memory
    // small while it runs the tool.
    figures.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    if (lines.empty()) return figures;
    figures.summary = lines.back().text;
    figures.removed = figures.summary.section(u'(', 1).section(u' ', 0, 0).toLong();
    figures.steps[static_cast<int>(Step::Other)] = SecondsBetween(start, lines.front().at);
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const Step step = StepOf(lines[i].text);
        figures.steps[static_cast<int>(step)] += SecondsBetween(lines[i].at, lines[i + 1].at);
        // The memory peak so far when the step after the key query starts.
        if (step == Step::Keys) figures.peakMegabytesKeys = lines[i + 1].peakMegabytes;
    }
    figures.steps[static_cast<int>(Step::Other)] += SecondsBetween(lines.back().at, end);
    return figures;
}

}  // namespace tarnwick::bench
