#include "pages/MinimiseWatch.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace tarnwick::pages {

MinimiseWatch::MinimiseWatch(QWidget& page) : QObject(&page), page_(page) {
    page_.installEventFilter(this);
}

void MinimiseWatch::Start() {
    minimised_ = false;
}

bool MinimiseWatch::WindowMinimised() const {
    const QWindow* window = page_.windowHandle();
    return window != nullptr && (window->windowStates() & Qt::WindowMinimized);
}

bool MinimiseWatch::Minimised() const {
    return minimised_ || page_.isMinimized() || WindowMinimised();
}

void MinimiseWatch::RestoreNormal() {
    page_.showNormal();
    // The page may not have heard of its window's minimise yet: then showNormal() changes
    // nothing, and the window is restored itself.
    if (QWindow* window = page_.windowHandle(); window != nullptr && WindowMinimised())
        window->showNormal();
    minimised_ = false;
}

bool MinimiseWatch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &page_ && event->type() == QEvent::WindowStateChange && page_.isMinimized())
        minimised_ = true;
    return false;
}

}  // namespace tarnwick::pages
