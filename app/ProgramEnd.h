#pragma once

#include <functional>

namespace tarnwick::app {

// Ends the whole program at once: from a page's close, "Exit", or a failure that cannot be
// continued. Nothing more runs afterwards, not even a statement that a run was about to send;
// settings are already on disk (they are synced on every write). Returns only when a test has
// installed a handler of its own.
void EndProgram(int exitCode = 0);

// Replaces what EndProgram does while the scope lives (tests record the call instead of exiting).
class ProgramEndHandlerScope {
  public:
    explicit ProgramEndHandlerScope(std::function<void(int exitCode)> handler);
    ~ProgramEndHandlerScope();
    ProgramEndHandlerScope(const ProgramEndHandlerScope&) = delete;
    ProgramEndHandlerScope& operator=(const ProgramEndHandlerScope&) = delete;

  private:
    std::function<void(int)> previous_;
};

}  // namespace tarnwick::app
