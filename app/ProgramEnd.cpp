#include "app/ProgramEnd.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tarnwick::app {
namespace {

std::function<void(int)>& Handler() {
    static std::function<void(int)> handler;
    return handler;
}

}  // namespace

void EndProgram(int exitCode) {
    if (Handler()) {
        Handler()(exitCode);
        return;
    }
    // _Exit, not exit or QCoreApplication::quit: the caller may be deep inside a run that yields
    // to the window system, and no step of it may go on after the user closed the program.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(exitCode);
}

ProgramEndHandlerScope::ProgramEndHandlerScope(std::function<void(int)> handler)
    : previous_(std::exchange(Handler(), std::move(handler))) {}

ProgramEndHandlerScope::~ProgramEndHandlerScope() {
    Handler() = std::move(previous_);
}

}  // namespace tarnwick::app
