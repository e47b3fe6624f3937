#include "app/Yield.h"

#include <time.h>

#include <QCoreApplication>

namespace tarnwick::app {
namespace {

constexpr long kIntervalNanoseconds = 8'000'000;

// The coarse monotonic clock: a few nanoseconds a read (the precise one costs ten times as much
// in a virtual machine, which adds up at a call per row and field), at a resolution of a few
// milliseconds, fine enough for an interval of 8.
long long NowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

void YieldToWindowSystem() {
    static long long last = 0;
    if (NowNanoseconds() - last < kIntervalNanoseconds) return;
    if (QCoreApplication::instance() == nullptr) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    last = NowNanoseconds();
}

}  // namespace tarnwick::app
