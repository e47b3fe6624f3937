#include "engine/WorkingConnection.h"

#include "app/GuardedProcedure.h"
#include "db/Connection.h"

namespace tarnwick::engine {

void OpenWorkingConnection(app::GuardedProcedure& proc, int firstLine,
                           const std::shared_ptr<db::Connection>& connection,
                           const db::ConnectionSettings& settings) {
    proc.Step(firstLine, [&] { Require(connection).SetCursorLocation(db::kClientSideCursor); });
    proc.Step(firstLine + 2,
              [&] { Require(connection).SetCommandTimeout(db::kCommandTimeoutSeconds); });
    proc.Step(firstLine + 4,
              [&] { Require(connection).SetConnectionTimeout(db::kConnectionTimeoutSeconds); });
    proc.Step(firstLine + 6,
              [&] { Require(connection).Open(db::BuildConnectionString(settings)); });
}

}  // namespace tarnwick::engine
