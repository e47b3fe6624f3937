#include "tools/bench-windows/GridTour.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>

#include "pages/DataGrid.h"
#include "tools/bench-windows/UiProbes.h"

namespace tarnwick::tools {
namespace {

constexpr double kPatienceSeconds = 120;

void Press(pages::DataGrid& grid, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(&grid, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(&grid, &release);
}

// Whether every line in view shows a value (none is waiting for its part).
bool RowsInViewShown(pages::DataGrid& grid) {
    const QAbstractItemModel& model = *grid.model();
    for (int line = 0; line < model.rowCount(); ++line)
        if (!model.data(model.index(line, 0)).isValid()) return false;
    return true;
}

// Waits until the lines in view show the rows from `top` on and have been painted; the time since
// `from`, or -1.
double UntilShown(pages::DataGrid& grid, long top, Clock::time_point from) {
    PaintProbe painted(grid);
    const bool shown = ProcessEventsUntil(
        [&] { return grid.TopRow() == top && RowsInViewShown(grid); }, kPatienceSeconds);
    if (!shown) return -1;
    painted.Arm();
    grid.viewport()->update();
    if (!ProcessEventsUntil([&] { return painted.Painted(); }, kPatienceSeconds)) return -1;
    return MillisecondsBetween(from, painted.PaintedAt());
}

}  // namespace

TourTimes TourGrid(pages::DataGrid& grid) {
    TourTimes times;
    const long total = grid.TotalRows();
    const int inView = grid.model()->rowCount();
    if (total == 0 || inView == 0) return times;
    grid.setFocus();

    Clock::time_point start = Clock::now();
    Press(grid, Qt::Key_End, Qt::ControlModifier);
    times.toLastRow = UntilShown(grid, total - inView, start);

    start = Clock::now();
    Press(grid, Qt::Key_Home, Qt::ControlModifier);
    times.toFirstRow = UntilShown(grid, 0, start);

    // A drag of the scroll bar to the middle: twenty moves 10 ms apart, which come as the window
    // system's would, also while a part is being read.
    QScrollBar& bar = *grid.verticalScrollBar();
    const int middle = bar.maximum() / 2;
    int step = 0;
    QTimer drag;
    QObject::connect(&drag, &QTimer::timeout, [&] {
        bar.setValue(++step == 20 ? middle : middle / 20 * step);
        if (step == 20) drag.stop();
    });
    start = Clock::now();
    drag.start(10);
    ProcessEventsUntil([&] { return step == 20; }, kPatienceSeconds);
    times.toMiddle = UntilShown(grid, middle, start);

    for (int page = 0; page < 100; ++page) {
        Press(grid, Qt::Key_PageDown);
        UntilShown(grid, grid.TopRow(), Clock::now());
    }
    for (int step = 0; step < 100; ++step) {
        bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
        UntilShown(grid, grid.TopRow(), Clock::now());
    }
    return times;
}

}  // namespace tarnwick::tools
