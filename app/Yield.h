#pragma once

namespace tarnwick::app {

// Lets the window system process pending input and repaint, from inside a long action. Cheap
// enough to call per row or per comparison: it processes events only when some milliseconds
// have passed since it last did, and does nothing without an application object. Waiting for the
// server yields too, for as long as the server works (db/ConnectionWork.h).
void YieldToWindowSystem();

}  // namespace tarnwick::app
