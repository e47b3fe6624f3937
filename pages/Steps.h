#pragma once

#include <utility>

namespace tarnwick::pages {

// Runs numbered steps without an error handler: the counterpart of app::GuardedProcedure for
// procedures that have none (the double-clicks), so that shared routines are written once for
// both. A failure passes straight to the caller.
class UnguardedSteps {
  public:
    template <class Body>
    void Step(int, Body&& body) {
        std::forward<Body>(body)();
    }
    template <class Condition>
    bool Test(int, Condition&& condition) {
        return static_cast<bool>(std::forward<Condition>(condition)());
    }
    template <class Condition>
    bool LoopTest(int, Condition&& condition) {
        return static_cast<bool>(std::forward<Condition>(condition)());
    }
};

}  // namespace tarnwick::pages
