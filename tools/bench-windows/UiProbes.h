#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

class QAbstractItemView;

namespace tarnwick::tools {

using Clock = std::chrono::steady_clock;

double MillisecondsBetween(Clock::time_point from, Clock::time_point to);

// The largest gap between two ticks of a 10 ms timer while it runs: how long the user-interface
// thread at most left window events waiting.
class StallMeter : public QObject {
  public:
    StallMeter();
    void Start();
    void Stop();
    double MaxGapMs() const { return maxGapMs_; }
    Clock::time_point MaxGapStart() const { return maxGapStart_; }

  private:
    QTimer timer_;
    Clock::time_point last_;
    double maxGapMs_ = 0;
    Clock::time_point maxGapStart_;
    void Tick();
};

// When a grid first finished painting rows after Arm(): the first paint of its viewport while its
// model has rows, timed to the end of that paint.
class PaintProbe : public QObject {
  public:
    explicit PaintProbe(QAbstractItemView& grid);
    void Arm();
    bool Painted() const { return painted_; }
    Clock::time_point PaintedAt() const { return paintedAt_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QAbstractItemView& grid_;
    bool armed_ = false;
    bool painted_ = false;
    Clock::time_point paintedAt_;
};

// Processes window events until `done` holds or `seconds` have passed; false on the timeout.
bool ProcessEventsUntil(const std::function<bool()>& done, double seconds);

// Resident memory of this process in MB (VmRSS), its peak (VmHWM), and a reset of that peak to
// the present.
double ResidentMb();
double PeakResidentMb();
bool ResetPeakResident();

}  // namespace tarnwick::tools
