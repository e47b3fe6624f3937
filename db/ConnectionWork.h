#pragma once

#include <sql.h>

#include <functional>
#include <vector>

namespace tarnwick::db {

// How the program waits for the server: the one place that knows whether a connection is at
// work, and what follows from it.
//
// An action's steps run on the user-interface thread, one after the other, in the order they are
// written. Only the blocking driver call of a step (opening a connection, executing a statement)
// is waited for: it runs on a worker thread of its own while the user-interface thread processes
// window events in a local event loop, so that a Copy or a rebuild that the server works on for
// seconds freezes no window. The step continues when the call has returned; the driver's
// diagnostics are then read on the user-interface thread. Without a running application object
// (the command-line run) the call simply runs in place. Fetching rows is no wait: the driver holds
// the whole result in its own buffer once the execution has returned.
//
// While a connection is at work, the windows answer, and:
// - the connection sends nothing else: a second statement fails at once (Connection);
// - a row set of that connection that a grid lets go of is freed only when the work has ended
//   (the driver must not free a statement of a connection at work): AfterWork;
// - a grid over a row set of that connection shows the rows it already holds and leaves the
//   others blank; when the work has ended it is told to read them (AfterWork);
// - actions that would show or hide pages are ignored (pages/ActionGuard.h, the wizard's guard);
// - a close of the program cancels every statement at work and ends the program at once
//   (CancelStatementsAtWork).
class ConnectionWork {
  public:
    ConnectionWork() = default;
    ConnectionWork(const ConnectionWork&) = delete;
    ConnectionWork& operator=(const ConnectionWork&) = delete;

    // True while a call of the connection is being waited for.
    bool AtWork() const { return atWork_; }

    // Runs one blocking driver call of the connection as a wait, then what was left for the end
    // of the work. `statement` is the statement the call executes (null for a connect): while the
    // call is at work, CancelStatementsAtWork can cancel it. An exception thrown by `call` reaches
    // the caller unchanged.
    void Wait(SQLHSTMT statement, const std::function<void()>& call);

    // Runs `then` on the user-interface thread once the connection is not at work: at once, or
    // when the call being waited for has returned.
    void AfterWork(std::function<void()> then);

  private:
    void RunAfterWork();

    bool atWork_ = false;
    std::vector<std::function<void()>> afterWork_;
};

// Cancels every statement whose execution is being waited for (SQLCancel from another thread,
// which the driver carries out by asking the server, over a connection of its own, to stop the
// query). Returns when the server has been asked, or after a bounded time when it does not answer,
// so that a close still ends the program promptly.
void CancelStatementsAtWork();

}  // namespace tarnwick::db
