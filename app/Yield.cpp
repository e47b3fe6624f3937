#include "app/Yield.h"

#include <QCoreApplication>
#include <chrono>

namespace tarnwick::app {
namespace {

constexpr auto kInterval = std::chrono::milliseconds(8);

}  // namespace

void YieldToWindowSystem() {
    using Clock = std::chrono::steady_clock;
    static Clock::time_point last{};
    const Clock::time_point now = Clock::now();
    if (now - last < kInterval) return;
    if (QCoreApplication::instance() == nullptr) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    last = Clock::now();
}

}  // namespace tarnwick::app
