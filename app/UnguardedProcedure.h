#pragma once

#include <QString>
#include <exception>
#include <utility>

namespace tarnwick::app {

// Reports a failure that reached a procedure without an error handler, then ends the program.
// Such a procedure may have stopped half way (a list entry added but not removed), and going on
// from there would leave the program in a state nobody defined; so the user is told what failed
// and where, and the program closes. The report has the error report's caption and icon.
void EndAfterUnguardedFailure(const QString& procedure, const std::exception_ptr& failure);

// The text of that report: description CR LF tag CR CR notice CR CR support sentence.
QString UnguardedFailureText(const QString& procedure, const QString& description);

// Runs a procedure that has no error handler of its own (change, focus, pointer and double-click
// procedures), so that a failure inside it never crosses the window system's event dispatch.
template <class Body>
void RunUnguarded(const QString& procedure, Body&& body) {
    try {
        std::forward<Body>(body)();
    } catch (...) {
        EndAfterUnguardedFailure(procedure, std::current_exception());
    }
}

}  // namespace tarnwick::app
