#pragma once

#include <sql.h>

#include <functional>

namespace tarnwick::db {

// Runs one blocking driver call: opening a connection or executing a statement.
//
// Long actions yield to the window system so that the windows repaint and accept input while
// they work; waiting for the server is the same yield carried to the server's own time. On the
// thread of a running application object the call goes to a worker thread of its own, and the
// calling thread processes window events in a local event loop until the call has returned, so
// a Copy or a rebuild that the server works on for seconds freezes no window. Everything else
// stays on the calling thread, in order: the caller continues only when the call is done, so a
// connection still sends one statement at a time, and the driver's diagnostics are read from the
// handle afterwards on the calling thread. An exception thrown by `call` reaches the caller
// unchanged. Without an application object (the command-line run) the call simply runs here.
// Fetching is no wait: the driver holds the whole result in its own buffer once the execution has
// returned.
//
// `statement` is the statement handle the call executes (null for a connect): while the call is
// at work it can be cancelled by CancelStatementsAtWork.
void WaitForServer(SQLHSTMT statement, const std::function<void()>& call);

// Cancels every statement whose execution is being waited for (SQLCancel from the calling
// thread, which the driver carries out by asking the server, over a connection of its own, to
// stop the query). Returns when the server has been asked, or after a bounded time when it does
// not answer, so that a close still ends the program promptly.
void CancelStatementsAtWork();

}  // namespace tarnwick::db
