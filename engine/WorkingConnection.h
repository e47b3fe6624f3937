#pragma once

#include <memory>

#include "db/ConnectionSettings.h"

namespace tarnwick::app {
class GuardedProcedure;
}
namespace tarnwick::db {
class Connection;
}

namespace tarnwick::engine {

// The steps of opening a working connection, on four numbered lines from `firstLine`: cursor
// location 3, command timeout 5000, connection timeout 5000, then the open with the connection
// string of `settings`. The connection object was created by an earlier step.
void OpenWorkingConnection(app::GuardedProcedure& proc, int firstLine,
                           const std::shared_ptr<db::Connection>& connection,
                           const db::ConnectionSettings& settings);

}  // namespace tarnwick::engine
