#pragma once

#include <QString>
#include <exception>

namespace tarnwick::cli {

// The line tarnwick-dedupe prints for the failing step of `line`:
//   tarnwick-dedupe: line 154 (copy the chosen table into the scratch table) failed: MESSAGE
// MESSAGE is the failure's own text, on one line; where the server's error says that the
// connection was lost, the statement was stopped or the node left its cluster, the line says so
// first, and that running again is safe.
QString FailureLine(int line, const std::exception_ptr& failure);

}  // namespace tarnwick::cli
