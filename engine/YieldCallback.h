#pragma once

#include <functional>

namespace tarnwick::engine {

// Lets the window system process pending input while a long routine works. The engine calls it
// where the behaviour yields; it must be cheap (the application's is throttled). Empty: no yield.
using YieldCallback = std::function<void()>;

inline void YieldNow(const YieldCallback& yield) {
    if (yield) yield();
}

}  // namespace tarnwick::engine
