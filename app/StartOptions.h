#pragma once

#include <optional>

namespace tarnwick::app {

// The options the program answers before it opens a window, so that they work without a display:
// -h/--help prints the usage, --version the version, each to standard output, and the program then
// ends with status 0. Any other argument is left to the window system (Qt's own -platform, -style,
// ...). Returns the exit status when the program is to end, or nothing when it is to start.
std::optional<int> AnswerStartOptions(int argc, char** argv, const char* version);

}  // namespace tarnwick::app
