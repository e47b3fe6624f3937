#include "tools/bench-windows/UiProbes.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTableView>
#include <functional>

namespace tarnwick::tools {
namespace {

// Runs a view's own handling of a viewport event from inside a filter on that viewport, so that
// the probe sees the end of the paint.
struct ViewportEvents : QTableView {
    static bool Deliver(QAbstractItemView& view, QEvent* event) {
        return (view.*(&ViewportEvents::viewportEvent))(event);
    }
};

}  // namespace

double MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

StallMeter::StallMeter() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

void StallMeter::Tick() {
    const Clock::time_point now = Clock::now();
    if (MillisecondsBetween(last_, now) > maxGapMs_) {
        maxGapMs_ = MillisecondsBetween(last_, now);
        maxGapStart_ = last_;
    }
    last_ = now;
}

void StallMeter::Start() {
    maxGapMs_ = 0;
    last_ = Clock::now();
    timer_.start();
}

void StallMeter::Stop() {
    Tick();
    timer_.stop();
}

PaintProbe::PaintProbe(QAbstractItemView& grid) : grid_(grid) {
    grid_.viewport()->installEventFilter(this);
}

void PaintProbe::Arm() {
    armed_ = true;
    painted_ = false;
}

bool PaintProbe::eventFilter(QObject* watched, QEvent* event) {
    if (!armed_ || painted_ || event->type() != QEvent::Paint || watched != grid_.viewport() ||
        grid_.model() == nullptr || grid_.model()->rowCount() == 0) {
        return false;
    }
    ViewportEvents::Deliver(grid_, event);
    painted_ = true;
    paintedAt_ = Clock::now();
    return true;
}

bool ProcessEventsUntil(const std::function<bool()>& done, double seconds) {
    const Clock::time_point end =
        Clock::now() + std::chrono::microseconds(static_cast<long long>(seconds * 1e6));
    while (!done()) {
        if (Clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

namespace {

double StatusMb(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

}  // namespace

double ResidentMb() {
    return StatusMb("VmRSS:");
}

double PeakResidentMb() {
    return StatusMb("VmHWM:");
}

bool ResetPeakResident() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

}  // namespace tarnwick::tools
