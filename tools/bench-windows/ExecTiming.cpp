// Times the driver's execution of one statement from outside the program's own code: this
// executable defines SQLExecDirectW, which the linker prefers to the driver manager's, and hands
// every call on to the real one. The wizard's code is measured unchanged, whatever thread it
// calls from.
#include "tools/bench-windows/ExecTiming.h"

#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace tarnwick::tools {
namespace {

std::mutex watchMutex;
QString watched;
ExecTimes times;

using ExecDirect = SQLRETURN (*)(SQLHSTMT, SQLWCHAR*, SQLINTEGER);

ExecDirect Real() {
    static const auto real = reinterpret_cast<ExecDirect>(dlsym(RTLD_NEXT, "SQLExecDirectW"));
    if (real == nullptr) {
        std::fputs("tarnwick-bench-windows: SQLExecDirectW not found in the driver manager\n",
                   stderr);
        std::abort();
    }
    return real;
}

}  // namespace

void WatchExecution(const QString& statement) {
    const std::lock_guard lock(watchMutex);
    watched = statement;
    times = {};
}

ExecTimes WatchedExecution() {
    const std::lock_guard lock(watchMutex);
    return times;
}

}  // namespace tarnwick::tools

extern "C" SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT statement, SQLWCHAR* text, SQLINTEGER length) {
    using namespace tarnwick::tools;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    const SQLRETURN rc = Real()(statement, text, length);
    const Clock::time_point returned = Clock::now();
    const auto size = length == SQL_NTS ? -1 : static_cast<qsizetype>(length);
    const QString sent = QString::fromUtf16(reinterpret_cast<const char16_t*>(text), size);
    const std::lock_guard lock(watchMutex);
    if (sent == watched) times = {started, returned};
    return rc;
}
